#pragma once
// Canonical RIFF WAV: writing the 44-byte header, and reading PCM WAV files chunk by chunk.
#include <cstdint>
#include <cstdio>
#include <string>

#include "PcmFormat.h"

namespace wl::audio {

constexpr size_t kWavHeaderSize = 44;
void writeWavHeader(uint8_t (&header)[kWavHeaderSize], const PcmFormat& format, uint32_t dataBytes);

// Streams the audio of a PCM WAV file (8 or 16 bits, mono or stereo).
class WavReader {
public:
    WavReader() = default;
    ~WavReader();
    WavReader(const WavReader&) = delete;
    WavReader& operator=(const WavReader&) = delete;

    // False with a reason in `error` when the file is missing or not a WAV file we can play.
    bool open(const std::string& path, std::string& error);
    const PcmFormat& format() const { return format_; }
    uint64_t totalFrames() const { return dataBytes_ / format_.blockAlign(); }
    // Reads up to `frames` frames into out (frames * blockAlign bytes); returns frames read.
    size_t read(uint8_t* out, size_t frames);
    void rewind();

private:
    FILE* file_ = nullptr;
    PcmFormat format_;
    long dataStart_ = 0;
    uint64_t dataBytes_ = 0, position_ = 0;
};

}  // namespace wl::audio
