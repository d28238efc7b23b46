#pragma once
// The cue sheet a Tracks to Record batch leaves beside its files: one FILE line a track,
// with the disc's and the tracks' titles and performers, so players and burners see the disc.
#include <vector>

#include "app/App.h"

namespace wl {

// tracks: the batch's track numbers, in its order. False when nothing could be written.
bool WriteBatchCueSheet(App& app, const std::vector<int>& tracks);

// True when the batch holds every track of the disc, all audio, in disc order, its hidden
// first track (when it has one that holds sound) first.
bool IsWholeDiscBatch(const App& app, const std::vector<int>& tracks);

// The sheet that lays the whole disc out again from the batch's files: its catalog number,
// each track's flags, ISRC, and INDEX 00 at the end of the track before's file (the hidden
// track's file is track 1's INDEX 00 file). Written by WriteBatchCueSheet for a whole disc
// with any of these; the text alone here, "" when a file is missing.
std::string PressedCueSheetText(const App& app, const std::vector<int>& tracks);

// The whole disc as one file beside the batch: "<disc> (single file).bin", its raw sectors
// from block 0 to the lead-out, and its sheet "<disc> (single file).cue". Needs every track's
// WAV; false, with nothing left half-written, when one is missing or a file cannot be written.
bool WriteSingleFileImage(App& app, const std::vector<int>& tracks);

}  // namespace wl
