#include "verify/AccurateRip.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <type_traits>
#include <cstdio>

namespace wl {
namespace {

// 5 sectors of 588 stereo samples.
constexpr uint64_t kEdgeSamples = 5 * 588;

uint32_t le32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

std::string hex8(uint32_t v) {
    char text[9];
    std::snprintf(text, sizeof text, "%08x", v);
    return text;
}

}  // namespace

TrackChecksums::TrackChecksums(uint64_t frames, bool firstAudioTrack, bool lastAudioTrack, Hashing* crc)
    : frames_(frames),
      skipBelow_(firstAudioTrack ? kEdgeSamples : 0),
      skipAbove_(lastAudioTrack ? (frames > kEdgeSamples ? frames - kEdgeSamples : 0) : UINT64_MAX),
      ctdbTo_(frames * 4),
      hashing_(crc) {}

void TrackChecksums::skipForCtdb(uint64_t front, uint64_t back) {
    ctdbFrom_ = std::min(front, frames_) * 4;
    ctdbTo_ = (frames_ > back ? frames_ - back : 0) * 4;
}

void TrackChecksums::word(const uint8_t* w) {
    ++m_;
    for (int half = 0; half < 2; ++half) {
        const int sample = int16_t(uint16_t(w[2 * half] | w[2 * half + 1] << 8));
        const int magnitude = sample < 0 ? -sample : sample;
        if (magnitude > peak_) peak_ = magnitude;
    }
    if (m_ < skipBelow_ || m_ > skipAbove_ || m_ > frames_) return;
    const uint64_t p = uint64_t(le32(w)) * m_;
    v1_ += uint32_t(p);
    v2_ += uint32_t(p) + uint32_t(p >> 32);
}

// A little-endian word or sample, loaded in one move where the machine's own order is that.
template <class T>
T loadLe(const uint8_t* p) {
    T v;
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(&v, p, sizeof v);
    } else {
        std::make_unsigned_t<T> u = 0;
        for (size_t b = 0; b < sizeof v; ++b) u |= std::make_unsigned_t<T>(p[b]) << (8 * b);
        v = T(u);
    }
    return v;
}

// Whole stereo samples: the same sums as word(), in loops the compiler can vectorise (the
// checksums run beside every rip and must cost less than reading the disc).
void TrackChecksums::bulk(const uint8_t* pcm, size_t words) {
    int16_t lo = 0, hi = 0;
    for (size_t i = 0; i < 2 * words; ++i) {
        const int16_t sample = loadLe<int16_t>(pcm + 2 * i);
        lo = std::min(lo, sample);
        hi = std::max(hi, sample);
    }
    peak_ = std::max(peak_, std::max(int(hi), -int(lo)));
    const uint64_t first = m_ + 1, last = m_ + words;  // the m of the first and last word
    const uint64_t from = std::max(first, std::max<uint64_t>(skipBelow_, 1));
    const uint64_t to = std::min(last, std::min(skipAbove_, frames_));
    if (to != 0 && from <= to) {
        const uint8_t* w = pcm + 4 * (from - first);
        const size_t n = size_t(to - from + 1);
        uint32_t low = 0, high = 0;
        if (to <= UINT32_MAX) {
            // Every track's m fits 32 bits (a WAV holds under 2^30 stereo samples), which makes
            // each product one widening multiply the compiler can do several at a time.
            const uint32_t m0 = uint32_t(from);
            for (size_t i = 0; i < n; ++i) {
                const uint64_t p = uint64_t(loadLe<uint32_t>(w + 4 * i)) * uint32_t(m0 + uint32_t(i));
                low += uint32_t(p);
                high += uint32_t(p >> 32);
            }
        } else {
            for (size_t i = 0; i < n; ++i) {
                const uint64_t p = uint64_t(loadLe<uint32_t>(w + 4 * i)) * (from + i);
                low += uint32_t(p);
                high += uint32_t(p >> 32);
            }
        }
        // v2 is v1's sum with the products' high halves added.
        v1_ += low;
        v2_ += low + high;
    }
    m_ = last;
}

