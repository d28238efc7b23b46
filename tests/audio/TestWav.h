#pragma once
// Small helpers for tests that write and read WAV files.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "adapters/audio/WavFile.h"
#include "platform/Bytes.h"

namespace wl::test {

inline std::vector<uint8_t> readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size()));
}

// A 16-bit sine of `hz` in the given format's rate and channels.
inline std::vector<uint8_t> sineWav(uint32_t rate, uint16_t channels, double hz, double seconds) {
    uint32_t frames = uint32_t(rate * seconds);
    std::vector<uint8_t> out(audio::kWavHeaderSize + size_t(frames) * channels * 2);
    uint8_t header[audio::kWavHeaderSize];
    audio::writeWavHeader(header, {channels, rate, 16}, uint32_t(out.size() - audio::kWavHeaderSize));
    std::copy(header, header + sizeof header, out.begin());
    for (uint32_t f = 0; f < frames; ++f) {
        auto v = int16_t(std::lrint(12000.0 * std::sin(2 * M_PI * hz * f / rate)));
        for (uint16_t c = 0; c < channels; ++c) putLe16(&out[audio::kWavHeaderSize + (size_t(f) * channels + c) * 2], uint16_t(v));
    }
    return out;
}

// Frequency of the first channel from its rising zero crossings.
inline double measuredHz(const std::vector<uint8_t>& wav) {
    uint16_t channels = getLe16(&wav[22]), bits = getLe16(&wav[34]);
    uint32_t rate = getLe32(&wav[24]);
    size_t step = size_t(channels) * bits / 8, frames = (wav.size() - 44) / step;
    auto sample = [&](size_t f) {
        const uint8_t* p = &wav[44 + f * step];
        return bits == 8 ? int(p[0]) - 128 : int(int16_t(getLe16(p)));
    };
    size_t first = 0, last = 0, crossings = 0;
    for (size_t f = 1; f < frames; ++f)
        if (sample(f - 1) < 0 && sample(f) >= 0) {
            if (crossings++ == 0) first = f;
            last = f;
        }
    return crossings < 2 ? 0 : double(crossings - 1) * rate / double(last - first);
}

}  // namespace wl::test
