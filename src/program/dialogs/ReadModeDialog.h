#pragma once
#include "app/App.h"

namespace wl {

// Settings > Read Mode...: Burst, Secure or Secure where needed, kept with the settings.
int ReadModeCommand(App& app);
// Settings > Test & Copy: on or off, its menu item checked when on.
void TestAndCopyCommand(App& app);

}  // namespace wl
