#pragma once
// Clicks on the main window: the "click here:" words of the status line, and the display
// panel.
#include "app/App.h"

namespace wl {

// Save As (Open in the convert mode); the chosen file goes into the song name box.
void StatusClick(App& app);
// Cancels a running conversion, or stops a running recording without saving it.
void PanelClick(App& app);

}  // namespace wl
