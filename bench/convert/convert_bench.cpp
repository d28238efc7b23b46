// Converts a generated 3-minute WAV through the convert mode's Play (worker and a window
// thread serving it) and with `lame -b 128 -q 3 --cbr`, and reports the times and their
// ratio. Meanwhile a second thread posts events to the window thread every 2 ms; the delay
// until the window's loop serves them is reported (a stand-in for the real window's event
// latency, which the Qt adapter's own measurement gives).
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

#include "FakeCdAudio.h"
#include "FakeCdrom.h"
#include "FakeDesktop.h"
#include "FakeMci.h"
#include "FakeWindow.h"
#include "TestProgram.h"
#include "WavFiles.h"
#include "adapters/dl/DlEncoderLoader.h"
#include "app/Commands.h"

using namespace wl;
using namespace wl::test;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

namespace {

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

struct Latency {
    std::vector<double> ms;
    double percentile(double p) {
        if (ms.empty()) return 0;
        std::sort(ms.begin(), ms.end());
        return ms[std::min(ms.size() - 1, size_t(p * double(ms.size())))];
    }
};

double convertWithProgram(const std::string& wav, Latency& latency) {
    FakeWindow window;
    FakeMci mci;
    FakeCdrom cdrom;
    DlEncoderLoader encoder{fs::path(WL_LAMEENC_PATH).parent_path().string()};
    FakeDesktop desktop;
    FakeCdAudio cd{mci, cdrom};  // answers the drive's commands at start and exit
    App app{Platform{window, mci, cdrom, encoder, desktop}};
    MainWindowProc proc{app};
    WavelatheMain(app, proc);
    if (!app.s.encoderModule) {
        std::fprintf(stderr, "cannot load %s\n", WL_LAMEENC_PATH);
        std::exit(1);
    }
    app.s.convertMode = 1;
    app.s.keepWav = 1;
    app.s.mp3Kbps = 128;
    window.marshalCalls = true;
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
            for (auto t : posted) latency.ms.push_back(std::chrono::duration<double, std::milli>(now - t).count());
            posted.clear();
            return !app.s.workerRunning;
        },
        600000);
    const double elapsed = seconds(Clock::now() - start);
    app.s.convertThread.join();
    posting = false;
    poster.join();
    window.destroy();
    if (!window.boxes.empty()) std::fprintf(stderr, "message: %s\n", window.boxes.back().text.c_str());
    return elapsed;
}

double convertWithLame(const std::string& wav, const std::string& mp3) {
    const std::string cmd = "lame --quiet -b 128 -q 3 --cbr '" + wav + "' '" + mp3 + "'";
    const auto start = Clock::now();
    if (std::system(cmd.c_str()) != 0) return -1;
    return seconds(Clock::now() - start);
}

}  // namespace

int main() {
    TempWorkingDir dir;
    const std::string wav = (dir.path() / "song.wav").string();
    writeFileBytes(wav, musicWav(180));

    Latency latency;
    const double lame = convertWithLame(wav, (dir.path() / "lame.mp3").string());
    const double program = convertWithProgram(wav, latency);
    std::printf("3-minute WAV, 128 kbit/s CBR:\n");
    std::printf("  program (worker):    %.3f s, MP3 %ju bytes\n", program, uintmax_t(fs::file_size(dir.path() / "song.mp3")));
    if (lame > 0)
        std::printf("  lame command line:   %.3f s, MP3 %ju bytes\n  ratio program/lame: %.3f (limit 1.05)\n", lame,
                    uintmax_t(fs::file_size("lame.mp3")), program / lame);
    else
        std::printf("  lame command line:   not available\n");
    std::printf("  window loop: %zu posted events, latency p50 %.3f ms, p99 %.3f ms, max %.3f ms\n",
                latency.ms.size(), latency.percentile(0.5), latency.percentile(0.99), latency.percentile(1.0));
    return 0;
}
