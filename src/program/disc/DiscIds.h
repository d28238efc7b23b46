#pragma once
// The disc's identity from its table of contents, and the IDs the databases know it by.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Cdrom.h"
#include "platform/DiscId.h"

namespace wl {

struct TocTrack {
    uint32_t start = 0;  // logical sector: a normal disc's first track starts at 0
    bool data = false;
};

struct DiscToc {
    int firstTrack = 0, lastTrack = 0;
    std::vector<TocTrack> tracks;  // [i] is track firstTrack + i
    uint32_t leadOut = 0;
};

// A table of contents in block form, as ReadTOC gives it. False for a table that is not a
// disc's: no tracks, numbers out of 1..99, starts that go backwards or past the lead-out.
bool ParseBlockToc(const uint8_t (&toc)[kTocSize], DiscToc& out);

// freedb / CDDB: digit sums of the starts in seconds, the length in seconds, the track count.
// Every track counts, data tracks too.
uint32_t FreedbId(const DiscToc& toc);

struct AccurateRipIds {
    uint32_t id1 = 0, id2 = 0;
    int audioTracks = 0;
};
// Audio tracks only, numbered from 1 among themselves, over the disc's lead-out.
AccurateRipIds AccurateRipIdsOf(const DiscToc& toc);

// What MusicBrainz hashes: offsets + 150; an enhanced CD (audio, then a data session) ends
// with its last audio track, and its lead-out is the data track's start - 11400.
DiscIdInput MusicBrainzInput(const DiscToc& toc);

// Eight lower-case hex digits.
std::string Hex8(uint32_t v);

}  // namespace wl
