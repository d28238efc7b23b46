#pragma once
// The names of a disc's tracks: cleaned from whatever the disc or the user gave, merged from
// their sources, turned into file names, and the user's edits kept per disc.
#include <string>

#include "app/DiscRecord.h"
#include "platform/CdText.h"

namespace wl {

// Text fit to be a name: bytes that are not UTF-8 read as Latin-1 (as CD-Text is written),
// control characters dropped, runs of white space made one space, trimmed, and cut at a
// character boundary to `limit` bytes.
std::string CleanText(const std::string& raw, size_t limit = 255);

// The disc's CD-Text as names (tracks beyond trackCount are dropped).
DiscNames NamesFromCdText(const DiscText& text, int trackCount);

// Track by track and field by field, the first source that has a text wins: edited, online,
// CD-Text. `source` is the best source that gave anything.
DiscNames MergeNames(const DiscNames& edited, const DiscNames& online, const DiscNames& cdText);

// "NN title" for track t as a file name without its extension: lower-cased (A-Z) as the
// names saved under are, made safe by SafeFileName, at most `limit` bytes. "" when the track
// has no title.
std::string TrackFileName(const DiscNames& names, int t, size_t limit);

const char* NameSourceText(NameSource source);

// The user's edits of a disc, one file per MusicBrainz disc ID under `folder`. Load gives
// empty names when there is no file or it is not ours; Save writes a whole new file or
// leaves the old one (false, with the reason).
DiscNames LoadEditedNames(const std::string& folder, const std::string& discId);
bool SaveEditedNames(const std::string& folder, const std::string& discId, const DiscNames& names,
                     std::string& why);
// $XDG_DATA_HOME/wavelathe/discs/, or ~/.local/share/wavelathe/discs/; "" when neither is set.
std::string DefaultEditsFolder();

}  // namespace wl
