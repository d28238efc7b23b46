#pragma once
// The cdaudio device: one open alias on the shared CdPlayer, with its own time format.
#include "CdPlayer.h"
#include "Device.h"

namespace wl::mci {

class CdAudioDevice final : public Device {
public:
    CdAudioDevice(CdPlayer& player, bool shareable) : player_(player), shareable_(shareable) {}
    std::string type() const override { return "cdaudio"; }
    bool shareable() const { return shareable_; }
    uint32_t command(const std::string& verb, const Args& args, std::string& reply,
                     MciNotifySink* notify) override;
    uint32_t record(uint32_t message, uint32_t flags, MciParams& params) override;
    void stop() override { player_.stop(); }
    void close() override {}

private:
    uint32_t status(const Args& args, std::string& reply);
    uint32_t set(const Args& args);
    uint32_t seek(const Args& args);
    uint32_t play(const Args& args, MciNotifySink* notify);

    CdPlayer& player_;
    bool shareable_;
    TimeFormat format_ = TimeFormat::Msf;
};

}  // namespace wl::mci
