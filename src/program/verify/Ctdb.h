#pragma once
// The CUETools database (CTDB): a second database of other people's rips, keyed by the
// disc's layout, whose per-track checksum is a plain CRC-32 of the audio.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Cdrom.h"

namespace wl {

// Samples CTDB leaves out at the disc's audio edges, where drives' offsets differ: 10 sectors.
constexpr uint64_t kCtdbEdgeSamples = 5880;

// The lookup's toc parameter: every track's start in sectors without the 150 of the lead-in,
// data tracks marked with a leading "-", then the lead-out; "" when the table is unreadable.
std::string CtdbTocText(const uint8_t (&toc)[kTocSize]);
// {base}/lookup2.php?version=3&ctdb=1&fuzzy=1&toc=...
std::string CtdbLookupUrl(std::string base, const std::string& tocText);

// Stereo samples to leave out of a track's CTDB CRC at its front and its back. discSamples:
// the whole audio of the disc, from its first audio track's start to its last one's end.
struct CtdbSkips {
    uint64_t front = 0, back = 0;
};
CtdbSkips CtdbSkipsFor(bool firstAudioTrack, bool lastAudioTrack, uint64_t discSamples);
// discSamples from the table of contents (0 when it has no audio).
uint64_t CtdbDiscSamples(const uint8_t (&toc)[kTocSize]);

struct CtdbEntry {
    int confidence = 0;
    std::vector<uint32_t> trackCrcs;  // [k]: the disc's audio track k (from 0)
};
// The answer's entries; nothing when it is not a CTDB answer at all (an HTML page, a cut
// file). An answer without entries is an empty list: the disc is not in the database.
std::optional<std::vector<CtdbEntry>> ParseCtdbAnswer(const std::string& xml);

struct CtdbVerdict {
    enum Kind { Unverified, NotInDatabase, Accurate, NotAccurate } kind = Unverified;
    int confidence = 0;  // of the entries whose CRC for the track matches
    int total = 0;       // of every entry
    std::string why;
};
CtdbVerdict CtdbVerdictFor(const std::vector<CtdbEntry>& entries, size_t audioIndex, uint32_t crc);
std::string CtdbVerdictText(const CtdbVerdict& verdict);

}  // namespace wl
