// Rips a generated 10-track disc image (4-minute tracks unless the second argument gives
// minutes) to MP3 through a Tracks to Record batch in the rip mode, on the real window
// (offscreen), the real CD-ROM library and the real encoder library: first as a single rip
// goes, each track read and then converted, then with the conversions encoding on the worker
// while the next tracks are read. Prints both times, their ratio, whether both runs made the
// same files, and the window's event latency during each run: a second thread posts an event
// to the window's thread every 2 ms and the delay until it runs is recorded.
// The third argument "flac" makes FLAC (level 5) instead: the same two runs, whose ratio
// shows what encoding beside the reads saves for the lossless format too.
// Usage: rip_mp3_bench [FOLDER [MINUTES [mp3|flac]]]   (scratch files, about 100 MB a track-minute, removed)
#include <unistd.h>

#include <QApplication>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "ConvertProgram.h"
#include "DiscImage.h"
#include "EventLatency.h"
#include "FakeDesktop.h"
#include "FakeMci.h"
#include "RipSupport.h"
#include "adapters/cdrom/LibcdioCdrom.h"
#include "adapters/codecs/CodecEncoders.h"
#include "adapters/dl/DlEncoderLoader.h"
#include "adapters/loudness/Ebur128Loudness.h"
#include "adapters/qt/QtWindow.h"
#include "app/Commands.h"
#include "app/OutputFormat.h"
#include "app/Settings.h"
#include "cd_fixture.h"
#include "window/MainWindow.h"

namespace fs = std::filesystem;
using wl::bench::Clock;

namespace {

constexpr int kTracks = 10;

// disc.bin and disc.cue: kTracks tracks of `frames` each, each its own tune over some noise.
void writeDisc(const fs::path& folder, uint32_t frames) {
    std::ofstream bin(folder / "disc.bin", std::ios::binary);
    std::ofstream cue(folder / "disc.cue");
    cue << "FILE \"disc.bin\" BINARY\n";
    std::vector<uint8_t> frame(wl::kCdFrameBytes);
    uint32_t x = 1;
    for (int t = 0; t < kTracks; ++t) {
        const uint32_t at = uint32_t(t) * frames;
        char index[16];
        std::snprintf(index, sizeof index, "%02u:%02u:%02u", at / 4500, at / 75 % 60, at % 75);
        cue << "  TRACK " << (t < 9 ? "0" : "") << t + 1 << " AUDIO\n    INDEX 01 " << index << "\n";
        uint64_t n = 0;
        for (uint32_t f = 0; f < frames; ++f) {
            for (size_t i = 0; i < frame.size(); i += 2, ++n) {
                x = x * 1664525u + 1013904223u;
                const double s = double(n / 2) / 44100;
                const double tone = 6000 * std::sin(6.2831853 * (196 + 37 * t + 55 * (n % 2)) * s) +
                                    3000 * std::sin(6.2831853 * (523 + 11 * t) * s * (1 + 0.001 * std::sin(s)));
                wl::putLe16(frame.data() + i, uint16_t(int16_t(tone + int32_t(x >> 22) - 512)));
            }
            bin.write(reinterpret_cast<const char*>(frame.data()), std::streamsize(frame.size()));
        }
    }
}

struct Program {
    wl::QtWindow window;
    wl::test::FakeMci mci;
    wl::LibcdioCdrom cdrom;
    wl::DlEncoderLoader encoder{fs::path(WL_LAMEENC_PATH).parent_path().string()};
    wl::test::FakeDesktop desktop;
    wl::CodecEncoders codecs;
    wl::Ebur128Loudness loudness;
    wl::App app{wl::Platform{window, mci, cdrom, encoder, desktop}};
    wl::MainWindowProc proc{app};

