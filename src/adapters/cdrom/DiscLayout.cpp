#include "DiscLayout.h"

#include <algorithm>
#include <cstring>

namespace wl::cdrom {
namespace {

constexpr uint8_t kAdrControlAudio = 0x10;  // ADR 1 (position), two-channel audio
constexpr uint8_t kAdrControlData = 0x14;   // ADR 1, data track
constexpr int32_t kMsfOffset = 150;         // a drive reports block 0 as 00:02:00

void putAddress(uint8_t* entry, int32_t lsn, bool msf) {
    if (!msf) {
        putBe32(entry + 4, uint32_t(lsn));
        return;
    }
    const int64_t frames = std::max<int64_t>(0, int64_t(lsn) + kMsfOffset);
    entry[4] = 0;
    entry[5] = uint8_t(std::min<int64_t>(frames / (75 * 60), 255));
    entry[6] = uint8_t((frames / 75) % 60);
    entry[7] = uint8_t(frames % 75);
}

}  // namespace

bool DiscLayout::valid() const {
    if (tracks.empty() || tracks.size() > kTocMaxEntries - 1) return false;
    int32_t previous = -1;
    for (const auto& t : tracks) {
        if (t.startLsn < 0 || t.startLsn < previous) return false;
        previous = t.startLsn;
    }
    return leadOutLsn >= previous;
}

bool DiscLayout::audioRange(int64_t start, int64_t count) const {
    if (count < 0 || start < 0 || tracks.empty()) return false;
    if (count == 0) return start <= leadOutLsn;
    const int64_t end = start + count;  // exclusive
    if (end > leadOutLsn) return false;
    // Before track 1 lies its pregap, where a disc may hide audio: readable when track 1 is audio.
    if (start < tracks.front().startLsn && !tracks.front().audio) return false;
    for (size_t i = 0; i < tracks.size(); ++i) {
        const int64_t tStart = tracks[i].startLsn;
        const int64_t tEnd = i + 1 < tracks.size() ? tracks[i + 1].startLsn : leadOutLsn;
        if (tEnd > start && tStart < end && !tracks[i].audio) return false;
    }
    return true;
}

void writeToc(const DiscLayout& disc, bool msf, uint8_t (&toc)[kTocSize]) {
    std::memset(toc, 0, kTocSize);
    const size_t n = std::min(disc.tracks.size(), kTocMaxEntries - 1);
    putBe16(toc, uint16_t(2 + kTocEntrySize * (n + 1)));
    toc[2] = n ? disc.tracks.front().number : 0;
    toc[3] = n ? disc.tracks[n - 1].number : 0;
    for (size_t k = 0; k < n; ++k) {
        uint8_t* e = tocEntry(toc, k);
        e[1] = disc.tracks[k].audio ? kAdrControlAudio : kAdrControlData;
        e[2] = disc.tracks[k].number;
        putAddress(e, disc.tracks[k].startLsn, msf);
    }
    uint8_t* lead = tocEntry(toc, n);
    lead[1] = n && !disc.tracks[n - 1].audio ? kAdrControlData : kAdrControlAudio;
    lead[2] = kLeadOutTrack;
    putAddress(lead, disc.leadOutLsn, msf);
}

}  // namespace wl::cdrom
