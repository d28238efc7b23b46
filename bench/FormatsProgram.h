#pragma once
// The conversion program with the real FLAC and Opus encoders and the loudness measure, on
// the fake window, for the output formats' benchmark.
#include <cstdio>
#include <cstdlib>

#include "ConvertProgram.h"
#include "FakeWindow.h"
#include "adapters/codecs/CodecEncoders.h"
#include "adapters/loudness/Ebur128Loudness.h"

namespace wl::bench {

struct FormatsProgram {
    ConvertProgram<test::FakeWindow> prog;
    CodecEncoders codecs;
    Ebur128Loudness loudness;

    // Started in the convert mode, measuring ReplayGain when gain is set; the process ends
    // when the encoder library does not load.
    explicit FormatsProgram(bool gain) {
        prog.app.p.audioEncoders = &codecs;
        prog.app.p.loudness = gain ? &loudness : nullptr;
        prog.start();
        if (!prog.ready()) std::exit(1);
        prog.s().convertMode = 1;
    }

    // Seconds from begin() until the conversion's worker has ended; then the window goes, and
    // a message box's text, if one came, goes to standard error.
    template <class Begin>
    double timeConversion(Begin begin) {
        const auto start = Clock::now();
        begin();
        prog.window.pumpUntil([&] { return !prog.s().workerRunning; }, 600000);
        const double elapsed = seconds(Clock::now() - start);
        prog.s().convertThread.join();
        prog.window.destroy();
        if (!prog.window.boxes.empty()) std::fprintf(stderr, "message: %s\n", prog.window.boxes.back().text.c_str());
        return elapsed;
    }
};

}  // namespace wl::bench
