#include "PcmConverter.h"

#include <samplerate.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace wl::audio {

PcmConverter::PcmConverter(PcmFormat in, PcmFormat out) : in_(in), out_(out) {
    if (!in.supported() || !out.supported()) {
        ok_ = false;
        return;
    }
    if (in.rate != out.rate) {
        int error = 0;
        src_ = src_new(SRC_SINC_MEDIUM_QUALITY, out.channels, &error);
        ok_ = src_ != nullptr;
    }
}

PcmConverter::~PcmConverter() {
    if (src_) src_delete(static_cast<SRC_STATE*>(src_));
}

void PcmConverter::decode(const uint8_t* in, size_t frames) {
    mixed_.resize(frames * out_.channels);
    for (size_t f = 0; f < frames; ++f) {
        float v[2];
        for (unsigned c = 0; c < in_.channels; ++c) {
            if (in_.bits == 8) {
                v[c] = (float(in[f * in_.channels + c]) - 128.0f) / 128.0f;
            } else {
                const uint8_t* p = in + (f * in_.channels + c) * 2;
                v[c] = float(int16_t(uint16_t(p[0] | (p[1] << 8)))) / 32768.0f;
            }
        }
        if (in_.channels == out_.channels) {
            for (unsigned c = 0; c < out_.channels; ++c) mixed_[f * out_.channels + c] = v[c];
        } else if (out_.channels == 1) {
            mixed_[f] = (v[0] + v[1]) * 0.5f;
        } else {
            mixed_[f * 2] = mixed_[f * 2 + 1] = v[0];
        }
    }
}

void PcmConverter::encode(const float* samples, size_t frames, std::vector<uint8_t>& out) {
    size_t n = frames * out_.channels;
    size_t at = out.size();
    out.resize(at + n * (out_.bits / 8));
    uint8_t* p = out.data() + at;
    for (size_t i = 0; i < n; ++i) {
        float x = samples[i];
        if (out_.bits == 8) {
            long v = std::lrint(x * 128.0f) + 128;
            p[i] = uint8_t(std::clamp(v, 0L, 255L));
        } else {
            long v = std::clamp(std::lrint(x * 32768.0f), -32768L, 32767L);
            p[2 * i] = uint8_t(uint16_t(v));
            p[2 * i + 1] = uint8_t(uint16_t(v) >> 8);
        }
    }
}

void PcmConverter::resample(size_t frames, bool last, std::vector<uint8_t>& out) {
    auto* state = static_cast<SRC_STATE*>(src_);
    double ratio = double(out_.rate) / double(in_.rate);
    size_t done = 0;
    for (;;) {
        size_t capacity = size_t(double(frames - done) * ratio) + 256;
        resampled_.resize(capacity * out_.channels);
        SRC_DATA data{};
        data.data_in = mixed_.data() + done * out_.channels;
        data.input_frames = long(frames - done);
        data.data_out = resampled_.data();
        data.output_frames = long(capacity);
        data.src_ratio = ratio;
        data.end_of_input = last ? 1 : 0;
        if (src_process(state, &data) != 0) {
            ok_ = false;
            return;
        }
        encode(resampled_.data(), size_t(data.output_frames_gen), out);
        done += size_t(data.input_frames_used);
        if (done >= frames && (!last || data.output_frames_gen == 0)) return;
        if (data.input_frames_used == 0 && data.output_frames_gen == 0) return;
    }
}

void PcmConverter::convert(const uint8_t* in, size_t frames, std::vector<uint8_t>& out) {
    if (!ok_ || frames == 0) return;
    if (in_ == out_) {
        out.insert(out.end(), in, in + frames * in_.blockAlign());
        return;
    }
    decode(in, frames);
    if (src_)
        resample(frames, false, out);
    else
        encode(mixed_.data(), frames, out);
}

void PcmConverter::flush(std::vector<uint8_t>& out) {
    if (!ok_ || !src_) return;
    mixed_.clear();
    resample(0, true, out);
}

}  // namespace wl::audio
