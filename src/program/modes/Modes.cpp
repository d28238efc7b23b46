#include "modes/Modes.h"

#include <algorithm>
#include <initializer_list>

#include "app/Commands.h"
#include "app/Display.h"
#include "cd/CdSession.h"
#include "cd/Tracks.h"

#ifndef WL_VERSION
#define WL_VERSION "0.0.0"
#endif

namespace wl {

namespace {

// What Volume Control and Help Contents say when the desktop has nothing to start them with.
constexpr const char* kNoVolumeControlText =
    "No volume control program was found. Install pavucontrol (PulseAudio Volume Control) to set "
    "the playback and recording levels, then choose Volume Control again.";
constexpr const char* kNoHelpViewerText =
    "The help page could not be opened: no web browser was found to show it. Install a web "
    "browser, for example firefox-esr, then choose Help Contents (F1) again.";

constexpr int kSourceItems[] = {ID_RECORD_FROM_CD, ID_RECORD_FROM_LINE_IN, ID_CONVERT_WAV_TO_MP3, ID_RIP_FROM_CD};

struct Flags {
    int rip = 0, cd = 0, lineIn = 0, convert = 0;
};

void SetFlags(AppState& s, Flags f) {
    s.ripMode = f.rip;
    s.cdMode = f.cd;
    s.lineInMode = f.lineIn;
    s.convertMode = f.convert;
}

void SetMenuItems(App& app, std::initializer_list<int> enabled, std::initializer_list<int> greyed) {
    Window& win = app.p.window;
    for (int id : enabled) win.enableMenuItem(id, true);
    for (int id : greyed) win.enableMenuItem(id, false);
}

// The MP3 item is usable in the recording and rip modes only while conversion is on.
void GreyMp3ItemWhenNotConverting(App& app) {
    if (app.s.convertToMp3 == 0) app.p.window.enableMenuItem(ID_MP3_PARAMETERS, false);
}

void CheckSourceItem(App& app, int checked) {
    for (int id : kSourceItems) app.p.window.checkMenuItem(id, id == checked);
}

void EnableTrackButtonsAndEject(App& app, bool enabled) {
    for (int id : {ID_PREV_TRACK, ID_FIRST_TRACK, ID_NEXT_TRACK, ID_LAST_TRACK, ID_EJECT})
        app.p.window.enableControl(id, enabled);
}

// Without MP3 conversion the WAV file is all a CD mode produces, so it is kept.
void ForceKeepWavWithoutMp3(AppState& s) {
    if (s.convertToMp3 == 0) s.keepWav = 1;
}

// Line-in and convert modes show a letter instead of a track number; the CD modes go back
// to track 1 from there.
void TrackNumberFromLetter(AppState& s) {
    if (s.currentTrackText == "C" || s.currentTrackText == "L") {
        s.currentTrackText = "1";
        s.currentTrack = 1;
    }
}

void ShowNewMode(App& app) {
    app.s.statusText = kSongNamePrompt;
    app.p.window.invalidate(nullptr, true);
}

void FocusSongName(App& app) { app.p.window.setFocus(ID_SONG_NAME_EDIT); }

}  // namespace

void RecordFromCdCommand(App& app) {
    AppState& s = app.s;
    Window& win = app.p.window;

    mciSend(app, "status cd number of tracks", true);
    s.trackCount = boundedTrackCount(replyNumber(s.mciReply.view()));
    if (s.trackCount == 0) {
        showMessage(app, "Unable to read this audio CD. Try ejecting the CD and starting again.", "Record CD Error");
        sendCommand(app, ID_CONVERT_WAV_TO_MP3);
        return;
    }
    if (s.currentTrack > s.trackCount) {
        s.currentTrack = s.trackCount;
        s.currentTrackText = std::to_string(s.currentTrack);
    }

    SetFlags(s, Flags{.cd = 1});
    ForceKeepWavWithoutMp3(s);
    SetMenuItems(app, {ID_TRACKS_TO_RECORD, ID_PARTIAL_CD_RECORDING, ID_WAV_PARAMETERS}, {ID_WAV_FILES_TO_CONVERT});
    GreyMp3ItemWhenNotConverting(app);
    CheckSourceItem(app, ID_RECORD_FROM_CD);
    win.setControlText(ID_PLAY, "Play");

    TrackNumberFromLetter(s);
    if (s.currentTrack < 1) {
        s.currentTrack = 1;
        s.currentTrackText = "1";
    }
    s.trackTimeText = s.trackLengths[size_t(s.currentTrack)].view();
    ShowNewMode(app);
    EnableTrackButtonsAndEject(app, true);
    // Partial recording stays on across this command (a new disc keeps it), and so does the
    // mode that the settings file will remember.
    s.sourceMode = s.partialMode == 1 ? PartialCdRecording : RecordFromCd;
    FocusSongName(app);
}

void RecordFromLineInCommand(App& app) {
    AppState& s = app.s;
    Window& win = app.p.window;
    SetFlags(s, Flags{.lineIn = 1});
    s.partialMode = 0;
    win.checkMenuItem(ID_PARTIAL_CD_RECORDING, false);
    SetMenuItems(app, {ID_RECORD_FROM_CD, ID_RECORD_FROM_LINE_IN, ID_WAV_PARAMETERS},
                 {ID_TRACKS_TO_RECORD, ID_WAV_FILES_TO_CONVERT, ID_PARTIAL_CD_RECORDING});
    GreyMp3ItemWhenNotConverting(app);
    CheckSourceItem(app, ID_RECORD_FROM_LINE_IN);
    win.setControlText(ID_PLAY, "&Record");
    s.currentTrackText = "L";
    s.trackTimeText.clear();
    ShowNewMode(app);
    EnableTrackButtonsAndEject(app, false);
    s.sourceMode = RecordFromLineIn;
    FocusSongName(app);
}

void ConvertWavToMp3Command(App& app) {
    AppState& s = app.s;
    Window& win = app.p.window;
    SetFlags(s, Flags{.convert = 1});
    s.partialMode = 0;
    win.checkMenuItem(ID_PARTIAL_CD_RECORDING, false);
    SetMenuItems(app, {ID_WAV_FILES_TO_CONVERT, ID_RECORD_FROM_CD, ID_RECORD_FROM_LINE_IN, ID_MP3_PARAMETERS},
                 {ID_TRACKS_TO_RECORD, ID_PARTIAL_CD_RECORDING, ID_WAV_PARAMETERS});
    CheckSourceItem(app, ID_CONVERT_WAV_TO_MP3);
    win.setControlText(ID_PLAY, "Start");
    s.currentTrackText = "C";
    s.trackTimeText.clear();
    ShowNewMode(app);
    EnableTrackButtonsAndEject(app, false);
    win.enableControl(ID_PLAYBACK, false);
    s.sourceMode = ConvertWavToMp3;
    FocusSongName(app);
}

void RipFromCdCommand(App& app) {
    AppState& s = app.s;
    Window& win = app.p.window;

    if (s.cdHandle == 0) {
        showMessage(app, "Unable to get a handle to the CD player. Try ejecting the CD and starting again.",
                    "Rip CD Error");
        sendCommand(app, ID_CONVERT_WAV_TO_MP3);
        return;
    }
    // A table without tracks is as unusable as an unreadable one: no track could be chosen.
    if (ReadTocMsf(app) != 1 || s.toc[3] == 0) {
        showMessage(app, "Unable to read TOC. Try ejecting the CD and starting again.", "Rip CD Error");
        sendCommand(app, ID_CONVERT_WAV_TO_MP3);
        return;
    }

    SetFlags(s, Flags{.rip = 1});
    s.partialMode = 0;
    ForceKeepWavWithoutMp3(s);
    win.checkMenuItem(ID_PARTIAL_CD_RECORDING, false);
    SetMenuItems(app, {ID_TRACKS_TO_RECORD, ID_RECORD_FROM_CD, ID_RECORD_FROM_LINE_IN, ID_CONVERT_WAV_TO_MP3,
                       ID_WAV_PARAMETERS},
                 {ID_WAV_FILES_TO_CONVERT, ID_PARTIAL_CD_RECORDING});
    GreyMp3ItemWhenNotConverting(app);
    CheckSourceItem(app, ID_RIP_FROM_CD);
    win.setControlText(ID_PLAY, "Rip");

    TrackNumberFromLetter(s);
    const int last = boundedTrackCount(s.toc[3]);
    s.ripTrackCount = last;
    s.trackCount = last;
    s.currentTrack = std::clamp(s.currentTrack, 1, last);
    s.currentTrackText = std::to_string(s.currentTrack);
    s.trackTimeText = TocTrackDuration(s.toc, s.currentTrack);

    ShowNewMode(app);
    EnableTrackButtonsAndEject(app, true);
    // Ripping reads the disc's own format; settingsDirty stays as it was.
    s.samplesPerSec = 44100;
    s.bitsPerSample = 16;
    s.channels = 2;
    s.sourceMode = RipFromCd;
    FocusSongName(app);
}

void PartialCdRecordingCommand(App& app) {
    AppState& s = app.s;
    Window& win = app.p.window;
    // Only the CD recording modes offer the item. The start mode sends it after Record from
    // CD even when that fell back to the convert mode; switched on there, it would mix the
    // convert mode's display with a CD recording.
    if (s.cdMode != 1) return;

    const bool wasChecked = win.isMenuItemChecked(ID_PARTIAL_CD_RECORDING);
    win.checkMenuItem(ID_PARTIAL_CD_RECORDING, true);
    if (wasChecked) {
        win.checkMenuItem(ID_PARTIAL_CD_RECORDING, false);
        s.partialMode = 0;
        win.enableMenuItem(ID_TRACKS_TO_RECORD, true);
        win.checkMenuItem(ID_RIP_FROM_CD, false);
        win.checkMenuItem(ID_CONVERT_WAV_TO_MP3, false);
        s.sourceMode = RecordFromCd;
        return;
    }
    s.partialMode = 1;
    SetFlags(s, Flags{.cd = 1});
    SetMenuItems(app, {ID_RIP_FROM_CD, ID_RECORD_FROM_CD, ID_RECORD_FROM_LINE_IN, ID_PARTIAL_CD_RECORDING},
                 {ID_TRACKS_TO_RECORD, ID_WAV_FILES_TO_CONVERT});
    s.sourceMode = PartialCdRecording;
}

void VolumeControlCommand(App& app) {
    if (!app.p.desktop.startVolumeControl())
        showMessage(app, kNoVolumeControlText, "Volume Control", MB_OK);
    FocusSongName(app);
}

void HelpContentsCommand(App& app) {
    if (!app.p.desktop.openHelpContents()) showMessage(app, kNoHelpViewerText, "Help Contents", MB_OK);
    FocusSongName(app);
}

std::string AboutText() {
    return std::string("Wavelathe\nVersion ") + WL_VERSION +
           "\n\nFrom the disc in your drive to the files on your disk, one track at a time.";
}

void AboutCommand(App& app) {
    showMessage(app, AboutText(), "About Wavelathe", MB_OK);
    FocusSongName(app);
}

}  // namespace wl
