// The real window's responsiveness while a WAV (3 minutes unless the first argument gives
// seconds) converts on the worker: a second thread posts an event to the window's thread every
// 2 ms, and the delay until the event loop runs it is recorded, first for a second of idling,
// then during the conversion. Runs offscreen unless QT_QPA_PLATFORM says otherwise.
#include <QApplication>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>
#include <vector>

#include "ConvertProgram.h"
#include "WavFiles.h"
#include "adapters/qt/QtWindow.h"
#include "app/Commands.h"
#include "app/Settings.h"
#include "cd_fixture.h"

using namespace wl;
using namespace wl::bench;
namespace fs = std::filesystem;

namespace {

void print(const char* phase, const std::vector<double>& ms) {
    std::printf("  %-11s %5zu events, latency p50 %.3f ms, p99 %.3f ms, max %.3f ms\n", phase, ms.size(),
                percentile(ms, 0.5), percentile(ms, 0.99), percentile(ms, 1.0));
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    const int length = wavSeconds(argc, argv);
    QApplication qapp(argc, argv);
    test::TempWorkingDir dir;
    const std::string wav = (dir.path() / "song.wav").string();
    test::writeFileBytes(wav, test::musicWav(length));
    const double lame = lameSeconds(wav, (dir.path() / "lame.mp3").string());

    ConvertProgram<QtWindow> prog;
    // Start in the convert mode: no disc is needed, and no start-up message box waits for a click.
    test::writeFileBytes(prog.ownFolder.path() / kSettingsFileName, test::settingsWithMode(ConvertWavToMp3));
    auto& window = prog.window;
    auto& app = prog.app;
    if (window.create(prog.proc) != 0 || !prog.ready()) {
        std::fprintf(stderr, "the window or the encoder library (%s) did not come up\n", WL_LAMEENC_PATH);
        return 1;
    }
    window.show();
    app.s.convertMode = 1;
    window.setControlText(ID_SONG_NAME_EDIT, wav);

    enum Phase { Idle, Converting, Done };
    std::atomic<int> phase{Idle};
    std::vector<double> idleMs, convertingMs;  // window's thread only
    std::atomic<bool> posting{true};
    std::thread poster([&] {
        while (posting) {
            const auto posted = Clock::now();
            const int during = phase;
            QMetaObject::invokeMethod(
                &qapp,
                [&, posted, during] {
                    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - posted).count();
                    if (during == Idle) idleMs.push_back(ms);
                    if (during == Converting) convertingMs.push_back(ms);
                },
                Qt::QueuedConnection);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });

    Clock::time_point start;
    double elapsed = 0;
    QTimer::singleShot(1000, &qapp, [&] {
        phase = Converting;
        start = Clock::now();
        window.sendCommand(ID_PLAY);
    });
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &qapp, [&] {
        if (phase != Converting || app.s.workerRunning) return;
        elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        phase = Done;
        watch.stop();
        app.s.convertThread.join();
        window.destroy();  // the shutdown ends the message loop
    });
    watch.start(5);
    window.runMessageLoop();
    posting = false;
    poster.join();

    std::printf("Window event latency, %d-second WAV converted in %.3f s (MP3 %ju bytes):\n", length, elapsed,
                uintmax_t(fs::exists(dir.path() / "song.mp3") ? fs::file_size(dir.path() / "song.mp3") : 0));
    if (lame > 0) std::printf("  lame command line %.3f s; ratio program/lame %.3f (limit 1.05)\n", lame, elapsed / lame);
    print("idle", idleMs);
    print("converting", convertingMs);
    return 0;
}
