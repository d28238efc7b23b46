// Recording and play back through the program's own window on the real adapters: the device
// layer over libcdio on the demo disc, the loopback audio (no sound card), a virtual audio
// clock that the window's event loop drives twenty times faster than real time.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "FakeDesktop.h"
#include "TestProgram.h"
#include "WavFiles.h"
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
namespace fs = std::filesystem;

namespace {

constexpr size_t kFrameBytes = 2352;

class BoxAnswerer {
public:
    BoxAnswerer() {
        timer_.setInterval(30);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                texts.push_back(box->text().toStdString());
                captions.push_back(box->windowTitle().toStdString());
                if (auto* b = box->defaultButton()) b->click();
                else box->reject();
            }
        });
        timer_.start();
    }
    std::vector<std::string> texts, captions;

private:
    QTimer timer_;
};

struct Rig {
    test::TempWorkingDir dir;
    LibcdioCdrom cdrom{WL_DEMO_DISC};
    audio::VirtualClock clock;
    std::unique_ptr<audio::LoopbackBackend> backend;
    std::unique_ptr<audio::AudioEngine> engine;
    std::unique_ptr<mci::DeviceLayer> mci;
    QtWindow window;
    DlEncoderLoader encoder{WL_BIN_DIR};
    test::FakeDesktop desktop;
    std::unique_ptr<App> app;
    std::unique_ptr<MainWindowProc> proc;
    QTimer pace;

    Rig(int sourceMode, const std::string& lineInWav = {}) {
        backend = std::make_unique<audio::LoopbackBackend>(clock, audio::LoopbackOptions{lineInWav, 0, 100000});
        engine = std::make_unique<audio::AudioEngine>(*backend);
        std::string why;
        EXPECT_TRUE(engine->start(why)) << why;
        mci::DeviceLayerOptions options;
        options.cd.namePrefix = "Disc image:";
        options.tempFolder = dir.path().string();
        mci = std::make_unique<mci::DeviceLayer>(cdrom, cdrom, *engine, clock, options);
        app = std::make_unique<App>(Platform{window, *mci, cdrom, encoder, desktop});
        proc = std::make_unique<MainWindowProc>(*app);
        std::string settings(6, '\0');
        settings += "16441002128" + std::to_string(sourceMode) + "1099";  // keep WAV, no MP3
        settings.resize(kSettingsFileSize, '\0');
        test::writeFileBytes(dir.path() / kSettingsFileName, settings);
        // 100 ms of audio time every 5 ms.
        QObject::connect(&pace, &QTimer::timeout, [this] { clock.advance(100000); });
    }
    ~Rig() {
        pace.stop();
        if (app && !app->destroyed) window.destroy();
    }
    bool start() {
        if (window.create(*proc) != 0) return false;
        window.show();
        pace.start(5);
        return QTest::qWaitFor([&] { return s().discCheckDone == 1; }, 10000);
    }
    AppState& s() { return app->s; }
    std::string folder() const { return dir.path().string() + "/"; }
    void type(const std::string& text) { window.setControlText(ID_SONG_NAME_EDIT, text); }
    // Waits until `seconds` of audio time have passed.
    bool waitAudio(double seconds) {
        const audio::Micros until = clock.now() + audio::Micros(seconds * 1e6);
        return QTest::qWaitFor([&] { return clock.now() >= until; }, 20000);
    }
};

std::string readAll(const std::string& path) { return test::readFileBytes(path); }

// The audio bytes of a canonical WAV file written by the device.
std::string wavData(const std::string& path) {
    std::string wav = readAll(path);
    EXPECT_GE(wav.size(), 44u) << path;
    return wav.size() >= 44 ? wav.substr(44) : std::string();
}

std::string imageBytes(size_t fromFrame, size_t toFrame) {
    std::string bin = readAll(fs::path(WL_DEMO_DISC).replace_extension(".bin").string());
    toFrame = std::min(toFrame, bin.size() / kFrameBytes);
    return bin.substr(fromFrame * kFrameBytes, (toFrame - fromFrame) * kFrameBytes);
}

