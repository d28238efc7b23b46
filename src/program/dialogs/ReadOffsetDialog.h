#pragma once
#include "app/App.h"

namespace wl {

// Settings > Read Offset...: the drive's read offset in samples, kept with the settings.
int ReadOffsetCommand(App& app);

}  // namespace wl
