#pragma once
// The program on fakes with the real encoder library, set to compare with
// `lame -b 128 -q 3 --cbr`: 128 kbit/s, the WAV kept. For the conversion benchmarks.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "Latency.h"
#include "TestProgram.h"
#include "adapters/dl/DlEncoderLoader.h"
#include "app/Settings.h"
#include "cd_fixture.h"

namespace wl::bench {

using Clock = std::chrono::steady_clock;

inline double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// How long each generated WAV lasts: the seconds the first argument gives, else three minutes.
inline int wavSeconds(int argc, char** argv) {
    const int s = argc > 1 ? std::atoi(argv[1]) : 180;
    return s > 0 ? s : 180;
}

// Seconds that lame takes for the same conversion, or -1 when it does not run.
inline double lameSeconds(const std::string& wav, const std::string& mp3) {
    const std::string cmd = "lame --quiet -b 128 -q 3 --cbr '" + wav + "' '" + mp3 + "'";
    const auto start = Clock::now();
    if (std::system(cmd.c_str()) != 0) return -1;
    return seconds(Clock::now() - start);
}

template <class Window>
struct ConvertProgram : test::ProgramOn<Window, DlEncoderLoader> {
    ConvertProgram() : test::ProgramOn<Window, DlEncoderLoader>(std::filesystem::path(WL_LAMEENC_PATH).parent_path().string()) {}

    // Once the window is created: false, with a message, when the encoder library did not load.
    bool ready() {
        if (!this->app.s.encoderModule) {
            std::fprintf(stderr, "cannot load %s\n", WL_LAMEENC_PATH);
            return false;
        }
        this->app.s.keepWav = 1;
        this->app.s.mp3Kbps = 128;
        return true;
    }

    // The window created and shown in the convert mode (no disc is needed, and no start-up
    // message box waits for a click), the encoder library loaded; false, with a message, if not.
    bool startConverting() {
        test::writeFileBytes(this->ownFolder.path() / kSettingsFileName, test::settingsWithMode(ConvertWavToMp3));
        if (this->window.create(this->proc) != 0 || !ready()) {
            std::fprintf(stderr, "the window or the encoder library (%s) did not come up\n", WL_LAMEENC_PATH);
            return false;
        }
        this->window.show();
        this->app.s.convertMode = 1;
        return true;
    }
};

}  // namespace wl::bench
