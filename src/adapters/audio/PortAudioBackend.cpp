#include "PortAudioBackend.h"

#include <portaudio.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

#include "PcmFormat.h"

namespace wl::audio {

namespace {
constexpr unsigned long kBlockFrames = 1024;
constexpr size_t kQueueLimit = kCdRate * 2 * 2;  // two seconds of samples

std::string paError(PaError e) { return Pa_GetErrorText(e); }

// A null or file device accepts data as fast as it is given; keep to real time anyway.
class Pacer {
public:
    void step(size_t frames) {
        frames_ += frames;
        auto due = start_ + std::chrono::microseconds(frames_ * 1000000 / kCdRate);
        auto ahead = due - std::chrono::steady_clock::now();
        if (ahead > std::chrono::milliseconds(200)) std::this_thread::sleep_for(ahead - std::chrono::milliseconds(100));
    }

private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    uint64_t frames_ = 0;
};
// Probing the host APIs makes ALSA and JACK print pages of warnings about devices that are
// not there; none of it is the user's business, so standard error is closed meanwhile.
PaError initializeQuietly() {
    fflush(stderr);
    int saved = dup(STDERR_FILENO);
    int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (saved >= 0 && null >= 0) dup2(null, STDERR_FILENO);
    PaError e = Pa_Initialize();
    fflush(stderr);
    if (saved >= 0) {
        dup2(saved, STDERR_FILENO);
        close(saved);
    }
    if (null >= 0) close(null);
    return e;
}
}  // namespace

PortAudioBackend::PortAudioBackend() { initialised_ = initializeQuietly() == paNoError; }

PortAudioBackend::~PortAudioBackend() {
    stopInput();
    stop();
    if (initialised_) Pa_Terminate();
}

bool PortAudioBackend::deviceAvailable() {
    if (initializeQuietly() != paNoError) return false;
    bool available = Pa_GetDefaultOutputDevice() != paNoDevice;
    Pa_Terminate();
    return available;
}

bool PortAudioBackend::start(std::string& error) {
    if (output_) return true;
    if (!initialised_) {
        error = "the sound system could not be initialised";
        return false;
    }
    PaStream* stream = nullptr;
    PaError e = Pa_OpenDefaultStream(&stream, 0, 2, paInt16, kCdRate, kBlockFrames, nullptr, nullptr);
    if (e == paNoError) e = Pa_StartStream(stream);
    if (e != paNoError) {
        if (stream) Pa_CloseStream(stream);
        error = "the sound output could not be opened: " + paError(e);
        return false;
    }
    output_ = stream;
    stopOutput_ = false;
    writer_ = std::thread([this] { writeLoop(); });
    return true;
}

void PortAudioBackend::stop() {
    if (!output_) return;
    stopOutput_ = true;
    wake_.notify_all();
    writer_.join();
    Pa_StopStream(static_cast<PaStream*>(output_));
    Pa_CloseStream(static_cast<PaStream*>(output_));
    output_ = nullptr;
}

void PortAudioBackend::play(const int16_t* samples, size_t frames) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!output_) return;
    size_t n = frames * 2;
    if (queue_.size() + n > kQueueLimit) return;  // the output is stuck: drop, never block the player
    queue_.insert(queue_.end(), samples, samples + n);
}

void PortAudioBackend::writeLoop() {
    std::vector<int16_t> block(kBlockFrames * 2);
    Pacer pacer;
    while (!stopOutput_) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            size_t n = std::min(queue_.size(), block.size());
            std::copy(queue_.begin(), queue_.begin() + long(n), block.begin());
            queue_.erase(queue_.begin(), queue_.begin() + long(n));
            std::fill(block.begin() + long(n), block.end(), int16_t(0));
        }
        Pa_WriteStream(static_cast<PaStream*>(output_), block.data(), kBlockFrames);
        pacer.step(kBlockFrames);
    }
}

bool PortAudioBackend::startInput(InputHandler& handler, std::string& error) {
    if (input_) return true;
    if (!initialised_) {
        error = "the sound system could not be initialised";
        return false;
    }
    PaStream* stream = nullptr;
    PaError e = Pa_OpenDefaultStream(&stream, 2, 0, paInt16, kCdRate, kBlockFrames, nullptr, nullptr);
    if (e == paNoError) e = Pa_StartStream(stream);
    if (e != paNoError) {
        if (stream) Pa_CloseStream(stream);
        error = "the sound input could not be opened: " + paError(e);
        return false;
    }
    input_ = stream;
    stopReading_ = false;
    reader_ = std::thread([this, &handler] { readLoop(&handler); });
    return true;
}

void PortAudioBackend::stopInput() {
    if (!input_) return;
    stopReading_ = true;
    reader_.join();
    Pa_StopStream(static_cast<PaStream*>(input_));
    Pa_CloseStream(static_cast<PaStream*>(input_));
    input_ = nullptr;
}

void PortAudioBackend::readLoop(InputHandler* handler) {
    std::vector<int16_t> block(kBlockFrames * 2);
    Pacer pacer;
    while (!stopReading_) {
        PaError e = Pa_ReadStream(static_cast<PaStream*>(input_), block.data(), kBlockFrames);
        // An overflow lost some input, but what was read is good.
        if (e != paNoError && e != paInputOverflowed) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            continue;
        }
        handler->lineInput(block.data(), kBlockFrames);
        pacer.step(kBlockFrames);
    }
}

}  // namespace wl::audio
