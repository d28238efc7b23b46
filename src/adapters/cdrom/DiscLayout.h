#pragma once
// The layout of a disc as we hand it out: tracks with their first block (LSN, 0-based)
// and kind, and the lead-out. Kept apart from libcdio so the byte layouts can be checked
// on their own.
#include <cstdint>
#include <vector>

#include "platform/Cdrom.h"

namespace wl::cdrom {

struct TrackInfo {
    uint8_t number = 0;
    int32_t startLsn = 0;
    bool audio = true;
};

struct DiscLayout {
    std::vector<TrackInfo> tracks;  // in disc order, at most 99
    int32_t leadOutLsn = 0;

    bool valid() const;
    // True when blocks [start, start + count) all lie on the disc inside audio tracks (or in
    // the pregap before an audio track 1).
    bool audioRange(int64_t start, int64_t count) const;
};

// Writes the whole 804-byte READ TOC format 0 response; msf selects the address form.
void writeToc(const DiscLayout& disc, bool msf, uint8_t (&toc)[kTocSize]);

}  // namespace wl::cdrom
