// The program on its real adapters, offscreen: start on a disc image, read it, eject.
#include <gtest/gtest.h>

#include "Mp3Decode.h"
#include "Rig.h"

using namespace wl;
using namespace wl::e2e;

namespace {

TEST(ProgramEndToEnd, ReadsTheDiscImageEntersRecordFromCdAndEjectsAndReadsAgain) {
    BoxAnswerer boxes;
    Rig prog(RecordFromCd, {.convertToMp3 = true});
    ASSERT_TRUE(prog.start());
    EXPECT_TRUE(noBoxes(boxes));
    EXPECT_EQ(prog.s().cdMode, 1);
    EXPECT_EQ(prog.s().trackCount, 4);
    // The demo disc's first track is 16 seconds long.
    EXPECT_EQ(prog.s().trackTimeText.view().substr(0, 5), "00:16");
    EXPECT_EQ(prog.window.controlText(ID_PLAY, 20), "Play");
    EXPECT_TRUE(prog.window.isControlEnabled(ID_PLAY));
    prog.window.grabToPng(WL_SHOT_DIR "/program_record_from_cd.png");

    prog.window.sendCommand(ID_EJECT);
    ASSERT_TRUE(QTest::qWaitFor([&] { return prog.s().trackTimeText == "00:00"; }, 5000));
    EXPECT_EQ(prog.s().discState, 1);
    EXPECT_FALSE(prog.window.isControlEnabled(ID_PLAY));
    prog.window.grabToPng(WL_SHOT_DIR "/program_tray_open.png");

    prog.window.sendCommand(ID_EJECT);
    ASSERT_TRUE(QTest::qWaitFor([&] { return prog.s().discSeen == 1 && prog.s().discState == 2; }, 5000));
    EXPECT_EQ(prog.s().trackTimeText.view().substr(0, 5), "00:16");
    EXPECT_EQ(prog.s().cdMode, 1);
    EXPECT_TRUE(noBoxes(boxes));
}

TEST(ProgramEndToEnd, TheRealWindowMatchesTheLayoutForItsFont) {
    BoxAnswerer boxes;
    Rig prog(RipFromCd, {.convertToMp3 = true});
    ASSERT_TRUE(prog.start());
    const int w = prog.s().charWidth, h = prog.s().lineHeight;
    ASSERT_GT(w, 0);
    ASSERT_GT(h, 0);
    FontMetrics fm = prog.window.defaultFontMetrics();
    EXPECT_EQ(w, fm.averageCharWidth);
    EXPECT_EQ(h, fm.height + fm.externalLeading);
    const struct {
        const char* name;
        int id;
        QRect at;
    } controls[] = {
        {"Play", ID_PLAY, QRect(w, int(3.3 * h), 7 * w, int(1.5 * h))},
        {"last track", ID_LAST_TRACK, QRect(26 * w, int(6.8 * h), 4 * w, h)},
        {"song name", ID_SONG_NAME_EDIT, QRect(w, int(9.4 * h), 32 * w, int(1.5 * h))},
    };
    for (const auto& c : controls) {
        QWidget* control = prog.window.control(c.id);
        ASSERT_NE(control, nullptr) << c.name;
        EXPECT_EQ(control->geometry(), c.at) << c.name;
    }
    EXPECT_EQ(prog.s().windowWidth, 35 * w);
    EXPECT_EQ(prog.s().windowHeight, int(15.5 * h));
    EXPECT_EQ(prog.window.menuAction(ID_SAVE_SETTINGS)->text().toStdString(), "Save Settings\tCtrl+S");
    EXPECT_EQ(prog.s().ripMode, 1);
    EXPECT_EQ(prog.window.controlText(ID_PLAY, 20), "Rip");
    prog.window.grabToPng(WL_SHOT_DIR "/program_rip_mode.png");
    prog.window.sendCommand(ID_EXIT);
    EXPECT_TRUE(prog.app->destroyed);
    EXPECT_TRUE(noBoxes(boxes));
}

TEST(ProgramEndToEnd, ConvertsAWavOnTheWorkerWhileTheWindowKeepsRunning) {
    if (!haveMpg123()) GTEST_SKIP() << "mpg123 is not installed";
    BoxAnswerer boxes;
    Rig prog(ConvertWavToMp3, {.convertToMp3 = true});
    const std::string wav = prog.folder() + "tune.wav";
    test::writeFileBytes(wav, test::musicWav(10));
    ASSERT_TRUE(prog.start());
    ASSERT_NE(prog.s().encoderModule, nullptr);
    EXPECT_EQ(prog.s().convertMode, 1);
    prog.type(wav);
    prog.window.sendCommand(ID_PLAY);
    LoopTicks ticks;
    ASSERT_TRUE(QTest::qWaitFor([&] { return prog.s().converting == 0 && !prog.s().workerRunning; }, 60000));
    EXPECT_GT(ticks.count, 0) << "the window kept serving its timers";
    const std::string mp3 = prog.folder() + "tune.mp3";
    EXPECT_EQ(decodedBytes(mp3), 10LL * 44100 * 4);
    EXPECT_TRUE(fs::exists(wav)) << "keepWav is 1: the WAV stays";
    EXPECT_EQ(prog.s().statusText, "Enter song name or click here:");
    EXPECT_EQ(prog.window.controlText(ID_SONG_NAME_EDIT, 300), mp3);
    EXPECT_TRUE(noBoxes(boxes));
}

}  // namespace
