#include "record/Playback.h"

#include "app/Commands.h"
#include "app/Display.h"
#include "app/Paths.h"

namespace wl {

namespace {

// The file Play Back opens: the recording's name, or the one entry of its folder that
// matches it ignoring case, as the original's file system would find it.
std::string playbackFile(const App& app) { return findExistingFile(app.s.lastRecordedFile.str()); }

uint32_t send(App& app, uint32_t message, uint32_t flags = 0) {
    MciParams none;
    return app.p.mci.sendCommand(app.s.waveDeviceId, message, flags, none);
}

// After a failed start nothing plays: the drive is watched again instead of no timer at all.
void recoverFromFailedStart(App& app, bool closeDevice) {
    if (closeDevice) send(app, MCI_CLOSE);
    app.s.playbackActive = 0;
    app.p.window.setTimer(PollTimer, kPollTimerMs);
}

}  // namespace

void StartPlayback(App& app) {
    AppState& s = app.s;
    Window& win = app.p.window;
    // 1.
    s.playbackActive = 1;
    win.killTimer(PollTimer);
    // 2, 3.
    MciParams open = MciOpenParms{&win, "waveaudio", playbackFile(app), "newwave", 0};
    if (uint32_t code = app.p.mci.sendCommand(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_ELEMENT | MCI_OPEN_ALIAS, open);
        code != 0) {
        showMciError(app, code, "Open NewWave Error");
        recoverFromFailedStart(app, false);
        return;
    }
    s.waveDeviceId = std::get<MciOpenParms>(open).deviceId;
    // 4.
    MciParams play = MciPlayParms{&win};
    if (uint32_t code = app.p.mci.sendCommand(s.waveDeviceId, MCI_PLAY, MCI_NOTIFY, play); code != 0) {
        showMciError(app, code, "Play NewWave Error");
        recoverFromFailedStart(app, true);
        return;
    }
    // 5.
    win.enableControl(ID_STOP_PLAYBACK, true);
    for (int id : {ID_PLAY, ID_SAVE, ID_PLAYBACK, ID_PREV_TRACK, ID_NEXT_TRACK, ID_FIRST_TRACK, ID_LAST_TRACK, ID_EJECT})
        win.enableControl(id, false);
    // 6.
    s.cdPlaying = 0;
    s.elapsedSeconds = 0;
    s.elapsedMinutes = 0;
    win.setTimer(RecordTimer, kRecordTimerMs);
}

void StopPlayback(App& app) {
    AppState& s = app.s;
    Window& win = app.p.window;
    // 1. Cleared first, so the notification of this very stop is ignored.
    s.playbackActive = 0;
    // 2, 3. A device that will not stop or close is reported, and the window still returns to
    // idle rather than stay with no timer and the buttons of a play that has ended.
    if (uint32_t code = send(app, MCI_STOP); code != 0) showMciError(app, code, "Stop NewWave Error");
    if (uint32_t code = send(app, MCI_CLOSE); code != 0) showMciError(app, code, "Close NewWave Error");
    // 4.
    win.killTimer(RecordTimer);
    resetElapsedDisplay(app);
    // 5.
    win.enableControl(ID_PLAY, true);
    win.enableControl(ID_PLAYBACK, true);
    win.enableControl(ID_SAVE, false);
    win.enableControl(ID_STOP_PLAYBACK, false);
    const bool cd = s.cdMode == 1 || s.ripMode == 1;
    if (cd)
        for (int id : {ID_PREV_TRACK, ID_NEXT_TRACK, ID_FIRST_TRACK, ID_LAST_TRACK}) win.enableControl(id, true);
    win.enableControl(ID_EJECT, cd);
    // 6.
    win.setTimer(PollTimer, kPollTimerMs);
}

}  // namespace wl
