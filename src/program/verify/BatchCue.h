#pragma once
// The cue sheet a Tracks to Record batch leaves beside its files: one FILE line a track,
// with the disc's and the tracks' titles and performers, so players and burners see the disc.
#include <vector>

#include "app/App.h"

namespace wl {

// tracks: the batch's track numbers, in its order. False when nothing could be written.
bool WriteBatchCueSheet(App& app, const std::vector<int>& tracks);

}  // namespace wl
