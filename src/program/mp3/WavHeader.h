#pragma once
// Reading a WAV file's header: a walk over its RIFF chunks for "fmt " and "data".
//
// Only the bytes of the "data" chunk are sound. Files with a longer header (LIST, fact,
// extensible format) or with chunks after the audio are common, so the audio is located by
// the walk, never assumed to start at byte 44. A recorder that was interrupted leaves a
// wrong size in the last chunk, so that one is read to the end of the file, as common
// readers do.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>

namespace wl {

// The start of the "fmt " chunk, laid out as the platform's WAVEFORMATEX.
constexpr size_t kFormatRecordSize = 18;
constexpr uint16_t kWaveFormatPcm = 1;
constexpr uint16_t kWaveFormatExtensible = 0xFFFE;

struct WavHeader {
    uint8_t formatRecord[kFormatRecordSize] = {};  // zero where the file gave nothing
    bool riff = false;       // starts with "RIFF" .... "WAVE"
    bool hasFormat = false;  // a "fmt " chunk of at least 16 bytes lies inside the file
    bool hasData = false;    // a "data" chunk was found
    bool malformed = false;  // a chunk before the audio runs past the end of the file
    uint64_t dataOffset = 0;
    // The "data" chunk's size, or, when it is the last chunk and its size disagrees with the
    // file, the whole frames up to the end of the file.
    uint64_t dataSize = 0;

    uint16_t formatTag() const;
    uint16_t channels() const;
    uint32_t samplesPerSec() const;
    uint16_t bitsPerSample() const;
    // The one layout the encoder takes: PCM, 2 channels, 16 bits, 44,100 Hz.
    bool isCdFormat() const;
    // Everything needed to encode exactly the audio: the format and a whole "data" chunk.
    bool convertible() const;
};

// Reads up to n bytes at offset into dst; returns the count read.
using ReadAt = std::function<size_t(uint64_t offset, uint8_t* dst, size_t n)>;

WavHeader readWavHeader(uint64_t fileSize, const ReadAt& read);
WavHeader readWavHeader(const uint8_t* data, size_t size);
// Leaves the file position unspecified.
WavHeader readWavHeader(std::FILE* file);

}  // namespace wl
