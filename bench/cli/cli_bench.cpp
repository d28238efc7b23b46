// The command line against the tools a script would otherwise run: `wavelathe convert` of 20
// generated WAVs (three minutes each unless the first argument gives seconds) into MP3s at
// 128 kbit/s on every core, against 20 `lame -b 128 -q 3 --cbr` runs one after another; the
// same 20 into FLACs against 20 `flac -5 --verify` runs; and
// `wavelathe info --disc` of the demo disc with lookups off, the median of 11 runs.
// Usage: cli_bench [SECONDS]   (scratch files in the temporary folder, removed afterwards)
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "WavFiles.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kFiles = 20;

double timed(const std::string& cmd) {
    const auto start = Clock::now();
    if (std::system(cmd.c_str()) != 0) return -1;
    return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 && std::atoi(argv[1]) > 0 ? std::atoi(argv[1]) : 180;
    const fs::path folder = fs::temp_directory_path() / ("wl-bench-cli-" + std::to_string(::getpid()));
    fs::create_directories(folder / "wav");
    const std::string wav = wl::test::musicWav(seconds);
    for (int i = 1; i <= kFiles; ++i) std::ofstream(folder / "wav" / ("song" + std::to_string(i) + ".wav"), std::ios::binary) << wav;
    const std::string env = "HOME='" + folder.string() + "' XDG_CACHE_HOME='" + folder.string() + "/cache' ";

    double lame = 0;
    for (int i = 1; i <= kFiles && lame >= 0; ++i) {
        const std::string n = (folder / "wav" / ("song" + std::to_string(i))).string();
        const double one = timed("lame --quiet -b 128 -q 3 --cbr '" + n + ".wav' '" + n + "-lame.mp3'");
        lame = one < 0 ? -1 : lame + one;
    }
    const double ours = timed(env + "'" WL_PROGRAM "' convert -q '" + (folder / "wav").string() + "' --out '" +
                              (folder / "mp3").string() + "' > /dev/null");
    double flac = 0;
    for (int i = 1; i <= kFiles && flac >= 0; ++i) {
        const std::string n = (folder / "wav" / ("song" + std::to_string(i))).string();
        const double one = timed("flac --silent -5 --verify -o '" + n + "-ref.flac' '" + n + ".wav'");
        flac = one < 0 ? -1 : flac + one;
    }
    const double oursFlac = timed(env + "'" WL_PROGRAM "' convert -q --format flac '" + (folder / "wav").string() +
                                  "' --out '" + (folder / "flac").string() + "' > /dev/null");
    std::vector<double> info;
    for (int i = 0; i < 11; ++i)
        info.push_back(timed(env + "'" WL_PROGRAM "' info --no-lookup --disc '" WL_DEMO_DISC "' > /dev/null"));
    std::sort(info.begin(), info.end());

    int made = 0;
    int madeFlac = 0;
    for (int i = 1; i <= kFiles; ++i) {
        made += fs::exists(folder / "mp3" / ("song" + std::to_string(i) + ".mp3"));
        madeFlac += fs::exists(folder / "flac" / ("song" + std::to_string(i) + ".flac"));
    }
    std::printf("%d WAVs of %d s to MP3 at 128 kbit/s\n", kFiles, seconds);
    std::printf("  wavelathe convert (every core): %8.2f s, %d MP3s made\n", ours, made);
    std::printf("  %d sequential lame runs       : %8.2f s\n", kFiles, lame);
    if (ours > 0 && lame > 0) std::printf("  ratio wavelathe / lame        : %8.2f (target 0.55 or less)\n", ours / lame);
    std::printf("%d WAVs of %d s to FLAC level 5\n", kFiles, seconds);
    std::printf("  wavelathe convert (every core): %8.2f s, %d FLACs made\n", oursFlac, madeFlac);
    std::printf("  %d sequential flac runs       : %8.2f s\n", kFiles, flac);
    if (oursFlac > 0 && flac > 0) std::printf("  ratio wavelathe / flac        : %8.2f (target 0.55 or less)\n", oursFlac / flac);
    std::printf("wavelathe info --disc demo --no-lookup: median %.3f s of 11 runs (target under 0.2 s)\n", info[5]);
    std::error_code ec;
    fs::remove_all(folder, ec);
    return ours > 0 && made == kFiles && oursFlac > 0 && madeFlac == kFiles && info[5] > 0 ? 0 : 1;
}