void TrackChecksums::add(const uint8_t* pcm, size_t bytes) {
    if (hashing_ && bytes > 0) {
        crc_ = hashing_->crc32(crc_, pcm, bytes);
        const uint64_t from = std::max(at_, ctdbFrom_), to = std::min(at_ + bytes, ctdbTo_);
        if (from < to) ctdb_ = hashing_->crc32(ctdb_, pcm + (from - at_), size_t(to - from));
    }
    at_ += bytes;
    // A chunk may end inside a stereo sample; the next one completes it.
    while (carried_ > 0 && carried_ < 4 && bytes > 0) {
        carry_[carried_++] = *pcm++;
        --bytes;
    }
    if (carried_ == 4) {
        word(carry_);
        carried_ = 0;
    }
    bulk(pcm, bytes / 4);
    pcm += bytes / 4 * 4;
    bytes %= 4;
    while (bytes-- > 0) carry_[carried_++] = *pcm++;
}

AudioEdges AudioEdgesOf(const uint8_t (&toc)[kTocSize], int track) {
    const int firstTrack = toc[2], lastTrack = toc[3];
    int firstAudio = 0, lastAudio = 0;
    for (int t = firstTrack; t >= 1 && t <= lastTrack && size_t(t) < kTocMaxEntries; ++t) {
        if (tocEntry(toc, size_t(t - 1))[1] & 0x04) continue;  // a data track
        if (firstAudio == 0) firstAudio = t;
        lastAudio = t;
    }
    return {track == firstAudio, track == lastAudio};
}

std::string AccurateRipPath(unsigned audioTracks, uint32_t id1, uint32_t id2, uint32_t cddb) {
    const std::string id = hex8(id1);
    char count[8];
    std::snprintf(count, sizeof count, "%03u", audioTracks % 1000);
    return std::string("accuraterip/") + id[7] + "/" + id[6] + "/" + id[5] + "/dBAR-" + count + "-" + id + "-" +
           hex8(id2) + "-" + hex8(cddb) + ".bin";
}

std::optional<std::vector<DbarRecord>> ParseDbar(const std::string& bytes, unsigned audioTracks, uint32_t id1,
                                                 uint32_t id2, uint32_t cddb) {
    if (audioTracks == 0 || audioTracks > 99) return std::nullopt;
    const size_t recordSize = 13 + 9 * size_t(audioTracks);
    if (bytes.empty() || bytes.size() % recordSize != 0) return std::nullopt;
    std::vector<DbarRecord> records;
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
    for (size_t at = 0; at < bytes.size(); at += recordSize) {
        const uint8_t* r = p + at;
        DbarRecord record{le32(r + 1), le32(r + 5), le32(r + 9), {}};
        // Every record must be this disc's: anything else is not an answer about it.
        if (r[0] != audioTracks || record.id1 != id1 || record.id2 != id2 || record.cddb != cddb) return std::nullopt;
        for (unsigned t = 0; t < audioTracks; ++t) {
            const uint8_t* e = r + 13 + 9 * t;
            record.tracks.push_back({e[0], le32(e + 1), le32(e + 5)});
        }
        records.push_back(std::move(record));
    }
    return records;
}

ArVerdict VerdictFor(const std::vector<DbarRecord>& records, size_t audioIndex, uint32_t v1, uint32_t v2) {
    ArVerdict verdict;
    verdict.kind = ArVerdict::NotInDatabase;
    for (const DbarRecord& record : records) {
        if (audioIndex >= record.tracks.size()) continue;
        const DbarTrack& t = record.tracks[audioIndex];
        if (t.confidence == 0 && t.crc == 0) continue;  // no one submitted this track
        if (t.confidence > verdict.submissions) verdict.submissions = t.confidence;
        if (verdict.kind == ArVerdict::NotInDatabase) verdict.kind = ArVerdict::NotAccurate;
        const int version = t.crc == v2 ? 2 : t.crc == v1 ? 1 : 0;
        if (version == 0 || t.confidence < verdict.confidence) continue;
        if (verdict.kind == ArVerdict::Accurate && t.confidence == verdict.confidence && version < verdict.version) continue;
        verdict.kind = ArVerdict::Accurate;
        verdict.confidence = t.confidence;
        verdict.version = version;
    }
    return verdict;
}

std::string VerdictText(const ArVerdict& v) {
    switch (v.kind) {
    case ArVerdict::Accurate:
        return "Accurately ripped (confidence " + std::to_string(v.confidence) + ", AccurateRip v" +
               std::to_string(v.version) + ")";
    case ArVerdict::NotAccurate:
        return "Not accurate (the database holds other rips of this track, confidence up to " +
               std::to_string(v.submissions) + ")";
    case ArVerdict::NotInDatabase: return "Not in the AccurateRip database";
    case ArVerdict::Unverified: break;
    }
    return v.why.empty() ? std::string("Not verified") : "Not verified (" + v.why + ")";
}

}  // namespace wl
