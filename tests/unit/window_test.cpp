// Start, layout, dispatch and shutdown of the main window.
#include <gtest/gtest.h>

#include "cd_fixture.h"

using namespace wl;
using namespace wl::test;

namespace {

std::vector<int> modeCommandsSent(const TestProgram& prog) {
    std::vector<int> out;
    for (int id : prog.window.commandsSent)
        if (id >= ID_RECORD_FROM_CD && id <= ID_RIP_FROM_CD) out.push_back(id);
    return out;
}

class MainWindow : public ::testing::Test {
protected:
    TempWorkingDir dir;
    TestProgram prog{dir.path()};
};

TEST_F(MainWindow, OpensTheCdDeviceWithTheThreeStringsInOrder) {
    ASSERT_EQ(prog.start(), 0);
    ASSERT_GE(prog.mci.sent.size(), 3u);
    EXPECT_EQ(prog.mci.sent[0], "stop cdaudio");
    EXPECT_EQ(prog.mci.sent[1], "close cdaudio");
    EXPECT_EQ(prog.mci.sent[2], "open cdaudio shareable alias cd");
    EXPECT_TRUE(prog.window.timerRunning(ClockTimer));
    EXPECT_EQ(prog.window.timerPeriod(ClockTimer), 1000);
    EXPECT_EQ(prog.s().statusText, "Enter song name or click here:");
    EXPECT_EQ(prog.s().discState, 2);
    EXPECT_TRUE(prog.window.isControlEnabled(ID_EJECT));
    // The track buttons are the start mode's (Rip from CD) to enable; the rest waits for the disc check.
    for (int id : {ID_PLAY, ID_SAVE, ID_PLAYBACK, ID_STOP_PLAYBACK})
        EXPECT_FALSE(prog.window.isControlEnabled(id)) << id;
    // The wait cursor stays until the disc check is done.
    ASSERT_FALSE(prog.window.cursors.empty());
    EXPECT_EQ(prog.window.cursors.back(), CursorKind::Wait);
    prog.window.cursors.clear();
    prog.proc.onMouseMove(5, 5);
    EXPECT_EQ(prog.window.cursors.back(), CursorKind::Wait);
}

TEST_F(MainWindow, AFailingCdDeviceShowsItsTextWithTheHintTriesOnceMoreAndEnds) {
    prog.mci.on("open cdaudio shareable alias cd", 275);
    prog.s().settingsDirty = 0;
    EXPECT_EQ(prog.start(), -1);
    ASSERT_EQ(prog.window.boxes.size(), 1u);
    EXPECT_EQ(prog.window.boxes[0].caption, "Open CD Device Error");
    EXPECT_EQ(prog.window.boxes[0].text,
              "MCI error 275. Please click on the \"OK\" button and then try again. If problems persist, make sure no "
              "other CD playing software is running and that your CD player is configured to play audio CDs.");
    EXPECT_EQ(prog.mci.count("open cdaudio shareable alias cd"), 2u);
    // The shutdown ran: devices closed, policy restored, no save prompt, the loop told to end.
    EXPECT_TRUE(prog.window.destroyCalled);
    EXPECT_EQ(prog.mci.count("close all"), 1u);
    ASSERT_EQ(prog.desktop.writes.size(), 2u);
    EXPECT_EQ(prog.desktop.writes[1], 0x91u);
    EXPECT_EQ(prog.window.quitCode, 0);
    EXPECT_FALSE(prog.window.shown);
}

TEST_F(MainWindow, TheStartModeFollowsTheStoredSourceMode) {
    struct Case {
        int stored;
        bool drive;
        std::vector<int> expected;
    } cases[] = {
        {0, true, {ID_RIP_FROM_CD}},
        {0, false, {ID_RECORD_FROM_CD}},  // no usable ripping drive
        {2, true, {ID_RECORD_FROM_LINE_IN}},
        {3, true, {ID_CONVERT_WAV_TO_MP3}},
        {4, true, {ID_RECORD_FROM_CD, ID_PARTIAL_CD_RECORDING}},
        {7, true, {}},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.stored);
        TempWorkingDir own;
        writeFileBytes(own.path() / kSettingsFileName, settingsWithMode(c.stored));
        TestProgram p{own.path()};
        if (!c.drive) p.cdrom.acceptedReadMethods.clear();
        ASSERT_EQ(p.start(), 0);
        EXPECT_EQ(modeCommandsSent(p), c.expected);
        if (!c.drive) {
            EXPECT_EQ(p.s().cdHandle, 0u);
            EXPECT_EQ(p.cdrom.handleRequests.size(), 10u);  // method 0, then 0 to 8
        }
    }
}

