// Rips the one track of a generated image with cd-paranoia -Z, then through the
// program's rip branch (the real window offscreen, its status line drawn at once, the real
// CD-ROM library), then through the same branch on a headless window, which shows what the
// window's drawing and event serving cost. Prints the times, the longest the real window's
// event loop went without serving a 5 ms timer during the rip, and whether the audio is the
// same. Each rip starts after a sync, so none pays for the writeback of another's file; the
// three take turns five times, and the medians are shown.
// Usage: rip_bench [FOLDER [MINUTES]]   (scratch files, about 42 MB a minute, removed afterwards)
#include <unistd.h>

#include <QApplication>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <algorithm>
#include <vector>

#include "DiscImage.h"
#include "FakeDesktop.h"
#include "FakeEncoder.h"
#include "FakeMci.h"
#include "FakeWindow.h"
#include "RipSupport.h"
#include "adapters/cdrom/LibcdioCdrom.h"
#include "adapters/hash/Hashing.h"
#include "adapters/qt/QtWindow.h"
#include "app/Commands.h"
#include "window/MainWindow.h"
#include "app/Settings.h"
#include "cd_fixture.h"
#include "rip/RipEngine.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

using wl::bench::answerEverything;
using wl::bench::audioOf;

// The program started in the rip mode on the image (the WAV kept, no MP3), on either window.
template <class Window>
struct RipProgram {
    Window window;
    wl::test::FakeMci mci;
    wl::LibcdioCdrom cdrom;
    wl::test::FakeEncoderLoader encoder;
    wl::test::FakeDesktop desktop;
    // Checksums as a real rip computes them: the copy CRC through zlib, AccurateRip's own.
    wl::LibraryHashing hashing;
    wl::App app{wl::Platform{window, mci, cdrom, encoder, desktop, nullptr, nullptr, nullptr, &hashing}};
    wl::MainWindowProc proc{app};

    explicit RipProgram(const fs::path& folder) : cdrom((folder / "long.cue").string()) {
        answerEverything(mci);
        app.s.workingDir = folder.string();
    }
    bool create() { return window.create(proc) == 0 && app.s.ripMode == 1; }
    // Times the rip branch into `out`.
    double rip(const std::string& out) {
        window.setControlText(wl::ID_SONG_NAME_EDIT, out);
        app.s.songName = out;
        const auto t0 = Clock::now();
        wl::RipPlayBranch(app);
        return std::chrono::duration<double>(Clock::now() - t0).count();
    }
};

// The rip branch on a window that draws nothing and serves nothing.
double ripHeadless(const fs::path& folder, const std::string& out) {
    RipProgram<wl::test::FakeWindow> prog(folder);
    if (!prog.create()) return -1;
    ::sync();
    const double seconds = prog.rip(out);
    for (const wl::test::ShownBox& b : prog.window.boxes)
        std::fprintf(stderr, "headless window's message: %s\n", b.text.c_str());
    return prog.window.boxes.empty() ? seconds : -1;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    const fs::path folder = wl::bench::scratchFolder(argc, argv, "wl-bench-rip");
    const uint32_t frames = wl::bench::imageFrames(argc, argv);
    wl::bench::writeLongImage(folder, frames);  // just written, so every reader finds it in the page cache

    wl::test::writeFileBytes(folder / wl::kSettingsFileName, wl::test::settingsWithMode(wl::RipFromCd, 0));
    RipProgram<wl::QtWindow> prog(folder);
    if (!prog.create()) {
        std::fprintf(stderr, "the program did not come up in the rip mode\n");
        return 1;
    }
    wl::QtWindow& window = prog.window;
    // The start-up disc check asks the scripted device layer nothing useful: no ticks.
    window.killTimer(wl::ClockTimer);
    window.show();
    QApplication::processEvents();

    const std::string ours = (folder / "program.wav").string();
    const std::string headless = (folder / "headless.wav").string();
    Clock::time_point lastTick = Clock::now();
    double longestGapMs = 0;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const auto now = Clock::now();
        longestGapMs = std::max(longestGapMs, std::chrono::duration<double, std::milli>(now - lastTick).count());
        lastTick = now;
    });
    // Rounds in turn, so that the machine's moods fall on all three alike; the medians count.
    constexpr int kRounds = 5;
    std::vector<double> paranoiaRuns, programRuns, bareRuns;
    for (int round = 0; round < kRounds; ++round) {
        // Each rip makes a new file: replacing the last round's would time freeing its pages.
        for (const std::string& old : {(folder / "paranoia.wav").string(), ours, headless}) fs::remove(old);
        paranoiaRuns.push_back(wl::bench::ripWithCdParanoia(folder));
        ::sync();
        probe.start(5);
        lastTick = Clock::now();
        programRuns.push_back(prog.rip(ours));
        probe.stop();
        bareRuns.push_back(ripHeadless(folder, headless));
    }
    window.destroy();
    const double paranoia = median(paranoiaRuns), program = median(programRuns), bare = median(bareRuns);
    const bool failed = std::any_of(paranoiaRuns.begin(), paranoiaRuns.end(), [](double t) { return t < 0; }) ||
                        std::any_of(bareRuns.begin(), bareRuns.end(), [](double t) { return t < 0; });

    const std::string reference = audioOf(folder / "paranoia.wav");
    const bool same = !failed && audioOf(ours) == reference && audioOf(headless) == reference &&
                      reference.size() == size_t(frames) * wl::kCdFrameBytes;
    std::printf("%u-minute track (%u frames, %.1f MB) from a disc image into a WAV file, median of %d runs each\n",
                frames / 4500, frames, frames * double(wl::kCdFrameBytes) / 1e6, kRounds);
    std::printf("  program's rip branch : %8.3f s (window's longest wait for a 5 ms timer: %.1f ms)\n", program,
                longestGapMs);
    std::printf("  headless window      : %8.3f s\n", bare);
    std::printf("  cd-paranoia -Z       : %8.3f s\n", paranoia);
    if (paranoia > 0)
        std::printf("  program / cd-paranoia: %8.2f (limit 1.0; the checksums are summed on a second thread)\n",
                    program / paranoia);
    std::printf("  same audio bytes     : %s\n", same ? "yes" : "NO");
    std::error_code ec;
    if (!same) std::printf("  files kept in %s\n", folder.c_str());
    else fs::remove_all(folder, ec);
    return same ? 0 : 1;
}
