#pragma once
// Port: loudness as EBU R 128 measures it (integrated loudness in LUFS, sample peak), for
// ReplayGain 2.0 values. No library headers here.
//
// Contract: a meter takes whole frames as a WAV's data chunk holds them (the shapes the
// AudioEncoder port takes); loudness() is -inf for silence or no audio. albumLoudness
// measures the meters' audio as one programme. Meters are used from one thread at a time
// and may move between threads.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/AudioEncoder.h"

namespace wl {

class LoudnessMeter {
public:
    virtual ~LoudnessMeter() = default;
    virtual void add(const uint8_t* pcm, size_t frames) = 0;
    virtual double loudness() = 0;  // LUFS
    virtual double peak() = 0;      // largest sample magnitude, 1.0 = full scale
};

class Loudness {
public:
    virtual ~Loudness() = default;
    virtual std::unique_ptr<LoudnessMeter> meter(const PcmShape& shape) = 0;  // null when it cannot
    virtual double albumLoudness(const std::vector<LoudnessMeter*>& meters) = 0;
};

}  // namespace wl