TEST_F(MainWindow, GeometryComesFromTheLayoutUnits) {
    prog.window.metrics = FontMetrics{7, 14, 2};  // lineHeight = height + external leading = 16
    ASSERT_EQ(prog.start(), 0);
    EXPECT_EQ(prog.s().charWidth, 7);
    EXPECT_EQ(prog.s().lineHeight, 16);
    EXPECT_EQ(prog.window.windowRect.width(), 245);
    EXPECT_EQ(prog.window.windowRect.height(), 248);
    EXPECT_EQ(prog.window.windowRect.left, (1024 - 245) / 2);
    EXPECT_EQ(prog.window.windowRect.top, (768 - 248) / 2);
    EXPECT_EQ(prog.window.controls[ID_PLAY].rect, (Rect{7, 52, 56, 76}));
    EXPECT_EQ(prog.window.controls[ID_PLAY].text, "Rip");  // the start mode's caption
    EXPECT_EQ(prog.window.controls[ID_STOP_PLAYBACK].rect, (Rect{63, 80, 175, 104}));
    EXPECT_EQ(prog.window.controls[ID_LAST_TRACK].rect, (Rect{182, 108, 210, 124}));
    EXPECT_EQ(prog.window.controls[ID_SONG_NAME_EDIT].rect, (Rect{7, 150, 231, 174}));
    EXPECT_EQ(prog.window.controlOrder.size(), 12u);

    TempWorkingDir own;
    TestProgram small{own.path()};
    small.window.metrics = FontMetrics{7, 10, 0};
    ASSERT_EQ(small.start(), 0);
    EXPECT_EQ(small.window.controls[ID_PLAY].rect.top, 33);  // 3.3 x 10 in double precision
}

TEST_F(MainWindow, MenuAndAcceleratorsCarryTheirExactTexts) {
    ASSERT_EQ(prog.start(), 0);
    auto& menu = prog.window.menu;
    ASSERT_EQ(menu.size(), 4u);
    EXPECT_EQ(menu[0].text, "&Options");
    EXPECT_EQ(menu[0].items[0].text, "Tracks to Record...\tCtrl+T");
    EXPECT_EQ(menu[0].items[3].id, ID_DEFAULT_RIPPING_PLAYER);
    EXPECT_EQ(menu[1].text, "So&urce");
    EXPECT_EQ(menu[3].text, "&Help");
    EXPECT_TRUE(menu[3].rightJustified);
    EXPECT_EQ(menu[3].items[0].text, "Contents\tF1");
    ASSERT_EQ(prog.window.accelerators.size(), 10u);
    EXPECT_EQ(prog.window.accelerators[4].code, 19);
    EXPECT_EQ(prog.window.accelerators[4].command, ID_SAVE_SETTINGS);
}

