#pragma once
// What a FLAC or Opus file says about its track (Vorbis comments under the names other rippers
// and taggers use), and the ReplayGain 2.0 values every format carries.
#include <string>

#include "app/OutputFormat.h"
#include "platform/AudioEncoder.h"
#include "platform/Tags.h"

namespace wl {

// ReplayGain 2.0's reference loudness; Opus's R128 gains are relative to EBU R 128's -23 LUFS.
constexpr double kReplayGainReference = -18.0;
constexpr double kR128Reference = -23.0;

Comments VorbisComments(const Mp3Tag& tag);

// The gain and peak fields of a track (album false) or of a batch's album. MP3 carries them as
// TXXX frames of the same names; Opus as R128_TRACK_GAIN / R128_ALBUM_GAIN (Q7.8 dB, no peak).
// None for silence.
Comments GainFields(OutputFormat format, bool album, double loudness, double peak);

// "x/song.wav" -> "x/song.flac": the file name's extension replaced, folders untouched.
std::string EncodedNameFor(OutputFormat format, const std::string& wavName);

}  // namespace wl
