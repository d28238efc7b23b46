#pragma once
// WAV to MP3 conversion: the convert branch of the Play button, the conversion routine every
// MP3 path uses, and its worker thread.
//
// The routine may run on the conversion worker or on a helper thread the worker owns (one
// encoder stream each). Everything it does to the window or to the shared state happens inside
// Window::runOnWindowThread blocks, or is kept for the window's thread to run later (a rip
// batch's conversions), so the window's thread sees it in order with its own events; the
// threads themselves touch only their files, the encoder and the atomics `converting`,
// `conversionCancels` and the stop source `conversionStop`.
#include <cstdint>
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

// One file of a batch converted on one of several streams at once. The batch decides when the
// file's last window call (its message or its finish) may run, so files report in list order,
// and gathers each file's progress into the batch's percentage. Called on the stream's thread.
class BatchStream {
public:
    virtual ~BatchStream() = default;
    // Returns once the files before this one have reported (or the program is closing).
    virtual void awaitTurn() = 0;
    enum class Step { Go, Cancelled, Stop };
    // After each chunk, with the file's bytes done and in all.
    virtual Step progress(uint64_t done, uint64_t total) = 0;
};
// Converts entry `index` of convertFiles, as ConvertWavFile does for convertFileIndex, but
// without the status line's per-file reset and progress: the stream's batch draws those.
void ConvertBatchEntry(App& app, int index, BatchStream& stream);

// A track batch's rip to MP3: each track's conversion is handed to the worker, which encodes
// up to one per stream (conversionStreamCount) while the window's thread reads the next
// tracks. What a conversion shows and does to the window waits until the window's thread
// collects it, oldest first, so each track's messages come in track order.
// Hands the file named in the song name box (as ConvertWavFile would take it) to the worker;
// false when the worker is busy with a batch of WAV files or could not start (convert at once).
bool QueueRipConversion(App& app);
// Waits (the window's paints and timers served) for the oldest handed-over conversions and
// runs what they reported, until at most `keep` are pending; with 0 the worker ends too.
void CollectRipConversions(App& app, size_t keep);

// "Converting: n %" on the status line at once.
void drawConversionProgress(App& app, int percent);

// The panel click while a conversion runs: it ends after its current chunk.
void CancelConversion(App& app);

// Exit: stops the worker after its current chunk and waits for it; the worker removes its
// incomplete MP3 file and shows nothing. Call before the encoder library is unloaded.
void StopConversionWorker(App& app);

// The end of a track batch: the album's ReplayGain values (over every track converted since the
// batch's first) into each of its files; then the tracks are forgotten.
void WriteAlbumGain(App& app);

// "x/song.wav" -> "x/song.mp3": the file name's extension replaced, folders untouched.
std::string mp3NameFor(const std::string& wavName);

}  // namespace wl
