// The program on its real adapters, offscreen: start on a disc image, read it, eject.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "Mp3Decode.h"
#include "FakeDesktop.h"
#include "WavFiles.h"
#include "TestProgram.h"
#include "adapters/audio/AudioEngine.h"
#include "adapters/audio/Clock.h"
#include "adapters/audio/LoopbackBackend.h"
#include "adapters/cdrom/LibcdioCdrom.h"
#include "adapters/dl/DlEncoderLoader.h"
#include "adapters/mci/DeviceLayer.h"
#include "adapters/qt/QtWindow.h"
#include "app/Commands.h"
#include "app/MainWindow.h"
#include "app/Settings.h"

using namespace wl;

using wl::e2e::decodedBytes;

namespace {

// Answers any message box that opens (its default button) and remembers its text, so an
// unexpected box fails the test instead of hanging it.
class BoxAnswerer {
public:
    BoxAnswerer() {
        timer_.setInterval(50);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                texts.push_back(box->text().toStdString());
                if (auto* b = box->defaultButton()) b->click();
                else box->reject();
            }
        });
        timer_.start();
    }
    std::vector<std::string> texts;

private:
    QTimer timer_;
};

struct RealProgram {
    test::TempWorkingDir dir;
    LibcdioCdrom cdrom{WL_DEMO_DISC};
    audio::SteadyClock clock;
    audio::LoopbackBackend backend{clock, audio::LoopbackOptions{}};
    audio::AudioEngine engine{backend};
    std::unique_ptr<mci::DeviceLayer> mci;
    QtWindow window;
    DlEncoderLoader encoder{WL_BIN_DIR};
    test::FakeDesktop desktop;
    std::unique_ptr<App> app;
    std::unique_ptr<MainWindowProc> proc;

    explicit RealProgram(int sourceMode) {
        std::string why;
        EXPECT_TRUE(engine.start(why)) << why;
        mci::DeviceLayerOptions options;
        options.cd.namePrefix = "Disc image:";
        mci = std::make_unique<mci::DeviceLayer>(cdrom, cdrom, engine, clock, options);
        app = std::make_unique<App>(Platform{window, *mci, cdrom, encoder, desktop});
        app->s.workingDir = dir.path().string();
        proc = std::make_unique<MainWindowProc>(*app);
        std::string settings(6, '\0');
        settings += "16441002128" + std::to_string(sourceMode) + "1199";
        settings.resize(kSettingsFileSize, '\0');
        test::writeFileBytes(dir.path() / kSettingsFileName, settings);
    }
    ~RealProgram() {
        if (app && !app->destroyed) window.destroy();
    }
    bool start() {
        if (window.create(*proc) != 0) return false;
        window.show();
        return true;
    }
    AppState& s() { return app->s; }
};

TEST(ProgramEndToEnd, ReadsTheDiscImageEntersRecordFromCdAndEjectsAndReadsAgain) {
    BoxAnswerer boxes;
    RealProgram prog(RecordFromCd);
    ASSERT_TRUE(prog.start());
    // The start-up disc check runs on the real one-second clock.
    ASSERT_TRUE(QTest::qWaitFor([&] { return prog.s().discCheckDone == 1; }, 10000));
    EXPECT_TRUE(boxes.texts.empty()) << boxes.texts.front();
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
    EXPECT_TRUE(boxes.texts.empty()) << boxes.texts.front();
}

TEST(ProgramEndToEnd, TheRealWindowMatchesTheLayoutForItsFont) {
    BoxAnswerer boxes;
    RealProgram prog(RipFromCd);
    ASSERT_TRUE(prog.start());
    const int w = prog.s().charWidth, h = prog.s().lineHeight;
    ASSERT_GT(w, 0);
    ASSERT_GT(h, 0);
    FontMetrics fm = prog.window.defaultFontMetrics();
    EXPECT_EQ(w, fm.averageCharWidth);
    EXPECT_EQ(h, fm.height + fm.externalLeading);
    QWidget* play = prog.window.control(ID_PLAY);
    ASSERT_NE(play, nullptr);
    EXPECT_EQ(play->geometry(), QRect(w, int(3.3 * h), 7 * w, int(1.5 * h)));
    EXPECT_EQ(prog.window.control(ID_LAST_TRACK)->geometry(), QRect(26 * w, int(6.8 * h), 4 * w, h));
    EXPECT_EQ(prog.window.control(ID_SONG_NAME_EDIT)->geometry(), QRect(w, int(9.4 * h), 32 * w, int(1.5 * h)));
    EXPECT_EQ(prog.s().windowWidth, 35 * w);
    EXPECT_EQ(prog.s().windowHeight, int(15.5 * h));
    EXPECT_EQ(prog.window.menuAction(ID_SAVE_SETTINGS)->text().toStdString(), "Save Settings\tCtrl+S");
    EXPECT_EQ(prog.s().ripMode, 1);
    EXPECT_EQ(prog.window.controlText(ID_PLAY, 20), "Rip");
    ASSERT_TRUE(QTest::qWaitFor([&] { return prog.s().discCheckDone == 1; }, 10000));
    prog.window.grabToPng(WL_SHOT_DIR "/program_rip_mode.png");
    prog.window.sendCommand(ID_EXIT);
    EXPECT_TRUE(prog.app->destroyed);
    EXPECT_TRUE(boxes.texts.empty()) << boxes.texts.front();
}

TEST(ProgramEndToEnd, ConvertsAWavOnTheWorkerWhileTheWindowKeepsRunning) {
    if (std::system("mpg123 --version > /dev/null 2>&1") != 0) GTEST_SKIP() << "mpg123 is not installed";
    BoxAnswerer boxes;
    RealProgram prog(ConvertWavToMp3);
    const std::string wav = (prog.dir.path() / "tune.wav").string();
    test::writeFileBytes(wav, test::musicWav(10));
    ASSERT_TRUE(prog.start());
    ASSERT_NE(prog.s().encoderModule, nullptr);
    EXPECT_EQ(prog.s().convertMode, 1);
    prog.window.setControlText(ID_SONG_NAME_EDIT, wav);
    prog.window.sendCommand(ID_PLAY);
    // The window keeps serving its timers while the worker converts.
    int ticks = 0;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] { ++ticks; });
    probe.start(5);
    ASSERT_TRUE(QTest::qWaitFor([&] { return prog.s().converting == 0 && !prog.s().workerRunning; }, 60000));
    EXPECT_GT(ticks, 0);
    const std::string mp3 = (prog.dir.path() / "tune.mp3").string();
    EXPECT_EQ(decodedBytes(mp3), 10LL * 44100 * 4);
    EXPECT_TRUE(std::filesystem::exists(wav)) << "keepWav is 1: the WAV stays";
    EXPECT_EQ(prog.s().statusText, "Enter song name or click here:");
    EXPECT_EQ(prog.window.controlText(ID_SONG_NAME_EDIT, 300), mp3);
    EXPECT_TRUE(boxes.texts.empty()) << boxes.texts.front();
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qtApp(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
