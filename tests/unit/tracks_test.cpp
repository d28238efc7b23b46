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
    void startIn(int mode, std::vector<int> disc) {
        t.start(mode, std::move(disc));
        t.win.advance(1000);
        ASSERT_EQ(t.s.discSeen, 1);
    }
    std::string lastImmediateDigits() {
        for (auto it = t.win.drawn.rbegin(); it != t.win.drawn.rend(); ++it)
            if (it->immediate && it->kind == DrawOp::Text && it->text != "    ") return it->text;
        return {};
    }
};

TEST_F(Tracks, ButtonsWrapAtBothEndsAndShowTheTrackLength) {
    startIn(RecordFromCd, twelveTracks());
    ASSERT_EQ(t.s.currentTrack, 1);
    t.win.invalidated.clear();
    t.win.click(ID_PREV_TRACK);
    EXPECT_EQ(t.s.currentTrack, 12);
    EXPECT_EQ(t.s.currentTrackText, "12");
    EXPECT_EQ(t.s.trackTimeText, "03:12:00");
    EXPECT_EQ(lastImmediateDigits(), "12");
    ASSERT_FALSE(t.win.invalidated.empty());
    EXPECT_EQ(t.win.invalidated.back(), t.s.trackTimeRect);

    t.win.click(ID_NEXT_TRACK);
    EXPECT_EQ(t.s.currentTrack, 1);
    EXPECT_EQ(t.s.trackTimeText, "03:01:00");
    t.win.click(ID_NEXT_TRACK);
    EXPECT_EQ(t.s.currentTrackText, "2");
    t.win.click(ID_PREV_TRACK);
    EXPECT_EQ(t.s.currentTrack, 1);

    t.win.click(ID_LAST_TRACK);
    EXPECT_EQ(t.s.currentTrack, 12);
    EXPECT_EQ(t.s.trackTimeText, "03:12:00");
    t.win.click(ID_FIRST_TRACK);
    EXPECT_EQ(t.s.currentTrack, 1);
    EXPECT_EQ(t.s.currentTrackText, "1");
    EXPECT_EQ(t.s.trackTimeText, "03:01:00");
    EXPECT_EQ(lastImmediateDigits(), "1");
    // The track buttons never talk to the CD device outside the rip mode.
    EXPECT_EQ(t.prog.cdrom.readTocCalls, 1);
}

TEST_F(Tracks, NoButtonMakesATrackOutsideTheDiscCurrent) {
    startIn(RecordFromCd, twelveTracks());
    t.s.trackCount = 0;  // a disc read as empty
    t.win.click(ID_LAST_TRACK);
    EXPECT_EQ(t.s.currentTrack, 1);
    t.win.click(ID_PREV_TRACK);
    EXPECT_EQ(t.s.currentTrack, 1);
    t.s.trackCount = 5;
    t.s.currentTrack = 9;  // left over from a longer disc
    t.win.click(ID_NEXT_TRACK);
    EXPECT_EQ(t.s.currentTrack, 1);
    t.s.currentTrack = 9;
    t.win.click(ID_PREV_TRACK);
    EXPECT_EQ(t.s.currentTrack, 5);
}

TEST_F(Tracks, TheRipModeMeasuresEachTrackFromTheTableOfContents) {
    // Track 1 starts at 00:02 and track 2 at 04:32: 272 - 2 - 2 = 268 seconds.
    startIn(RipFromCd, {270, 100, 200, 95});
    EXPECT_EQ(t.s.trackTimeText, "04:28");
    int reads = t.prog.cdrom.readTocCalls;
    t.win.click(ID_NEXT_TRACK);
    EXPECT_EQ(t.s.trackTimeText, "01:38");
    EXPECT_EQ(t.prog.cdrom.readTocCalls, reads + 1);  // read afresh on every press
    // The last track is measured to the lead-out.
    t.win.click(ID_PREV_TRACK);
    t.win.click(ID_PREV_TRACK);
    EXPECT_EQ(t.s.currentTrack, 4);
    EXPECT_EQ(t.s.trackTimeText, "01:33");
    t.win.click(ID_NEXT_TRACK);
    EXPECT_EQ(t.s.currentTrack, 1);
    t.win.click(ID_LAST_TRACK);
    EXPECT_EQ(t.s.currentTrack, 4);
    EXPECT_EQ(t.s.currentTrackText, "4");
    EXPECT_EQ(t.s.trackTimeText, "01:33");

    // An unreadable table leaves zeros behind and the length shown is none.
    t.prog.cdrom.failReadToc = true;
    t.win.click(ID_FIRST_TRACK);
    EXPECT_EQ(t.s.trackTimeText, "00:00");
}

