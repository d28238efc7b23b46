// Ripping in the program on its real adapters, offscreen: every track of the demo disc through
// libcdio, checked byte for byte against the image and against bchunk, with the MP3 chained by
// the real encoder library; and the window alive during a rip.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "Mp3Decode.h"
#include "FakeDesktop.h"
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
#include "mp3/WavHeader.h"
#include "rip/RipEngine.h"

using namespace wl;
namespace fs = std::filesystem;

using wl::e2e::decodedBytes;

namespace {

// Answers any message box with its default button and keeps its text, so an unexpected box
// fails the test instead of hanging it.
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

    // Starts in the rip mode with WAV files kept; convertToMp3 as given.
    explicit RealProgram(bool convertToMp3) {
        std::string why;
        EXPECT_TRUE(engine.start(why)) << why;
        mci::DeviceLayerOptions options;
        options.cd.namePrefix = "Disc image:";
        mci = std::make_unique<mci::DeviceLayer>(cdrom, cdrom, engine, clock, options);
        app = std::make_unique<App>(Platform{window, *mci, cdrom, encoder, desktop});
        app->s.workingDir = dir.path().string();
        proc = std::make_unique<MainWindowProc>(*app);
        std::string settings(6, '\0');
        settings += "16441002128" + std::to_string(RipFromCd) + "1" + (convertToMp3 ? "1" : "0") + "99";
        settings.resize(kSettingsFileSize, '\0');
        test::writeFileBytes(dir.path() / kSettingsFileName, settings);
    }
    ~RealProgram() {
        if (app && !app->destroyed) window.destroy();
    }
    bool start() {
        if (window.create(*proc) != 0) return false;
        window.show();
        return QTest::qWaitFor([&] { return app->s.discCheckDone == 1; }, 10000);
    }
    AppState& s() { return app->s; }

    // Play in the rip mode, on the window's thread.
    void rip(const std::string& name) {
        window.setControlText(ID_SONG_NAME_EDIT, name);
        s().songName = name;
        window.sendCommand(ID_PLAY);
    }
};

// The tracks' first frames from the cue sheet, and the image's frame count after them.
std::vector<uint32_t> trackStarts(const std::string& cue, uint32_t imageFrames) {
    std::ifstream in(cue);
    std::vector<uint32_t> starts;
    const std::regex index(R"(^\s*INDEX 01 (\d+):(\d+):(\d+))");
    std::smatch m;
    for (std::string line; std::getline(in, line);)
        if (std::regex_search(line, m, index))
            starts.push_back(uint32_t((std::stoi(m[1]) * 60 + std::stoi(m[2])) * 75 + std::stoi(m[3])));
    starts.push_back(imageFrames);
    return starts;
}

// The audio of a WAV file, found by walking its chunks.
std::string wavAudio(const fs::path& file) {
    const std::string bytes = test::readFileBytes(file);
    const WavHeader h = readWavHeader(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    if (!h.hasData || h.malformed) return "<not a WAV file>";
    return bytes.substr(size_t(h.dataOffset), size_t(h.dataSize));
}

TEST(RipEndToEnd, EveryTrackOfTheDemoDiscIsRippedBitExactAndConvertedToMp3) {
    BoxAnswerer boxes;
    RealProgram prog(true);
    ASSERT_TRUE(prog.start());
    ASSERT_EQ(prog.s().ripMode, 1);
    ASSERT_NE(prog.s().encoderModule, nullptr);

    const std::string image = test::readFileBytes(fs::path(WL_DEMO_DISC).replace_extension(".bin"));
    const auto starts = trackStarts(WL_DEMO_DISC, uint32_t(image.size() / kCdFrameBytes));
    ASSERT_EQ(starts.size(), 5u);
    ASSERT_EQ(prog.s().trackCount, 4);

    // The independent reader splits the same image.
    const fs::path split = prog.dir.path() / "bchunk";
    fs::create_directories(split);
    const std::string bin = fs::path(WL_DEMO_DISC).replace_extension(".bin").string();
    ASSERT_EQ(std::system(("bchunk -w '" + bin + "' '" WL_DEMO_DISC "' '" + (split / "t").string() + "' >/dev/null")
                              .c_str()),
              0);

    const bool haveMpg123 = std::system("mpg123 --version > /dev/null 2>&1") == 0;
    for (int t = 1; t <= 4; ++t) {
        SCOPED_TRACE(t);
        if (t > 1) prog.window.sendCommand(ID_NEXT_TRACK);
        ASSERT_EQ(prog.s().currentTrack, t);
        const fs::path wav = prog.dir.path() / ("track " + std::to_string(t) + ".wav");
        prog.rip(wav.string());

        const std::string want =
            image.substr(starts[t - 1] * kCdFrameBytes, (starts[t] - starts[t - 1]) * kCdFrameBytes);
        const std::string bytes = test::readFileBytes(wav);
        ASSERT_EQ(bytes.size(), 44 + want.size());
        EXPECT_TRUE(bytes.compare(44, std::string::npos, want) == 0) << "the audio differs from the image";
        EXPECT_TRUE(wavAudio(wav) == wavAudio(split / ("t0" + std::to_string(t) + ".wav")))
            << "the audio differs from bchunk's";

        const fs::path mp3 = fs::path(wav).replace_extension(".mp3");
        EXPECT_EQ(prog.window.controlText(ID_SONG_NAME_EDIT, 300), mp3.string());
        if (haveMpg123) {
            // The encoder's delay and padding round the length to its frames.
            const long long decoded = decodedBytes(mp3.string());
            EXPECT_NEAR(double(decoded), double(want.size()), 1152 * 4 * 2) << mp3;
        }
        EXPECT_TRUE(prog.window.isControlEnabled(ID_PLAY));
    }
    EXPECT_EQ(prog.s().statusText, "Enter song name or click here:");
    EXPECT_TRUE(boxes.texts.empty()) << boxes.texts.front();
}

TEST(RipEndToEnd, TheWindowKeepsRunningDuringARipAndACloseWaitsForItsEnd) {
    BoxAnswerer boxes;
    RealProgram prog(false);
    ASSERT_TRUE(prog.start());

    int ticks = 0;
    bool destroyedDuringRip = false;
    bool ripping = false;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (!ripping) return;
        ++ticks;
        if (ticks == 5) {
            prog.window.grabToPng(WL_SHOT_DIR "/program_ripping.png");
            QMetaObject::invokeMethod(prog.window.widget(), "close", Qt::QueuedConnection);
        }
        destroyedDuringRip = destroyedDuringRip || prog.app->destroyed;
    });
    probe.start(0);

    const fs::path wav = prog.dir.path() / "alive.wav";
    ripping = true;
    prog.rip(wav.string());
    ripping = false;

    EXPECT_GT(ticks, 5) << "the window served nothing during the rip";
    EXPECT_FALSE(destroyedDuringRip);
    EXPECT_FALSE(prog.app->destroyed);
    EXPECT_EQ(test::readFileBytes(wav).size(), 44 + 16 * 75 * kCdFrameBytes);
    prog.window.grabToPng(WL_SHOT_DIR "/program_ripped.png");
    // The held close arrives once the window is back in its loop.
    EXPECT_TRUE(QTest::qWaitFor([&] { return prog.app->destroyed; }, 5000));
    EXPECT_TRUE(boxes.texts.empty()) << boxes.texts.front();
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qtApp(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
