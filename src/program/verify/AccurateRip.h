#pragma once
// Proof that a rip is right: the checksums of each track as written, and what the
// AccurateRip database of other people's rips of the same pressing says of them.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Cdrom.h"
#include "platform/Hashing.h"

namespace wl {

// One track's checksums over its audio (16-bit stereo, little-endian), fed in chunks of any
// size. AccurateRip leaves out the first 5 sectors but one sample of the disc's first audio
// track and the last 5 sectors of its last, where drives' offsets differ.
class TrackChecksums {
public:
    // frames: the track's length in stereo samples; crc: the copy CRC's library, or none.
    TrackChecksums(uint64_t frames, bool firstAudioTrack, bool lastAudioTrack, Hashing* crc);
    void add(const uint8_t* pcm, size_t bytes);

    uint32_t v1() const { return v1_; }
    uint32_t v2() const { return v2_; }
    uint32_t copyCrc() const { return crc_; }
    bool hasCopyCrc() const { return hashing_ != nullptr; }
    int peak() const { return peak_; }  // the largest magnitude of any sample, 0..32768
    // CTDB's CRC-32 leaves out stereo samples at the track's front and back (with the copy CRC's library).
    void skipForCtdb(uint64_t front, uint64_t back);
    uint32_t ctdbCrc() const { return ctdb_; }

private:
    uint64_t frames_, m_ = 0;  // m counts stereo samples from 1
    uint64_t skipBelow_, skipAbove_;
    uint32_t v1_ = 0, v2_ = 0, crc_ = 0, ctdb_ = 0;
    uint64_t at_ = 0, ctdbFrom_ = 0, ctdbTo_;  // bytes
    int peak_ = 0;
    Hashing* hashing_;
    uint8_t carry_[4] = {};
    size_t carried_ = 0;
    void word(const uint8_t* w);
    void bulk(const uint8_t* pcm, size_t words);
};

constexpr uint32_t kSamplesPerFrame = 588;  // stereo samples in a sector

// Whether a track is the disc's first or last audio track, from the table of contents
// (data tracks are not audio; entry k is track k + 1).
struct AudioEdges {
    bool first = false, last = false;
};
AudioEdges AudioEdgesOf(const uint8_t (&toc)[kTocSize], int track);

// The database's file for a disc: ".../dBAR-NNN-ID1-ID2-CDDB.bin" under the base URL.
std::string AccurateRipPath(unsigned audioTracks, uint32_t id1, uint32_t id2, uint32_t cddb);

struct DbarTrack {
    int confidence = 0;
    uint32_t crc = 0, crc450 = 0;
};
struct DbarRecord {
    uint32_t id1 = 0, id2 = 0, cddb = 0;
    std::vector<DbarTrack> tracks;
};
// The records of an answer, or nothing when the answer is not records of this disc (an HTML
// page, a cut or padded file, another disc's IDs, a track count that differs).
std::optional<std::vector<DbarRecord>> ParseDbar(const std::string& bytes, unsigned audioTracks, uint32_t id1,
                                                 uint32_t id2, uint32_t cddb);

struct ArVerdict {
    enum Kind { Unverified, NotInDatabase, Accurate, NotAccurate } kind = Unverified;
    int confidence = 0;  // the highest of the matching records
    int version = 0;     // 1 or 2: which of the track's CRCs matched
    int submissions = 0; // the highest confidence any record gives the track
    std::string why;     // Unverified: the reason (no network, switched off, ...)
};
// audioIndex counts the disc's audio tracks from 0.
ArVerdict VerdictFor(const std::vector<DbarRecord>& records, size_t audioIndex, uint32_t v1, uint32_t v2);
std::string VerdictText(const ArVerdict& verdict);

}  // namespace wl
