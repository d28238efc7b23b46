#pragma once
// Port: the MusicBrainz disc ID and its submission URL, computed by a library of the field.
//
// Contract:
// - The caller gives first and last track (1..99, first <= last), the lead-out and each
//   track's offset, all in sectors counted as MusicBrainz counts them (LBA + 150).
//   offsets[n] is track n's; slots outside first..last are ignored.
// - compute returns false (and leaves `out` empty) for a table the library refuses.
// - No state is kept between calls; callable from any thread.
#include <array>
#include <cstdint>
#include <string>

namespace wl {

struct DiscIdInput {
    int firstTrack = 0, lastTrack = 0;
    int32_t leadOut = 0;
    std::array<int32_t, 100> offsets{};
};

struct DiscIdResult {
    std::string musicBrainzId;  // 28 characters
    std::string freedbId;       // 8 hex digits, as the library computes it
    std::string submissionUrl;
};

class DiscIdCalculator {
public:
    virtual ~DiscIdCalculator() = default;
    virtual bool compute(const DiscIdInput& in, DiscIdResult& out) = 0;
};

}  // namespace wl
