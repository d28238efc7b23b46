// Converts five generated WAV files (3 minutes each unless the first argument gives seconds)
// as one batch (command 114, the dialog's choice, the worker) and with
// `lame -b 128 -q 3 --cbr` run five times one after another; reports both times and their ratio.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "ConvertProgram.h"
#include "FakeDialogHost.h"
#include "WavFiles.h"
#include "app/Commands.h"
#include "mp3/BatchConvert.h"

using namespace wl;
using namespace wl::bench;
namespace fs = std::filesystem;

namespace {

double convertWithProgram(const fs::path& folder, const std::vector<std::string>& names) {
    ConvertProgram<test::FakeWindow> prog;
    prog.start();
    if (!prog.ready()) std::exit(1);
    auto& window = prog.window;
    prog.s().convertFolder = folder.string();
    scriptDialog(window, [&](test::FakeDialog& d) {
        for (const std::string& n : names) d.doubleClickText(kAvailableFilesList, n);
        d.click(kStartButton);
    });
    const auto start = Clock::now();
    window.sendCommand(ID_WAV_FILES_TO_CONVERT);
    window.pumpUntil([&] { return !prog.s().workerRunning; }, 600000);
    const double elapsed = seconds(Clock::now() - start);
    if (prog.s().convertThread.joinable()) prog.s().convertThread.join();
    window.destroy();
    for (const test::ShownBox& b : window.boxes) std::fprintf(stderr, "message: %s\n", b.text.c_str());
    return elapsed;
}

double convertWithLame(const fs::path& folder, const std::vector<std::string>& names) {
    double total = 0;
    for (const std::string& n : names) {
        const double one = lameSeconds((folder / n).string(), (folder / ("lame-" + n + ".mp3")).string());
        if (one < 0) return -1;
        total += one;
    }
    return total;
}

}  // namespace

int main(int argc, char** argv) {
    const int length = wavSeconds(argc, argv);
    test::TempWorkingDir dir;
    std::vector<std::string> names;
    for (int i = 1; i <= 5; ++i) {
        names.push_back("song" + std::to_string(i) + ".wav");
        test::writeFileBytes(dir.path() / names.back(), test::musicWav(length));
    }
    const double lame = convertWithLame(dir.path(), names);
    const double program = convertWithProgram(dir.path(), names);
    std::printf("five %d-second WAV files, 128 kbit/s CBR:\n", length);
    std::printf("  program (batch on the worker): %.3f s\n", program);
    if (lame > 0)
        std::printf("  lame command line, five runs:  %.3f s\n  ratio program/lame: %.3f (limit 1.0)\n", lame,
                    program / lame);
    else
        std::printf("  lame command line: not available\n");
    return 0;
}
