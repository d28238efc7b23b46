// Converts five generated WAV files (3 minutes each unless the first argument gives seconds)
// as one batch on the real window (offscreen), on every core and then on one stream, and each
// file once more as a single conversion; against `lame -b 128 -q 3 --cbr` run five times one
// after another. Reports the times, their ratios, whether every batch MP3 is byte for byte the
// single conversion's, and the window's event latency during the batches: a second thread posts
// an event to the window's thread every 2 ms and the delay until it runs is recorded.
#include <sys/resource.h>

#include <QApplication>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "ConvertProgram.h"
#include "EventLatency.h"
#include "WavFiles.h"
#include "adapters/qt/QtWindow.h"
#include "app/Commands.h"
#include "app/Settings.h"
#include "cd_fixture.h"
#include "mp3/BatchConvert.h"
#include "mp3/ConversionPool.h"
#include "mp3/Convert.h"

using namespace wl;
using namespace wl::bench;
namespace fs = std::filesystem;

namespace {

constexpr int kFiles = 5;

// The process's processor time so far, every thread's.
double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double convertWithLame(const fs::path& folder) {
    double total = 0;
    for (int i = 1; i <= kFiles; ++i) {
        const std::string n = "song" + std::to_string(i);
        const double one = lameSeconds((folder / (n + ".wav")).string(), (folder / ("lame-" + n + ".mp3")).string());
        if (one < 0) return -1;
        total += one;
    }
    return total;
}

std::vector<std::string> filesIn(const fs::path& folder) {
    std::vector<std::string> out;
    for (int i = 1; i <= kFiles; ++i) out.push_back((folder / ("song" + std::to_string(i) + ".wav")).string());
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    const int length = wavSeconds(argc, argv);
    QApplication qapp(argc, argv);
    test::TempWorkingDir dir;
    const std::string music = test::musicWav(length);
    const fs::path parallel = dir.path() / "parallel", oneStream = dir.path() / "one", single = dir.path() / "single";
    for (const fs::path& f : {parallel, oneStream, single}) {
        fs::create_directories(f);
        for (const std::string& wav : filesIn(f)) test::writeFileBytes(wav, music);
    }
    const double lame = convertWithLame(single);

    ConvertProgram<QtWindow> prog;
    auto& window = prog.window;
    auto& app = prog.app;
    if (!prog.startConverting()) return 1;

    bool measuring = false;
    std::vector<double> latencyMs;  // window's thread only
    EventLatency latency;

    // The batches, one after the other, then the single conversions.
    struct Run {
        fs::path folder;
        int streams;
        double seconds = 0, cpu = 0;
    } runs[] = {{parallel, 0}, {oneStream, 1}};
    size_t next = 0;
    Clock::time_point start;
    double startCpu = 0, singleSeconds = 0, singleCpu = 0;
    auto startRun = [&] {
        app.s.conversionStreams = runs[next].streams;
        app.s.convertFiles = filesIn(runs[next].folder);
        app.s.convertFileCount = kFiles;
        measuring = true;
        latency.recordInto(&latencyMs);
        start = Clock::now();
        startCpu = cpuSeconds();
        StartBatchConversion(app);
    };
    QTimer::singleShot(500, &qapp, startRun);
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &qapp, [&] {
        if (!measuring || app.s.workerRunning) return;
        runs[next].seconds = seconds(Clock::now() - start);
        runs[next].cpu = cpuSeconds() - startCpu;
        measuring = false;
        latency.recordInto(nullptr);
        app.s.convertThread.join();
        if (++next < std::size(runs)) return startRun();
        watch.stop();
        const double cpu0 = cpuSeconds();
        for (const std::string& wav : filesIn(single)) {
            window.setControlText(ID_SONG_NAME_EDIT, wav);
            app.s.convertFileCount = 0;
            app.s.converting = 1;
            const auto t0 = Clock::now();
            ConvertWavFile(app);
            singleSeconds += seconds(Clock::now() - t0);
        }
        singleCpu = cpuSeconds() - cpu0;
        window.destroy();
    });
    watch.start(5);
    window.runMessageLoop();
    latency.stop();

    bool same = true;
    for (int i = 1; i <= kFiles; ++i) {
        const std::string mp3 = "song" + std::to_string(i) + ".mp3";
        const std::string want = test::readFileBytes(single / mp3);
        same = same && !want.empty() && test::readFileBytes(parallel / mp3) == want &&
               test::readFileBytes(oneStream / mp3) == want;
    }
    app.s.conversionStreams = 0;
    std::printf("five %d-second WAV files, 128 kbit/s CBR, %d streams on %u cores:\n", length,
                conversionStreamCount(app.s, kFiles), std::thread::hardware_concurrency());
    std::printf("  program, batch on every core: %.3f s (processor %.3f s)\n", runs[0].seconds, runs[0].cpu);
    std::printf("  program, batch on one stream: %.3f s (%.3f s a file; processor %.3f s)\n", runs[1].seconds,
                runs[1].seconds / kFiles, runs[1].cpu);
    std::printf("  program, single conversions:  %.3f s (%.3f s a file; processor %.3f s)\n", singleSeconds,
                singleSeconds / kFiles, singleCpu);
    if (lame > 0) {
        std::printf("  lame command line, five runs: %.3f s\n", lame);
        std::printf("  ratio batch/lame: %.3f (limit 0.55); one stream/lame: %.3f\n", runs[0].seconds / lame,
                    runs[1].seconds / lame);
    } else {
        std::printf("  lame command line: not available\n");
    }
    std::printf("  window event latency during the batches: %s\n", latencyText(latencyMs).c_str());
    std::printf("  every batch MP3 byte for byte the single conversion's: %s\n", same ? "yes" : "NO");
    return same ? 0 : 1;
}
