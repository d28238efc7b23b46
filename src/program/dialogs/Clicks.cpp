#include "dialogs/Clicks.h"

#include "app/Commands.h"
#include "app/Display.h"
#include "app/Paths.h"
#include "dialogs/FileDialogs.h"
#include "dialogs/PathDialog.h"
#include "mp3/Convert.h"

namespace wl {

namespace {

// Sends a stop step; a failure is shown and the stop goes on.
void stopStep(App& app, const char* command, const char* caption) {
    uint32_t code = mciSend(app, command);
    if (code > 0) showMciError(app, code, caption);
}

void DiscardRecording(App& app) {
    AppState& s = app.s;
    Window& win = app.p.window;
    win.killTimer(RecordTimer);
    enableIdleMenus(app);

    // The captured sound is dropped: nothing is saved.
    stopStep(app, "stop wave", "Stop Wave Error");
    stopStep(app, "close wave", "Close Wave Error");
    if (s.cdMode) stopStep(app, "stop cd", "Stop CD Error");

    resetElapsedDisplay(app);
    win.enableControl(ID_PLAY, true);
    for (int id : {ID_SAVE, ID_PLAYBACK, ID_STOP_PLAYBACK}) win.enableControl(id, false);
    if (s.cdMode) {
        for (int id : {ID_PREV_TRACK, ID_NEXT_TRACK, ID_FIRST_TRACK, ID_LAST_TRACK, ID_EJECT})
            win.enableControl(id, true);
    } else {
        win.enableControl(ID_EJECT, false);
    }
    s.cdPlaying = 0;
    win.setTimer(PollTimer, kPollTimerMs);
    s.recording = 0;
    s.captured = 0;
    s.saveFailed = 0;
    win.setControlText(ID_EXIT, "E&xit");
    win.setControlText(ID_PLAY, s.lineInMode ? "&Record" : "Play");
    setStatus(app, kSongNamePrompt);
}

}  // namespace

void StatusClick(App& app) {
    AppState& s = app.s;
    Window& win = app.p.window;
    if (s.convertMode) {
        if (!chooseOpenFile(app, s.chosenFile, s.chosenFileTitle)) return;
        // Kept exactly as chosen: the file exists under this name, and on this file system
        // its lower-cased name would be another file.
        win.setControlText(ID_SONG_NAME_EDIT, s.chosenFile.str());
        s.lastRecordedFile = s.chosenFile.view();
        win.setFocus(ID_SONG_NAME_EDIT);
        win.enableControl(ID_PLAYBACK, true);
        return;
    }
    if (!chooseSaveFile(app, s.chosenFile, s.chosenFileTitle)) return;
    s.chosenFile = lowerFileName(s.chosenFile.str());
    win.setControlText(ID_SONG_NAME_EDIT, s.chosenFile.str());
    win.setFocus(ID_SONG_NAME_EDIT);
}

void PanelClick(App& app) {
    AppState& s = app.s;
    if (s.converting == 1) {
        CancelConversion(app);
        return;
    }
    // Acts only while a recording's wave device is open.
    if (mciSend(app, "status wave mode") == MCIERR_INVALID_DEVICE_NAME) return;
    DiscardRecording(app);
}

}  // namespace wl
