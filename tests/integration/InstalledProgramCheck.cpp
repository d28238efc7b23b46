// Checks an installed tree (scripts/ci-package.sh runs it after installing into a DESTDIR):
// the files are found from the installed bin folder as the program finds them, the window
// comes up offscreen on the demo disc, and a short WAV converts to MP3 through the installed
// encoder library.
//   installed_program_check INSTALLED_BIN_FOLDER DISC.cue SCREENSHOT.png
// Run it in an empty working folder: the settings file and the sound files are written there.
#include <QApplication>
#include <QIcon>
#include <QTest>

#include <filesystem>
#include <iostream>
#include <string>

#include "RealProgram.h"
#include "WavFiles.h"
#include "adapters/dl/InstallPaths.h"
#include "app/Commands.h"

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

    const std::string wav = (fs::current_path() / "short.wav").string();
    const std::string mp3 = (fs::current_path() / "short.mp3").string();
    test::writeFileBytes(wav, test::musicWav(3));

    audio::SteadyClock clock;
    e2e::RealProgram prog(disc, clock, paths.encoderFolders, fs::current_path().string());
    if (!prog.engineError.empty()) return fail("the loopback audio does not start: " + prog.engineError);
    // The convert mode at start, with MP3 conversion on and the WAV kept.
    prog.writeSettings(ConvertWavToMp3, true);
    // Any box is a failure; it is answered so that the check ends instead of waiting for a click.
    e2e::BoxAnswerer boxes;
    if (!prog.create()) return fail("the window was not created");
    int result = 0;
    if (!prog.s().encoderModule) {
        result = fail("the encoder library was not loaded");
    } else if (prog.s().convertMode != 1) {
        result = fail("the program did not start in the convert mode");
    } else {
        prog.window.setControlText(ID_SONG_NAME_EDIT, wav);
        prog.window.sendCommand(ID_PLAY);
        if (!QTest::qWaitFor([&] { return prog.s().converting == 0 && !prog.s().workerRunning; }, 60000))
            result = fail("the conversion did not end within a minute");
        else if (!looksLikeMp3(test::readFileBytes(mp3)))
            result = fail("no MP3 was written to " + mp3);
    }
    if (result == 0 && !boxes.texts.empty()) result = fail("a message box said: " + boxes.texts.front());
    prog.window.grabToPng(shot);
    if (result == 0)
        std::cout << "installed program check: encoder from " << paths.encoderFolders.front() << ", "
                  << fs::file_size(mp3) << " bytes of MP3 from a 3 s WAV\n";
    return result;
}
