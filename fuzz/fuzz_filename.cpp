// Feeds arbitrary bytes to the one way from a name to a file name, as a bare name, with an
// extension and a small limit, and as a track's title: every result is one fit component.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/FileNames.h"
#include "disc/DiscNames.h"

namespace {

void check(const std::string& name, size_t limit) {
    if (name.empty() || name.size() > limit || name == "." || name == "..") __builtin_trap();
    if (name.find('/') != std::string::npos || name.find('\0') != std::string::npos) __builtin_trap();
    if (name.front() == '.' || name.front() == ' ') __builtin_trap();
    if (!wl::IsStrictUtf8(name)) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view raw(reinterpret_cast<const char*>(data), size);
    const std::string bare = wl::SafeFileName(raw);
    check(bare, wl::kFileNameBytes);
    if (bare.back() == '.' || bare.back() == ' ') __builtin_trap();
    // The same text again is the same name: nothing is left to change.
    if (wl::SafeFileName(bare) != bare) __builtin_trap();

    const size_t limit = 5 + size % 40;
    const std::string withExtension = wl::SafeFileName(raw, ".log", limit);
    check(withExtension, limit);
    if (withExtension.size() < 5 || withExtension.compare(withExtension.size() - 4, 4, ".log") != 0) __builtin_trap();

    wl::DiscNames names;
    names.tracks.push_back(wl::TrackName{std::string(raw), "", ""});
    const std::string track = wl::TrackFileName(names, 1, wl::kFileNameBytes - 4);
    if (!track.empty()) check(track + ".wav", wl::kFileNameBytes);
    return 0;
}
