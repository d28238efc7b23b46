#pragma once
// WAV to MP3 conversion: the convert branch of the Play button, the conversion routine every
// MP3 path uses, and its worker thread.
//
// The routine may run on the conversion worker. Everything it does to the window or to the
// shared state happens inside Window::runOnWindowThread blocks, so the window's thread sees
// it in order with its own events; the worker itself touches only its files, the encoder and
// the atomics `converting` and `stopConversion`.
#include <string>

#include "app/App.h"

namespace wl {

// Play in the Convert WAV to MP3 mode (convertMode 1).
void ConvertPlayCommand(App& app);

// Starts the worker that converts `source` (the file the Play button checked). Any earlier,
// finished worker is joined first. Not while `workerRunning` is set.
void StartConversionThread(App& app, const std::string& source);

// Converts the file named in the song name box (under savePath when set), or entry
// convertFileIndex of convertFiles when convertFileCount is not 0. Failures are shown in
// message boxes. On return `converting` is 0.
void ConvertWavFile(App& app);
// The same with the source given; empty = chosen as above.
void ConvertWavFile(App& app, const std::string& source);

// The panel click while a conversion runs: it ends after its current chunk.
void CancelConversion(App& app);

// Exit: stops the worker after its current chunk and waits for it; the worker removes its
// incomplete MP3 file and shows nothing. Call before the encoder library is unloaded.
void StopConversionWorker(App& app);

// "x/song.wav" -> "x/song.mp3": the file name's extension replaced, folders untouched.
std::string mp3NameFor(const std::string& wavName);

}  // namespace wl
