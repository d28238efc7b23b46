#pragma once
// Port: the desktop's services the program uses.
//
// The AutoRun policy is a 32-bit value under a per-user key: openPolicyKey fails when the
// desktop has no such setting (then nothing else is called). 0xFF means "never autorun
// media"; reading gives the value that restores the present setting when written back.
// startVolumeControl and openHelpContents report whether something was started; when they
// fail the program tells the user what to install. Window's thread only.
//
// The value to restore outlives the process: kept (keepPendingPolicy) before the setting is
// changed and forgotten after it was written back, so a run that never restored it (a
// crash, a kill, a logout) is mended at the next start. pendingPolicy reads what is kept.
#include <cstdint>
#include <optional>
#include <string>

namespace wl {

class Desktop {
public:
    virtual ~Desktop() = default;
    virtual bool openPolicyKey() = 0;
    virtual std::optional<uint32_t> readPolicy() = 0;
    virtual bool writePolicy(uint32_t value) = 0;
    virtual void closePolicyKey() = 0;
    virtual std::optional<uint32_t> pendingPolicy() = 0;
    virtual bool keepPendingPolicy(uint32_t value) = 0;
    virtual void forgetPendingPolicy() = 0;
    virtual bool startVolumeControl() = 0;
    virtual bool openHelpContents() = 0;
    // A web page in the desktop's browser; false when none could be started.
    virtual bool openWebPage(const std::string&) { return false; }
};

}  // namespace wl
