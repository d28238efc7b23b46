#include "window/MainWindow.h"

#include "app/Commands.h"
#include "app/Display.h"
#include "modes/Modes.h"
#include "app/Settings.h"
#include "mp3/BatchConvert.h"
#include "mp3/Convert.h"
#include "record/TrackBatch.h"
#include "resources/Menu.h"
#include "cd/CdSession.h"
#include "cd/Tracks.h"
#include "disc/DiscInfoDialog.h"
#include "disc/OnlineNames.h"
#include "dialogs/Clicks.h"
#include "dialogs/FileDialogs.h"
#include "dialogs/ParamDialogs.h"
#include "dialogs/PathDialog.h"
#include "dialogs/ReadModeDialog.h"
#include "dialogs/ReadOffsetDialog.h"
#include "dialogs/OutputFormatDialog.h"
#include "record/Playback.h"
#include "record/Recording.h"
#include "rip/RipDrive.h"

namespace wl {

uint32_t mciSend(App& app, const std::string& command, bool wantReply) {
    AppState& s = app.s;
    s.mciCommand = command;
    char reply[21] = {};
    s.mciError = app.p.mci.sendString(s.mciCommand.str(), wantReply ? reply : nullptr, wantReply ? 20 : 0);
    if (wantReply) s.mciReply = reply;
    return s.mciError;
}

int showMessage(App& app, const std::string& text, const std::string& caption, unsigned type) {
    return app.p.window.messageBox(text, caption, type);
}

void showMciError(App& app, uint32_t code, const std::string& caption, size_t textBytes) {
    showMessage(app, app.p.mci.errorText(code, textBytes), caption);
}

namespace {

constexpr uint32_t kAutoRunOff = 0xFF;

void TurnAutoRunOff(App& app) {
    Desktop& d = app.p.desktop;
    if (!d.openPolicyKey()) return;
    // A previous run ended without restoring the user's value: put it back first, or it
    // would be read below as the user's own and kept "never" for good.
    if (auto left = d.pendingPolicy()) d.writePolicy(*left);
    if (auto value = d.readPolicy()) {
        app.s.savedAutoRunPolicy = *value;
        d.keepPendingPolicy(*value);
        d.writePolicy(kAutoRunOff);
    } else {
        app.s.savedAutoRunPolicy = 0x95;
    }
    d.closePolicyKey();
}

void RestoreAutoRun(App& app) {
    Desktop& d = app.p.desktop;
    if (!d.openPolicyKey()) return;
    if (d.writePolicy(app.s.savedAutoRunPolicy)) d.forgetPendingPolicy();
    d.closePolicyKey();
}

void CreateControls(App& app) {
    Window& win = app.p.window;
    const int w = app.s.charWidth, h = app.s.lineHeight;
    const int top = scaled(3.3, h), bottom = 5 * h, height = scaled(1.5, h), row = scaled(6.8, h);
    auto button = [&](int id, const char* caption, int x, int y, int cx, int cy) {
        win.createButton(id, caption, Rect{x, y, x + cx, y + cy});
    };
    button(ID_PLAY, "Play", w, top, 7 * w, height);
    button(ID_SAVE, "Save", w, bottom, 7 * w, height);
    button(ID_PLAYBACK, "Play &Back", 9 * w, top, 16 * w, height);
    button(ID_STOP_PLAYBACK, "S&top Play Back", 9 * w, bottom, 16 * w, height);
    button(ID_EJECT, "E&ject", 26 * w, top, 7 * w, height);
    button(ID_EXIT, "E&xit", 26 * w, bottom, 7 * w, height);
    button(ID_FIRST_TRACK, "<<", 4 * w, row, 4 * w, h);
    button(ID_PREV_TRACK, "<", 9 * w, row, 4 * w, h);
    button(ID_NEXT_TRACK, ">", 21 * w, row, 4 * w, h);
    button(ID_LAST_TRACK, ">>", 26 * w, row, 4 * w, h);
    const int editY = scaled(9.4, h);
    win.createEdit(ID_SONG_NAME_EDIT, Rect{w, editY, w + 32 * w, editY + height});
    win.createListBox(ID_SELECTION_LIST_BOX, Rect{w, h, 3 * w, 3 * h});
}

bool OpenCdDevice(App& app) {
    mciSend(app, "stop cdaudio");
    mciSend(app, "close cdaudio");
    const std::string open = "open cdaudio shareable alias cd";
    if (mciSend(app, open) == 0) return true;
    std::string text = app.p.mci.errorText(app.s.mciError, 256);
    text += " Please click on the \"OK\" button and then try again. If problems persist, make sure no other "
            "CD playing software is running and that your CD player is configured to play audio CDs.";
    showMessage(app, text, "Open CD Device Error");
    mciSend(app, open);
    return false;
}

}  // namespace

int CreateMainWindow(App& app) {
    AppState& s = app.s;
    Window& win = app.p.window;

    // 1. Layout units and the centred, fixed-size window.
    FontMetrics fm = win.defaultFontMetrics();
    s.charWidth = fm.averageCharWidth;
    s.lineHeight = fm.height + fm.externalLeading;
    s.windowWidth = 35 * s.charWidth;
    s.windowHeight = scaled(15.5, s.lineHeight);
    s.screenWidth = win.screenWidth();
    s.screenHeight = win.screenHeight();
    win.moveWindow((s.screenWidth - s.windowWidth) / 2, (s.screenHeight - s.windowHeight) / 2, s.windowWidth,
                   s.windowHeight);
    // 2. The menu.
    win.setMenu(MainMenu());
    // 3.
    ReadSettings(app);
    win.checkMenuItem(ID_LOOK_UP_ONLINE, s.lookupsOff == 0);
    win.checkMenuItem(ID_TEST_AND_COPY, s.testAndCopy != 0);
    // 4. The encoder library.
    s.encoderModule = app.p.encoder.load(kEncoderLibraryName);
    if (!s.encoderModule) showMessage(app, "I Can't find the DLL file needed to make MP3 files.", "MP3 Error");
    // 5. Tested before the defaults on purpose: without a settings file the item starts grey.
    if (s.convertToMp3 == 0) win.enableMenuItem(ID_MP3_PARAMETERS, false);
    // 6, 7.
    CreateControls(app);
    PrepareDisplay(app);
    // 8.
    if (!OpenCdDevice(app)) return -1;
    // 9.
    s.currentTrackText = "1";
    s.currentTrack = 1;
    s.songName = "untitled";
    // 10.
    if (s.bitsPerSample == 0) ApplyDefaultSettings(app);
    // 11.
    win.enableControl(ID_EJECT, true);
    for (int id : {ID_PLAY, ID_SAVE, ID_PLAYBACK, ID_STOP_PLAYBACK, ID_PREV_TRACK, ID_NEXT_TRACK, ID_FIRST_TRACK,
                   ID_LAST_TRACK})
        win.enableControl(id, false);
    // 12.
    s.discState = 2;
    // 13.
    win.setAccelerators(MainAccelerators());
    win.setCursor(CursorKind::Wait);
    win.setFocus(ID_SONG_NAME_EDIT);
    // 14.
    s.cdHandle = OpenRipDrive(app);
    if (s.cdHandle == 0 && s.sourceMode == RipFromCd) s.sourceMode = RecordFromCd;
    // 15.
    switch (s.sourceMode) {
        case RipFromCd: sendCommand(app, ID_RIP_FROM_CD); break;
        case RecordFromCd: sendCommand(app, ID_RECORD_FROM_CD); break;
        case RecordFromLineIn: sendCommand(app, ID_RECORD_FROM_LINE_IN); break;
        case ConvertWavToMp3: sendCommand(app, ID_CONVERT_WAV_TO_MP3); break;
        case PartialCdRecording:
            sendCommand(app, ID_RECORD_FROM_CD);
            sendCommand(app, ID_PARTIAL_CD_RECORDING);
            break;
        default: break;
    }
    // 16.
    setupFileDialogs(app);
    // 17.
    win.setTimer(ClockTimer, kClockTimerMs);
    // 18.
    s.statusText = kSongNamePrompt;
    s.batchCount = 0;
    return 0;
}

void ShutdownMainWindow(App& app) {
    if (app.destroyed) return;
    app.destroyed = true;
    AppState& s = app.s;
    Window& win = app.p.window;
    // Before "stop all" throws an unsaved recording away with its device.
    KeepRecordingAtExit(app);
    mciSend(app, "stop all");
    mciSend(app, "close all");
    win.killTimer(RecordTimer);
    win.killTimer(PollTimer);
    win.killTimer(ClockTimer);
    RestoreAutoRun(app);
    if (s.settingsDirty == 1 &&
        win.messageBox("Do you want to save the new settings?", "Save", MB_YESNO) == IDYES)
        sendCommand(app, ID_SAVE_SETTINGS);
    if (app.p.accurateRip) app.p.accurateRip->stop();
    if (app.p.ctdb) app.p.ctdb->stop();
    if (app.p.discLookup) app.p.discLookup->stop();
    // Before the encoder library goes away: the worker stops after its current chunk.
    StopConversionWorker(app);
    if (s.encoderModule) {
        app.p.encoder.unload(s.encoderModule);
        s.encoderModule = nullptr;
    }
    app.p.cdrom.CloseCDHandle(s.cdHandle);
    s.cdHandle = 0;
    win.quit(0);
}

void HandleCommand(App& app, int id) {
    switch (id) {
        case ID_PLAY:
            if (app.s.convertMode == 1)
                ConvertPlayCommand(app);
            else
                StartRecording(app);
            break;
        case ID_SAVE: SaveRecording(app); break;
        case ID_PLAYBACK: StartPlayback(app); break;
        case ID_STOP_PLAYBACK: StopPlayback(app); break;
        case ID_EXIT: app.p.window.destroy(); break;
        case ID_SAVE_SETTINGS: SaveSettings(app); break;
        case ID_DEFAULT_RIPPING_PLAYER: DefaultRippingPlayerCommand(app); break;
        case ID_EJECT: EjectCommand(app); break;
        case ID_PREV_TRACK: PrevTrackCommand(app); break;
        case ID_NEXT_TRACK: NextTrackCommand(app); break;
        case ID_FIRST_TRACK: FirstTrackCommand(app); break;
        case ID_LAST_TRACK: LastTrackCommand(app); break;
        case ID_VOLUME_CONTROL: VolumeControlCommand(app); break;
        case ID_RECORD_FROM_CD: RecordFromCdCommand(app); break;
        case ID_RECORD_FROM_LINE_IN: RecordFromLineInCommand(app); break;
        case ID_PARTIAL_CD_RECORDING: PartialCdRecordingCommand(app); break;
        case ID_CONVERT_WAV_TO_MP3: ConvertWavToMp3Command(app); break;
        case ID_RIP_FROM_CD: RipFromCdCommand(app); break;
        case ID_TRACKS_TO_RECORD: TracksToRecordCommand(app); break;
        case ID_WAV_FILES_TO_CONVERT: WavFilesToConvertCommand(app); break;
        case ID_HELP_CONTENTS: HelpContentsCommand(app); break;
        case ID_ABOUT: AboutCommand(app); break;
        case ID_WAV_PARAMETERS: WavParametersCommand(app); break;
        case ID_MP3_PARAMETERS: Mp3ParametersCommand(app); break;
        case ID_PATH_TO_SAVE_FILES: PathToSaveFilesCommand(app); break;
        case ID_READ_OFFSET: ReadOffsetCommand(app); break;
        case ID_READ_MODE: ReadModeCommand(app); break;
        case ID_TEST_AND_COPY: TestAndCopyCommand(app); break;
        case ID_LOOK_UP_ONLINE:
            app.s.lookupsOff = app.s.lookupsOff ? 0 : 1;
            app.p.window.checkMenuItem(ID_LOOK_UP_ONLINE, app.s.lookupsOff == 0);
            app.s.settingsDirty = 1;
            if (app.s.lookupsOff && app.p.discLookup) app.p.discLookup->stop();
            break;
        case ID_DISC_INFORMATION: DiscInformationCommand(app); break;
        case ID_OUTPUT_FORMAT: OutputFormatCommand(app); break;
        default: break;  // unknown ids, and the edit box's notifications (65535), are ignored
    }
}

void HandleTimer(App& app, int id) {
    if (id == ClockTimer)
        InitialiseDisc(app);
    else if (id == PollTimer)
        PollDrive(app);
    else
        AdvanceElapsedClock(app);
    // After the drive's poll, which forgets a disc taken out.
    UseWaitingAnswer(app);
}

bool inStatusClickZone(const App& app, int x, int y) {
    const int w = app.s.charWidth, h = app.s.lineHeight;
    return x > 19 * w && x < 30 * w && y > 8 * h && y < 9 * h;
}

bool inPanelZone(const App& app, int x, int y) {
    const int w = app.s.charWidth, h = app.s.lineHeight;
    return x > w && x < 33 * w && y > 0.5 * h && y < 3 * h;
}

void HandleMouseMove(App& app, int x, int y) {
    const AppState& s = app.s;
    CursorKind cursor = CursorKind::Arrow;
    if (s.discCheckDone == 0) cursor = CursorKind::Wait;
    if (inStatusClickZone(app, x, y) && s.recording == 0 && s.converting != 1) cursor = CursorKind::Hand;
    app.p.window.setCursor(cursor);
}

void HandleClick(App& app, int x, int y) {
    if (inStatusClickZone(app, x, y))
        StatusClick(app);
    else if (inPanelZone(app, x, y))
        PanelClick(app);
}

void HandleMciNotify(App& app) {
    if (app.s.playbackActive != 1) return;
    sendCommand(app, ID_STOP_PLAYBACK);
    app.s.playbackActive = 0;
}

int MainWindowProc::onCreate(Window&) { return CreateMainWindow(app_); }
void MainWindowProc::onDestroy() { ShutdownMainWindow(app_); }
void MainWindowProc::onEndSession() { app_.s.sessionEnding = true; }
void MainWindowProc::onPaint(Canvas& canvas) { PaintMainWindow(app_, canvas); }
void MainWindowProc::onCommand(int id, int) { HandleCommand(app_, id); }
void MainWindowProc::onTimer(int id) { HandleTimer(app_, id); }
void MainWindowProc::onMouseMove(int x, int y) { HandleMouseMove(app_, x, y); }
void MainWindowProc::onClick(int x, int y, bool) { HandleClick(app_, x, y); }
void MainWindowProc::onMciNotify(uint32_t, uint32_t) { HandleMciNotify(app_); }

int WavelatheMain(App& app, MainWindowProc& proc) {
    TurnAutoRunOff(app);
    Window& win = app.p.window;
    if (win.create(proc) != 0) {
        // A failed creation destroys the window: the shutdown runs and the program ends.
        win.destroy();
        return 0;
    }
    win.show();
    return win.runMessageLoop();
}

}  // namespace wl
