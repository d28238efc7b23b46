#pragma once
// The painted parts of the main window: the display panel, labels, status line, frames.
#include <string>

#include "app/App.h"

namespace wl {

constexpr Rgb kDigitsGreen{0, 255, 0};
constexpr Rgb kStatusColour{131, 31, 58};
Font displayFont();
Font labelFont();

void PrepareDisplay(App& app);  // creation: colours, fixed rectangles, "00"
void PaintMainWindow(App& app, Canvas& canvas);

// The status line's text whenever the program waits for a name.
constexpr const char* kSongNamePrompt = "Enter song name or click here:";
void setStatus(App& app, const std::string& text);
// Draws statusText at once where the paint handler would, padded to cover a longer text.
void drawStatusLineNow(App& app);
void resetElapsedDisplay(App& app);
void drawTrackNumber(App& app);
void invalidateTrackNumber(App& app);
void invalidateTrackTime(App& app);
std::string formatDuration(int end, int start);

// Gives back the menu items a recording or a rip greys, and the name box.
void enableIdleMenus(App& app);

}  // namespace wl
