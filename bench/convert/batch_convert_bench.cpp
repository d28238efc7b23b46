// Converts five generated 3-minute WAV files as one batch (command 114, the dialog's choice,
// the worker) and with `lame -b 128 -q 3 --cbr` run five times one after another; reports
// both times and their ratio.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "FakeCdAudio.h"
#include "FakeDialogHost.h"
#include "TestProgram.h"
#include "WavFiles.h"
#include "adapters/dl/DlEncoderLoader.h"
#include "app/Commands.h"
#include "mp3/BatchConvert.h"

using namespace wl;
using namespace wl::test;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

namespace {

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

double convertWithProgram(const fs::path& folder, const std::vector<std::string>& names) {
    FakeWindow window;
    FakeMci mci;
    FakeCdrom cdrom;
    FakeCdAudio cd{mci, cdrom};  // answers the drive's commands at start and exit
    DlEncoderLoader encoder{fs::path(WL_LAMEENC_PATH).parent_path().string()};
    FakeDesktop desktop;
    App app{Platform{window, mci, cdrom, encoder, desktop}};
    MainWindowProc proc{app};
    WavelatheMain(app, proc);
    if (!app.s.encoderModule) {
        std::fprintf(stderr, "cannot load %s\n", WL_LAMEENC_PATH);
        std::exit(1);
    }
    app.s.keepWav = 1;
    app.s.mp3Kbps = 128;
    app.s.convertFolder = folder.string();
    window.marshalCalls = true;
    scriptDialog(window, [&](FakeDialog& d) {
        for (const std::string& n : names) d.doubleClickText(kAvailableFilesList, n);
        d.click(kStartButton);
    });
    const auto start = Clock::now();
    window.sendCommand(ID_WAV_FILES_TO_CONVERT);
    window.pumpUntil([&] { return !app.s.workerRunning; }, 600000);
    const double elapsed = seconds(Clock::now() - start);
    if (app.s.convertThread.joinable()) app.s.convertThread.join();
    window.destroy();
    for (const ShownBox& b : window.boxes) std::fprintf(stderr, "message: %s\n", b.text.c_str());
    return elapsed;
}

double convertWithLame(const fs::path& folder, const std::vector<std::string>& names) {
    const auto start = Clock::now();
    for (const std::string& n : names) {
        const std::string cmd = "lame --quiet -b 128 -q 3 --cbr '" + (folder / n).string() + "' '" +
                                (folder / ("lame-" + n + ".mp3")).string() + "'";
        if (std::system(cmd.c_str()) != 0) return -1;
    }
    return seconds(Clock::now() - start);
}

}  // namespace

int main() {
    TempWorkingDir dir;
    std::vector<std::string> names;
    for (int i = 1; i <= 5; ++i) {
        names.push_back("song" + std::to_string(i) + ".wav");
        writeFileBytes(dir.path() / names.back(), musicWav(180));
    }
    const double lame = convertWithLame(dir.path(), names);
    const double program = convertWithProgram(dir.path(), names);
    std::printf("five 3-minute WAV files, 128 kbit/s CBR:\n");
    std::printf("  program (batch on the worker): %.3f s\n", program);
    if (lame > 0)
        std::printf("  lame command line, five runs:  %.3f s\n  ratio program/lame: %.3f (limit 1.0)\n", lame,
                    program / lame);
    else
        std::printf("  lame command line: not available\n");
    return 0;
}
