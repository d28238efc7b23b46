// The real window's responsiveness while the online lookup of the demo disc waits for a
// service that takes 5 seconds (a local stand-in on 127.0.0.1) to answer: a second thread
// posts an event to the window's thread every 2 ms, and the delay until the event loop runs
// it is recorded from the window's start until the names are in the name box.
// Usage: lookup_latency_bench [SECONDS]   (how long the service takes; 5 unless given)
#include <QApplication>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "EventLatency.h"
#include "LocalMusicBrainz.h"
#include "RealProgram.h"
#include "adapters/cdrom/LibcdioCdText.h"
#include "adapters/discid/LibDiscId.h"
#include "adapters/musicbrainz/MusicBrainzLookup.h"
#include "app/Commands.h"

using namespace wl;
using Clock = std::chrono::steady_clock;

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    const int delay = argc > 1 ? std::max(0, std::atoi(argv[1])) : 5;
    QApplication qapp(argc, argv);
    test::LocalService service(delay);
    if (service.url.empty()) {
        std::fprintf(stderr, "the local stand-in of the service did not start\n");
        return 1;
    }
    test::TempWorkingDir work;
    audio::SteadyClock clock;
    e2e::RealProgram prog(WL_DEMO_DISC, clock, {WL_BIN_DIR}, work.path().string());
    prog.writeSettings(RipFromCd, false);
    LibcdioCdText cdText(prog.cdrom);
    LibDiscId discId;
    MusicBrainzOptions options;
    options.baseUrl = service.url;
    options.cacheFolder = (service.dir / "cache").string();
    options.http.userAgent = "Wavelathe/bench ( https://wavelathe.invalid/ )";
    MusicBrainzLookup lookup(prog.window, options);
    prog.app->p.cdText = &cdText;
    prog.app->p.discId = &discId;
    prog.app->p.discLookup = &lookup;

    std::vector<double> waitingMs;  // the window's thread only
    bench::EventLatency latency;
    latency.recordInto(&waitingMs);

    e2e::BoxAnswerer boxes;  // none should open; any that does is counted, not waited on
    const auto started = Clock::now();
    double namedAfter = -1;
    if (!prog.create()) {
        std::fprintf(stderr, "the window did not come up\n");
        return 1;
    }
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &qapp, [&] {
        const bool named = prog.window.controlText(ID_SONG_NAME_EDIT, 300) == "01 online track 1.wav";
        if (!named && Clock::now() - started < std::chrono::seconds(delay + 15)) return;
        if (named) namedAfter = std::chrono::duration<double>(Clock::now() - started).count();
        watch.stop();
        prog.window.destroy();  // ends the message loop
    });
    watch.start(5);
    prog.window.runMessageLoop();
    latency.stop();

    std::printf("Window event latency while the service takes %d s to answer the demo disc's lookup:\n", delay);
    for (const std::string& text : boxes.texts) std::printf("  a message box opened: %s\n", text.c_str());
    if (namedAfter < 0) std::printf("  the names never arrived\n");
    else std::printf("  names in the name box %.3f s after the window opened\n", namedAfter);
    std::printf("  window event latency %s (limit p99 50 ms)\n", bench::latencyText(waitingMs).c_str());
    return namedAfter < 0 || !boxes.texts.empty() ? 1 : 0;
}
