#pragma once
// The one CD drive behind every open cdaudio device: its tray, its disc and the digital
// play that reads frames through the CD-ROM library and streams them, paced by the clock,
// into the audio engine. Every member is called with the device layer's lock held, except
// the clock callback, which takes that lock itself.
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "CdTime.h"
#include "Ticker.h"
#include "adapters/audio/AudioEngine.h"
#include "adapters/audio/Clock.h"
#include "adapters/cdrom/DriveControl.h"
#include "platform/Cdrom.h"

namespace wl::mci {

struct CdDriveChoice {
    // The first drive-list entry whose name starts with this (for instance "Disc image:"
    // when the program runs on a disc image); the first entry when empty or none matches.
    std::string namePrefix;
    uint8_t readMethod = 1;  // plain reads keep pace with real time
    audio::Micros tickMicros = 40000;
    uint32_t readChunkFrames = 26;
};

enum class CdMode { Playing, Stopped, Open, NotReady };

class CdPlayer {
public:
    CdPlayer(Cdrom& cdrom, DriveControl& drive, audio::AudioEngine& engine, audio::Clock& clock,
             std::mutex& lock, NoticeQueue& notices, CdDriveChoice choice);
    ~CdPlayer();

    // Finds the drive and takes a handle; a code from MciErrors.
    uint32_t open();
    void close();  // stops the play and gives the handle back

    bool trayOpen();
    bool mediaPresent();
    bool ready() { return !trayOpen() && mediaPresent(); }
    CdMode mode();
    // The table of contents of the present disc; nullopt when there is none.
    std::optional<Toc> toc();
    uint32_t position();

    uint32_t openDoor();
    uint32_t closeDoor();
    uint32_t seek(uint32_t block);
    // Plays [from, to) in the background; a sink gets the end-of-play notification.
    uint32_t play(uint32_t from, uint32_t to, MciNotifySink* sink, uint32_t deviceId);
    void stop();
    void setAudible(bool on) { audible_ = on; }

    // Cancels pending clock callbacks; call without holding the lock, after close().
    void waitIdle() { ticker_.cancelAll(); }

private:
    CdHandle handle();
    void schedule(audio::Micros when);
    void tick(uint64_t generation, std::unique_lock<std::mutex>& lock);
    void endPlay(uint32_t notifyFlags);
    bool deliver(uint32_t frames);

    Cdrom& cdrom_;
    DriveControl& drive_;
    audio::AudioEngine& engine_;
    audio::Clock& clock_;
    std::mutex& lock_;
    NoticeQueue& notices_;
    CdDriveChoice choice_;
    Ticker ticker_;

    bool opened_ = false;
    bool haveDrive_ = false;
    uint8_t address_[3] = {0, 0, 0};
    CdHandle handle_ = 0;

    bool playing_ = false;
    MciNotifySink* sink_ = nullptr;
    uint32_t sinkDevice_ = 0;
    bool audible_ = true;
    uint32_t position_ = 0;  // when not playing
    uint32_t from_ = 0, to_ = 0, next_ = 0;
    audio::Micros startedAt_ = 0;
    uint64_t generation_ = 0;
    std::vector<uint8_t> buffer_;
    std::vector<int16_t> samples_;
};

}  // namespace wl::mci