    explicit Program(const fs::path& folder) : cdrom((folder / "disc.cue").string()) {
        app.p.audioEncoders = &codecs;
        app.p.loudness = &loudness;
        wl::bench::answerEverything(mci);
        app.s.workingDir = folder.string();
    }
};

struct Run {
    const char* name;
    bool whileEncoding;
    fs::path folder;
    double seconds = 0;
    std::vector<double> latencyMs;
};

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    const fs::path folder = wl::bench::scratchFolder(argc, argv, "wl-bench-rip-mp3");
    const int minutes = argc > 2 && std::atoi(argv[2]) > 0 ? std::atoi(argv[2]) : 4;
    const bool flac = argc > 3 && std::string(argv[3]) == "flac";
    const char* ext = flac ? ".flac" : ".mp3";
    const uint32_t frames = uint32_t(minutes) * 60 * 75;
    writeDisc(folder, frames);
    wl::test::writeFileBytes(folder / wl::kSettingsFileName, wl::test::settingsWithMode(wl::RipFromCd, 1));

    Program prog(folder);
    auto& s = prog.app.s;
    if (prog.window.create(prog.proc) != 0 || s.ripMode != 1 || !s.encoderModule || s.ripTrackCount != kTracks) {
        std::fprintf(stderr, "the program did not come up in the rip mode on the %d-track image with %s\n", kTracks,
                     WL_LAMEENC_PATH);
        return 1;
    }
    prog.window.killTimer(wl::ClockTimer);
    prog.window.show();
    QApplication::processEvents();
    s.keepWav = 1;
    s.mp3Kbps = 128;
    if (flac) {
        s.outputFormat = int32_t(wl::OutputFormat::Flac);
        s.flacLevel = 5;
    }

    Run runs[] = {{"read, then convert, track by track", false, folder / "sequence", 0, {}},
                  {"encoding while the next tracks are read", true, folder / "pipelined", 0, {}}};
    wl::bench::EventLatency latency;
    for (Run& run : runs) {
        fs::create_directories(run.folder);
        s.ripWhileEncoding = run.whileEncoding;
        s.savePath = run.folder.string() + "/";
        // As the Tracks to Record dialog leaves a batch of every track.
        for (int t = 1; t <= kTracks; ++t) {
            s.selectionTracks[size_t(t - 1)] = t;
            s.trackNames[size_t(t)] = "Track" + std::to_string(t);
        }
        s.batchCount = kTracks;
        s.batchIndex = 0;
        s.currentTrack = 1;
        s.currentTrackText = "1";
        prog.window.setControlText(wl::ID_SONG_NAME_EDIT, s.savePath.str() + "Track1.wav");
        ::sync();
        latency.recordInto(&run.latencyMs);
        const auto t0 = Clock::now();
        prog.window.sendCommand(wl::ID_PLAY);
        run.seconds = std::chrono::duration<double>(Clock::now() - t0).count();
        latency.recordInto(nullptr);
        QApplication::processEvents();
        if (s.batchCount != 0 || s.workerRunning) std::fprintf(stderr, "%s: the batch has not ended\n", run.name);
    }
    latency.stop();
    prog.window.destroy();

    bool same = true;
    for (int t = 1; t <= kTracks; ++t)
        for (const char* kind : {".wav", ext}) {
            const std::string name = "track" + std::to_string(t) + kind;
            const std::string a = wl::test::readFileBytes(runs[0].folder / name);
            same = same && !a.empty() && a == wl::test::readFileBytes(runs[1].folder / name);
        }
    std::printf("%d tracks of %d minutes from a disc image to %s through the Tracks batch:\n", kTracks, minutes,
                flac ? "FLAC (level 5)" : "MP3 (128 kbit/s)");
    for (const Run& run : runs)
        std::printf("  %-42s %8.3f s; window event latency %s\n", run.name, run.seconds,
                    wl::bench::latencyText(run.latencyMs).c_str());
    std::printf("  ratio: %.3f (limit 0.6)\n", runs[1].seconds / runs[0].seconds);
    std::printf("  the same WAV and %s files: %s\n", flac ? "FLAC" : "MP3", same ? "yes" : "NO");
    std::error_code ec;
    if (!same) std::printf("  files kept in %s\n", folder.c_str());
    else fs::remove_all(folder, ec);
    return same ? 0 : 1;
}
