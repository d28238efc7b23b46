#pragma once
// The sound card through PortAudio's blocking streams: the system's default output and input
// (ALSA, or PulseAudio/PipeWire through ALSA). One thread writes the output, one reads the
// input while a recording runs.
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "AudioBackend.h"

namespace wl::audio {

class PortAudioBackend final : public AudioBackend {
public:
    PortAudioBackend();
    ~PortAudioBackend() override;

    // True when PortAudio sees a default output device; main uses the loopback otherwise.
    static bool deviceAvailable();

    std::string name() const override { return "portaudio"; }
    bool start(std::string& error) override;
    void stop() override;
    void play(const int16_t* samples, size_t frames) override;
    bool startInput(InputHandler& handler, std::string& error) override;
    void stopInput() override;

private:
    void writeLoop();
    void readLoop(InputHandler* handler);

    bool initialised_ = false;
    void* output_ = nullptr;  // PaStream
    void* input_ = nullptr;
    std::thread writer_, reader_;
    std::atomic<bool> stopOutput_{false}, stopReading_{false};
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<int16_t> queue_;  // bounded: about two seconds
};

}  // namespace wl::audio
