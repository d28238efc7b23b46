#pragma once
// The disc the rip benchmarks read: one audio track, 10 minutes unless the command line says
// otherwise, in a generated image; and cd-paranoia's rip of it for the reference time and bytes.
// Their command line: [FOLDER [MINUTES]].
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/Bytes.h"
#include "platform/Cdrom.h"

namespace wl::bench {

// The track's length in frames: the minutes the second argument gives, else 10.
inline uint32_t imageFrames(int argc, char** argv) {
    const int minutes = argc > 2 ? std::atoi(argv[2]) : 10;
    return uint32_t(minutes > 0 ? minutes : 10) * 60 * 75;
}

// Writes long.bin and long.cue into the folder.
inline void writeLongImage(const std::filesystem::path& folder, uint32_t frames) {
    std::ofstream bin(folder / "long.bin", std::ios::binary);
    // Audio-like samples: cd-paranoia guesses the byte order from the signal, and plain
    // random bytes can make it guess wrong and swap them.
    std::vector<uint8_t> frame(kCdFrameBytes);
    uint32_t x = 1;
    uint64_t n = 0;
    for (uint32_t f = 0; f < frames; ++f) {
        for (size_t i = 0; i < frame.size(); i += 2, ++n) {
            x = x * 1664525u + 1013904223u;
            const double t = double(n / 2) / 44100;
            const auto v = int16_t(9000 * std::sin(6.2831853 * (220 + 110 * (n % 2)) * t) + int32_t(x >> 24) - 128);
            putLe16(frame.data() + i, uint16_t(v));
        }
        bin.write(reinterpret_cast<const char*>(frame.data()), std::streamsize(frame.size()));
    }
    std::ofstream(folder / "long.cue") << "FILE \"long.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n";
}

// Rips the image's track to paranoia.wav in the folder. Returns seconds, or -1 on failure. It
// starts after a sync, so it does not pay for the writeback of files written before.
// mode: cd-paranoia's option for its reading ("-Z" disables paranoia; "" is its full default).
inline double ripWithCdParanoia(const std::filesystem::path& folder, const std::string& mode = "-Z") {
    const std::string cmd =
        "cd '" + folder.string() + "' && cd-paranoia -q -d long.cue " + mode + " 1 paranoia.wav >/dev/null 2>&1";
    ::sync();
    const auto t0 = std::chrono::steady_clock::now();
    if (std::system(cmd.c_str()) != 0) return -1;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// A fresh scratch folder: in the folder the first argument names, else in the temporary one.
inline std::filesystem::path scratchFolder(int argc, char** argv, const std::string& name) {
    const std::filesystem::path folder = (argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::temp_directory_path()) /
                                         (name + "-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    return folder;
}

}  // namespace wl::bench