TEST(MainWindowExit, TheAutoRunPolicyIsTurnedOffForTheRunAndRestored) {
    struct Case {
        const char* what;
        std::optional<uint32_t> value;
        bool keyExists;
        std::vector<uint32_t> atStart, atExit;
    };
    const Case cases[] = {
        {"a value", 0x91, true, {0xFF}, {0xFF, 0x91}},
        {"no value to read: the default comes back", std::nullopt, true, {}, {0x95}},
        {"no setting", 0x91, false, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestProgram p;
        p.desktop.value = c.value;
        p.desktop.keyExists = c.keyExists;
        ASSERT_EQ(p.start(), 0);
        EXPECT_EQ(p.desktop.writes, c.atStart);
        p.window.click(ID_EXIT);
        EXPECT_EQ(p.desktop.writes, c.atExit);
    }
}

TEST(MainWindowExit, AsksToSaveOnlyWhenSettingsChangedAndSavesOnYes) {
    struct Case {
        const char* what;
        int dirty, answer;
        bool saved;
    };
    for (const Case& c : {Case{"unchanged", 0, IDYES, false}, Case{"changed, no", 1, IDNO, false},
                          Case{"changed, yes", 1, IDYES, true}}) {
        SCOPED_TRACE(c.what);
        TestProgram p;
        const auto file = p.ownFolder.path() / kSettingsFileName;
        ASSERT_EQ(p.start(), 0);
        p.s().settingsDirty = c.dirty;
        p.s().mp3Kbps = 320;
        p.window.answerBoxes({c.answer, IDOK});
        p.window.click(ID_EXIT);
        EXPECT_EQ(p.window.quitCode, 0);
        ASSERT_EQ(p.window.boxes.size(), size_t(c.dirty) + c.saved);
        if (c.dirty) {
            EXPECT_EQ(p.window.boxes[0].text, "Do you want to save the new settings?");
            EXPECT_EQ(p.window.boxes[0].caption, "Save");
            EXPECT_EQ(p.window.boxes[0].type, MB_YESNO);
        }
        if (c.saved) {
            EXPECT_EQ(p.window.boxes[1].text, "New recording parameters saved.");
        }
        EXPECT_EQ(std::filesystem::exists(file), c.saved);
        if (c.saved) {
            EXPECT_EQ(readFileBytes(file).substr(14, 3), "320");
        }
    }
}

TEST_F(MainWindow, ShutdownClosesDevicesTimersEncoderAndDriveInOrder) {
    ASSERT_EQ(prog.start(), 0);
    ASSERT_TRUE(prog.encoder.loaded);
    prog.window.setTimer(RecordTimer, 990);
    prog.window.setTimer(PollTimer, 1000);
    CdHandle handle = prog.s().cdHandle;
    ASSERT_NE(handle, 0u);
    size_t before = prog.mci.sent.size();
    prog.window.click(ID_EXIT);
    ASSERT_EQ(prog.mci.sent.size(), before + 2);
    EXPECT_EQ(prog.mci.sent[before], "stop all");
    EXPECT_EQ(prog.mci.sent[before + 1], "close all");
    EXPECT_FALSE(prog.window.timerRunning(RecordTimer));
    EXPECT_FALSE(prog.window.timerRunning(PollTimer));
    EXPECT_EQ(prog.encoder.unloads, 1);
    ASSERT_FALSE(prog.cdrom.closed.empty());
    EXPECT_EQ(prog.cdrom.closed.back(), handle);
    // A second destroy (window closed twice) does nothing more.
    prog.proc.onDestroy();
    EXPECT_EQ(prog.mci.count("close all"), 1u);
}

TEST_F(MainWindow, AMissingEncoderLibraryIsReportedOnceAndTheProgramRunsOn) {
    prog.encoder.present = false;
    ASSERT_EQ(prog.start(), 0);
    ASSERT_EQ(prog.window.boxes.size(), 1u);
    EXPECT_EQ(prog.window.boxes[0].text, "I Can't find the DLL file needed to make MP3 files.");
    EXPECT_EQ(prog.window.boxes[0].caption, "MP3 Error");
    EXPECT_EQ(prog.encoder.loads, std::vector<std::string>{kEncoderLibraryName});
}

TEST_F(MainWindow, CursorZonesAndEndOfPlayNotification) {
    prog.mci.acceptWaveRecords();
    ASSERT_EQ(prog.start(), 0);
    prog.s().discCheckDone = 1;
    const int w = 7, h = 16;
    auto cursorAt = [&](int x, int y) {
        prog.proc.onMouseMove(x, y);
        return prog.window.cursors.back();
    };
    EXPECT_EQ(cursorAt(19 * w + 1, 8 * h + 1), CursorKind::Hand);
    EXPECT_EQ(cursorAt(19 * w, 8 * h + 1), CursorKind::Arrow);
    EXPECT_EQ(cursorAt(30 * w, 8 * h + 1), CursorKind::Arrow);
    EXPECT_EQ(cursorAt(20 * w, 8 * h), CursorKind::Arrow);
    EXPECT_EQ(cursorAt(20 * w, 9 * h), CursorKind::Arrow);
    prog.s().recording = 1;
    EXPECT_EQ(cursorAt(20 * w, 8 * h + 5), CursorKind::Arrow);
    prog.s().recording = 0;
    prog.s().converting = 1;
    EXPECT_EQ(cursorAt(20 * w, 8 * h + 5), CursorKind::Arrow);

    // Notifications: ignored while nothing plays back; otherwise Stop Play Back once.
    prog.window.commandsSent.clear();
    prog.window.postMciNotify(1, 2);
    prog.window.deliverNotifications();
    EXPECT_TRUE(prog.window.commandsSent.empty());
    prog.s().playbackActive = 1;
    prog.window.postMciNotify(1, 2);
    prog.window.deliverNotifications();
    EXPECT_EQ(prog.window.commandsSent, std::vector<int>{ID_STOP_PLAYBACK});
    EXPECT_EQ(prog.s().playbackActive, 0);
}

TEST_F(MainWindow, UnknownCommandsAreIgnored) {
    ASSERT_EQ(prog.start(), 0);
    size_t boxes = prog.window.boxes.size(), sent = prog.mci.sent.size();
    for (int id : {65535, 127, 128, 132, 0, 99999}) prog.proc.onCommand(id, 0);
    EXPECT_EQ(prog.window.boxes.size(), boxes);
    EXPECT_EQ(prog.mci.sent.size(), sent);
    EXPECT_FALSE(prog.window.destroyCalled);
}

}  // namespace
