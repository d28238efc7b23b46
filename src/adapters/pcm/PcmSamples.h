#pragma once
// A WAV data chunk's samples as integers: 8-bit unsigned, 16- and 24-bit signed little-endian.
#include <cstddef>
#include <cstdint>

namespace wl::pcm {

inline int32_t sampleAt(const uint8_t* p, unsigned bytes) {
    switch (bytes) {
        case 1: return int32_t(p[0]) - 128;
        case 2: return int16_t(uint16_t(p[0] | p[1] << 8));
        default: return int32_t(uint32_t(p[0]) << 8 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 24) >> 8;
    }
}

// Interleaved samples to `out` (count = frames * channels); returns the full scale.
inline double toInt32(const uint8_t* pcm, size_t count, unsigned bits, int32_t* out) {
    const unsigned bytes = (bits + 7) / 8;
    for (size_t i = 0; i < count; ++i) out[i] = sampleAt(pcm + i * bytes, bytes);
    return double(int64_t(1) << (bits - 1));
}

inline void toFloat(const uint8_t* pcm, size_t count, unsigned bits, float* out) {
    const unsigned bytes = (bits + 7) / 8;
    const float scale = 1.0f / float(int64_t(1) << (bits - 1));
    for (size_t i = 0; i < count; ++i) out[i] = float(sampleAt(pcm + i * bytes, bytes)) * scale;
}

}  // namespace wl::pcm
