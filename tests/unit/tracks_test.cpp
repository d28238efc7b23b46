// The track buttons with their wrap-around, the rip mode's lengths from the table of
// contents, and the Eject button.
#include <gtest/gtest.h>

#include "cd/Tracks.h"
#include "cd_fixture.h"

using namespace wl;
using namespace wl::test;

namespace {

// Twelve tracks: track n lasts 3 minutes and n seconds.
std::vector<int> twelveTracks() {
    std::vector<int> v;
    for (int n = 1; n <= 12; ++n) v.push_back(180 + n);
    return v;
}

class Tracks : public ::testing::Test {
protected:
    CdScenario t;
    static void startIn(CdScenario& sc, int mode, std::vector<int> disc) {
        sc.start(mode, std::move(disc));
        sc.win.advance(1000);
        ASSERT_EQ(sc.s.discSeen, 1);
    }
    void startIn(int mode, std::vector<int> disc) { startIn(t, mode, std::move(disc)); }
};

std::string lastImmediateDigits(const CdScenario& sc) {
    for (auto it = sc.win.drawn.rbegin(); it != sc.win.drawn.rend(); ++it)
        if (it->immediate && it->kind == DrawOp::Text && it->text != "    ") return it->text;
    return {};
}

struct Press {
    int button, track;
    std::string length;
};

// Each press shows the track's number at once and its length at the next paint; the rip mode
// measures the length from a table of contents read afresh, the others never read one.
TEST_F(Tracks, ButtonsWrapAtBothEndsAndShowTheTrackLength) {
    struct Case {
        const char* name;
        int mode;
        std::vector<int> disc;
        const char* lengthAtStart;
        std::vector<Press> presses;
    } cases[] = {
        {"record from CD", RecordFromCd, twelveTracks(), "03:01:00",
         {{ID_PREV_TRACK, 12, "03:12:00"}, {ID_NEXT_TRACK, 1, "03:01:00"}, {ID_NEXT_TRACK, 2, "03:02:00"},
          {ID_PREV_TRACK, 1, "03:01:00"}, {ID_LAST_TRACK, 12, "03:12:00"}, {ID_FIRST_TRACK, 1, "03:01:00"}}},
        // Track 1 starts at 00:02 and track 2 at 04:32: the lengths the CD device gives; the
        // last track is measured to the lead-out.
        {"rip", RipFromCd, {270, 100, 200, 95}, "04:30",
         {{ID_NEXT_TRACK, 2, "01:40"}, {ID_PREV_TRACK, 1, "04:30"}, {ID_PREV_TRACK, 4, "01:35"},
          {ID_NEXT_TRACK, 1, "04:30"}, {ID_LAST_TRACK, 4, "01:35"}, {ID_FIRST_TRACK, 1, "04:30"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CdScenario sc;
        startIn(sc, c.mode, c.disc);
        ASSERT_EQ(sc.s.currentTrack, 1);
        EXPECT_EQ(sc.s.trackTimeText, c.lengthAtStart);
        for (const Press& p : c.presses) {
            SCOPED_TRACE(::testing::Message() << "press " << p.button << " to " << p.track);
            const int reads = sc.prog.cdrom.readTocCalls;
            sc.win.invalidated.clear();
            sc.win.click(p.button);
            EXPECT_EQ(sc.s.currentTrack, p.track);
            EXPECT_EQ(sc.s.currentTrackText, std::to_string(p.track));
            EXPECT_EQ(lastImmediateDigits(sc), std::to_string(p.track));
            EXPECT_EQ(sc.s.trackTimeText, p.length);
            ASSERT_FALSE(sc.win.invalidated.empty());
            EXPECT_EQ(sc.win.invalidated.back(), sc.s.trackTimeRect);
            EXPECT_EQ(sc.prog.cdrom.readTocCalls, reads + (c.mode == RipFromCd));
        }
    }
}

TEST_F(Tracks, AnUnreadableTableOfContentsShowsNoLength) {
    startIn(RipFromCd, {270, 100, 200, 95});
    t.prog.cdrom.failReadToc = true;  // the read leaves zeros behind
    t.win.click(ID_NEXT_TRACK);
    EXPECT_EQ(t.s.trackTimeText, "00:00");
    uint8_t toc[kTocSize] = {};
    EXPECT_EQ(TocTrackDuration(toc, 250), "00:00");  // held to the table's 99 tracks
}

// A count the disc or the table does not back (an empty disc, a track left over from a longer
// one, a CD device counting more than the table holds) never makes a track outside them current.
TEST_F(Tracks, NoButtonMakesATrackOutsideTheDiscCurrent) {
    struct Case {
        const char* name;
        int mode;
        std::vector<int> disc;
        int trackCount, currentBefore;
        Press press;
    } cases[] = {
        {"empty, last", RecordFromCd, twelveTracks(), 0, 1, {ID_LAST_TRACK, 1, ""}},
        {"empty, previous", RecordFromCd, twelveTracks(), 0, 1, {ID_PREV_TRACK, 1, ""}},
        {"left over, next", RecordFromCd, twelveTracks(), 5, 9, {ID_NEXT_TRACK, 1, ""}},
        {"left over, previous", RecordFromCd, twelveTracks(), 5, 9, {ID_PREV_TRACK, 5, ""}},
        {"rip, next", RipFromCd, {200, 200, 200}, 7, 3, {ID_NEXT_TRACK, 3, ""}},
        {"rip, last", RipFromCd, {200, 200, 200}, 7, 3, {ID_LAST_TRACK, 3, ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CdScenario sc;
        startIn(sc, c.mode, c.disc);
        sc.s.trackCount = c.trackCount;
        sc.s.currentTrack = c.currentBefore;
        sc.win.click(c.press.button);
        EXPECT_EQ(sc.s.currentTrack, c.press.track);
        EXPECT_EQ(sc.s.currentTrackText, std::to_string(c.press.track));
    }
}

// The drive's own answer decides which way the tray goes; the wave device is stopped and
// closed only when one is open; a door that will not move is reported and the rest runs.
TEST_F(Tracks, EjectSendsWhatTheTrayAndTheWaveDeviceCallFor) {
    struct Case {
        const char* name;
        bool waveOpen, trayOpenedByHand;
        std::pair<const char*, int> failing;
        std::vector<std::string> sent;
        bool trayOpenAfter;
        int discState;
        std::vector<std::string> box;  // text and caption
    } cases[] = {
        {"tray closed, wave device open", true, false, {},
         {"status cd ready", "stop cd", "status wave mode", "stop wave", "close wave", "set cd door open"}, true, 1,
         {}},
        {"tray closed, no wave device", false, false, {},
         {"status cd ready", "stop cd", "status wave mode", "set cd door open"}, true, 1, {}},
        {"tray opened by hand", false, true, {}, {"status cd ready", "set cd door closed"}, false, 2, {}},
        {"door will not open", false, false, {"set cd door open", 5},
         {"status cd ready", "stop cd", "status wave mode", "set cd door open"}, false, 1,
         {"MCI error 5.", "Eject Error 1"}},
        {"door will not close", false, true, {"set cd door closed", 6}, {"status cd ready", "set cd door closed"},
         true, 2, {"MCI error 6.", "Eject Error 2"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CdScenario sc;
        startIn(sc, RecordFromCd, twelveTracks());
        sc.cd.waveOpen = c.waveOpen;
        if (c.trayOpenedByHand) sc.cd.openTrayByHand();
        if (c.failing.first) sc.mci.on(c.failing.first, c.failing.second);
        const size_t mark = sc.mci.sent.size();
        sc.win.click(ID_EJECT);
        EXPECT_EQ(sc.sentSince(mark), c.sent);
        EXPECT_EQ(sc.cd.trayOpen, c.trayOpenAfter);
        EXPECT_EQ(sc.s.discState, c.discState);
        EXPECT_TRUE(sc.win.timerRunning(PollTimer));
        std::vector<std::string> shown;
        for (const ShownBox& b : sc.win.boxes) shown.insert(shown.end(), {b.text, b.caption});
        EXPECT_EQ(shown, c.box);
    }
}

TEST_F(Tracks, EjectWithTheTrayClosedStopsEverythingAndOpensIt) {
    startIn(RecordFromCd, twelveTracks());
    t.win.setControlText(ID_SONG_NAME_EDIT, "my song");
    t.win.click(ID_EJECT);
    EXPECT_EQ(t.win.controls[ID_SONG_NAME_EDIT].text, "");
    EXPECT_TRUE(t.enabled(ID_EJECT));
    for (int id : {ID_PLAY, ID_SAVE, ID_PLAYBACK, ID_STOP_PLAYBACK, ID_PREV_TRACK, ID_NEXT_TRACK, ID_FIRST_TRACK,
                   ID_LAST_TRACK})
        EXPECT_FALSE(t.enabled(id)) << id;
    EXPECT_TRUE(t.win.timerRunning(PollTimer));
    t.win.advance(1000);
    EXPECT_EQ(t.s.trackTimeText, "00:00");

    // The second press closes the tray, and the next poll reads the disc again.
    const size_t mark = t.mci.sent.size();
    t.win.click(ID_EJECT);
    EXPECT_EQ(t.sentSince(mark), (std::vector<std::string>{"status cd ready", "set cd door closed"}));
    EXPECT_EQ(t.s.discState, 2);
    EXPECT_TRUE(t.enabled(ID_EJECT));
    t.win.commandsSent.clear();
    t.win.advance(1000);
    EXPECT_EQ(t.win.commandsSent, std::vector<int>{ID_RECORD_FROM_CD});
    EXPECT_EQ(t.s.trackTimeText, "03:01:00");
    EXPECT_TRUE(t.enabled(ID_PLAY));
}

TEST_F(Tracks, ClosingTheTrayAfterTheCheckEndedWithoutATimerBringsThePollBack) {
    t.start(RecordFromCd, {2400});
    t.win.answerBoxes({IDCANCEL});
    t.win.advance(1000);
    ASSERT_FALSE(t.win.timerRunning(PollTimer));
    t.cd.openTrayByHand();
    t.cd.insertDisc(twelveTracks());
    t.cd.openTrayByHand();
    t.win.click(ID_EJECT);
    EXPECT_TRUE(t.win.timerRunning(PollTimer));
    t.win.advance(1000);
    EXPECT_EQ(t.s.trackCount, 12);
    EXPECT_EQ(t.s.cdMode, 1);
}

}  // namespace
