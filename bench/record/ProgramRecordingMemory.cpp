// Sixty minutes of Record from Line In through the program: Play, an hour of clock ticks,
// Save. The audio runs on a virtual clock, far faster than real time; the figure is the growth
// of resident memory from Play to the end of the save, which must stay under 20 MB.
// Usage: bench-program-recording-memory [minutes] [line-in.wav]
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "FakeDesktop.h"
#include "FakeEncoder.h"
#include "FakeWindow.h"
#include "ResidentMemory.h"
#include "WavFiles.h"
#include "adapters/audio/AudioEngine.h"
#include "adapters/audio/Clock.h"
#include "adapters/audio/LoopbackBackend.h"
#include "adapters/cdrom/LibcdioCdrom.h"
#include "adapters/mci/DeviceLayer.h"
#include "app/Commands.h"
#include "window/MainWindow.h"
#include "app/Settings.h"
#include "cd_fixture.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    using namespace wl;
    const int minutes = argc > 1 ? std::atoi(argv[1]) : 60;
    const fs::path dir = fs::temp_directory_path() / ("wl-bench-recording-" + std::to_string(getpid()));
    fs::create_directories(dir);
    std::string lineIn = argc > 2 ? argv[2] : "";
    if (lineIn.empty()) {
        lineIn = (dir / "input.wav").string();
        test::writeFileBytes(lineIn, test::musicWav(30));  // thirty seconds of sound, then the input is silent
    }
    // 16 bits, 44,100 Hz, stereo, line in, keep WAV, no MP3.
    test::writeFileBytes(dir / kSettingsFileName, test::settingsWithMode(RecordFromLineIn, 0));

    long peak = 0, atPlay = 0, afterSave = 0;
    double seconds = 0;
    uint64_t fileBytes = 0;
    {
        LibcdioCdrom cdrom{WL_DEMO_DISC};
        audio::VirtualClock clock;
        audio::LoopbackBackend backend(clock, audio::LoopbackOptions{lineIn, 0, 100000});
        audio::AudioEngine engine(backend);
        std::string why;
        if (!engine.start(why)) {
            std::fprintf(stderr, "no audio: %s\n", why.c_str());
            return 1;
        }
        mci::DeviceLayerOptions options;
        options.cd.namePrefix = "Disc image:";
        options.tempFolder = dir.string();
        mci::DeviceLayer layer(cdrom, cdrom, engine, clock, options);
        test::FakeWindow window;
        test::FakeEncoderLoader encoder;
        encoder.present = false;
        test::FakeDesktop desktop;
        App app(Platform{window, layer, cdrom, encoder, desktop});
        MainWindowProc proc(app);
        app.s.workingDir = dir.string();
        WavelatheMain(app, proc);
        window.advance(1000);
        window.boxes.clear();

        window.setControlText(ID_SONG_NAME_EDIT, (dir / "hour").string());
        const auto start = std::chrono::steady_clock::now();
        atPlay = wl::bench::residentKb();
        peak = atPlay;
        window.click(ID_PLAY);
        if (app.s.recording != 1) {
            std::fprintf(stderr, "the recording did not start: %s\n",
                         window.boxes.empty() ? "?" : window.boxes.back().text.c_str());
            return 1;
        }
        for (int second = 0; second < minutes * 60; ++second) {
            clock.advance(1000000);
            window.advance(990);
            window.drawn.clear();  // the fake window's record of drawing, not the program's memory
            if (second % 60 == 0) peak = std::max(peak, wl::bench::residentKb());
        }
        window.click(ID_SAVE);
        afterSave = wl::bench::residentKb();
        peak = std::max(peak, afterSave);
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::error_code ec;
        fileBytes = fs::file_size(dir / "hour.wav", ec);
        window.destroy();
    }
    fs::remove_all(dir);
    const long growth = peak - atPlay;
    std::printf("%d minutes of line in through the program: %.1f s wall, WAV file %.1f MB\n", minutes, seconds,
                double(fileBytes) / 1e6);
    std::printf("resident at Play %ld kB, peak %ld kB, after Save %ld kB: growth %.1f MB (limit 20 MB)\n", atPlay,
                peak, afterSave, double(growth) / 1024.0);
    const bool whole = fileBytes == 44 + uint64_t(minutes) * 60 * 176400;
    if (!whole) std::printf("the WAV file does not hold the whole recording\n");
    return growth < 20 * 1024 && fileBytes > 44 ? 0 : 1;
}
