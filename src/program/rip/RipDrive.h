#pragma once
// The ripping drive: listing, choosing and opening it.
#include "app/App.h"

namespace wl {

// Closes the present handle, lists the drives, asks for a default when there are several
// and none is chosen, and opens the chosen drive. Returns the handle, 0 when none opened.
CdHandle OpenRipDrive(App& app);
// The Default CD Player dialog; 1 after OK, 0 after Cancel.
int RunDefaultCdDialog(App& app);
// Command 126.
void DefaultRippingPlayerCommand(App& app);

}  // namespace wl