// Where `part` (from its first sound on) lies in `whole` exactly; npos when it does not.
size_t exactOffset(const std::string& whole, const std::string& part) {
    const size_t partLead = part.find_first_not_of('\0');
    const size_t wholeLead = whole.find_first_not_of('\0');
    if (partLead == std::string::npos || wholeLead == std::string::npos || wholeLead < partLead) return std::string::npos;
    const size_t at = wholeLead - partLead;
    if (whole.size() < at + part.size() || whole.compare(at, part.size(), part) != 0) return std::string::npos;
    return at;
}

TEST(RecordingEndToEnd, ACdRecordingEndsWithTheTrackAndHoldsTheImagesSamples) {
    BoxAnswerer boxes;
    Rig rig(RecordFromCd);
    ASSERT_TRUE(rig.start());
    rig.window.sendCommand(ID_LAST_TRACK);  // track 4, the last: 50 s to the end of the disc
    ASSERT_EQ(rig.s().currentTrack, 4);
    rig.type(rig.folder() + "Bells");
    rig.window.sendCommand(ID_PLAY);
    ASSERT_EQ(rig.s().recording, 1) << (boxes.texts.empty() ? "" : boxes.texts.back());
    EXPECT_EQ(rig.s().mciCommand.str(), "play cd from 4:00:00:00 to 4:" + rig.s().trackTimeText.str());
    rig.window.grabToPng(WL_SHOT_DIR "/recording_from_cd.png");
    ASSERT_TRUE(QTest::qWaitFor([&] { return rig.s().recording == 0; }, 30000));

    const std::string file = rig.folder() + "bells.wav";
    ASSERT_TRUE(fs::exists(file));
    const std::string data = wavData(file);
    const std::string track = imageBytes(50 * 75, SIZE_MAX);
    ASSERT_EQ(track.size(), 12u * 75 * kFrameBytes);
    const size_t at = exactOffset(data, track);
    ASSERT_NE(at, std::string::npos) << "the track's samples, every one, in order";
    // Around it only the silent line input before the play and after its end.
    EXPECT_EQ(data.find_first_not_of('\0', at + track.size()), std::string::npos);
    ASSERT_FALSE(boxes.texts.empty());
    EXPECT_EQ(boxes.texts.back(), "I have saved the song to your hard drive.");
    EXPECT_EQ(boxes.captions.back(), file);
    EXPECT_EQ(rig.s().lastRecordedFile.str(), file);
    EXPECT_TRUE(rig.window.isControlEnabled(ID_PLAYBACK));
    EXPECT_TRUE(rig.window.isControlEnabled(ID_PLAY));
    EXPECT_FALSE(fs::exists(file + ".part"));
}

TEST(RecordingEndToEnd, APartialRecordingCapturesFromStartToSave) {
    BoxAnswerer boxes;
    Rig rig(PartialCdRecording);
    ASSERT_TRUE(rig.start());
    ASSERT_EQ(rig.s().partialMode, 1);
    ASSERT_EQ(rig.s().currentTrack, 1);
    rig.type(rig.folder() + "part");
    rig.window.sendCommand(ID_PLAY);
    EXPECT_EQ(rig.window.controlText(ID_PLAY, 10), "Start");
    ASSERT_TRUE(rig.waitAudio(3));
    rig.window.sendCommand(ID_PLAY);
    EXPECT_EQ(rig.s().statusText, "Click on Save to stop...");
    ASSERT_TRUE(rig.waitAudio(4));
    rig.window.sendCommand(ID_SAVE);
    EXPECT_EQ(rig.s().recording, 0);

    const std::string data = wavData(rig.folder() + "part.wav");
    const std::string track = imageBytes(0, 16 * 75);
    // About four seconds from somewhere after the third, all of it the track's own bytes.
    EXPECT_GT(data.size(), 3u * 176400);
    EXPECT_LT(data.size(), 6u * 176400);
    ASSERT_EQ(data.size() % 4, 0u);
    const size_t at = track.find(data.substr(0, 4096));
    ASSERT_NE(at, std::string::npos);
    EXPECT_GE(at, 2u * 176400);
    EXPECT_EQ(track.compare(at, data.size(), data), 0);
    EXPECT_EQ(boxes.texts.back(), "I have saved the song to your hard drive.");
}

