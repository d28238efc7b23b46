#pragma once
// The program on its real adapters for end-to-end runs: the device layer over libcdio on the
// demo disc, the loopback audio (no sound card), a virtual audio clock that the window's
// event loop drives twenty times faster than real time, the offscreen Qt window and the real
// encoder library. Message boxes are answered with their default button and remembered.
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

namespace wl::e2e {

namespace fs = std::filesystem;

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
        app->s.workingDir = dir.path().string();
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

inline std::string readAll(const std::string& path) { return test::readFileBytes(path); }

// The audio bytes of a canonical WAV file written by the device.
inline std::string wavData(const std::string& path) {
    std::string wav = readAll(path);
    EXPECT_GE(wav.size(), 44u) << path;
    return wav.size() >= 44 ? wav.substr(44) : std::string();
}

inline std::string imageBytes(size_t fromFrame, size_t toFrame) {
    std::string bin = readAll(fs::path(WL_DEMO_DISC).replace_extension(".bin").string());
    toFrame = std::min(toFrame, bin.size() / kFrameBytes);
    return bin.substr(fromFrame * kFrameBytes, (toFrame - fromFrame) * kFrameBytes);
}

// Where `part` (from its first sound on) lies in `whole` exactly; npos when it does not.
inline size_t exactOffset(const std::string& whole, const std::string& part) {
    const size_t partLead = part.find_first_not_of('\0');
    const size_t wholeLead = whole.find_first_not_of('\0');
    if (partLead == std::string::npos || wholeLead == std::string::npos || wholeLead < partLead) return std::string::npos;
    const size_t at = wholeLead - partLead;
    if (whole.size() < at + part.size() || whole.compare(at, part.size(), part) != 0) return std::string::npos;
    return at;
}

}  // namespace wl::e2e
