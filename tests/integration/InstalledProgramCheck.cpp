// Checks an installed tree (scripts/ci-package.sh runs it after installing into a DESTDIR):
// the files are found from the installed bin folder as the program finds them, the window
// comes up offscreen on the demo disc, and a short WAV converts to MP3 through the installed
// encoder library.
//   installed_program_check INSTALLED_BIN_FOLDER DISC.cue SCREENSHOT.png
// Run it in an empty working folder: the settings file and the sound files are written there.
#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

#include "FakeDesktop.h"
#include "TestProgram.h"
#include "WavFiles.h"
#include "adapters/audio/AudioEngine.h"
#include "adapters/audio/Clock.h"
#include "adapters/audio/LoopbackBackend.h"
#include "adapters/cdrom/LibcdioCdrom.h"
#include "adapters/dl/DlEncoderLoader.h"
#include "adapters/dl/InstallPaths.h"
#include "adapters/mci/DeviceLayer.h"
#include "adapters/qt/QtWindow.h"
#include "app/Commands.h"
#include "app/MainWindow.h"
#include "app/Settings.h"

using namespace wl;
namespace fs = std::filesystem;

namespace {

int fail(const std::string& why) {
    std::cerr << "installed program check: FAILED: " << why << "\n";
    return 1;
}

bool isFile(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

// An MP3 stream starts with an ID3 tag or a frame sync.
bool looksLikeMp3(const std::string& bytes) {
    if (bytes.size() < 1024) return false;
    if (bytes.compare(0, 3, "ID3") == 0) return true;
    return static_cast<unsigned char>(bytes[0]) == 0xFF && (static_cast<unsigned char>(bytes[1]) & 0xE0) == 0xE0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: installed_program_check INSTALLED_BIN_FOLDER DISC.cue SCREENSHOT.png\n";
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qtApp(argc, argv);
    const std::string bin = argv[1], disc = argv[2], shot = argv[3];

    const InstallPaths paths = findInstallPaths(bin);
    if (!isFile(paths.encoderFolders.front() + "/" + kEncoderLibraryName))
        return fail("no " + std::string(kEncoderLibraryName) + " in " + paths.encoderFolders.front());
    if (isFile(bin + "/" + kEncoderLibraryName)) return fail("the encoder library is installed beside the program");
    if (!isFile(paths.helpPage) || paths.helpPage.rfind(fs::path(bin).parent_path().string(), 0) != 0)
        return fail("the installed help page is missing: " + paths.helpPage);
    if (paths.icon.empty() || QIcon(QString::fromStdString(paths.icon)).availableSizes().isEmpty())
        return fail("the installed 48 px icon is missing or unreadable");

    // The convert mode at start, with MP3 conversion on and the WAV kept.
    std::string settings(6, '\0');
    settings += "16441002128" + std::to_string(ConvertWavToMp3) + "1199";
    settings.resize(kSettingsFileSize, '\0');
    test::writeFileBytes(kSettingsFileName, settings);
    const std::string wav = (fs::current_path() / "short.wav").string();
    const std::string mp3 = (fs::current_path() / "short.mp3").string();
    test::writeFileBytes(wav, test::musicWav(3));

    LibcdioCdrom cdrom(disc);
    audio::SteadyClock clock;
    audio::LoopbackBackend backend(clock, audio::LoopbackOptions{});
    audio::AudioEngine engine(backend);
    std::string why;
    if (!engine.start(why)) return fail("the loopback audio does not start: " + why);
    mci::DeviceLayerOptions options;
    options.cd.namePrefix = "Disc image:";
    mci::DeviceLayer mciLayer(cdrom, cdrom, engine, clock, options);
    QtWindow window;
    DlEncoderLoader encoder(paths.encoderFolders);
    test::FakeDesktop desktop;
    App app(Platform{window, mciLayer, cdrom, encoder, desktop});
    MainWindowProc proc(app);

    // Any box is a failure; answer it so the check ends instead of waiting for a click.
    std::string boxText;
    QTimer boxes;
    QObject::connect(&boxes, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            if (boxText.empty()) boxText = box->text().toStdString();
            box->reject();
        }
    });
    boxes.start(50);

    if (window.create(proc) != 0) return fail("the window was not created");
    window.show();
    int result = 0;
    if (!app.s.encoderModule) {
        result = fail("the encoder library was not loaded");
    } else if (app.s.convertMode != 1) {
        result = fail("the program did not start in the convert mode");
    } else {
        window.setControlText(ID_SONG_NAME_EDIT, wav);
        window.sendCommand(ID_PLAY);
        if (!QTest::qWaitFor([&] { return app.s.converting == 0 && !app.s.workerRunning; }, 60000))
            result = fail("the conversion did not end within a minute");
        else if (!looksLikeMp3(test::readFileBytes(mp3)))
            result = fail("no MP3 was written to " + mp3);
    }
    if (result == 0 && !boxText.empty()) result = fail("a message box said: " + boxText);
    window.grabToPng(shot);
    if (!app.destroyed) window.destroy();
    if (result == 0)
        std::cout << "installed program check: encoder from " << paths.encoderFolders.front() << ", "
                  << fs::file_size(mp3) << " bytes of MP3 from a 3 s WAV\n";
    return result;
}
