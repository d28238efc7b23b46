#pragma once
#include <mutex>
#include <string>

#include "Device.h"
#include "Ticker.h"
#include "adapters/audio/AudioEngine.h"
#include "adapters/audio/Clock.h"

namespace wl::mci {

class WaveAudioDevice final : public Device {
public:
    WaveAudioDevice(audio::AudioEngine&, audio::Clock&, std::mutex&, NoticeQueue&, std::string, audio::Micros) {}
    std::string type() const override { return "waveaudio"; }
    uint32_t open(const std::string&, MciNotifySink*) { return 266; }
    uint32_t command(const std::string&, const Args&, std::string&, MciNotifySink*) override { return 274; }
    uint32_t record(uint32_t, uint32_t, MciParams&) override { return 274; }
    void stop() override {}
    void close() override {}
};

}  // namespace wl::mci
