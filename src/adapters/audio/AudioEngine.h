#pragma once
// The audio layer between the devices and a backend. The CD player streams its frames in;
// they are heard and, while the CD plays, they are what a recording captures (the "CD"
// source). Otherwise a recording captures the backend's line input.
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "AudioBackend.h"

namespace wl::audio {

class CaptureSink {
public:
    virtual ~CaptureSink() = default;
    // 44,100 Hz 16-bit stereo; called with the engine's lock held, so it must not call
    // back into the engine.
    virtual void captured(const int16_t* samples, size_t frames) = 0;
};

class AudioEngine final : private InputHandler {
public:
    explicit AudioEngine(AudioBackend& backend) : backend_(backend) {}
    ~AudioEngine() override;
    AudioEngine(const AudioEngine&) = delete;
    AudioEngine& operator=(const AudioEngine&) = delete;

    bool start(std::string& error);
    void stop();
    const AudioBackend& backend() const { return backend_; }

    // The CD player's stream.
    void cdStarted();
    void cdFrames(const int16_t* samples, size_t frames, bool audible = true);
    void cdStopped();

    // Wave play back: heard only.
    void play(const int16_t* samples, size_t frames);

    // Recording. attach fails with a reason when the line input cannot be opened.
    bool attach(CaptureSink& sink, std::string& error);
    // After return the sink receives nothing more.
    void detach(CaptureSink& sink);

private:
    void lineInput(const int16_t* samples, size_t frames) override;

    AudioBackend& backend_;
    std::mutex mutex_;
    std::mutex inputMutex_;  // serialises opening and closing the line input
    std::vector<CaptureSink*> sinks_;
    bool cdActive_ = false;
    bool inputOpen_ = false;
    bool started_ = false;
};

}  // namespace wl::audio
