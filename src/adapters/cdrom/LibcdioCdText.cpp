#include "adapters/cdrom/LibcdioCdText.h"

#include <cdio/cdio.h>
#include <cdio/cdtext.h>

namespace wl {

namespace {

std::string field(const cdtext_t* text, cdtext_field_t f, track_t t) {
    const char* value = cdtext_get_const(text, f, t);
    return value != nullptr ? std::string(value) : std::string();
}

}  // namespace

DiscText LibcdioCdText::readCdText(CdHandle handle) {
    DiscText out;
    cdrom_.withDisc(handle, [&out](CdIo_t* cdio) {
        const cdtext_t* text = cdio_get_cdtext(cdio);
        if (text == nullptr) return;
        const track_t first = cdio_get_first_track_num(cdio);
        const track_t count = cdio_get_num_tracks(cdio);
        if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK) return;
        const int last = int(first) + int(count) - 1;
        // Track 0 is the disc; tracks beyond what the CD-Text covers come back empty.
        for (int t = 0; t <= last && t <= 99; ++t) {
            CdTextFields f;
            const auto tt = track_t(t);
            f.title = field(text, CDTEXT_FIELD_TITLE, tt);
            f.performer = field(text, CDTEXT_FIELD_PERFORMER, tt);
            f.songwriter = field(text, CDTEXT_FIELD_SONGWRITER, tt);
            f.composer = field(text, CDTEXT_FIELD_COMPOSER, tt);
            f.genre = field(text, CDTEXT_FIELD_GENRE, tt);
            out.tracks.push_back(f);
        }
    });
    return out;
}

}  // namespace wl
