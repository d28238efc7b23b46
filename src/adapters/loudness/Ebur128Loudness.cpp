#include "adapters/loudness/Ebur128Loudness.h"

#include <ebur128.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cmath>
#include <limits>

#include "adapters/pcm/PcmSamples.h"

namespace wl {

namespace {

class Ebur128Meter : public LoudnessMeter {
public:
    Ebur128Meter(ebur128_state* state, const PcmShape& shape) : state_(state), shape_(shape) {}
    ~Ebur128Meter() override { ebur128_destroy(&state_); }

    void add(const uint8_t* pcm, size_t frames) override {
        // 16-bit little-endian is the library's own short layout on this platform.
        if (shape_.bitsPerSample == 16 && std::endian::native == std::endian::little &&
            reinterpret_cast<uintptr_t>(pcm) % alignof(int16_t) == 0) {
            ebur128_add_frames_short(state_, reinterpret_cast<const short*>(pcm), frames);
            return;
        }
        const size_t count = frames * shape_.channels;
        if (buffer_.size() < count) buffer_.resize(count);
        pcm::toFloat(pcm, count, shape_.bitsPerSample, buffer_.data());
        ebur128_add_frames_float(state_, buffer_.data(), frames);
    }

    double loudness() override {
        double lufs = -std::numeric_limits<double>::infinity();
        if (ebur128_loudness_global(state_, &lufs) != EBUR128_SUCCESS) return -std::numeric_limits<double>::infinity();
        return lufs;
    }

    double peak() override {
        double most = 0;
        for (unsigned c = 0; c < shape_.channels; ++c) {
            double p = 0;
            if (ebur128_sample_peak(state_, c, &p) == EBUR128_SUCCESS) most = std::max(most, p);
        }
        return most;
    }

    ebur128_state* state() { return state_; }

private:
    ebur128_state* state_;
    PcmShape shape_;
    std::vector<float> buffer_;
};

}  // namespace

std::unique_ptr<LoudnessMeter> Ebur128Loudness::meter(const PcmShape& shape) {
    // The histogram keeps a meter small however long the track.
    ebur128_state* state =
        ebur128_init(shape.channels, shape.sampleRate, EBUR128_MODE_I | EBUR128_MODE_SAMPLE_PEAK | EBUR128_MODE_HISTOGRAM);
    if (!state) return nullptr;
    return std::make_unique<Ebur128Meter>(state, shape);
}

double Ebur128Loudness::albumLoudness(const std::vector<LoudnessMeter*>& meters) {
    std::vector<ebur128_state*> states;
    for (LoudnessMeter* m : meters)
        if (auto* own = dynamic_cast<Ebur128Meter*>(m)) states.push_back(own->state());
    double lufs = -std::numeric_limits<double>::infinity();
    if (states.empty() || ebur128_loudness_global_multiple(states.data(), states.size(), &lufs) != EBUR128_SUCCESS)
        return -std::numeric_limits<double>::infinity();
    return lufs;
}

}  // namespace wl
