#pragma once
// Our multimedia device layer: parses command strings, keeps aliases and device ids, and
// runs the cdaudio and waveaudio devices over the CD-ROM library and the audio engine.
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "CdPlayer.h"
#include "Device.h"
#include "Ticker.h"
#include "adapters/audio/AudioEngine.h"
#include "adapters/audio/Clock.h"
#include "adapters/cdrom/DriveControl.h"
#include "platform/Cdrom.h"
#include "platform/Mci.h"

namespace wl::mci {

struct DeviceLayerOptions {
    CdDriveChoice cd;
    // Where recordings stream while they run; empty means the system's temporary folder.
    std::string tempFolder;
    audio::Micros waveTickMicros = 50000;
};

class DeviceLayer final : public Mci {
public:
    DeviceLayer(Cdrom& cdrom, DriveControl& drive, audio::AudioEngine& engine, audio::Clock& clock,
                DeviceLayerOptions options = {});
    ~DeviceLayer() override;
    DeviceLayer(const DeviceLayer&) = delete;
    DeviceLayer& operator=(const DeviceLayer&) = delete;

    uint32_t sendString(const std::string& command, char* reply, size_t replyLength,
                        MciNotifySink* notify = nullptr) override;
    uint32_t sendCommand(uint32_t deviceId, uint32_t message, uint32_t flags, MciParams& params) override;
    uint32_t deviceId(const std::string& alias) override;
    std::string errorText(uint32_t code, size_t maxBytes) override;

private:
    uint32_t run(const std::string& command, std::string& reply, MciNotifySink* notify);
    uint32_t open(const std::vector<std::string>& words, std::string& reply, MciNotifySink* notify);
    uint32_t openDevice(const std::string& type, const std::string& element, std::string alias,
                        bool shareable, MciNotifySink* callback, uint32_t& id);
    Device* find(const std::string& name);
    Device* findId(uint32_t id);
    void closeDevice(uint32_t id);
    void reap();  // deletes closed devices once their callbacks are cancelled (lock not held)

    Cdrom& cdrom_;
    DriveControl& drive_;
    audio::AudioEngine& engine_;
    audio::Clock& clock_;
    DeviceLayerOptions options_;
    std::mutex mutex_;
    NoticeQueue notices_;
    std::unique_ptr<CdPlayer> cd_;
    std::map<uint32_t, std::unique_ptr<Device>> devices_;
    std::vector<std::unique_ptr<Device>> closed_;
    uint32_t nextId_ = 1;
};

}  // namespace wl::mci
