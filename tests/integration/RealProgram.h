#pragma once
// The program on its real adapters: the device layer over libcdio on a disc image, the loopback
// audio (no sound card), the Qt window and the encoder library. Only the desktop is faked.
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "FakeDesktop.h"
#include "TestProgram.h"
#include "adapters/audio/AudioEngine.h"
#include "adapters/audio/Clock.h"
#include "adapters/audio/LoopbackBackend.h"
#include "adapters/cdrom/LibcdioCdLayout.h"
#include "adapters/cdrom/LibcdioCdrom.h"
#include "adapters/dl/DlEncoderLoader.h"
#include "adapters/hash/Hashing.h"
#include "adapters/net/CurlFetch.h"
#include "adapters/cdrom/ParanoiaReader.h"
#include "adapters/mci/DeviceLayer.h"
#include "adapters/qt/QtWindow.h"
#include "verify/CtdbCheck.h"
#include "verify/Verification.h"
#include "window/MainWindow.h"
#include "app/Settings.h"
#include "cd_fixture.h"

namespace wl::e2e {

// Answers any message box with its default button and remembers it, so an unexpected box
// fails the run instead of hanging it.
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

struct RealProgram {
    const std::string workFolder;  // where the settings file is read and recordings stream
    LibcdioCdrom cdrom;
    LibcdioCdLayout cdLayout{cdrom};
    audio::LoopbackBackend backend;
    audio::AudioEngine engine{backend};
    std::string engineError;  // why the loopback audio did not start; empty when it did
    std::unique_ptr<mci::DeviceLayer> mci;
    QtWindow window;
    LibraryHashing hashing;
    CurlFetch accurateRip{window, {"Wavelathe-test"}};
    CurlFetch ctdb{window, {"Wavelathe-test"}};
    ParanoiaReader secureRead{cdrom};
    DlEncoderLoader encoder;
    test::FakeDesktop desktop;
    std::unique_ptr<App> app;
    std::unique_ptr<MainWindowProc> proc;

    // lineInWav: what the line input plays; empty leaves it silent.
    RealProgram(const std::string& disc, audio::Clock& clock, std::vector<std::string> encoderFolders,
                std::string settingsFolder, const std::string& lineInWav = {})
        : workFolder(std::move(settingsFolder)), cdrom(disc), backend(clock, audio::LoopbackOptions{lineInWav}),
          encoder(std::move(encoderFolders)) {
        if (std::string why; !engine.start(why)) engineError = why.empty() ? "no reason given" : why;
        mci::DeviceLayerOptions options;
        options.cd.namePrefix = "Disc image:";
        options.tempFolder = workFolder;
        mci = std::make_unique<mci::DeviceLayer>(cdrom, cdrom, engine, clock, options);
        app = std::make_unique<App>(Platform{window, *mci, cdrom, encoder, desktop, nullptr, nullptr, nullptr, &hashing, &accurateRip,
                                                nullptr, &ctdb, &secureRead});
        app->p.cdLayout = &cdLayout;
        app->s.workingDir = workFolder;
        app->s.verify = VerifyConfigFromEnvironment();
        app->s.ctdbConfig = CtdbConfigFromEnvironment();
        proc = std::make_unique<MainWindowProc>(*app);
    }
    ~RealProgram() {
        if (app && !app->destroyed) window.destroy();
    }

    // The settings the window starts with: 16 bits, 44.1 kHz, stereo, 128 kbit/s, the WAV kept.
    void writeSettings(int sourceMode, bool convertToMp3) {
        test::writeFileBytes(workFolder + "/" + kSettingsFileName, test::settingsWithMode(sourceMode, convertToMp3));
    }
    bool create() {
        if (window.create(*proc) != 0) return false;
        window.show();
        return true;
    }
    AppState& s() { return app->s; }
};

}  // namespace wl::e2e
