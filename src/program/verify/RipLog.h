#pragma once
// One log per disc in the save folder, rewritten after every rip of one of its tracks: what
// was read, from what, how, and what each track's checksums prove.
#include <string>

#include "app/App.h"

namespace wl {

// The disc's IDs from its table of contents (block addresses, entry k = track k + 1).
struct DiscIds {
    unsigned audioTracks = 0;
    uint32_t arId1 = 0, arId2 = 0, freedb = 0;
};
DiscIds DiscIdsOf(const uint8_t (&toc)[kTocSize]);

// The log's text, its last line the SHA-256 of everything above it (when hashing is there).
std::string RipLogText(const App& app, const std::string& date);

// The read offset a rip applies, in samples: the setting for a drive, none for a disc image.
int AppliedReadOffset(const AppState& s);
// Writes the log beside the rips (the folder of the last one) under the disc's file name,
// never over a file that is not this disc's log; false, told to the user, with nothing
// half-written, when it cannot be.
bool WriteRipLog(App& app);

// How every log of this program begins, and its line that names the disc: a log of that name
// holding both is this disc's own.
constexpr const char* kRipLogFirstLine = "Wavelathe ";
std::string RipLogIdLine(const DiscIds& ids);

}  // namespace wl
