#pragma once
// Converts a stream of PCM from one format to another: channel count, sample width and rate
// (the rate through libsamplerate). Equal formats are copied byte for byte.
#include <cstdint>
#include <memory>
#include <vector>

#include "PcmFormat.h"

namespace wl::audio {

class PcmConverter {
public:
    PcmConverter(PcmFormat in, PcmFormat out);
    ~PcmConverter();
    PcmConverter(const PcmConverter&) = delete;
    PcmConverter& operator=(const PcmConverter&) = delete;

    bool ok() const { return ok_; }
    // Appends the converted audio of `frames` input frames to `out`.
    void convert(const uint8_t* in, size_t frames, std::vector<uint8_t>& out);
    // Drains what the resampler still holds at the end of the stream.
    void flush(std::vector<uint8_t>& out);

private:
    void decode(const uint8_t* in, size_t frames);
    void encode(const float* samples, size_t frames, std::vector<uint8_t>& out);
    void resample(size_t frames, bool last, std::vector<uint8_t>& out);

    PcmFormat in_, out_;
    bool ok_ = true;
    void* src_ = nullptr;  // SRC_STATE
    std::vector<float> mixed_, resampled_;
};

}  // namespace wl::audio
