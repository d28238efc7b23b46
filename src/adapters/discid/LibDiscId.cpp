#include "adapters/discid/LibDiscId.h"

#include <discid/discid.h>

#include <memory>

namespace wl {

bool LibDiscId::compute(const DiscIdInput& in, DiscIdResult& out) {
    out = DiscIdResult{};
    if (in.firstTrack < 1 || in.lastTrack > 99 || in.firstTrack > in.lastTrack) return false;
    // discid_put reads offsets[0] as the lead-out and offsets[first..last] as the tracks.
    int offsets[100] = {};
    offsets[0] = in.leadOut;
    for (int t = in.firstTrack; t <= in.lastTrack; ++t) offsets[t] = in.offsets[size_t(t)];
    std::unique_ptr<DiscId, void (*)(DiscId*)> disc(discid_new(), discid_free);
    if (!disc || discid_put(disc.get(), in.firstTrack, in.lastTrack, offsets) == 0) return false;
    out.musicBrainzId = discid_get_id(disc.get());
    out.freedbId = discid_get_freedb_id(disc.get());
    out.submissionUrl = discid_get_submission_url(disc.get());
    return true;
}

}  // namespace wl
