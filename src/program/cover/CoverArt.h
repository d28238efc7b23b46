#pragma once
// The release's front cover from the Cover Art Archive: fetched off the window's thread when
// the names come from MusicBrainz, kept per release in the user's cache folder, and carried
// into every file a conversion of the disc's tracks writes. No answer, a 404 or anything but a
// picture: no cover, and nothing said.
#include <string>

#include "app/App.h"
#include "platform/AudioEncoder.h"

namespace wl {

// JPEG or PNG: fills mime, width, height and depth from the bytes; false for anything else.
bool SniffPicture(CoverPicture& picture);

// {base}/release/{MBID}/front-500; base from WAVELATHE_COVERART_URL, else the archive's own,
// and the cache folder $XDG_CACHE_HOME/wavelathe/coverart (~/.cache when unset).
void CoverArtConfigFromEnvironment(AppState& s);
std::string CoverArtUrl(const AppState& s, const std::string& releaseId);

// The chosen online release's cover into s.disc.cover*: from the cache at once, else fetched.
// Nothing when lookups are off or no fetch is wired.
void FetchFrontCover(App& app);
// A cover fetched during work becomes the disc's once the program is idle, if its release is
// still the one chosen.
void UseWaitingCover(App& app);

}  // namespace wl
