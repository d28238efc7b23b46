#pragma once
// The disc's own files beside its rips, its log and its cue sheet: what they are called, and
// that they never replace a file that is not theirs.
#include <string>

#include "app/App.h"

namespace wl {

// What the disc's files are called, without extension: its album ("<album> (disc n)" for a
// disc of a set), else its freedb ID; a fit file name either way.
std::string DiscFileName(const App& app);

// Which file of `folder` the disc's file with `extension` is: "<name><extension>" when it is
// free or this disc's own, else the first "<name> (k)<extension>" that is. A file is this
// disc's own when its first line begins with `firstLine` and it holds `idLine` as a line.
// "" when no name up to k = 99 is free.
std::string DiscFilePath(const App& app, const std::string& folder, const std::string& extension,
                         const std::string& firstLine, const std::string& idLine);

// The text as the file's whole new content, or the old file left as it was (false, with the
// reason in `why`).
bool WriteWholeFile(const std::string& path, const std::string& text, std::string* why = nullptr);

// Tells the user that the disc's `what` ("log", "cue sheet") could not be written, once per
// disc and path: the rips themselves are saved.
void ReportDiscFileFailure(App& app, const std::string& what, const std::string& path, const std::string& why);

}  // namespace wl
