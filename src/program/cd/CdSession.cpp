#include "cd/CdSession.h"

#include <cctype>

#include "app/Commands.h"
#include "app/Display.h"
#include "disc/DiscSession.h"

namespace wl {

namespace {

constexpr int kTrackButtons[] = {ID_FIRST_TRACK, ID_PREV_TRACK, ID_NEXT_TRACK, ID_LAST_TRACK};

bool StartPollTimer(App& app) {
    if (app.p.window.setTimer(PollTimer, kPollTimerMs)) return true;
    showMessage(app, "Unable to set a timer", "Timer Error");
    return false;
}

// The start-up check is over: the wait cursor gives way at once rather than at the next move.
void EndDiscCheck(App& app) {
    app.s.discCheckDone = 1;
    app.p.window.setCursor(CursorKind::Arrow);
}

void EnableTrackButtons(App& app, bool enabled) {
    for (int id : kTrackButtons) app.p.window.enableControl(id, enabled);
}

void DisableTransport(App& app) {
    for (int id : {ID_PLAY, ID_SAVE, ID_PLAYBACK, ID_STOP_PLAYBACK}) app.p.window.enableControl(id, false);
    EnableTrackButtons(app, false);
}

std::string twoDigits(int v) { return v < 10 ? "0" + std::to_string(v) : std::to_string(v); }

// The track count from "status cd number of tracks", replaced by the table of contents when
// the ripping drive can read it.
void ReadTrackCount(App& app) {
    AppState& s = app.s;
    s.trackCount = boundedTrackCount(replyNumber(s.mciReply.view()));
    if (app.p.cdrom.ReadTOC(s.cdHandle, s.toc) == 1) s.trackCount = boundedTrackCount(s.toc[3]);
}

// Door open or no disc: the display and the buttons show that nothing can be played, and a
// batch chosen for the old disc is dropped.
void ShowNoDisc(App& app) {
    AppState& s = app.s;
    Window& win = app.p.window;
    s.discState = 1;
    s.currentTrackText = "1";
    invalidateTrackNumber(app);
    s.trackTimeText = "00:00";
    s.lastTrackTimeText = "00:00";
    invalidateTrackTime(app);
    win.enableControl(ID_EJECT, true);
    DisableTransport(app);
    s.batchCount = 0;
    s.discSeen = 0;
    s.rippedTracks.clear();  // the next disc's log starts afresh
    s.accurateRip = {};
    if (app.p.accurateRip) app.p.accurateRip->stop();
    ForgetDisc(app);
}

void ReadNewDisc(App& app) {
    AppState& s = app.s;
    Window& win = app.p.window;
    mciSend(app, "set cd time format tmsf");
    mciSend(app, "status cd number of tracks", true);
    ReadTrackCount(app);
    mciSend(app, "status cd start position", true);
    s.trackTimeText = s.mciReply.view();
    mciSend(app, "status cd length track " + s.currentTrackText.str(), true);
    s.trackTimeText = s.mciReply.view();
    if (!(s.trackTimeText == s.lastTrackTimeText.view())) {
        invalidateTrackTime(app);
        s.lastTrackTimeText = s.trackTimeText.view();
    }
    if (s.trackCount > 1 && (s.cdMode == 1 || s.ripMode == 1)) {
        win.enableControl(ID_PLAY, true);
        EnableTrackButtons(app, true);
    }
    ReadTrackLengths(app);
    // Marked as read before the mode command: a message box it shows runs further poll
    // ticks, which would otherwise read the disc again and stack box upon box.
    s.discSeen = 1;
    sendCommand(app, ID_RECORD_FROM_CD);
    // The mode command sets the caption itself; after its fallback to the convert mode the
    // button keeps that mode's caption.
    if (s.cdMode == 1) win.setControlText(ID_PLAY, "Play");
    ReadDiscNames(app);
}

}  // namespace

long replyNumber(std::string_view reply) {
    size_t i = 0;
    while (i < reply.size() && std::isspace(static_cast<unsigned char>(reply[i]))) ++i;
    bool negative = false;
    if (i < reply.size() && (reply[i] == '+' || reply[i] == '-')) negative = reply[i++] == '-';
    long v = 0;
    for (; i < reply.size() && std::isdigit(static_cast<unsigned char>(reply[i])); ++i)
        if (v < 1000000) v = v * 10 + (reply[i] - '0');
    return negative ? -v : v;
}

int boundedTrackCount(long count) {
    if (count < 0) return 0;
    return count > long(kMaxTracks) ? int(kMaxTracks) : int(count);
}

void ReadTrackLengths(App& app) {
    AppState& s = app.s;
    const int count = boundedTrackCount(s.trackCount);
    for (int n = 1; n <= count; ++n) {
        mciSend(app, "status cd length track " + std::to_string(n), true);
        s.trackLengths[size_t(n)] = s.mciReply.view();
    }
}

void InitialiseDisc(App& app) {
    AppState& s = app.s;
    Window& win = app.p.window;

    // The fifth tick ends the check whatever it found.
    if (++s.startupTicks >= 5) {
        win.killTimer(ClockTimer);
        if (!StartPollTimer(app)) return;
        EndDiscCheck(app);
        return;
    }

    mciSend(app, "status cd ready", true);
    if (s.mciReply == "false") {
        if (mciSend(app, "set cd door closed") != 0)
            showMessage(app, app.p.mci.errorText(s.mciError, 256) + " Please close CD door.", "Error closing CD door");
        s.discState = 2;
    }

    mciSend(app, "status cd media present", true);
    if (s.mciReply == "false") {
        // The next tick (possibly while the box below is open) ends the check.
        s.startupTicks = 4;
        if (s.convertMode == 1 || s.lineInMode == 1) return;
        showMessage(app, "No audio CD present.", "CD Error");
        return;
    }

    if (mciSend(app, "set cd time format tmsf") != 0) {
        showMessage(app, "Error setting CD time format", "CD Error");
        return;
    }
    if (mciSend(app, "status cd number of tracks", true) != 0) {
        showMessage(app, "Status CD error", "CD Error");
        return;
    }
    ReadTrackCount(app);

    if (s.trackCount == 1) {
        win.killTimer(ClockTimer);
        if (win.messageBox("I don't think this is an audio CD. Continue anyway?", "Error?", MB_OKCANCEL) != IDOK) {
            // No timer runs from here until Eject; the check is over all the same, so the
            // wait cursor must not stay for the rest of the run.
            EndDiscCheck(app);
            return;
        }
        win.setTimer(PollTimer, kPollTimerMs);
    }

    // The rip mode takes its lengths from the table of contents.
    if (s.ripMode != 1) {
        mciSend(app, "status cd start position", true);
        s.trackTimeText = s.mciReply.view();
        if (s.mciError != 0) {
            showMessage(app, app.p.mci.errorText(s.mciError, 256) + " Error reading CD start position.",
                        "CD Read Error");
            return;
        }
        mciSend(app, "status cd length track 1", true);
        s.trackTimeText = s.mciReply.view();
        if (s.mciError != 0) {
            showMessage(app, app.p.mci.errorText(s.mciError, 256) + " Error getting CD track length.",
                        "CD 1st Track Error");
            return;
        }
    }

    ReadTrackLengths(app);
    mciSend(app, "set cd audio all on", true);

    win.killTimer(ClockTimer);
    invalidateTrackTime(app);
    if (!StartPollTimer(app)) return;
    win.enableControl(ID_PLAY, true);
    if (s.ripMode == 1 || s.cdMode == 1) EnableTrackButtons(app, true);
    EndDiscCheck(app);
    s.discSeen = 1;
    ReadDiscNames(app);
}

void PollDrive(App& app) {
    AppState& s = app.s;
    Window& win = app.p.window;

    if (s.lineInMode == 1 || s.convertMode == 1) {
        win.enableControl(ID_PLAY, true);
        return;
    }

    mciSend(app, "status cd ready", true);
    if (s.mciReply == "false") {
        ShowNoDisc(app);
        return;
    }
    if (s.discSeen == 1) return;
    if (!(s.mciReply == "true")) return;

    s.discState = 2;
    mciSend(app, "status cd media present", true);
    if (s.mciReply == "true") {
        // Sets discSeen itself, before the mode command can run further ticks.
        ReadNewDisc(app);
        return;
    }
    if (s.mciReply == "false") DisableTransport(app);
    s.discSeen = 1;
}

void AdvanceElapsedClock(App& app) {
    AppState& s = app.s;
    if ((s.convertMode == 1 || s.ripMode == 1) && s.playbackActive == 0) return;

    {
        auto canvas = app.p.window.immediateCanvas();
        const TextStyle digits{displayFont(), kDigitsGreen, kBlack, true};
        const int y = scaled(0.7, s.lineHeight);
        if (++s.elapsedSeconds >= 60) {
            s.elapsedSeconds = 0;
            // The minutes show 00 to 60 and then start again.
            if (++s.elapsedMinutes > 60) s.elapsedMinutes = 0;
            s.minutesText = twoDigits(s.elapsedMinutes);
            canvas->textOut(20 * s.charWidth, y, s.minutesText.str(), digits);
        }
        s.secondsText = twoDigits(s.elapsedSeconds);
        canvas->textOut(scaled(26.2, s.charWidth), y, s.secondsText.str(), digits);
    }  // the drawing context is given back before a save can open boxes of its own

    mciSend(app, "status cd mode", true);
    if (s.mciReply == "stopped" && s.cdPlaying == 1) {
        // Cleared first: the save runs inside this tick and must happen once.
        s.cdPlaying = 0;
        sendCommand(app, ID_SAVE);
    }
}

}  // namespace wl
