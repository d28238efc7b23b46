// Sixty minutes of recording through the loopback, faster than real time: resident memory
// must stay flat (the recording streams to a temporary file).
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "ResidentMemory.h"
#include "adapters/audio/AudioEngine.h"
#include "adapters/audio/Clock.h"
#include "adapters/audio/LoopbackBackend.h"
#include "adapters/cdrom/DriveControl.h"
#include "adapters/mci/DeviceLayer.h"

namespace {

// No drive at all: the recording comes from the line input.
struct NoDrive : wl::Cdrom, wl::DriveControl {
    void GetCDList(uint8_t (&list)[wl::kDriveListSize]) override { list[1] = 0; }
    wl::CdHandle GetCDHandle(const uint8_t (&)[wl::kHandleRequestSize]) override { return 0; }
    void CloseCDHandle(wl::CdHandle) override {}
    void ModifyCDParms(wl::CdHandle, int, uint32_t) override {}
    int ReadTOC(wl::CdHandle, uint8_t (&)[wl::kTocSize]) override { return 0; }
    int ReadCDAudioLBA(wl::CdHandle, uint8_t*, size_t) override { return 0; }
    bool openTray(wl::CdHandle) override { return false; }
    bool closeTray(wl::CdHandle) override { return false; }
    bool trayOpen(wl::CdHandle) override { return false; }
    bool mediaPresent(wl::CdHandle) override { return false; }
};

}  // namespace

int main(int argc, char** argv) {
    std::string lineIn = argc > 1 ? argv[1] : "";
    NoDrive drive;
    wl::audio::VirtualClock clock;
    wl::audio::LoopbackBackend backend(clock, {lineIn, 0, 100000});
    wl::audio::AudioEngine engine(backend);
    wl::mci::DeviceLayer layer(drive, drive, engine, clock);
    if (layer.sendString("open new type waveaudio alias wave", nullptr, 0) != 0) return 1;
    wl::MciParams set = wl::MciWaveSetParms{0, 1, 2, 44100, 176400, 4, 16};
    layer.sendCommand(layer.deviceId("wave"), wl::MCI_SET, 0x3F0400, set);
    long before = wl::bench::residentKb();
    auto start = std::chrono::steady_clock::now();
    layer.sendString("record wave", nullptr, 0);
    long peak = before;
    for (int minute = 0; minute < 60; ++minute) {
        clock.advanceSeconds(60);
        peak = std::max(peak, wl::bench::residentKb());
    }
    layer.sendString("stop wave", nullptr, 0);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    char length[32] = "";
    layer.sendString("status wave length", length, sizeof length);
    std::printf("recorded %s ms of 44100 Hz 16-bit stereo in %.2f s (%.0fx real time)\n", length, seconds,
                3600.0 / seconds);
    std::printf("resident memory: before %ld KB, peak %ld KB, growth %ld KB (limit 20480 KB)\n", before, peak,
                peak - before);
    layer.sendString("close wave", nullptr, 0);
    return peak - before < 20480 ? 0 : 2;
}
