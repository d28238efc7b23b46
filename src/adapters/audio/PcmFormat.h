#pragma once
#include <cstddef>
#include <cstdint>

namespace wl::audio {

// Linear PCM as a WAV file's "fmt " chunk describes it.
struct PcmFormat {
    uint16_t channels = 1;
    uint32_t rate = 11025;
    uint16_t bits = 8;

    uint16_t blockAlign() const { return uint16_t(bits / 8 * channels); }
    uint32_t bytesPerSecond() const { return blockAlign() * rate; }
    bool operator==(const PcmFormat&) const = default;
    // What the converters and the WAV writer handle: 8 or 16 bits, mono or stereo,
    // 4,000 to 96,000 Hz.
    bool supported() const {
        return (bits == 8 || bits == 16) && (channels == 1 || channels == 2) && rate >= 4000 && rate <= 96000;
    }
};

// The one format inside the audio layer: the CD's own, 44,100 Hz 16-bit stereo,
// samples interleaved and in host order.
constexpr PcmFormat kCdFormat{2, 44100, 16};
constexpr uint32_t kCdRate = 44100;

}  // namespace wl::audio
