#include "cd/Tracks.h"

#include <algorithm>
#include <cstring>

#include "app/Commands.h"
#include "app/Display.h"
#include "cd/CdSession.h"
#include "disc/DiscSession.h"

namespace wl {

namespace {

constexpr int kMaxTrack = int(kMaxTracks);

// The last selectable track. A disc read as empty still leaves track 1, so no button can
// make track 0 (or one beyond the 99 length slots) current.
int LastTrack(const AppState& s) { return std::clamp(s.trackCount, 1, kMaxTrack); }
int LastRipTrack(const AppState& s) { return std::clamp(s.ripTrackCount, 1, kMaxTrack); }

void SetCurrentTrackText(AppState& s, int t) { s.currentTrackText = std::to_string(t); }

}  // namespace

int ReadTocMsf(App& app) {
    AppState& s = app.s;
    std::memset(s.toc, 0, sizeof s.toc);
    app.p.cdrom.ModifyCDParms(s.cdHandle, kCdParmAddressing, 1);
    return app.p.cdrom.ReadTOC(s.cdHandle, s.toc);
}

std::string TocTrackDuration(const uint8_t (&toc)[kTocSize], int t) {
    t = std::clamp(t, 1, kMaxTrack);
    const uint8_t* own = tocEntry(toc, size_t(t - 1));
    const uint8_t* next = tocEntry(toc, size_t(t));
    // Counted in frames and cut to whole seconds, as the CD device reports a length.
    constexpr int kFramesPerSecond = 75;
    const int start = (60 * own[5] + own[6]) * kFramesPerSecond + own[7];
    const int end = (60 * next[5] + next[6]) * kFramesPerSecond + next[7];
    return formatDuration((end - start) / kFramesPerSecond, 0);
}

void SelectTrack(App& app, int t) {
    AppState& s = app.s;
    t = std::clamp(t, 1, kMaxTrack);
    if (s.ripMode != 1) {
        s.trackTimeText = s.trackLengths[size_t(t)].view();
    } else {
        // A failed read leaves the cleared table; the length shown is then "00:00".
        ReadTocMsf(app);
        s.trackTimeText = TocTrackDuration(s.toc, t);
    }
    invalidateTrackTime(app);
}

void PrevTrackCommand(App& app) {
    AppState& s = app.s;
    const int last = LastTrack(s);
    int t = s.currentTrack <= 1 ? last : std::min(s.currentTrack - 1, last);
    if (s.ripMode == 1) t = std::min(t, LastRipTrack(s));
    SetCurrentTrackText(s, t);
    SelectTrack(app, t);
    s.currentTrack = t;
    drawTrackNumber(app);
    ShowTrackName(app);
}

void NextTrackCommand(App& app) {
    AppState& s = app.s;
    const int last = LastTrack(s);
    int t = (s.currentTrack >= last || s.currentTrack < 1) ? 1 : s.currentTrack + 1;
    if (s.ripMode == 1) t = std::min(t, LastRipTrack(s));
    SetCurrentTrackText(s, t);
    SelectTrack(app, t);
    s.currentTrack = t;
    drawTrackNumber(app);
    ShowTrackName(app);
}

void FirstTrackCommand(App& app) {
    AppState& s = app.s;
    s.currentTrack = 1;
    s.currentTrackText = "1";
    drawTrackNumber(app);
    SelectTrack(app, 1);
    ShowTrackName(app);
}

void LastTrackCommand(App& app) {
    AppState& s = app.s;
    int t = LastTrack(s);
    // In the rip mode the table of contents decides; the number shown and the track taken
    // stay the same one.
    if (s.ripMode == 1) t = LastRipTrack(s);
    s.currentTrack = t;
    SetCurrentTrackText(s, t);
    drawTrackNumber(app);
    SelectTrack(app, t);
    ShowTrackName(app);
}

void EjectCommand(App& app) {
    AppState& s = app.s;
    Window& win = app.p.window;

    // The drive's own answer decides, so a tray moved by hand is followed.
    mciSend(app, "status cd ready", true);
    if (s.mciReply == "false")
        s.discState = 1;
    else if (s.mciReply == "true")
        s.discState = 2;

    if (s.discState == 2) {
        win.killTimer(PollTimer);
        mciSend(app, "stop cd");
        if (mciSend(app, "status wave mode") != MCIERR_INVALID_DEVICE_NAME) {
            mciSend(app, "stop wave");
            mciSend(app, "close wave");
        }
        win.enableControl(ID_PLAY, false);
        if (mciSend(app, "set cd door open") > 0) showMessage(app, app.p.mci.errorText(s.mciError, 128), "Eject Error 1");
        s.discState = 1;
        win.setControlText(ID_SONG_NAME_EDIT, "");
        for (int id : {ID_SAVE, ID_PLAYBACK, ID_STOP_PLAYBACK, ID_PREV_TRACK, ID_NEXT_TRACK, ID_FIRST_TRACK,
                       ID_LAST_TRACK})
            win.enableControl(id, false);
        win.setTimer(PollTimer, kPollTimerMs);
        return;
    }

    if (mciSend(app, "set cd door closed") > 0) showMessage(app, app.p.mci.errorText(s.mciError, 128), "Eject Error 2");
    s.discState = 2;
    win.enableControl(ID_EJECT, true);
    // The poll reads the disc once the tray is in. It may not be running when the tray was
    // opened by hand after the start-up check ended without a timer; while the check still
    // runs, it reads the disc itself.
    if (s.discCheckDone == 1) win.setTimer(PollTimer, kPollTimerMs);
}

}  // namespace wl
