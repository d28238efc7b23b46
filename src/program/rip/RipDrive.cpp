#include "rip/RipDrive.h"

#include <cstring>
#include <string>

#include "app/Commands.h"
#include "resources/Templates.h"

namespace wl {

namespace {

constexpr int kDriveListBox = 127;

std::string driveName(const AppState& s, size_t index) {
    const uint8_t* entry = driveEntry(s.driveList, index);
    const char* name = reinterpret_cast<const char*>(entry + kDriveNameOffset);
    return std::string(name, ::strnlen(name, kDriveNameCapacity));
}

// The drive list counts at most eight entries whatever the library wrote at byte 1.
size_t listedDrives(const AppState& s) { return std::min<size_t>(s.driveList[1], kMaxDrives); }

class DefaultCdProc : public DialogProc {
public:
    explicit DefaultCdProc(App& app) : app_(app) {}
    bool onInit(Dialog& dlg) override {
        AppState& s = app_.s;
        app_.p.cdrom.GetCDList(s.driveList);
        for (size_t i = 0; i < listedDrives(s); ++i) dlg.listAdd(kDriveListBox, driveName(s, i));
        if (s.ripDriveIndex != 99) dlg.listSetCurSel(kDriveListBox, s.ripDriveIndex);
        remembered_ = s.ripDriveIndex;
        return true;
    }
    bool onCommand(Dialog& dlg, int id, int notifyCode) override {
        if (notifyCode != 0) return false;
        AppState& s = app_.s;
        if (id == IDOK) {
            int sel = dlg.listCurSel(kDriveListBox);
            // No selection keeps the former choice rather than storing an unusable index.
            s.ripDriveIndex = sel >= 0 ? sel : remembered_;
            if (s.ripDriveIndex != remembered_) s.settingsDirty = 1;
            app_.p.cdrom.ReadTOC(s.cdHandle, s.toc);
            s.trackCount = s.toc[3];
            dlg.end(1);
            return true;
        }
        if (id == IDCANCEL) {
            dlg.end(0);
            return true;
        }
        return false;
    }

private:
    App& app_;
    int remembered_ = 99;
};

}  // namespace

CdHandle OpenRipDrive(App& app) {
    AppState& s = app.s;
    Cdrom& cd = app.p.cdrom;
    if (s.cdHandle != 0) {
        cd.CloseCDHandle(s.cdHandle);
        s.cdHandle = 0;
    }
    std::memset(s.driveList, 0, sizeof s.driveList);
    cd.GetCDList(s.driveList);
    const size_t count = listedDrives(s);
    if (count == 0) {
        showMessage(app, "Could not get a CD handle.", "Error");
        return 0;
    }
    if (count > 1 && s.ripDriveIndex == 99) {
        app.p.window.enableMenuItem(ID_DEFAULT_RIPPING_PLAYER, true);
        std::string question = "You have " + std::to_string(count) +
                               " CD players on your system. Would you like to select a default one for ripping?";
        if (app.p.window.messageBox(question, "Message", MB_YESNO, true) == IDYES) RunDefaultCdDialog(app);
    }
    // A stored index of a drive since removed falls back to the first drive.
    size_t index = 0;
    if (s.ripDriveIndex != 99 && s.ripDriveIndex >= 0 && size_t(s.ripDriveIndex) < count) index = s.ripDriveIndex;
    const uint8_t* entry = driveEntry(s.driveList, index);
    uint8_t request[kHandleRequestSize] = {};
    request[0] = 12;
    request[1] = 1;
    request[2] = entry[0];
    request[3] = entry[1];
    request[4] = entry[2];
    request[5] = 0;
    CdHandle handle = cd.GetCDHandle(request);
    for (uint8_t method = 0; handle == 0 && method <= 8; ++method) {
        request[5] = method;
        handle = cd.GetCDHandle(request);
    }
    return handle;
}

int RunDefaultCdDialog(App& app) {
    DefaultCdProc proc(app);
    return app.p.window.runDialog(DefaultCdTemplate(), proc);
}

void DefaultRippingPlayerCommand(App& app) {
    if (RunDefaultCdDialog(app) == 1) {
        app.s.cdHandle = OpenRipDrive(app);
        app.s.currentTrack = 1;
        app.s.currentTrackText = "1";
        sendCommand(app, ID_RIP_FROM_CD);
    }
    app.p.window.setFocus(ID_SONG_NAME_EDIT);
}

}  // namespace wl
