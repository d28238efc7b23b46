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
