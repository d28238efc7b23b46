#pragma once
// The disc's identity and names while it is in the drive: read with the disc, shown in the
// name box, handed to the tag of each MP3 made from one of its tracks.
#include <string>

#include "app/App.h"
#include "app/Commands.h"

namespace wl {

// After the disc has been read: its table of contents, IDs, CD-Text and the user's edits;
// then the current track's name in the name box.
void ReadDiscNames(App& app);
// The drive still holds the disc whose identity was read (its table of contents gives the
// same IDs).
bool DiscStillInDrive(App& app);
// Door open or no disc: nothing of the old disc stays.
void ForgetDisc(App& app);

// Track t's file name without its extension ("03 so what"), at most `limit` bytes; "" when
// it has none. By default it fits the name box with ".wav".
std::string TrackFileNameOf(const App& app, int t, size_t limit = kSongNameChars - 4);
// The current track's whole file name ("03 so what.wav") into the name box, when the box
// holds "untitled" or a name the program put there: never over what the user typed.
void ShowTrackName(App& app);

// The names in effect recomputed from the sources (after an edit), and shown.
void UseNames(App& app);

// The tag of the next MP3, made from track t. Nothing when no tag writer is wired or the
// disc has neither names nor an ID.
void PrepareTrackTag(App& app, int t);

}  // namespace wl
