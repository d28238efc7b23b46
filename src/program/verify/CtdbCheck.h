#pragma once
// After each rip, beside AccurateRip: the CTDB answer for the disc (kept from before, or
// asked for off the window's thread) gives every ripped track its CTDB verdict in the log.
#include "app/App.h"

namespace wl {

void VerifyWithCtdb(App& app);

// WAVELATHE_CTDB_URL when set, else the public database; answers kept under XDG_CACHE_HOME
// (else ~/.cache) in wavelathe/ctdb.
CtdbConfig CtdbConfigFromEnvironment();

}  // namespace wl