TEST_F(Tracks, TheRipModeNeverGoesBeyondTheTableOfContents) {
    startIn(RipFromCd, {200, 200, 200});
    t.s.trackCount = 7;  // the CD device counted more than the table holds
    t.s.currentTrack = 3;
    t.win.click(ID_NEXT_TRACK);
    EXPECT_EQ(t.s.currentTrack, 3);
    t.win.click(ID_LAST_TRACK);
    EXPECT_EQ(t.s.currentTrack, 3);
    EXPECT_EQ(t.s.currentTrackText, "3");

    uint8_t toc[kTocSize] = {};
    EXPECT_EQ(TocTrackDuration(toc, 250), "00:00");  // held to the table's 99 tracks
}

TEST_F(Tracks, EjectWithTheTrayClosedStopsEverythingAndOpensIt) {
    startIn(RecordFromCd, twelveTracks());
    t.cd.waveOpen = true;
    t.win.setControlText(ID_SONG_NAME_EDIT, "my song");
    size_t mark = t.mci.sent.size();
    t.win.click(ID_EJECT);
    EXPECT_EQ(t.sentSince(mark), (std::vector<std::string>{"status cd ready", "stop cd", "status wave mode",
                                                           "stop wave", "close wave", "set cd door open"}));
    EXPECT_TRUE(t.cd.trayOpen);
    EXPECT_EQ(t.s.discState, 1);
    EXPECT_EQ(t.win.controls[ID_SONG_NAME_EDIT].text, "");
    EXPECT_TRUE(t.enabled(ID_EJECT));
    for (int id : {ID_PLAY, ID_SAVE, ID_PLAYBACK, ID_STOP_PLAYBACK, ID_PREV_TRACK, ID_NEXT_TRACK, ID_FIRST_TRACK,
                   ID_LAST_TRACK})
        EXPECT_FALSE(t.enabled(id)) << id;
    EXPECT_TRUE(t.win.timerRunning(PollTimer));
    EXPECT_TRUE(t.win.boxes.empty());
    t.win.advance(1000);
    EXPECT_EQ(t.s.trackTimeText, "00:00");

    // The second press closes the tray, and the next poll reads the disc again.
    mark = t.mci.sent.size();
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

TEST_F(Tracks, EjectWithoutAWaveDeviceLeavesTheWaveStringsOut) {
    startIn(RecordFromCd, twelveTracks());
    t.win.click(ID_EJECT);
    EXPECT_EQ(t.mci.count("status wave mode"), 1u);
    EXPECT_EQ(t.mci.count("stop wave"), 0u);
    EXPECT_EQ(t.mci.count("close wave"), 0u);
}

TEST_F(Tracks, EjectWithTheTrayOpenedByHandClosesIt) {
    startIn(RecordFromCd, twelveTracks());
    t.cd.openTrayByHand();
    size_t mark = t.mci.sent.size();
    t.win.click(ID_EJECT);
    EXPECT_EQ(t.sentSince(mark), (std::vector<std::string>{"status cd ready", "set cd door closed"}));
    EXPECT_FALSE(t.cd.trayOpen);
    EXPECT_EQ(t.s.discState, 2);
}

TEST_F(Tracks, EjectFailuresAreShownAndTheRestRuns) {
    startIn(RecordFromCd, twelveTracks());
    t.mci.on("set cd door open", 5);
    t.win.click(ID_EJECT);
    ASSERT_EQ(t.win.boxes.size(), 1u);
    EXPECT_EQ(t.win.boxes[0].text, "MCI error 5.");
    EXPECT_EQ(t.win.boxes[0].caption, "Eject Error 1");
    EXPECT_EQ(t.s.discState, 1);
    EXPECT_TRUE(t.win.timerRunning(PollTimer));

    t.mci.on("status cd ready", 0, "false");
    t.mci.on("set cd door closed", 6);
    t.win.click(ID_EJECT);
    ASSERT_EQ(t.win.boxes.size(), 2u);
    EXPECT_EQ(t.win.boxes[1].text, "MCI error 6.");
    EXPECT_EQ(t.win.boxes[1].caption, "Eject Error 2");
    EXPECT_EQ(t.s.discState, 2);
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
