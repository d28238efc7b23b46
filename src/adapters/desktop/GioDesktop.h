#pragma once
// Desktop services over GLib/GIO: the "never autorun media" setting through GSettings, the
// sound mixer started without a shell, the help page opened in the desktop's viewer. The
// value to restore is kept in a small file under the user's state folder.
#include <string>
#include <vector>

#include "platform/Desktop.h"

namespace wl {

class GioDesktop : public Desktop {
public:
    // helpPage: the bundled help file; mixers: commands tried in order for Volume Control, each
    // a program name with its arguments split on spaces (no shell is involved); stateFile:
    // where the AutoRun value to restore is kept ("" for defaultStateFile()).
    explicit GioDesktop(std::string helpPage,
                        std::vector<std::string> mixers = {"pavucontrol", "pavucontrol-qt", "mate-volume-control",
                                                           "gnome-control-center sound"},
                        std::string stateFile = {});
    ~GioDesktop() override;
    GioDesktop(const GioDesktop&) = delete;
    GioDesktop& operator=(const GioDesktop&) = delete;

    bool openPolicyKey() override;
    std::optional<uint32_t> readPolicy() override;
    bool writePolicy(uint32_t value) override;
    void closePolicyKey() override;
    std::optional<uint32_t> pendingPolicy() override;
    bool keepPendingPolicy(uint32_t value) override;
    void forgetPendingPolicy() override;
    bool startVolumeControl() override;
    bool openHelpContents() override;
    bool openWebPage(const std::string& url) override;

    // The AutoRun value's bit for CD-ROM drives decides the desktop's boolean.
    static constexpr uint32_t kCdRomBit = 0x20;
    // $XDG_STATE_HOME/wavelathe/autorun, or ~/.local/state/wavelathe/autorun.
    static std::string defaultStateFile();

private:
    std::string helpPage_;
    std::vector<std::string> mixers_;
    std::string stateFile_;
    void* settings_ = nullptr;  // GSettings*
};

}  // namespace wl
