#pragma once
// A backend without a sound card: what is played is kept in memory (up to a limit), and the
// line input is a WAV file (silence after its end) or silence, delivered in real time as the
// clock moves.
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "AudioBackend.h"
#include "Clock.h"
#include "PcmConverter.h"
#include "WavFile.h"

namespace wl::audio {

struct LoopbackOptions {
    std::string lineInWav;          // empty: the line input is silent
    size_t keepOutputFrames = 0;    // how much played audio to keep; 0 keeps nothing
    Micros blockMicros = 100000;    // line input arrives in blocks of this length
};

class LoopbackBackend final : public AudioBackend {
public:
    LoopbackBackend(Clock& clock, LoopbackOptions options);
    ~LoopbackBackend() override;

    std::string name() const override { return "loopback"; }
    bool start(std::string& error) override;
    void stop() override;
    void play(const int16_t* samples, size_t frames) override;
    bool startInput(InputHandler& handler, std::string& error) override;
    void stopInput() override;

    // The played audio kept so far (interleaved stereo) and the total frames played.
    std::vector<int16_t> output() const;
    uint64_t framesPlayed() const;
    void clearOutput();

private:
    void tick(uint64_t generation);
    void fill(int16_t* samples, size_t frames);

    Clock& clock_;
    LoopbackOptions options_;
    mutable std::mutex mutex_;
    std::vector<int16_t> output_;
    uint64_t framesPlayed_ = 0;
    InputHandler* handler_ = nullptr;
    uint64_t generation_ = 0;
    TimerId timer_ = 0;
    Micros inputStart_ = 0;
    uint64_t inputFrames_ = 0;
    std::unique_ptr<WavReader> reader_;
    std::unique_ptr<PcmConverter> converter_;
    std::vector<uint8_t> pending_;  // converted line input not yet delivered
    std::vector<int16_t> block_;
};

}  // namespace wl::audio
