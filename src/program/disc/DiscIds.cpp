#include "disc/DiscIds.h"

#include <cstdio>

#include "platform/Bytes.h"

namespace wl {

namespace {

constexpr uint32_t kPregap = 150;             // sectors before a normal disc's first track
constexpr uint32_t kSessionGap = 11400;       // lead-out + lead-in + pre-gap between sessions
constexpr uint8_t kDataTrackFlag = 0x04;      // the control nibble's data bit

int digitSum(uint32_t v) {
    int sum = 0;
    for (; v > 0; v /= 10) sum += int(v % 10);
    return sum;
}

// An enhanced CD: audio first, one or more data tracks at the end.
size_t audioTracksBeforeTrailingData(const DiscToc& toc) {
    size_t n = toc.tracks.size();
    while (n > 0 && toc.tracks[n - 1].data) --n;
    return n;
}

}  // namespace

bool ParseBlockToc(const uint8_t (&toc)[kTocSize], DiscToc& out) {
    out = DiscToc{};
    const int first = toc[2], last = toc[3];
    if (first < 1 || last > 99 || first > last) return false;
    const size_t count = size_t(last - first + 1);
    if (count >= kTocMaxEntries) return false;
    uint32_t previous = 0;
    for (size_t k = 0; k <= count; ++k) {
        const uint8_t* e = tocEntry(toc, k);
        const uint32_t start = getBe32(e + 4);
        if (start < previous) return false;
        previous = start;
        if (k == count) {
            if (e[2] != kLeadOutTrack || start == 0) return false;
            out.leadOut = start;
        } else {
            out.tracks.push_back(TocTrack{start, (e[1] & kDataTrackFlag) != 0});
        }
    }
    out.firstTrack = first;
    out.lastTrack = last;
    return true;
}

uint32_t FreedbId(const DiscToc& toc) {
    if (toc.tracks.empty()) return 0;
    uint32_t sums = 0;
    for (const TocTrack& t : toc.tracks) sums += uint32_t(digitSum((t.start + kPregap) / 75));
    const uint32_t seconds = (toc.leadOut + kPregap) / 75 - (toc.tracks.front().start + kPregap) / 75;
    return (sums % 255) << 24 | seconds << 8 | uint32_t(toc.tracks.size());
}

AccurateRipIds AccurateRipIdsOf(const DiscToc& toc) {
    AccurateRipIds ids;
    uint32_t n = 0;
    for (const TocTrack& t : toc.tracks) {
        if (t.data) continue;
        ++n;
        ids.id1 += t.start;
        ids.id2 += (t.start > 0 ? t.start : 1) * n;
    }
    ids.audioTracks = int(n);
    ids.id1 += toc.leadOut;
    ids.id2 += toc.leadOut * (n + 1);
    return ids;
}

DiscIdInput MusicBrainzInput(const DiscToc& toc) {
    DiscIdInput in;
    if (toc.tracks.empty()) return in;
    size_t count = toc.tracks.size();
    uint32_t leadOut = toc.leadOut;
    const size_t audio = audioTracksBeforeTrailingData(toc);
    if (audio > 0 && audio < count && toc.tracks[audio].start >= kSessionGap) {
        leadOut = toc.tracks[audio].start - kSessionGap;
        count = audio;
    }
    in.firstTrack = toc.firstTrack;
    in.lastTrack = toc.firstTrack + int(count) - 1;
    in.leadOut = int32_t(leadOut + kPregap);
    for (size_t i = 0; i < count; ++i) in.offsets[size_t(toc.firstTrack) + i] = int32_t(toc.tracks[i].start + kPregap);
    return in;
}

std::string Hex8(uint32_t v) {
    char text[9];
    std::snprintf(text, sizeof text, "%08x", v);
    return text;
}

}  // namespace wl
