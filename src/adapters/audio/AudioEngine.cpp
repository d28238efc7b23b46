#include "AudioEngine.h"

#include <algorithm>

namespace wl::audio {

AudioEngine::~AudioEngine() { stop(); }

bool AudioEngine::start(std::string& error) {
    if (started_) return true;
    started_ = backend_.start(error);
    return started_;
}

void AudioEngine::stop() {
    std::lock_guard<std::mutex> in(inputMutex_);
    if (inputOpen_) backend_.stopInput();
    inputOpen_ = false;
    if (started_) backend_.stop();
    started_ = false;
}

void AudioEngine::cdStarted() {
    std::lock_guard<std::mutex> lock(mutex_);
    cdActive_ = true;
}

void AudioEngine::cdStopped() {
    std::lock_guard<std::mutex> lock(mutex_);
    cdActive_ = false;
}

void AudioEngine::cdFrames(const int16_t* samples, size_t frames, bool audible) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (CaptureSink* sink : sinks_) sink->captured(samples, frames);
    }
    if (audible) backend_.play(samples, frames);
}

void AudioEngine::play(const int16_t* samples, size_t frames) { backend_.play(samples, frames); }

void AudioEngine::lineInput(const int16_t* samples, size_t frames) {
    std::lock_guard<std::mutex> lock(mutex_);
    // While the CD plays its stream is the source; the line input is not mixed in.
    if (cdActive_) return;
    for (CaptureSink* sink : sinks_) sink->captured(samples, frames);
}

bool AudioEngine::attach(CaptureSink& sink, std::string& error) {
    std::lock_guard<std::mutex> in(inputMutex_);
    if (!inputOpen_) {
        if (!backend_.startInput(*this, error)) return false;
        inputOpen_ = true;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    if (std::find(sinks_.begin(), sinks_.end(), &sink) == sinks_.end()) sinks_.push_back(&sink);
    return true;
}

void AudioEngine::detach(CaptureSink& sink) {
    std::lock_guard<std::mutex> in(inputMutex_);
    bool last;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        sinks_.erase(std::remove(sinks_.begin(), sinks_.end(), &sink), sinks_.end());
        last = sinks_.empty();
    }
    if (last && inputOpen_) {
        backend_.stopInput();
        inputOpen_ = false;
    }
}

}  // namespace wl::audio