TEST(RecordingEndToEnd, LineInRecordsTheInputAndPlaysItBack) {
    BoxAnswerer boxes;
    test::TempWorkingDir source;
    const std::string input = (source.path() / "input.wav").string();
    test::writeFileBytes(input, test::musicWav(3));
    const std::string pcm = readAll(input).substr(44);
    Rig rig(RecordFromLineIn, input);
    ASSERT_TRUE(rig.start());
    ASSERT_EQ(rig.s().lineInMode, 1);
    rig.type(rig.folder() + "Live Take");
    ASSERT_TRUE(QTest::qWaitFor([&] { return rig.window.isControlEnabled(ID_PLAY); }, 5000));
    rig.window.sendCommand(ID_PLAY);
    ASSERT_EQ(rig.s().recording, 1);
    EXPECT_TRUE(rig.s().trackTimeText.empty());
    ASSERT_TRUE(rig.waitAudio(4));
    rig.window.sendCommand(ID_SAVE);
    const std::string file = rig.folder() + "live take.wav";
    const std::string data = wavData(file);
    EXPECT_EQ(data.compare(0, pcm.size(), pcm), 0) << "the input from its first sample";
    EXPECT_EQ(data.find_first_not_of('\0', pcm.size()), std::string::npos);
    EXPECT_EQ(boxes.texts.back(), "I have saved the song to your hard drive.");

    // Played back to its end: the notification brings the idle buttons back.
    const uint64_t before = rig.backend->framesPlayed();
    rig.window.sendCommand(ID_PLAYBACK);
    ASSERT_EQ(rig.s().playbackActive, 1);
    EXPECT_TRUE(rig.window.isControlEnabled(ID_STOP_PLAYBACK));
    rig.window.grabToPng(WL_SHOT_DIR "/recording_playback.png");
    ASSERT_TRUE(QTest::qWaitFor([&] { return rig.s().playbackActive == 0; }, 20000));
    EXPECT_GE(rig.backend->framesPlayed() - before, data.size() / 4);
    EXPECT_FALSE(rig.window.isControlEnabled(ID_STOP_PLAYBACK));
    EXPECT_TRUE(rig.window.isControlEnabled(ID_PLAYBACK));
    EXPECT_EQ(rig.mci->deviceId("newwave"), 0u);

    // Stopped early: the device closes at once and its notification changes nothing.
    const uint64_t again = rig.backend->framesPlayed();
    rig.window.sendCommand(ID_PLAYBACK);
    ASSERT_TRUE(rig.waitAudio(1));
    rig.window.sendCommand(ID_STOP_PLAYBACK);
    EXPECT_EQ(rig.mci->deviceId("newwave"), 0u);
    EXPECT_LT(rig.backend->framesPlayed() - again, data.size() / 4);
    ASSERT_TRUE(rig.waitAudio(1));
    EXPECT_EQ(rig.s().playbackActive, 0);
    EXPECT_TRUE(rig.window.isControlEnabled(ID_PLAY));
    EXPECT_TRUE(rig.window.isControlEnabled(ID_PLAYBACK));
    EXPECT_EQ(std::count(boxes.texts.begin(), boxes.texts.end(), std::string("I have saved the song to your hard drive.")), 1);
    EXPECT_EQ(boxes.texts.size(), 1u);
}

TEST(RecordingEndToEnd, ExitDuringALineInRecordingAsksAndKeepsIt) {
    BoxAnswerer boxes;  // answers Yes, the question's default button
    test::TempWorkingDir source;
    const std::string input = (source.path() / "input.wav").string();
    test::writeFileBytes(input, test::musicWav(2));
    Rig rig(RecordFromLineIn, input);
    ASSERT_TRUE(rig.start());
    rig.type(rig.folder() + "kept");
    ASSERT_TRUE(QTest::qWaitFor([&] { return rig.window.isControlEnabled(ID_PLAY); }, 5000));
    rig.window.sendCommand(ID_PLAY);
    ASSERT_TRUE(rig.waitAudio(3));
    rig.window.sendCommand(ID_EXIT);
    EXPECT_TRUE(rig.app->destroyed);
    ASSERT_GE(boxes.texts.size(), 2u);
    EXPECT_EQ(boxes.captions[0], "Recording");
    EXPECT_EQ(boxes.texts[1], "I have saved the song to your hard drive.");
    const std::string data = wavData(rig.folder() + "kept.wav");
    EXPECT_GE(data.size(), 2u * 176400) << "the input that had been recorded";
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qtApp(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
