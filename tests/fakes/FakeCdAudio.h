#pragma once
// The drive behind the alias "cd": a tray, a disc with its tracks and a play state. Installed
// as the FakeMci handler, it answers the cd strings as a drive would; commands that a test
// scripted on the FakeMci keep their scripted answers. The same disc is put into the
// FakeCdrom, so the ripping drive reads the table of contents of the disc in the tray.
#include <cstdint>
#include <string>
#include <vector>

#include "FakeCdrom.h"
#include "FakeMci.h"

namespace wl::test {

class FakeCdAudio {
public:
    bool trayOpen = false;
    bool hasDisc = true;
    bool trayCloses = true;             // "set cd door closed" succeeds (and brings the tray in)
    bool readyAfterClosing = true;      // false: the drive needs a tick before it reports ready
    std::vector<int> trackSeconds;
    std::string mode = "stopped";       // "playing" while a play runs
    bool waveOpen = false;              // a device with the alias "wave" is open
    uint32_t failCode = 0;              // code for queries the drive cannot answer

    FakeCdAudio(FakeMci& mci, FakeCdrom& cdrom);

    void insertDisc(std::vector<int> seconds);  // tray closed with this disc in it
    void removeDisc();                          // tray closed, nothing in it
    void openTrayByHand() { trayOpen = true; syncRipDrive(); }
    void closeTrayByHand() { trayOpen = false; syncRipDrive(); }
    bool ready() const { return !trayOpen && hasDisc && !warmingUp_; }
    // Length of track n as "status cd length track n" answers it: mm:ss:ff.
    std::string lengthText(int n) const;

    bool answer(const std::string& command, MciReply& out);

private:
    FakeMci& mci_;
    FakeCdrom& cdrom_;
    bool warmingUp_ = false;
    void syncRipDrive();
};

}  // namespace wl::test
