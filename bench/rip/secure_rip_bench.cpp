// The read modes on one clean 10-minute image track, headless (the window costs nothing here):
// Secure against cd-paranoia's default full mode, Burst against cd-paranoia -Z, and Test &
// Copy against one pass of the same mode. Every rip must give cd-paranoia's audio bytes.
// Usage: secure_rip_bench [FOLDER [MINUTES]]   (scratch files, about 42 MB a minute, removed afterwards)
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "DiscImage.h"
#include "FakeDesktop.h"
#include "FakeEncoder.h"
#include "FakeMci.h"
#include "FakeWindow.h"
#include "RipSupport.h"
#include "adapters/cdrom/LibcdioCdrom.h"
#include "adapters/cdrom/ParanoiaReader.h"
#include "adapters/hash/Hashing.h"
#include "app/Commands.h"
#include "app/Settings.h"
#include "cd_fixture.h"
#include "rip/RipEngine.h"
#include "window/MainWindow.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

using wl::bench::audioOf;

struct RipProgram {
    wl::test::FakeWindow window;
    wl::test::FakeMci mci;
    wl::LibcdioCdrom cdrom;
    wl::ParanoiaReader secure{cdrom};
    wl::test::FakeEncoderLoader encoder;
    wl::test::FakeDesktop desktop;
    wl::LibraryHashing hashing;
    wl::App app{wl::Platform{window, mci, cdrom, encoder, desktop, nullptr, nullptr, nullptr, &hashing, nullptr, nullptr,
                             nullptr, &secure}};
    wl::MainWindowProc proc{app};

    explicit RipProgram(const fs::path& folder) : cdrom((folder / "long.cue").string()) {
        wl::bench::answerEverything(mci);
        app.s.workingDir = folder.string();
    }
    // Seconds for one rip in the mode, -1 when it did not come up or said anything.
    double rip(const std::string& out, int mode, bool testAndCopy) {
        if (window.create(proc) != 0 || app.s.ripMode != 1) return -1;
        app.s.readMode = mode;
        app.s.testAndCopy = testAndCopy ? 1 : 0;
        window.setControlText(wl::ID_SONG_NAME_EDIT, out);
        app.s.songName = out;
        ::sync();
        const auto t0 = Clock::now();
        wl::RipPlayBranch(app);
        const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
        for (const wl::test::ShownBox& b : window.boxes) std::fprintf(stderr, "message: %s\n", b.text.c_str());
        return window.boxes.empty() ? seconds : -1;
    }
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const fs::path folder = wl::bench::scratchFolder(argc, argv, "wl-bench-secure-rip");
    const uint32_t frames = wl::bench::imageFrames(argc, argv);
    wl::bench::writeLongImage(folder, frames);
    wl::test::writeFileBytes(folder / wl::kSettingsFileName, wl::test::settingsWithMode(wl::RipFromCd, 0));

    struct Run {
        const char* what;
        int mode;  // -1: cd-paranoia with `option`
        bool testAndCopy;
        const char* option;
        std::vector<double> times;
        bool same = true;
    } runs[] = {
        {"cd-paranoia (full)   ", -1, false, "", {}},   {"Secure               ", 1, false, nullptr, {}},
        {"cd-paranoia -Z       ", -1, false, "-Z", {}}, {"Burst                ", 0, false, nullptr, {}},
        {"Burst, Test & Copy   ", 0, true, nullptr, {}}, {"Secure, Test & Copy  ", 1, true, nullptr, {}},
    };
    // Rounds in turn, so the machine's moods fall on all alike; the medians count.
    constexpr int kRounds = 3;
    std::string reference;
    for (int round = 0; round < kRounds; ++round)
        for (Run& r : runs) {
            const fs::path out = folder / (r.mode < 0 ? "paranoia.wav" : "program.wav");
            fs::remove(out);
            if (r.mode < 0) {
                r.times.push_back(wl::bench::ripWithCdParanoia(folder, r.option));
                if (reference.empty()) reference = audioOf(out);
            } else {
                RipProgram prog(folder);
                r.times.push_back(prog.rip(out.string(), r.mode, r.testAndCopy));
            }
            r.same = r.same && r.times.back() >= 0 && audioOf(out) == reference;
        }
    const auto t = [&](size_t i) { return median(runs[i].times); };
    std::printf("%u-minute track (%u frames) from a disc image, median of %d runs each\n", frames / 4500, frames, kRounds);
    bool same = reference.size() == size_t(frames) * wl::kCdFrameBytes;
    for (const Run& r : runs) {
        std::printf("  %s: %8.3f s%s\n", r.what, median(r.times), r.same ? "" : "  (NOT the same audio)");
        same = same && r.same;
    }
    std::printf("  Secure / cd-paranoia full  : %6.2f (limit 1.0)\n", t(1) / t(0));
    std::printf("  Burst / cd-paranoia -Z     : %6.2f (limit 1.0)\n", t(3) / t(2));
    std::printf("  Test & Copy / one pass     : %6.2f Burst, %6.2f Secure (limit 2.1)\n", t(4) / t(3), t(5) / t(1));
    std::printf("  same audio bytes           : %s\n", same ? "yes" : "NO");
    std::error_code ec;
    if (same) fs::remove_all(folder, ec);
    else std::printf("  files kept in %s\n", folder.c_str());
    return same ? 0 : 1;
}
