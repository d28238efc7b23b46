#pragma once
// What the rip benchmarks share beyond the disc image: a CD audio device that leaves the rip
// alone, and a ripped WAV's audio bytes to hold against cd-paranoia's.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "FakeMci.h"
#include "mp3/WavHeader.h"

namespace wl::bench {

// The CD audio device around the rip (closed before it, opened again after) says yes to
// everything: the rip reads the image itself. An unanswered command would open an error box,
// which nobody clicks offscreen.
inline void answerEverything(test::FakeMci& mci) {
    mci.handler = [](const std::string&, test::MciReply& answer) {
        answer = {};
        return true;
    };
}

// The file's audio bytes; when it is no WAV file, a text no audio equals.
inline std::string audioOf(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), {});
    const WavHeader h = readWavHeader(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    if (!h.hasData || h.malformed) return "<" + file.string() + " is not a WAV file>";
    return bytes.substr(size_t(h.dataOffset), size_t(h.dataSize));
}

}  // namespace wl::bench
