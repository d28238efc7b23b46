#pragma once
#include "app/App.h"

namespace wl {

// Settings > Output Format...: MP3, FLAC (level 0-8) or Opus (64-256 kbit/s) for every
// conversion. Returns the dialog's result (IDOK when accepted).
int OutputFormatCommand(App& app);

}  // namespace wl
