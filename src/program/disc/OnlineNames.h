#pragma once
// Names from the online database: asked for, off the window's thread, when a disc is read
// that the user has named nothing of (or when the user asks again); the first release with
// the disc's track count becomes the disc's online names, the others stay on offer. An
// answer that comes while the program is busy waits for the work to end.
#include "app/App.h"

namespace wl {

// refresh: ask the service even when an answer is kept. Does nothing when lookups are off,
// no lookup is wired, or the disc has no MusicBrainz disc ID.
void LookUpDiscOnline(App& app, bool refresh);
// Releases (and a cover) that came during work name the disc once the program is idle, if the
// disc is still the one they are for; otherwise they are dropped. Called on every timer tick.
void UseWaitingAnswer(App& app);
// Release `index` of those found becomes the disc's online names.
void ChooseOnlineRelease(App& app, size_t index);
// "Title / Artist / Year / Country / Label" for the dialog's list.
std::string ReleaseText(const LookupRelease& release);

}  // namespace wl
