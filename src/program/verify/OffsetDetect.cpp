#include "verify/OffsetDetect.h"

#include <cctype>
#include <set>

#include "platform/Bytes.h"

namespace wl {
namespace {

constexpr uint32_t kProbeFrame = 450;
// Sectors either side of frame 450 that hold every candidate window.
constexpr uint32_t kMargin = (kMaxDetectedOffset + kSamplesPerFrame - 1) / kSamplesPerFrame;

// Letters and digits only, upper-cased: "PLEXTOR - DVDR   PX-716A" and "Plextor DVDR PX-716A" meet.
std::string squeezed(const std::string& name) {
    std::string out;
    for (char c : name)
        if (std::isalnum(static_cast<unsigned char>(c))) out += char(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

}  // namespace

uint32_t Crc450(const uint8_t* sector) {
    uint32_t crc = 0;
    for (uint32_t j = 0; j < kSamplesPerFrame; ++j) crc += getLe32(sector + 4 * j) * (j + 1);
    return crc;
}

OffsetProposal DetectReadOffset(const uint8_t (&toc)[kTocSize], const std::vector<DbarRecord>& records,
                                const RawSectorRead& read) {
    OffsetProposal proposal;
    const int first = toc[2], last = toc[3];
    std::vector<std::set<int>> found;  // per probed track: the offsets whose window matches
    std::vector<int> probed;
    size_t audioIndex = 0;
    for (int t = first; t >= 1 && t <= last && size_t(t) < kTocMaxEntries; ++t) {
        const uint8_t* e = tocEntry(toc, size_t(t - 1));
        if (e[1] & 0x04) continue;  // data
        const size_t index = audioIndex++;
        const uint32_t start = getBe32(e + 4), end = getBe32(tocEntry(toc, size_t(t)) + 4);
        std::set<uint32_t> wanted;
        for (const DbarRecord& r : records)
            if (index < r.tracks.size() && r.tracks[index].crc450 != 0) wanted.insert(r.tracks[index].crc450);
        const uint32_t probe = start + kProbeFrame;
        if (wanted.empty() || probe < kMargin || end <= probe + 1 + kMargin) continue;
        std::vector<uint8_t> raw;
        const uint32_t from = probe - kMargin, count = 2 * kMargin + 1;
        if (!read(from, count, raw) || raw.size() < size_t(count) * kCdFrameBytes) continue;
        std::set<int> offsets;
        const size_t centre = size_t(kMargin) * kCdFrameBytes;  // frame 450's first byte, read with no offset
        for (int o = -kMaxDetectedOffset; o <= kMaxDetectedOffset; ++o)
            if (wanted.count(Crc450(raw.data() + ptrdiff_t(centre) + 4 * o))) offsets.insert(o);
        found.push_back(std::move(offsets));
        probed.push_back(t);
        // One track's match may be chance; a second track at the same offset is not.
        for (size_t a = 0; a + 1 < found.size(); ++a)
            for (int o : found.back())
                if (found[a].count(o)) {
                    proposal.offset = o;
                    proposal.tracks = {probed[a], t};
                    return proposal;
                }
        if (found.size() >= 4) break;  // a few tracks are enough to say no
    }
    proposal.why = probed.size() < 2 ? "fewer than two tracks the database knows could be read around frame 450"
                                     : "no offset from -5000 to 5000 samples matches the database on two tracks";
    return proposal;
}

std::optional<int> ListedDriveOffset(const std::string& list, const std::string& driveName) {
    constexpr size_t kRecord = 69, kNameBytes = 33;
    const std::string want = squeezed(driveName);
    if (want.empty()) return std::nullopt;
    const auto* p = reinterpret_cast<const uint8_t*>(list.data());
    for (size_t at = 0; at + kRecord <= list.size(); at += kRecord) {
        const int offset = int16_t(getLe16(p + at));
        const char* name = list.data() + at + 2;
        size_t n = 0;
        while (n < kNameBytes && name[n] != '\0') ++n;
        if (squeezed(std::string(name, n)) == want) return offset;
    }
    return std::nullopt;
}

}  // namespace wl
