#include "adapters/cdrom/LibcdioCdLayout.h"

#include <cdio/cdio.h>
#include <cdio/disc.h>
#include <cdio/track.h>

#include <cstdlib>

namespace wl {

namespace {

// libcdio hands out malloc'd codes; some drives pad them with spaces.
std::string takeCode(char* code) {
    if (code == nullptr) return {};
    std::string text(code);
    std::free(code);
    while (!text.empty() && text.back() == ' ') text.pop_back();
    const size_t lead = text.find_first_not_of(' ');
    return lead == std::string::npos ? std::string() : text.substr(lead);
}

// A code is only what the standard allows: digits for the MCN, letters and digits for an ISRC.
bool plainCode(const std::string& code) {
    for (char c : code)
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'))) return false;
    return !code.empty();
}

}  // namespace

PressedLayout LibcdioCdLayout::readLayout(CdHandle handle) {
    PressedLayout out;
    cdrom_.withDisc(handle, [&out](CdIo_t* cdio) {
        const track_t first = cdio_get_first_track_num(cdio);
        const track_t count = cdio_get_num_tracks(cdio);
        if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count == 0) return;
        // Images carry their codes in the sheet; a drive reads them from the Q sub-channel,
        // which not every drive offers.
        const driver_id_t driver = cdio_get_driver_id(cdio);
        out.codesRead = driver == DRIVER_BINCUE || driver == DRIVER_CDRDAO || driver == DRIVER_NRG;
        std::string mcn = takeCode(cdio_get_mcn(cdio));
        if (!mcn.empty()) out.codesRead = true;
        if (plainCode(mcn) && mcn.find_first_not_of('0') != std::string::npos) out.mcn = mcn;
        for (unsigned t = first; t < unsigned(first) + count && t <= 99; ++t) {
            PressedTrack track;
            track.number = int(t);
            track.startLsn = cdio_get_track_lsn(cdio, track_t(t));
            if (track.startLsn == CDIO_INVALID_LSN) return;
            const lsn_t pregap = cdio_get_track_pregap_lsn(cdio, track_t(t));
            // Only a pregap that lies before its track and after the track before it is one.
            const int32_t floor = out.tracks.empty() ? 0 : out.tracks.back().startLsn;
            track.pregapLsn = pregap != CDIO_INVALID_LSN && pregap >= floor && pregap < track.startLsn
                                  ? int32_t(pregap)
                                  : track.startLsn;
            track.audio = cdio_get_track_format(cdio, track_t(t)) == TRACK_FORMAT_AUDIO;
            std::string isrc = takeCode(cdio_get_track_isrc(cdio, track_t(t)));
            if (!isrc.empty()) out.codesRead = true;
            if (isrc.size() == 12 && plainCode(isrc)) track.isrc = isrc;
            track.preEmphasis = cdio_get_track_preemphasis(cdio, track_t(t)) == CDIO_TRACK_FLAG_TRUE;
            track.copyPermitted = cdio_get_track_copy_permit(cdio, track_t(t)) == CDIO_TRACK_FLAG_TRUE;
            out.tracks.push_back(track);
        }
        out.known = true;
    });
    if (!out.known) return PressedLayout{};
    return out;
}

}  // namespace wl
