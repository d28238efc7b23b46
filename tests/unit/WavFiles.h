#pragma once
// WAV files built byte by byte for the conversion tests and the fuzz seeds.
#include <cstdint>
#include <string>
#include <vector>

namespace wl::test {

inline std::string le16(uint16_t v) { return std::string{char(v & 0xFF), char(v >> 8)}; }
inline std::string le32(uint32_t v) {
    return std::string{char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF), char(v >> 24)};
}

// One RIFF chunk, padded to an even length; sizeOverride claims a different length.
inline std::string chunk(const std::string& id, const std::string& body, int64_t sizeOverride = -1) {
    std::string out = id + le32(sizeOverride >= 0 ? uint32_t(sizeOverride) : uint32_t(body.size())) + body;
    if (body.size() % 2) out += '\0';
    return out;
}

struct WavFormat {
    uint16_t tag = 1, channels = 2;
    uint32_t rate = 44100;
    uint16_t bits = 16;
    std::string extra;  // bytes after the 16-byte record (cbSize and the extension)
};

inline std::string fmtChunk(const WavFormat& f = {}) {
    const uint16_t align = uint16_t(f.channels * f.bits / 8);
    return chunk("fmt ", le16(f.tag) + le16(f.channels) + le32(f.rate) + le32(f.rate * align) + le16(align) +
                             le16(f.bits) + f.extra);
}

inline std::string riff(const std::string& chunks) { return "RIFF" + le32(uint32_t(4 + chunks.size())) + "WAVE" + chunks; }

// The canonical 44-byte header and the samples.
inline std::string canonicalWav(const std::string& pcm, const WavFormat& f = {}) {
    return riff(fmtChunk(f) + chunk("data", pcm));
}

inline std::string pcmBytes(const std::vector<int16_t>& samples) {
    std::string out;
    for (int16_t s : samples) out += le16(uint16_t(s));
    return out;
}

inline std::vector<int16_t> rampSamples(size_t n) {
    std::vector<int16_t> out(n);
    for (size_t i = 0; i < n; ++i) out[i] = int16_t(i * 37 - 1000);
    return out;
}

}  // namespace wl::test

#include <cmath>

namespace wl::test {

// `seconds` of 44,100 Hz stereo: a chord on the left, a sweep on the right, like music to
// an encoder (pure silence would encode unrealistically fast).
inline std::string musicWav(int seconds) {
    const size_t frames = size_t(seconds) * 44100;
    std::string pcm;
    pcm.reserve(frames * 4);
    for (size_t i = 0; i < frames; ++i) {
        const double t = double(i) / 44100.0;
        const double left = 0.3 * std::sin(2 * M_PI * 220 * t) + 0.2 * std::sin(2 * M_PI * 277.2 * t) +
                            0.1 * std::sin(2 * M_PI * 329.6 * t * (1 + 0.001 * std::sin(t)));
        const double right = 0.4 * std::sin(2 * M_PI * (200 + 50 * t) * t) + 0.05 * std::sin(2 * M_PI * 3000 * t);
        pcm += le16(uint16_t(int16_t(left * 32767)));
        pcm += le16(uint16_t(int16_t(right * 32767)));
    }
    return canonicalWav(pcm);
}

}  // namespace wl::test
