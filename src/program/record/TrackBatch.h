#pragma once
// The Tracks to Record dialog and the batch of chosen tracks it leaves behind.
//
// The batch: entries 0 .. batchCount-1 of selectionTracks, in recording order; entry i is
// track t = selectionTracks[i], saved as trackNames[t] + ".wav". Recording and ripping raise
// batchIndex for each entry they take up and set batchCount to 0 after the last.
#include <string>

#include "app/App.h"

namespace wl {

constexpr int kAvailableTracksList = 302;
constexpr int kChosenTracksList = 303;
constexpr int kRenameEdit = 304;
constexpr int kClearButton = 305;
constexpr size_t kMaxBatchEntries = 100;
constexpr size_t kTrackNameChars = 49;

// "Track7" -> 7, "Track12" -> 12; 0 for a label of any other length.
int parseTrackNumber(const std::string& label);

// Command 112: runs the dialog, then shows the batch's first entry (or "untitled").
void TracksToRecordCommand(App& app);

}  // namespace wl
