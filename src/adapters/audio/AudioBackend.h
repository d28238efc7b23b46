#pragma once
// A place where sound is heard and line input comes from: the sound card or the loopback.
// All audio crossing this interface is 44,100 Hz 16-bit stereo, interleaved.
#include <cstddef>
#include <cstdint>
#include <string>

namespace wl::audio {

class InputHandler {
public:
    virtual ~InputHandler() = default;
    virtual void lineInput(const int16_t* samples, size_t frames) = 0;
};

class AudioBackend {
public:
    virtual ~AudioBackend() = default;
    virtual std::string name() const = 0;
    // Opens the output; false with a reason when there is no usable device.
    virtual bool start(std::string& error) = 0;
    virtual void stop() = 0;
    // Queues audio to be heard; never blocks for long (drops what the output cannot take).
    virtual void play(const int16_t* samples, size_t frames) = 0;
    // Line input runs only while something records. stopInput returns after the last
    // lineInput call has returned; it is never called while the handler's locks are held.
    virtual bool startInput(InputHandler& handler, std::string& error) = 0;
    virtual void stopInput() = 0;
};

}  // namespace wl::audio
