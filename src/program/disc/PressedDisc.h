#pragma once
// The disc as pressed: its pregaps, hidden first track, codes and flags, read with the disc,
// for the rip, the tags, the log and a cue sheet that lays the disc out again.
#include <cstdint>
#include <string>

#include "app/App.h"

namespace wl {

// What the hidden first track's file is called unless the user names it.
inline constexpr const char* kHiddenTrackName = "00 Hidden Track One Audio";

// After the disc's table is read: its layout through the port, and whether the blocks before
// track 1 hold sound (they are read through the CD-ROM library to tell).
void ReadPressedDisc(App& app);

// Track t's entry in the layout; null when the layout has none.
const PressedTrack* PressedTrackOf(const DiscRecord& disc, int t);

// True when the disc has a hidden first track that holds sound.
inline bool HasHiddenTrack(const DiscRecord& disc) { return disc.hiddenFrames > 0; }

// The hidden track's length as the CD device gives a track's: "mm:ss:ff".
std::string HiddenTrackLengthText(const DiscRecord& disc);

// True when the layout holds anything beyond the table: pregaps, a hidden track, codes, flags.
bool HasPressedDetails(const DiscRecord& disc);

// The catalog number when it is a valid EAN-13 or UPC-A (checksum included), else "".
std::string BarcodeOf(const std::string& mcn);

}  // namespace wl
