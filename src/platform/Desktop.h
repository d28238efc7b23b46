#pragma once
// Port: the desktop's services the program uses.
//
// The AutoRun policy is a 32-bit value under a per-user key: openPolicyKey fails when the
// desktop has no such setting (then nothing else is called). 0xFF means "never autorun
// media"; reading gives the value that restores the present setting when written back.
// startVolumeControl and openHelpContents report whether something was started; when they
// fail the program tells the user what to install. Window's thread only.
#include <cstdint>
#include <optional>

namespace wl {

class Desktop {
public:
    virtual ~Desktop() = default;
    virtual bool openPolicyKey() = 0;
    virtual std::optional<uint32_t> readPolicy() = 0;
    virtual bool writePolicy(uint32_t value) = 0;
    virtual void closePolicyKey() = 0;
    virtual bool startVolumeControl() = 0;
    virtual bool openHelpContents() = 0;
};

}  // namespace wl
