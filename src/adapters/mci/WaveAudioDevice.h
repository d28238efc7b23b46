#pragma once
// The waveaudio device: records the audio engine's capture (the CD's stream while the CD
// plays, the line input otherwise) in a set format into a temporary file, saves it as a
// canonical WAV file, and plays WAV files with an end-of-play notification.
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Device.h"
#include "Ticker.h"
#include "adapters/audio/AudioEngine.h"
#include "adapters/audio/Clock.h"
#include "adapters/audio/PcmConverter.h"
#include "adapters/audio/WavFile.h"

namespace wl::mci {

// The captured audio, converted as it arrives and appended to an unlinked temporary file,
// so memory stays flat however long the recording runs.
class Recording final : public audio::CaptureSink {
public:
    Recording(std::FILE* file, audio::PcmFormat format);
    ~Recording() override;
    void captured(const int16_t* samples, size_t frames) override;
    void finish();  // drains the resampler; call after the engine no longer delivers
    uint64_t bytes();
    bool cut();
    // Copies the audio to `out`; false on a read or write error (errno tells which).
    bool copyTo(std::FILE* out);

private:
    void write(const std::vector<uint8_t>& data);
    std::mutex mutex_;
    std::FILE* file_;
    audio::PcmConverter converter_;
    uint16_t blockAlign_;
    std::vector<uint8_t> converted_;
    uint64_t bytes_ = 0;
    bool cut_ = false;
};

class WaveAudioDevice final : public Device {
public:
    WaveAudioDevice(audio::AudioEngine& engine, audio::Clock& clock, std::mutex& lock, NoticeQueue& notices,
                    std::string tempFolder, audio::Micros tickMicros);
    ~WaveAudioDevice() override;

    std::string type() const override { return "waveaudio"; }
    // element "new" opens an empty recording device; otherwise a WAV file to play.
    uint32_t open(const std::string& element, MciNotifySink* callback);
    uint32_t command(const std::string& verb, const Args& args, std::string& reply,
                     MciNotifySink* notify) override;
    uint32_t record(uint32_t message, uint32_t flags, MciParams& params) override;
    void stop() override;
    void close() override;
    void waitIdle() override { ticker_.cancelAll(); }

private:
    uint32_t setFormat(uint32_t flags, const MciWaveSetParms& p);
    uint32_t startRecording();
    void stopRecording();
    uint32_t save(const std::string& fileName);
    uint32_t play(MciNotifySink* sink);
    void stopPlay(uint32_t flags);
    void tick(uint64_t generation, std::unique_lock<std::mutex>& lock);

    audio::AudioEngine& engine_;
    audio::Clock& clock_;
    std::mutex& lock_;
    NoticeQueue& notices_;
    std::string tempFolder_;
    audio::Micros tickMicros_;
    Ticker ticker_;

    audio::PcmFormat format_{1, 11025, 8};  // the platform's default before any set
    std::unique_ptr<Recording> recording_;
    bool capturing_ = false;

    std::string element_;
    MciNotifySink* openCallback_ = nullptr;
    std::unique_ptr<audio::WavReader> reader_;
    std::unique_ptr<audio::PcmConverter> playConverter_;
    bool playing_ = false;
    MciNotifySink* playSink_ = nullptr;
    audio::Micros playStart_ = 0;
    uint64_t framesRead_ = 0;
    uint64_t generation_ = 0;
    std::vector<uint8_t> raw_, pcm_;
    std::vector<int16_t> samples_;
};

}  // namespace wl::mci
