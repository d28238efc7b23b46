// The start-up disc check, the watch on the drive and the elapsed-time clock, driven through
// the fakes with virtual time.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "app/Display.h"
#include "cd/CdSession.h"
#include "cd_fixture.h"

using namespace wl;
using namespace wl::test;

namespace {

const std::vector<int> kNineTracks{200, 210, 220, 230, 240, 250, 260, 270, 280};
constexpr int kTransport[] = {ID_PLAY, ID_SAVE, ID_PLAYBACK, ID_STOP_PLAYBACK,
                              ID_PREV_TRACK, ID_NEXT_TRACK, ID_FIRST_TRACK, ID_LAST_TRACK};
constexpr int kTrackButtons[] = {ID_PREV_TRACK, ID_NEXT_TRACK, ID_FIRST_TRACK, ID_LAST_TRACK};

std::vector<std::string> discReading(int tracks, bool withTrackOne = true) {
    std::vector<std::string> v{"status cd ready", "status cd media present", "set cd time format tmsf",
                               "status cd number of tracks", "status cd start position"};
    if (withTrackOne) v.push_back("status cd length track 1");
    for (int n = 1; n <= tracks; ++n) v.push_back("status cd length track " + std::to_string(n));
    return v;
}

size_t countOf(const std::vector<int>& v, int id) { return size_t(std::count(v.begin(), v.end(), id)); }

TEST(StartUpCheck, TheFirstTickReadsTheDiscAndHandsOverToThePoll) {
    CdScenario t;
    t.start(RecordFromCd);
    ASSERT_TRUE(t.win.boxes.empty());
    size_t mark = t.mci.sent.size();
    t.win.advance(1000);

    auto expected = discReading(5);
    expected.push_back("set cd audio all on");
    EXPECT_EQ(t.sentSince(mark), expected);
    EXPECT_EQ(t.s.trackCount, 5);
    EXPECT_EQ(t.s.trackLengths[1], "03:05:00");
    EXPECT_EQ(t.s.trackLengths[5], "05:01:00");
    EXPECT_EQ(t.s.trackTimeText, "03:05:00");
    EXPECT_FALSE(t.win.timerRunning(ClockTimer));
    EXPECT_EQ(t.win.timerPeriod(PollTimer), 1000);
    EXPECT_TRUE(t.enabled(ID_PLAY));
    for (int id : kTrackButtons) EXPECT_TRUE(t.enabled(id)) << id;
    EXPECT_EQ(t.s.discCheckDone, 1);
    EXPECT_EQ(t.s.discSeen, 1);
    EXPECT_EQ(t.win.cursors.back(), CursorKind::Arrow);
    EXPECT_TRUE(t.win.boxes.empty());

    // Idle with the disc read: each poll only asks whether the drive is ready.
    mark = t.mci.sent.size();
    t.win.advance(3000);
    EXPECT_EQ(t.sentSince(mark), std::vector<std::string>(3, "status cd ready"));
}

TEST(StartUpCheck, ATrayOpenAtTheCheckIsClosedAndTheDiscReadAsSoonAsTheDriveAllows) {
    struct Case {
        const char* what;
        bool trayCloses, readyAfterClosing;
        std::vector<std::string> boxes;
        std::function<void(CdScenario&)> then;
    };
    const Case cases[] = {
        {"read on the same tick", true, true, {},
         [](CdScenario& t) {
             EXPECT_FALSE(t.cd.trayOpen);
             EXPECT_EQ(t.s.discSeen, 1);
         }},
        {"a drive slow to become ready", true, false, {"No audio CD present."},
         [](CdScenario& t) {
             EXPECT_EQ(t.win.boxes[0].caption, "CD Error");
             EXPECT_EQ(t.s.startupTicks, 4);
             t.win.advance(1000);  // the fifth tick ends the check
             EXPECT_FALSE(t.win.timerRunning(ClockTimer));
             EXPECT_TRUE(t.win.timerRunning(PollTimer));
             EXPECT_EQ(t.s.discCheckDone, 1);
             t.win.commandsSent.clear();
             t.win.advance(2000);  // the poll reads it later
             EXPECT_EQ(countOf(t.win.commandsSent, ID_RECORD_FROM_CD), 1u);
             EXPECT_EQ(t.s.discSeen, 1);
             EXPECT_EQ(t.win.boxes.size(), 1u);
         }},
        {"a door that will not close", false, true, {"MCI error 266. Please close CD door.", "No audio CD present."},
         [](CdScenario& t) { EXPECT_EQ(t.win.boxes[0].caption, "Error closing CD door"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CdScenario t;
        t.start(RecordFromCd);
        t.cd.openTrayByHand();
        t.cd.trayCloses = c.trayCloses;
        t.cd.readyAfterClosing = c.readyAfterClosing;
        const size_t mark = t.mci.sent.size();
        t.win.advance(1000);
        const auto sent = t.sentSince(mark);
        ASSERT_GE(sent.size(), 3u);
        EXPECT_EQ(std::vector<std::string>(sent.begin(), sent.begin() + 3),
                  (std::vector<std::string>{"status cd ready", "set cd door closed", "status cd media present"}));
        EXPECT_EQ(t.s.discState, 2);
        ASSERT_EQ(t.boxTexts(), c.boxes);
        c.then(t);
    }
}

TEST(StartUpCheck, WithoutADiscEachModeEndsInItsOwnWay) {
    struct Case {
        int mode;
        std::vector<std::string> boxes;
        bool convertAfter;
    } cases[] = {
        {RipFromCd, {"Unable to read TOC. Try ejecting the CD and starting again."}, true},
        {RecordFromCd, {"Unable to read this audio CD. Try ejecting the CD and starting again."}, true},
        {RecordFromLineIn, {}, false},
        {ConvertWavToMp3, {}, true},
        {PartialCdRecording, {"Unable to read this audio CD. Try ejecting the CD and starting again."}, true},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.mode);
        CdScenario t;
        t.start(c.mode, {});
        t.win.advance(2000);  // the first tick finds no disc, the second ends the check
        EXPECT_EQ(t.boxTexts(), c.boxes);
        EXPECT_EQ(t.s.convertMode, c.convertAfter ? 1 : 0);
        EXPECT_EQ(t.s.lineInMode, c.convertAfter ? 0 : 1);
        EXPECT_EQ(t.s.partialMode, 0);
        EXPECT_FALSE(t.win.timerRunning(ClockTimer));
        EXPECT_TRUE(t.win.timerRunning(PollTimer));
        EXPECT_EQ(t.s.discCheckDone, 1);
        // In these modes the poll keeps the action button usable and asks the drive nothing.
        size_t mark = t.mci.sent.size();
        t.win.advance(1000);
        EXPECT_TRUE(t.sentSince(mark).empty());
        EXPECT_TRUE(t.enabled(ID_PLAY));
    }
}

TEST(StartUpCheck, NoAudioCdIsShownOnceEvenWhileItsBoxStaysOpen) {
    CdScenario t;
    t.start(RecordFromCd);
    t.cd.removeDisc();
    t.win.boxAnswers.push_back(BoxAnswer{IDOK, 1500});
    t.win.advance(1000);
    EXPECT_EQ(t.boxTexts(), std::vector<std::string>{"No audio CD present."});
    // The tick served while the box was open ended the check.
    EXPECT_FALSE(t.win.timerRunning(ClockTimer));
    EXPECT_TRUE(t.win.timerRunning(PollTimer));
    t.win.advance(1000);
    EXPECT_EQ(t.s.trackTimeText, "00:00");

    t.cd.insertDisc(kNineTracks);
    t.win.commandsSent.clear();
    t.win.advance(1000);
    EXPECT_EQ(t.win.commandsSent, std::vector<int>{ID_RECORD_FROM_CD});
    EXPECT_EQ(t.s.trackCount, 9);
    EXPECT_EQ(t.s.trackLengths[9], "04:40:00");
    EXPECT_EQ(t.s.cdMode, 1);
    EXPECT_EQ(t.win.boxes.size(), 1u);
}

TEST(StartUpCheck, ADataDiscWithOneTrackAsksWhetherToGoOn) {
    CdScenario ok;
    ok.start(RecordFromCd, {2400});
    ok.win.answerBoxes({IDOK});
    ok.win.advance(1000);
    ASSERT_EQ(ok.win.boxes.size(), 1u);
    EXPECT_EQ(ok.win.boxes[0].text, "I don't think this is an audio CD. Continue anyway?");
    EXPECT_EQ(ok.win.boxes[0].caption, "Error?");
    EXPECT_EQ(ok.win.boxes[0].type, MB_OKCANCEL);
    EXPECT_EQ(ok.s.trackLengths[1], "40:00:00");
    EXPECT_TRUE(ok.win.timerRunning(PollTimer));
    EXPECT_FALSE(ok.win.timerRunning(ClockTimer));
    EXPECT_TRUE(ok.enabled(ID_PLAY));
    EXPECT_EQ(ok.s.discSeen, 1);

    CdScenario cancel;
    cancel.start(RecordFromCd, {2400});
    cancel.win.answerBoxes({IDCANCEL});
    cancel.win.advance(1000);
    EXPECT_EQ(cancel.win.boxes.size(), 1u);
    EXPECT_FALSE(cancel.win.timerRunning(ClockTimer));
    EXPECT_FALSE(cancel.win.timerRunning(PollTimer));
    EXPECT_FALSE(cancel.enabled(ID_PLAY));
    // The check is over: no wait cursor for the rest of the run.
    EXPECT_EQ(cancel.s.discCheckDone, 1);
    EXPECT_EQ(cancel.win.cursors.back(), CursorKind::Arrow);
    size_t mark = cancel.mci.sent.size();
    cancel.win.advance(10000);
    EXPECT_TRUE(cancel.sentSince(mark).empty());
    // Eject brings the poll back.
    cancel.win.click(ID_EJECT);
    EXPECT_TRUE(cancel.win.timerRunning(PollTimer));
}

TEST(StartUpCheck, EveryFailingQueryIsReportedOnEachTickUntilTheFifth) {
    struct Case {
        const char* command;
        const char* text;
        const char* caption;
    } cases[] = {
        {"set cd time format tmsf", "Error setting CD time format", "CD Error"},
        {"status cd number of tracks", "Status CD error", "CD Error"},
        {"status cd start position", "MCI error 277. Error reading CD start position.", "CD Read Error"},
        {"status cd length track 1", "MCI error 277. Error getting CD track length.", "CD 1st Track Error"},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.command);
        CdScenario t;
        t.start(RecordFromCd);
        t.mci.on(c.command, 277);
        t.win.advance(5000);
        ASSERT_EQ(t.win.boxes.size(), 4u);
        EXPECT_EQ(t.win.boxes[3].text, c.text);
        EXPECT_EQ(t.win.boxes[3].caption, c.caption);
        EXPECT_TRUE(t.win.timerRunning(PollTimer));
        EXPECT_EQ(t.s.discCheckDone, 1);
        EXPECT_EQ(t.s.discSeen, 0);
    }
    // The rip mode never asks for the start position or the first track's length.
    CdScenario rip;
    rip.start(RipFromCd);
    rip.mci.on("status cd start position", 277);
    rip.mci.on("status cd length track 1", 277);
    rip.win.advance(1000);
    EXPECT_TRUE(rip.win.boxes.empty());
    EXPECT_EQ(rip.mci.count("status cd start position"), 0u);
    EXPECT_EQ(rip.s.discSeen, 1);
}

TEST(StartUpCheck, APollTimerThatCannotBeCreatedIsReported) {
    CdScenario t;
    t.start(RecordFromCd);
    t.win.failTimers.insert(PollTimer);
    t.win.advance(1000);
    EXPECT_EQ(t.boxTexts(), std::vector<std::string>{"Unable to set a timer"});
    EXPECT_EQ(t.win.boxes[0].caption, "Timer Error");
    EXPECT_FALSE(t.win.timerRunning(ClockTimer));
    EXPECT_FALSE(t.enabled(ID_PLAY));
    EXPECT_EQ(t.s.discCheckDone, 0);
}

TEST(StartUpCheck, TrackCountsAreHeldToTheNinetyNineLengthSlots) {
    CdScenario t;
    t.prog.cdrom.failReadToc = true;
    t.mci.on("status cd number of tracks", 0, "150");
    t.start(RecordFromCd);
    t.win.advance(1000);
    EXPECT_EQ(t.s.trackCount, 99);
    EXPECT_GE(t.mci.count("status cd length track 99"), 1u);
    EXPECT_EQ(t.mci.count("status cd length track 100"), 0u);

    EXPECT_EQ(replyNumber(" 12 tracks"), 12);
    EXPECT_EQ(replyNumber("-3"), -3);
    EXPECT_EQ(replyNumber("none"), 0);
    EXPECT_EQ(boundedTrackCount(-3), 0);
    EXPECT_EQ(boundedTrackCount(255), 99);
}

class Idle : public ::testing::Test {
protected:
    CdScenario t;
    void SetUp() override {
        t.start(RecordFromCd);
        t.win.advance(1000);
        ASSERT_EQ(t.s.discSeen, 1);
    }
};

TEST_F(Idle, OpeningTheDoorShowsNoDiscAndDropsTheBatch) {
    t.s.currentTrack = 3;
    t.s.currentTrackText = "3";
    t.s.batchCount = 2;
    t.s.trackNames[3] = "third song";
    t.win.invalidated.clear();
    t.cd.openTrayByHand();
    t.win.advance(1000);
    EXPECT_EQ(t.s.trackTimeText, "00:00");
    EXPECT_EQ(t.s.lastTrackTimeText, "00:00");
    EXPECT_EQ(t.s.currentTrackText, "1");
    EXPECT_EQ(t.s.currentTrack, 3);
    EXPECT_EQ(t.s.discState, 1);
    EXPECT_EQ(t.s.discSeen, 0);
    EXPECT_EQ(t.s.batchCount, 0);
    EXPECT_EQ(t.s.trackNames[3], "third song");
    EXPECT_TRUE(t.enabled(ID_EJECT));
    for (int id : kTransport) EXPECT_FALSE(t.enabled(id)) << id;
    ASSERT_EQ(t.win.invalidated.size(), 2u);
    EXPECT_EQ(t.win.invalidated[0], t.s.trackNumberRect);
    EXPECT_EQ(t.win.invalidated[1], t.s.trackTimeRect);
    t.win.paint();
    EXPECT_FALSE(t.win.textsDrawn("00:00").empty());
    // The door stays open: the display stays, nothing is read.
    t.win.commandsSent.clear();
    t.win.advance(3000);
    EXPECT_TRUE(t.win.commandsSent.empty());
    EXPECT_EQ(t.mci.count("status cd media present"), 1u);
}

TEST_F(Idle, InsertingADiscReadsItAndSwitchesToRecordFromCd) {
    t.win.click(ID_RIP_FROM_CD);
    ASSERT_EQ(t.s.ripMode, 1);
    t.cd.openTrayByHand();
    t.win.advance(1000);
    t.cd.insertDisc(kNineTracks);
    t.win.commandsSent.clear();
    size_t mark = t.mci.sent.size();
    t.win.advance(1000);
    auto expected = discReading(9);
    expected.push_back("status cd number of tracks");  // the mode command's own question
    EXPECT_EQ(t.sentSince(mark), expected);
    EXPECT_EQ(t.win.commandsSent, std::vector<int>{ID_RECORD_FROM_CD});
    EXPECT_EQ(t.s.cdMode, 1);
    EXPECT_EQ(t.s.ripMode, 0);
    EXPECT_EQ(t.s.trackCount, 9);
    EXPECT_EQ(t.s.trackTimeText, "03:20:00");
    EXPECT_EQ(t.win.controls[ID_PLAY].text, "Play");
    EXPECT_TRUE(t.enabled(ID_PLAY));
    for (int id : kTrackButtons) EXPECT_TRUE(t.enabled(id)) << id;
    mark = t.mci.sent.size();
    t.win.advance(1000);
    EXPECT_EQ(t.sentSince(mark), std::vector<std::string>{"status cd ready"});
}

TEST_F(Idle, ADiscThatCannotBeReadGivesOneMessageHoweverLongItsBoxStaysOpen) {
    t.cd.openTrayByHand();
    t.win.advance(1000);
    t.cd.insertDisc({});  // a disc without audio tracks
    t.win.boxAnswers.push_back(BoxAnswer{IDOK, 5000});
    t.win.advance(1000);
    EXPECT_EQ(t.boxTexts(),
              std::vector<std::string>{"Unable to read this audio CD. Try ejecting the CD and starting again."});
    EXPECT_EQ(t.mci.count("status cd media present"), 2u);  // the first check, and this disc once
    EXPECT_EQ(t.s.convertMode, 1);
    EXPECT_EQ(t.win.controls[ID_PLAY].text, "Start");
}

class Clock : public Idle {
protected:
    void startRecording() {
        t.win.killTimer(PollTimer);
        t.s.elapsedSeconds = 0;
        t.s.elapsedMinutes = 0;
        t.s.recording = 1;
        t.s.cdPlaying = 1;
        t.cd.mode = "playing";
        t.win.setTimer(RecordTimer, 990);
    }
    const DrawOp* lastImmediate(const std::string& text) {
        auto ops = t.win.textsDrawn(text);
        for (auto it = ops.rbegin(); it != ops.rend(); ++it)
            if (it->immediate) {
                held_ = *it;
                return &held_;
            }
        return nullptr;
    }
    DrawOp held_{};
};

TEST_F(Clock, SecondsAdvanceEvery990MsAndTheMinutesShow60BeforeWrapping) {
    startRecording();
    t.win.advance(989);
    EXPECT_EQ(t.s.elapsedSeconds, 0);
    t.win.advance(1);
    EXPECT_EQ(t.s.secondsText, "01");
    const DrawOp* sec = lastImmediate("01");
    ASSERT_NE(sec, nullptr);
    EXPECT_EQ(sec->rect.left, 183);  // trunc(26.2 x 7)
    EXPECT_EQ(sec->rect.top, 11);    // trunc(0.7 x 16)
    EXPECT_EQ(sec->style.font, displayFont());
    EXPECT_EQ(sec->style.color, kDigitsGreen);
    EXPECT_EQ(sec->style.background, kBlack);
    EXPECT_TRUE(sec->style.opaque);

    t.win.advance(990 * 59);
    EXPECT_EQ(t.s.minutesText, "01");
    EXPECT_EQ(t.s.secondsText, "00");
    ASSERT_NE(lastImmediate("01"), nullptr);
    EXPECT_EQ(lastImmediate("01")->rect.left, 140);  // minutes at 20 x 7

    t.win.advance(990 * (3600 - 60));
    EXPECT_EQ(t.s.minutesText, "60");
    EXPECT_EQ(t.s.secondsText, "00");
    ASSERT_NE(lastImmediate("60"), nullptr);
    t.win.advance(990 * 59);
    EXPECT_EQ(t.s.minutesText, "60");
    EXPECT_EQ(t.s.secondsText, "59");
    t.win.advance(990);
    EXPECT_EQ(t.s.minutesText, "00");
    EXPECT_EQ(t.s.secondsText, "00");
}

TEST_F(Clock, TheEndOfTheCdPlayUnderARecordingSavesOnce) {
    startRecording();
    t.win.commandsSent.clear();
    t.win.advance(990 * 3);
    EXPECT_TRUE(t.win.commandsSent.empty());
    t.cd.mode = "stopped";
    t.win.advance(990);
    EXPECT_EQ(t.win.commandsSent, std::vector<int>{ID_SAVE});
    EXPECT_EQ(t.s.cdPlaying, 0);
    t.win.advance(990 * 5);
    EXPECT_EQ(countOf(t.win.commandsSent, ID_SAVE), 1u);
}

TEST_F(Clock, InTheRipAndConvertModesOnlyPlayBackIsCounted) {
    t.win.click(ID_RIP_FROM_CD);
    startRecording();
    size_t mark = t.mci.sent.size();
    t.win.advance(990 * 3);
    EXPECT_EQ(t.s.elapsedSeconds, 0);
    EXPECT_TRUE(t.sentSince(mark).empty());
    t.s.playbackActive = 1;
    t.win.advance(990);
    EXPECT_EQ(t.s.elapsedSeconds, 1);
    t.win.click(ID_CONVERT_WAV_TO_MP3);
    t.win.advance(990);
    EXPECT_EQ(t.s.elapsedSeconds, 2);
}

}  // namespace
