// Clicks on the main window: "click here:" opens Save As or Open; the display panel discards
// a running recording or cancels a conversion.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "cd_fixture.h"
#include "dialogs/FileDialogs.h"

using namespace wl;
using namespace wl::test;

namespace {

constexpr const char* kPrompt = "Enter song name or click here:";

class Clicks : public ::testing::Test {
protected:
    CdScenario t;
    // In the zones for a 7 x 16 unit: "click here:" and the display panel.
    void clickStatus() { t.prog.proc.onClick(150, 136, false); }
    void clickPanel(bool twice = false) { t.prog.proc.onClick(100, 30, twice); }
    // Answers the next file dialog with `chosen` (empty = Cancel) and keeps what it was given.
    FileDialogParams given;
    void answerFileDialog(const std::string& chosen) {
        t.win.fileDialogScript.push_back([this, chosen](FileDialogParams& p) {
            given = p;
            if (chosen.empty()) return false;
            p.file = chosen;
            return true;
        });
    }
    std::string edit() { return t.win.controls[ID_SONG_NAME_EDIT].text; }
};

TEST_F(Clicks, TheStatusClickInTheConvertModeOpensAWavFileAsChosen) {
    t.start(ConvertWavToMp3);
    t.win.enableControl(ID_PLAYBACK, false);
    t.win.focusId = 0;
    answerFileDialog("/home/ann/Music/Take Five.wav");
    clickStatus();
    EXPECT_EQ(given.filter, std::string("waveaudio files (*.wav)\0*.wav\0", 31));
    EXPECT_EQ(given.defaultExt, "wav");
    EXPECT_EQ(t.s.workingDir, given.initialDir);
    EXPECT_FALSE(given.allowMultiple);
    // The file exists under its own name: nothing of it is lower-cased.
    EXPECT_EQ(edit(), "/home/ann/Music/Take Five.wav");
    EXPECT_EQ(t.s.lastRecordedFile, "/home/ann/Music/Take Five.wav");
    EXPECT_EQ(t.s.chosenFileTitle, "Take Five.wav");
    EXPECT_TRUE(t.win.isControlEnabled(ID_PLAYBACK));
    EXPECT_EQ(t.win.focusId, ID_SONG_NAME_EDIT);
}

TEST_F(Clicks, TheStatusClickInTheOtherModesNamesANewFileInLowerCase) {
    t.start(RecordFromLineIn);
    answerFileDialog("/home/ann/Music/My Song.WAV");
    clickStatus();
    EXPECT_EQ(given.file, "");
    EXPECT_EQ(edit(), "/home/ann/Music/my song.wav");
    EXPECT_EQ(t.win.focusId, ID_SONG_NAME_EDIT);

    // The last choice is offered next time; Cancel changes nothing.
    t.win.setControlText(ID_SONG_NAME_EDIT, "typed");
    t.win.enableControl(ID_PLAYBACK, false);
    answerFileDialog("");
    clickStatus();
    EXPECT_EQ(given.file, "/home/ann/Music/my song.wav");
    EXPECT_EQ(edit(), "typed");
    EXPECT_FALSE(t.win.isControlEnabled(ID_PLAYBACK));

    // While a recording runs the box is disabled, but its text is still replaced.
    t.s.recording = 1;
    t.win.enableControl(ID_SONG_NAME_EDIT, false);
    answerFileDialog("/tmp/b.wav");
    clickStatus();
    EXPECT_EQ(edit(), "/tmp/b.wav");
    EXPECT_FALSE(t.win.isControlEnabled(ID_SONG_NAME_EDIT));
    EXPECT_TRUE(t.win.boxes.empty());
}

TEST_F(Clicks, APathTooLongForTheSongNameBoxIsRefusedNotCut) {
    t.start(RecordFromCd);
    t.win.setControlText(ID_SONG_NAME_EDIT, "before");
    const std::string longest = "/" + std::string(kMaxChosenPath - 5, 'a') + ".wav";
    ASSERT_EQ(longest.size(), kMaxChosenPath);
    for (const std::string& chosen : {longest + "x", "/" + std::string(300, 'b') + ".wav"}) {
        t.win.boxes.clear();
        answerFileDialog(chosen);
        clickStatus();
        EXPECT_EQ(edit(), "before");
        ASSERT_EQ(t.win.boxes.size(), 1u);
        EXPECT_EQ(t.win.boxes[0].caption, "Path Error");
        EXPECT_EQ(t.win.boxes[0].text,
                  "The path of the chosen file is longer than 254 characters. Please choose a shorter one.");
    }
    answerFileDialog(longest);
    clickStatus();
    EXPECT_EQ(edit(), longest);
}

TEST_F(Clicks, ClicksOutsideBothZonesDoNothing) {
    t.start(RecordFromCd);
    t.s.recording = 1;
    t.cd.waveOpen = true;
    const size_t mark = t.mci.sent.size();
    // Bounds are exclusive: x = 19 w and y = 8 h miss "click here:", x = w and y = 3 h the panel.
    for (auto [x, y] : {std::pair{133, 136}, {150, 128}, {210, 136}, {7, 30}, {100, 48}, {100, 8}, {231, 30}})
        t.prog.proc.onClick(x, y, false);
    EXPECT_TRUE(t.win.fileDialogScript.empty());
    EXPECT_EQ(t.mci.sent.size(), mark);
    EXPECT_EQ(t.s.recording, 1);
}

TEST_F(Clicks, APanelClickWithoutARecordingOnlyAsksTheWaveDevice) {
    t.start(RecordFromCd);
    t.win.advance(1000);
    const size_t mark = t.mci.sent.size();
    const auto boxes = t.win.boxes.size();
    clickPanel();
    clickPanel(true);
    EXPECT_EQ(t.sentSince(mark), (std::vector<std::string>{"status wave mode", "status wave mode"}));
    EXPECT_EQ(t.win.boxes.size(), boxes);
}

// The window as a running recording leaves it, per source mode.
struct Running {
    int sourceMode;
    const char* playCaption;
    std::vector<std::string> stops;
    bool trackButtons;
};

class PanelClickDuringARecording : public Clicks, public ::testing::WithParamInterface<Running> {};

TEST_P(PanelClickDuringARecording, StopsItDiscardsItAndReturnsToIdle) {
    const Running& r = GetParam();
    t.start(r.sourceMode);
    t.win.advance(1000);
    // What starting a recording leaves behind.
    t.s.recording = 1;
    t.s.cdPlaying = r.sourceMode != RecordFromLineIn;
    t.s.convertToMp3 = 0;
    t.cd.waveOpen = true;
    t.s.minutesText = "02";
    t.s.secondsText = "13";
    t.win.killTimer(PollTimer);
    t.win.setTimer(RecordTimer, kRecordTimerMs);
    for (int id : {ID_WAV_PARAMETERS, ID_MP3_PARAMETERS, ID_RIP_FROM_CD, ID_RECORD_FROM_CD, ID_RECORD_FROM_LINE_IN,
                   ID_CONVERT_WAV_TO_MP3, ID_PARTIAL_CD_RECORDING, ID_TRACKS_TO_RECORD, ID_DEFAULT_RIPPING_PLAYER})
        t.win.enableMenuItem(id, false);
    for (int id : std::initializer_list<int>{ID_PLAY, ID_PREV_TRACK, ID_NEXT_TRACK, ID_FIRST_TRACK, ID_LAST_TRACK, ID_EJECT,
                                           ID_SONG_NAME_EDIT})
        t.win.enableControl(id, false);
    for (int id : {ID_SAVE, ID_STOP_PLAYBACK, ID_PLAYBACK}) t.win.enableControl(id, true);
    t.win.setControlText(ID_EXIT, "Cancel");
    t.win.setControlText(ID_PLAY, "Recording");
    t.s.statusText = "Recording...";
    t.s.batchCount = 3;
    const size_t mark = t.mci.sent.size();
    t.win.paint();
    t.win.invalidated.clear();

    clickPanel();

    std::vector<std::string> expected{"status wave mode", "stop wave", "close wave"};
    expected.insert(expected.end(), r.stops.begin(), r.stops.end());
    EXPECT_EQ(t.sentSince(mark), expected);
    EXPECT_FALSE(t.cd.waveOpen);
    EXPECT_EQ(t.s.recording, 0);
    EXPECT_EQ(t.s.cdPlaying, 0);
    EXPECT_FALSE(t.win.timerRunning(RecordTimer));
    EXPECT_TRUE(t.win.timerRunning(PollTimer));
    EXPECT_EQ(t.win.timerPeriod(PollTimer), 1000);
    for (int id : {ID_WAV_PARAMETERS, ID_RIP_FROM_CD, ID_RECORD_FROM_CD, ID_RECORD_FROM_LINE_IN, ID_CONVERT_WAV_TO_MP3,
                   ID_PARTIAL_CD_RECORDING, ID_TRACKS_TO_RECORD, ID_DEFAULT_RIPPING_PLAYER})
        EXPECT_TRUE(t.win.isMenuItemEnabled(id)) << id;
    EXPECT_FALSE(t.win.isMenuItemEnabled(ID_MP3_PARAMETERS));  // conversion is off
    EXPECT_TRUE(t.win.isControlEnabled(ID_SONG_NAME_EDIT));
    EXPECT_TRUE(t.win.isControlEnabled(ID_PLAY));
    for (int id : {ID_SAVE, ID_PLAYBACK, ID_STOP_PLAYBACK}) EXPECT_FALSE(t.win.isControlEnabled(id)) << id;
    for (int id : {ID_PREV_TRACK, ID_NEXT_TRACK, ID_FIRST_TRACK, ID_LAST_TRACK, ID_EJECT})
        EXPECT_EQ(t.win.isControlEnabled(id), r.trackButtons) << id;
    EXPECT_EQ(t.win.controls[ID_EXIT].text, "E&xit");
    EXPECT_EQ(t.win.controls[ID_PLAY].text, r.playCaption);
    EXPECT_EQ(t.s.minutesText, "00");
    EXPECT_EQ(t.s.secondsText, "00");
    EXPECT_EQ(t.s.statusText, kPrompt);
    EXPECT_TRUE(std::find(t.win.invalidated.begin(), t.win.invalidated.end(), std::optional<Rect>(t.s.statusRect)) !=
                t.win.invalidated.end());
    EXPECT_EQ(t.s.batchCount, 3);  // the track selection is not touched
    EXPECT_TRUE(t.win.boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(Modes, PanelClickDuringARecording,
                         ::testing::Values(Running{RecordFromLineIn, "&Record", {}, false},
                                           Running{RecordFromCd, "Play", {"stop cd"}, true}));

TEST_F(Clicks, EveryFailedStopStepIsShownAndTheStopGoesOn) {
    t.start(RecordFromCd);
    t.win.advance(1000);
    t.s.recording = 1;
    t.s.convertToMp3 = 1;
    t.win.enableMenuItem(ID_MP3_PARAMETERS, false);
    t.mci.on("status wave mode", 0, "recording");
    t.mci.on("stop wave", 261);
    t.mci.on("close wave", 262);
    t.mci.on("stop cd", 264);
    t.win.boxes.clear();
    clickPanel();
    ASSERT_EQ(t.win.boxes.size(), 3u);
    const std::pair<std::string, std::string> shown[] = {
        {"MCI error 261.", "Stop Wave Error"}, {"MCI error 262.", "Close Wave Error"}, {"MCI error 264.", "Stop CD Error"}};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(t.win.boxes[i].text, shown[i].first);
        EXPECT_EQ(t.win.boxes[i].caption, shown[i].second);
        EXPECT_EQ(t.win.boxes[i].type, MB_OK);
    }
    EXPECT_EQ(t.s.recording, 0);
    EXPECT_TRUE(t.win.timerRunning(PollTimer));
    EXPECT_TRUE(t.win.isMenuItemEnabled(ID_MP3_PARAMETERS));
}

TEST_F(Clicks, APanelClickDuringAConversionOnlyEndsIt) {
    t.start(ConvertWavToMp3);
    t.cd.waveOpen = true;  // even with a wave device about, nothing is sent
    t.s.converting = 1;
    const size_t mark = t.mci.sent.size();
    clickPanel();
    EXPECT_EQ(t.s.converting, 0);
    EXPECT_EQ(t.mci.sent.size(), mark);
    EXPECT_TRUE(t.cd.waveOpen);
}

}  // namespace
