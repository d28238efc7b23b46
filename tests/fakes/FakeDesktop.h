#pragma once
// Desktop services in memory: an AutoRun policy key that may or may not exist, and the
// value a run keeps to restore.
#include <optional>
#include <vector>

#include "platform/Desktop.h"

namespace wl::test {

class FakeDesktop : public Desktop {
public:
    bool keyExists = true;
    std::optional<uint32_t> value = 0x91;
    std::vector<uint32_t> writes;
    int opens = 0, closes = 0, volumeStarts = 0, helpOpens = 0;
    bool volumeResult = true, helpResult = true;
    std::optional<uint32_t> pending;  // what a real adapter keeps in its state file

    bool openPolicyKey() override { ++opens; return keyExists; }
    std::optional<uint32_t> readPolicy() override { return value; }
    bool writePolicy(uint32_t v) override { writes.push_back(v); value = v; return true; }
    void closePolicyKey() override { ++closes; }
    std::optional<uint32_t> pendingPolicy() override { return pending; }
    bool keepPendingPolicy(uint32_t v) override { pending = v; return true; }
    void forgetPendingPolicy() override { pending.reset(); }
    bool startVolumeControl() override { ++volumeStarts; return volumeResult; }
    bool openHelpContents() override { ++helpOpens; return helpResult; }
};

}  // namespace wl::test
