#pragma once
// The WAV Files to Convert batch on several encoder streams at once: up to one file per
// processor core (never more streams than files), each stream with its own encoder context and
// thread; the conversion worker runs one stream and owns the threads of the others. Each file
// converts as a single one does (temporary MP3 renamed into place, the keep/delete rule, the
// messages), and the files report in list order. The status line shows the batch's overall
// percentage; a panel click cancels every running stream after its current chunk.
#include "app/App.h"

namespace wl {

// Streams for a batch of `files`: conversionStreams, or the processor cores when it is 0; at
// least one, at most one per file.
int conversionStreamCount(const AppState& s, int files);

// Converts convertFiles[0 .. count-1]; returns once every stream has ended. On the worker.
void RunConversionPool(App& app, int count);

}  // namespace wl
