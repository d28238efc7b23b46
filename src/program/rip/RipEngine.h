#pragma once
// The rip branch of the Play button: digital extraction of the current track.
#include "app/App.h"

namespace wl {

void RipPlayBranch(App& app);

}  // namespace wl
