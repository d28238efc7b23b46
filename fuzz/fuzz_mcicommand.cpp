// Feeds command strings to the multimedia device layer, one per input line, over a drive in
// memory and the loopback sound, with the clock moved between commands so plays and
// recordings run. Commands that would write or read files by name are left out: the fuzzer
// must not touch the machine's files.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>

#include "FakeDrive.h"
#include "adapters/audio/AudioEngine.h"
#include "adapters/audio/Clock.h"
#include "adapters/audio/LoopbackBackend.h"
#include "adapters/mci/DeviceLayer.h"

namespace {

// Where recordings stream: one private folder for the whole run, removed when it ends.
struct TempFolder {
    std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("wl-fuzz-mci-" + std::to_string(::getpid()));
    TempFolder() { std::filesystem::create_directories(path); }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

struct Notices : wl::MciNotifySink {
    void postMciNotify(uint32_t, uint32_t) override {}
};

bool touchesFiles(const std::string& line) {
    std::string low;
    for (char c : line) low += char(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return low.find("save") != std::string::npos || low.find('/') != std::string::npos ||
           low.find('\\') != std::string::npos || low.find(".wav") != std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const TempFolder dir;
    if (size > 4096) return 0;
    wl::test::FakeDrive drive({30 * 75 + 10, 60 * 75, 45 * 75 + 62});
    wl::audio::VirtualClock clock;
    wl::audio::LoopbackBackend backend(clock, {"", 0, 100000});
    wl::audio::AudioEngine engine(backend);
    std::string why;
    if (!engine.start(why)) __builtin_trap();
    wl::mci::DeviceLayerOptions options;
    options.tempFolder = dir.path.string();
    wl::mci::DeviceLayer layer(drive, drive, engine, clock, options);
    Notices notices;

    const std::string text(reinterpret_cast<const char*>(data), size);
    size_t at = 0;
    while (at <= text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(at, end - at);
        at = end + 1;
        if (touchesFiles(line)) continue;
        char reply[21];
        std::memset(reply, 0x7F, sizeof reply);
        const uint32_t code = layer.sendString(line, reply, 20, &notices);
        // The reply is always terminated within the length given, and an error has a text.
        if (std::memchr(reply, 0, 20) == nullptr || reply[20] != 0x7F) __builtin_trap();
        if (code != 0 && layer.errorText(code, 256).empty()) __builtin_trap();
        clock.advance(40000);  // one tick of the CD player: plays and recordings move on
    }
    layer.sendString("close all", nullptr, 0);
    return 0;
}
