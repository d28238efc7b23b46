#pragma once
// The four track buttons and the Eject button.
#include <string>

#include "app/App.h"

namespace wl {

void PrevTrackCommand(App& app);   // "<", wraps from 1 to the last track
void NextTrackCommand(App& app);   // ">", wraps from the last track to 1
void FirstTrackCommand(App& app);  // "<<"
void LastTrackCommand(App& app);   // ">>"
void EjectCommand(App& app);       // opens or closes the tray

// Shows the length of track t: from trackLengths, or in the rip mode from the disc's table
// of contents, read afresh.
void SelectTrack(App& app, int t);

// Clears the table of contents, asks for minute-second-frame addresses and reads it.
// Returns the library's result (1 = success).
int ReadTocMsf(App& app);
// Length of track t from a table of contents in minute-second-frame form, to the next
// track's start (the lead-out after the last track). t is held to 1 .. 99.
std::string TocTrackDuration(const uint8_t (&toc)[kTocSize], int t);

}  // namespace wl
