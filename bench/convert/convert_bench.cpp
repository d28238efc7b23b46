// Converts a generated WAV (3 minutes unless the first argument gives seconds) through the
// convert mode's Play (worker and a window thread serving it) and with `lame -b 128 -q 3 --cbr`,
// and reports the times and their ratio. Meanwhile a second thread posts events to the window
// thread every 2 ms; the delay until the window's loop serves them is reported (a stand-in for
// the real window's event latency, which the Qt adapter's own measurement gives).
#include <atomic>
#include <chrono>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

#include "ConvertProgram.h"
#include "WavFiles.h"
#include "app/Commands.h"

using namespace wl;
using namespace wl::bench;
namespace fs = std::filesystem;

namespace {

double convertWithProgram(const std::string& wav, std::vector<double>& latencyMs) {
    ConvertProgram<test::FakeWindow> prog;
    prog.start();
    if (!prog.ready()) std::exit(1);
    auto& window = prog.window;
    prog.s().convertMode = 1;
    window.setControlText(ID_SONG_NAME_EDIT, wav);

    std::mutex m;
    std::deque<Clock::time_point> posted;
    std::atomic<bool> posting{true};
    std::thread poster([&] {
        while (posting) {
            {
                std::lock_guard<std::mutex> lock(m);
                posted.push_back(Clock::now());
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });

    const auto start = Clock::now();
    window.click(ID_PLAY);
    // The window's loop: serve the worker's calls and the posted events as they come. It
    // sleeps at most 1 ms between looks, so the latency is overstated by up to that.
    window.pumpUntil(
        [&] {
            std::lock_guard<std::mutex> lock(m);
            const auto now = Clock::now();
            for (auto t : posted) latencyMs.push_back(std::chrono::duration<double, std::milli>(now - t).count());
            posted.clear();
            return !prog.s().workerRunning;
        },
        600000);
    const double elapsed = seconds(Clock::now() - start);
    prog.s().convertThread.join();
    posting = false;
    poster.join();
    window.destroy();
    if (!window.boxes.empty()) std::fprintf(stderr, "message: %s\n", window.boxes.back().text.c_str());
    return elapsed;
}

}  // namespace

int main(int argc, char** argv) {
    const int length = wavSeconds(argc, argv);
    test::TempWorkingDir dir;
    const std::string wav = (dir.path() / "song.wav").string();
    const fs::path lameMp3 = dir.path() / "lame.mp3";
    test::writeFileBytes(wav, test::musicWav(length));

    std::vector<double> latencyMs;
    const double lame = lameSeconds(wav, lameMp3.string());
    const double program = convertWithProgram(wav, latencyMs);
    std::printf("%d-second WAV, 128 kbit/s CBR:\n", length);
    std::printf("  program (worker):    %.3f s, MP3 %ju bytes\n", program, uintmax_t(fs::file_size(dir.path() / "song.mp3")));
    if (lame > 0)
        std::printf("  lame command line:   %.3f s, MP3 %ju bytes\n  ratio program/lame: %.3f (limit 1.05)\n", lame,
                    uintmax_t(fs::file_size(lameMp3)), program / lame);
    else
        std::printf("  lame command line:   not available\n");
    std::printf("  window loop: %zu posted events, latency p50 %.3f ms, p99 %.3f ms, max %.3f ms\n", latencyMs.size(),
                percentile(latencyMs, 0.5), percentile(latencyMs, 0.99), percentile(latencyMs, 1.0));
    return 0;
}
