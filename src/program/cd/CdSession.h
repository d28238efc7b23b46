#pragma once
// The CD audio device between commands: the start-up disc check, the watch on the drive while
// idle, and the elapsed-time clock of a recording or play back. One routine per window timer.
#include <string_view>

#include "app/App.h"

namespace wl {

// ClockTimer: reads the disc at start; hands over to PollTimer after success or five ticks.
void InitialiseDisc(App& app);
// PollTimer: notices an opened door and a newly inserted disc.
void PollDrive(App& app);
// RecordTimer: advances the elapsed time and saves the recording when the CD play under it ends.
void AdvanceElapsedClock(App& app);

// A track count as the device or the table of contents reports it, held to the 99 tracks an
// audio CD can have (and the slots of trackLengths): a larger count would index past them.
int boundedTrackCount(long count);
// Leading decimal number of a reply, as the standard conversion reads it (0 when none).
long replyNumber(std::string_view reply);
// "status cd length track n" for n = 1 .. trackCount into trackLengths.
void ReadTrackLengths(App& app);

}  // namespace wl
