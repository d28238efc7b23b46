#pragma once
// After each rip: the disc's AccurateRip answer (kept from before, or asked for off the
// window's thread) gives every ripped track its verdict, in the log and once in the status
// line. No network means no verdict, never a box.
#include "app/App.h"

namespace wl {

void VerifyRippedTracks(App& app);

// WAVELATHE_ACCURATERIP_URL when set, else the public database; answers kept under
// XDG_CACHE_HOME (else ~/.cache) in wavelathe/accuraterip.
VerifyConfig VerifyConfigFromEnvironment();

}  // namespace wl
