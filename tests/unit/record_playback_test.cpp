// What goes wrong around a recording (a failed start, a failed save, exiting with a recording
// running) and the play back of the last recording.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "record_fixture.h"

using namespace wl;
using namespace wl::test;
namespace fs = std::filesystem;

namespace {

TEST(RecordingFailure, AStartThatFailsLeavesNothingHalfDone) {
    struct Case {
        const char* name;
        int mode;
        std::function<void(Recorder&)> breakIt;
        const char *text, *caption;
        bool asksWave, waveClosed;
    };
    const Case cases[] = {
        {"no sound input", RecordFromLineIn, [](Recorder& t) { t.mci.commandCodes[MCI_RECORD] = 328; },
         "MCI error 328.", "Record Wave Error", true, true},
        {"no wave device", RecordFromLineIn,
         [](Recorder& t) { t.mci.on("open new type waveaudio alias wave", 289); }, "MCI error 289.", "Open Wave Error",
         true, false},
        {"no timer", RecordFromCd, [](Recorder& t) { t.win.failTimers.insert(RecordTimer); }, "Unable to set a timer",
         "Timer Error", true, true},
        {"CD will not play", RecordFromCd,
         [](Recorder& t) { t.mci.on("play cd from 1:00:00:00 to 2:00:00:00", 276); }, "MCI error 276.",
         "CD Play Error", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Recorder t;
        t.begin(c.mode);
        c.breakIt(t);
        t.win.focusId = 0;
        t.play(t.folder() + "song");
        ASSERT_EQ(t.win.boxes.size(), 1u);
        EXPECT_EQ(t.win.boxes[0].text, c.text);
        EXPECT_EQ(t.win.boxes[0].caption, c.caption);
        EXPECT_EQ(t.sentCount(MCI_CLOSE), c.waveClosed ? 1u : 0u);
        EXPECT_EQ(t.mci.count("open new type waveaudio alias wave"), c.asksWave ? 1u : 0u);
        EXPECT_EQ(t.win.focusId, ID_SONG_NAME_EDIT);
        t.expectIdle();
    }
}

TEST(RecordingFailure, AFailedSaveKeepsTheRecordingUntilItIsSavedElsewhere) {
    Recorder t;
    t.begin(RecordFromCd);
    t.play(t.folder() + "gone/song");
    t.mci.commandCodes[MCI_SAVE] = 512;
    t.mci.on("status wave length", 0, "184000");
    t.cdPlaysToTheEnd();
    ASSERT_EQ(t.win.boxes.size(), 1u);
    EXPECT_EQ(t.win.boxes[0].caption, "Save Wave Error");
    EXPECT_NE(t.win.boxes[0].text.find("MCI error 512."), std::string::npos);
    EXPECT_NE(t.win.boxes[0].text.find("The recording is kept"), std::string::npos);
    EXPECT_EQ(t.sentCount(MCI_CLOSE), 0u) << "closing would throw the recording away";
    EXPECT_EQ(t.s.recording, 1);
    EXPECT_TRUE(t.enabled(ID_SAVE));
    EXPECT_FALSE(t.enabled(ID_PLAY));
    EXPECT_TRUE(t.enabled(ID_SONG_NAME_EDIT));
    EXPECT_FALSE(t.win.timerRunning(PollTimer)) << "a new disc must not switch modes under the kept recording";
    // Play cannot open a second recording over it.
    t.win.click(ID_PLAY);
    EXPECT_EQ(t.mci.count("open new type waveaudio alias wave"), 1u);

    t.mci.commandCodes[MCI_SAVE] = 0;
    t.type(t.folder() + "Elsewhere.MP3");
    t.win.click(ID_SAVE);
    EXPECT_EQ(t.savedNames(), (std::vector<std::string>{t.folder() + "gone/song.wav", t.folder() + "elsewhere.wav"}));
    EXPECT_EQ(t.mci.count("stop cd"), 1u);
    EXPECT_EQ(t.sentCount(MCI_CLOSE), 1u);
    EXPECT_EQ(t.s.lastRecordedFile.str(), t.folder() + "elsewhere.wav");
    EXPECT_EQ(t.s.saveFailed, 0);
    EXPECT_EQ(t.win.lastBox()->text, "I have saved the song to your hard drive.");
    t.expectIdle();
}

TEST(RecordingFailure, ASaveWithNothingCapturedIsReportedAndTheDeviceClosed) {
    // Partial mode: the track ended before Start.
    Recorder t;
    t.begin(PartialCdRecording);
    t.play(t.folder() + "never");
    t.mci.commandCodes[MCI_SAVE] = 516;
    t.cdPlaysToTheEnd();
    ASSERT_GE(t.win.boxes.size(), 1u);
    EXPECT_EQ(t.win.boxes[0].caption, "Save Wave Error");
    EXPECT_EQ(t.sentCount(MCI_CLOSE), 1u);
    EXPECT_EQ(t.s.recording, 0);
    EXPECT_EQ(t.win.controlText(ID_PLAY, 10), "Play");
}

TEST(RecordingAtExit, TheUserDecidesWhetherARunningRecordingIsKept) {
    struct Case {
        const char* name;
        int mode;
        std::vector<int> answers;
        bool saveFails;
        std::vector<std::string> dialogPicks;  // Save As answers while the save fails
        size_t saves;
    };
    const Case cases[] = {
        {"yes saves", RecordFromLineIn, {IDYES}, false, {}, 1},
        {"no discards", RecordFromLineIn, {IDNO}, false, {}, 0},
        {"failed save, saved elsewhere", RecordFromLineIn, {IDYES}, true, {"other.wav"}, 2},
        {"failed save, dialog cancelled", RecordFromLineIn, {IDYES}, true, {}, 1},
        {"nothing captured, nothing asked", PartialCdRecording, {}, false, {}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Recorder t;
        t.begin(c.mode);
        t.play(t.folder() + "long take");
        if (c.saveFails) {
            t.mci.commandCodes[MCI_SAVE] = 514;
            t.mci.on("status wave length", 0, "3600000");
        }
        for (const std::string& pick : c.dialogPicks)
            t.win.fileDialogScript.push_back([&t, pick](FileDialogParams& p) {
                EXPECT_EQ(p.file, t.folder() + "long take.wav");
                t.mci.commandCodes[MCI_SAVE] = 0;
                p.file = t.folder() + pick;
                return true;
            });
        for (int a : c.answers) t.win.answerBoxes({a});
        const size_t mark = t.mci.sent.size();
        t.win.click(ID_EXIT);
        ASSERT_TRUE(t.prog.app.destroyed);
        ASSERT_EQ(t.win.boxes.empty(), c.answers.empty());
        if (!c.answers.empty()) {
            EXPECT_EQ(t.win.boxes[0].caption, "Recording");
            EXPECT_EQ(t.win.boxes[0].type, MB_YESNO | MB_YES_IS_SAFE);
        }
        EXPECT_EQ(t.savedNames().size(), c.saves);
        // Saving happens before the devices are stopped and closed.
        const auto sent = t.sentSince(mark);
        ASSERT_FALSE(sent.empty());
        EXPECT_EQ(std::count(sent.begin(), sent.end(), "stop all"), 1);
        EXPECT_TRUE(t.win.fileDialogScript.empty());
        if (c.saves == 2) {
            EXPECT_EQ(t.savedNames().back(), t.folder() + "other.wav");
        }
    }
}

struct Player : Recorder {
    // A recording made and saved, so that Play Back has a file.
    void recorded(int mode) {
        begin(mode);
        play(folder() + "take");
        if (mode == RecordFromLineIn)
            win.click(ID_SAVE);
        else
            cdPlaysToTheEnd();
        win.boxes.clear();
        mci.commands.clear();
    }
    std::vector<int> enabledOf(std::initializer_list<int> ids) {
        std::vector<int> out;
        for (int id : ids) out.push_back(enabled(id) ? 1 : 0);
        return out;
    }
};

TEST(Playback, PlaysTheLastRecordingAndEndsByItselfOrByStop) {
    struct Case {
        const char* what;
        int mode;
        bool early;
        std::vector<int> enabledAfter;  // Stop Play Back, Play, Save, Play Back, a track button, Eject
    };
    const Case cases[] = {
        {"to the end", RecordFromCd, false, {0, 1, 0, 1, 1, 1}},
        {"stopped early", RecordFromCd, true, {0, 1, 0, 1, 1, 1}},
        {"line in, stopped early", RecordFromLineIn, true, {0, 1, 0, 1, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Player t;
        t.recorded(c.mode);
        const size_t cdPlays = t.mci.count("play cd from 1:00:00:00 to 2:00:00:00");
        t.win.click(ID_PLAYBACK);
        ASSERT_EQ(t.mci.commands.size(), 2u);
        const auto& open = std::get<MciOpenParms>(t.mci.commands[0].params);
        EXPECT_EQ(t.mci.commands[0].message, MCI_OPEN);
        EXPECT_EQ(t.mci.commands[0].flags, 0x2600u);
        EXPECT_EQ(open.deviceType, "waveaudio");
        EXPECT_EQ(open.elementName, t.folder() + "take.wav");
        EXPECT_EQ(open.alias, "newwave");
        EXPECT_EQ(open.callback, &t.win);
        EXPECT_EQ(t.mci.commands[1].message, MCI_PLAY);
        EXPECT_EQ(t.mci.commands[1].flags, MCI_NOTIFY);
        EXPECT_EQ(t.s.playbackActive, 1);
        EXPECT_EQ(t.enabledOf({ID_STOP_PLAYBACK, ID_PLAY, ID_SAVE, ID_PLAYBACK, ID_PREV_TRACK, ID_EJECT}),
                  (std::vector<int>{1, 0, 0, 0, 0, 0}));
        EXPECT_TRUE(t.win.timerRunning(RecordTimer));
        EXPECT_FALSE(t.win.timerRunning(PollTimer));
        t.win.advance(3 * 990);
        EXPECT_EQ(t.s.elapsedSeconds, 3);
        EXPECT_EQ(t.mci.count("play cd from 1:00:00:00 to 2:00:00:00"), cdPlays) << "no save, no new play";

        if (c.early) t.win.click(ID_STOP_PLAYBACK);
        // The device's notification: the end of the file, or the stop just made.
        t.win.postMciNotify(c.early ? MCI_NOTIFY_ABORTED : MCI_NOTIFY_SUCCESSFUL, 0);
        t.win.deliverNotifications();
        EXPECT_EQ(t.sentCount(MCI_STOP), 1u) << "exactly one stop";
        EXPECT_EQ(t.sentCount(MCI_CLOSE), 1u);
        EXPECT_EQ(t.s.playbackActive, 0);
        EXPECT_EQ(t.enabledOf({ID_STOP_PLAYBACK, ID_PLAY, ID_SAVE, ID_PLAYBACK, ID_PREV_TRACK, ID_EJECT}),
                  c.enabledAfter);
        EXPECT_EQ(t.s.minutesText, "00");
        EXPECT_EQ(t.s.secondsText, "00");
        EXPECT_TRUE(t.win.timerRunning(PollTimer));
        EXPECT_FALSE(t.win.timerRunning(RecordTimer));
    }
}

TEST(Playback, AFailedStartOrStopIsReportedAndTheDriveWatchedAgain) {
    struct Case {
        uint32_t message;
        std::string caption;
        size_t closes;
    };
    for (const Case& c : {Case{MCI_OPEN, "Open NewWave Error", 0}, Case{MCI_PLAY, "Play NewWave Error", 1},
                          Case{MCI_STOP, "Stop NewWave Error", 1}}) {
        SCOPED_TRACE(c.caption);
        Player t;
        t.recorded(RecordFromCd);
        t.mci.commandCodes[c.message] = 275;
        t.win.click(ID_PLAYBACK);
        if (c.message == MCI_STOP) t.win.click(ID_STOP_PLAYBACK);  // only a running play back is stopped
        ASSERT_EQ(t.win.boxes.size(), 1u);
        EXPECT_EQ(t.win.boxes[0].caption, c.caption);
        EXPECT_EQ(t.win.boxes[0].text, "MCI error 275.");
        EXPECT_EQ(t.sentCount(MCI_CLOSE), c.closes);
        EXPECT_EQ(t.s.playbackActive, 0);
        EXPECT_TRUE(t.win.timerRunning(PollTimer));
        EXPECT_TRUE(t.enabled(ID_PLAY));
        EXPECT_TRUE(t.enabled(ID_PLAYBACK));
    }
}

}  // namespace
