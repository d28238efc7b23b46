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
#include "EventLatency.h"
#include "WavFiles.h"
#include "adapters/qt/QtWindow.h"
#include "app/Commands.h"
#include "app/Settings.h"
#include "cd_fixture.h"

using namespace wl;
using namespace wl::bench;
namespace fs = std::filesystem;

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    const int length = wavSeconds(argc, argv);
    QApplication qapp(argc, argv);
    test::TempWorkingDir dir;
    const std::string wav = (dir.path() / "song.wav").string();
    test::writeFileBytes(wav, test::musicWav(length));
    const double lame = lameSeconds(wav, (dir.path() / "lame.mp3").string());

    ConvertProgram<QtWindow> prog;
    auto& window = prog.window;
    auto& app = prog.app;
    if (!prog.startConverting()) return 1;
    window.setControlText(ID_SONG_NAME_EDIT, wav);

    std::vector<double> idleMs, convertingMs;  // window's thread only
    EventLatency latency;
    latency.recordInto(&idleMs);

    Clock::time_point start;
    bool converting = false;
    double elapsed = 0;
    QTimer::singleShot(1000, &qapp, [&] {
        latency.recordInto(&convertingMs);
        converting = true;
        start = Clock::now();
        window.sendCommand(ID_PLAY);
    });
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &qapp, [&] {
        if (!converting || app.s.workerRunning) return;
        elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        latency.recordInto(nullptr);
        converting = false;
        watch.stop();
        app.s.convertThread.join();
        window.destroy();  // the shutdown ends the message loop
    });
    watch.start(5);
    window.runMessageLoop();
    latency.stop();

    std::printf("Window event latency, %d-second WAV converted in %.3f s (MP3 %ju bytes):\n", length, elapsed,
                uintmax_t(fs::exists(dir.path() / "song.mp3") ? fs::file_size(dir.path() / "song.mp3") : 0));
    if (lame > 0) std::printf("  lame command line %.3f s; ratio program/lame %.3f (limit 1.05)\n", lame, elapsed / lame);
    std::printf("  idle        %s\n", latencyText(idleMs).c_str());
    std::printf("  converting  %s\n", latencyText(convertingMs).c_str());
    return 0;
}
