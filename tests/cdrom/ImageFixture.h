#pragma once
// Tiny disc images written by the tests: every byte of a frame is derived from the frame
// number and its position, so any misplaced or shifted frame shows.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/Cdrom.h"

namespace wl::test {

inline uint8_t patternByte(size_t frame, size_t i) { return uint8_t(frame * 31 + i * 7 + (i >> 8)); }

struct TrackSpec {
    size_t frames;
    const char* mode = "AUDIO";
};

class TempFolder {
public:
    TempFolder() {
        static int counter = 0;
        path_ = std::filesystem::temp_directory_path() /
                ("wl-cdrom-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

inline void writeText(const std::filesystem::path& p, const std::string& text) {
    std::ofstream(p, std::ios::binary) << text;
}

inline std::vector<uint8_t> readAll(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Writes name.bin holding the tracks back to back, and name.cue describing them.
inline std::filesystem::path writeImage(const TempFolder& dir, const std::string& name,
                                        const std::vector<TrackSpec>& tracks) {
    std::vector<uint8_t> bin;
    std::string cue = "FILE \"" + name + ".bin\" BINARY\n";
    size_t frame = 0;
    for (size_t t = 0; t < tracks.size(); ++t) {
        char line[96];
        std::snprintf(line, sizeof line, "  TRACK %02zu %s\n    INDEX 01 %02zu:%02zu:%02zu\n", t + 1,
                      tracks[t].mode, frame / 4500, frame / 75 % 60, frame % 75);
        cue += line;
        for (size_t f = 0; f < tracks[t].frames; ++f, ++frame)
            for (size_t i = 0; i < kCdFrameBytes; ++i) bin.push_back(patternByte(frame, i));
    }
    std::ofstream(dir / (name + ".bin"), std::ios::binary).write(reinterpret_cast<const char*>(bin.data()),
                                                                 std::streamsize(bin.size()));
    writeText(dir / (name + ".cue"), cue);
    return dir / (name + ".cue");
}

}  // namespace wl::test

namespace wl::test {

// A disc as pressed: an optional hidden first track (track 1's INDEX 00 at 0), pregaps
// (INDEX 00) before later tracks, ISRCs, flags and a catalog number, all in one BIN.
struct PressedTrackSpec {
    size_t pregap = 0, frames = 0;
    std::string isrc, flags;  // "" for none; flags as the FLAGS line's words
};
struct PressedSpec {
    std::string catalog;
    size_t hiddenFrames = 0;
    bool hiddenSilent = false;
    std::vector<PressedTrackSpec> tracks;
};

inline std::string msfText(size_t frame) {
    char text[64];
    std::snprintf(text, sizeof text, "%02zu:%02zu:%02zu", frame / 4500, frame / 75 % 60, frame % 75);
    return text;
}

inline std::filesystem::path writePressedImage(const TempFolder& dir, const std::string& name, const PressedSpec& spec) {
    std::vector<uint8_t> bin;
    std::string cue = spec.catalog.empty() ? "" : "CATALOG " + spec.catalog + "\n";
    cue += "FILE \"" + name + ".bin\" BINARY\n";
    const auto frames = [&bin](size_t n, bool silent) {
        for (size_t f = 0; f < n; ++f) {
            const size_t frame = bin.size() / kCdFrameBytes;
            for (size_t i = 0; i < kCdFrameBytes; ++i) bin.push_back(silent ? 0 : patternByte(frame, i));
        }
    };
    for (size_t t = 0; t < spec.tracks.size(); ++t) {
        const PressedTrackSpec& track = spec.tracks[t];
        char line[64];
        std::snprintf(line, sizeof line, "  TRACK %02zu AUDIO\n", t + 1);
        cue += line;
        if (!track.flags.empty()) cue += "    FLAGS " + track.flags + "\n";
        if (!track.isrc.empty()) cue += "    ISRC " + track.isrc + "\n";
        const size_t gap = t == 0 ? spec.hiddenFrames : track.pregap;
        if (gap > 0) cue += "    INDEX 00 " + msfText(bin.size() / kCdFrameBytes) + "\n";
        frames(gap, t == 0 && spec.hiddenSilent);
        cue += "    INDEX 01 " + msfText(bin.size() / kCdFrameBytes) + "\n";
        frames(track.frames, false);
    }
    std::ofstream(dir / (name + ".bin"), std::ios::binary).write(reinterpret_cast<const char*>(bin.data()),
                                                                 std::streamsize(bin.size()));
    writeText(dir / (name + ".cue"), cue);
    return dir / (name + ".cue");
}

}  // namespace wl::test
