#pragma once
// The rip engine: a CD track read digitally through the CD-ROM library and written, exactly
// as read, into a WAV file of the disc's own format (44,100 Hz, 16 bits, stereo).
//
// Runs on the window's thread. The status line is drawn at once, and between chunks the
// window is let serve its paints and timers (never user input), so it stays alive during
// a long track.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "app/App.h"

namespace wl {

constexpr size_t kWavHeaderSize = 44;
constexpr uint32_t kRipChunkFrames = 26;
constexpr size_t kRipChunkBytes = kRipChunkFrames * kCdFrameBytes;  // 61,152

enum class RipOutcome {
    Written,       // the WAV file is complete (unreadable frames, if any, are silence)
    NotStarted,    // no drive, no table of contents or no buffer: no file was made
    OutputFailed,  // the file could not be created or written: reported, nothing left behind
};

// The rip branch of ID_PLAY, entered from StartRecording's step 9 with songName normalised
// and shown in the song name box, the menus greyed and the status set: extraction, the MP3
// chaining and the continuation of a track batch (by sending ID_PLAY).
void RipPlayBranch(App& app);

// Extracts track currentTrack into the file named by the song name box (under savePath
// when set). Failures are shown in message boxes.
RipOutcome RipCurrentTrack(App& app);

// Reads count frames from block start on into that file, in the read mode of the settings
// (Secure where needed reads in Burst first), with Test & Copy when it is on.
RipOutcome ExtractTrack(App& app, CdHandle handle, uint32_t start, uint32_t count);
// The same into path, in Secure (when a secure reader is wired) or in Burst.
RipOutcome ExtractTrackAs(App& app, CdHandle handle, uint32_t start, uint32_t count, bool secure, const std::string& path);
// Secure where needed: once the databases have answered (or the wait ran out), the track just
// ripped in Burst that neither confirms is ripped again in Secure in its place.
void RipAgainWhereNeeded(App& app);

// Writes the 44-byte header at the start of an open file. False when there is no file or
// the write failed.
bool WriteWavHeader(std::FILE* file, uint32_t dataLength);

}  // namespace wl
