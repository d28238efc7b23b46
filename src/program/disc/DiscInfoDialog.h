#pragma once
// The Disc Information dialog: the disc's names, where they came from, and the user's edits.
#include "app/App.h"

namespace wl {

constexpr int kDiscAlbumArtistEdit = 402, kDiscAlbumEdit = 403, kDiscYearEdit = 404, kDiscSourceText = 405,
              kDiscTrackList = 406, kDiscTitleEdit = 407, kDiscArtistEdit = 408,
              kDiscLookupText = 409, kDiscReleaseList = 410, kDiscLookUpButton = 411, kDiscSubmitButton = 412,
              kDiscCoverImage = 413;

// Command ID_DISC_INFORMATION. OK keeps the edits for this disc (in memory at once, and on
// disk under its MusicBrainz disc ID) and shows the current track's new name; Cancel keeps nothing.
void DiscInformationCommand(App& app);

}  // namespace wl
