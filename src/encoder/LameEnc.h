#pragma once
// The encoder library's exports (LameEnc.so, over libmp3lame). The shared entry point types
// are in platform/Encoder.h; this adds what only the library and its tests need.
//
// Gapless files: the stream cannot carry its final info tag, because the tag (frame count,
// padding) is known only at the end and the program writes the file front to back. So the
// first frame the library hands out is an info tag that already holds the encoder delay but
// no length; decoders skip it and (ffmpeg) the delay. Once the MP3 file is complete,
// beWriteVBRHeader(file) overwrites that frame in place with LAME's final tag; then mpg123
// and ffmpeg decode exactly the input's samples. Without that call the file is still valid
// and complete: it only decodes to a little more silence (up to the encoder delay plus
// LAME's padding).
// Thread-safe for several streams at once: each stream is its own LAME encoder with its own
// lock, so streams encode in parallel from threads of their own. The one shared state is the
// stream table (open streams, finished ones for beWriteVBRHeader), under its lock; LAME's
// process-wide tables are filled when an encoder is made, and that happens under the same lock.
#include <cstdint>

#include "platform/Encoder.h"

namespace wl {

namespace lameenc {
// Streams open at once; beInitStream refuses the next with BE_ERR_NO_MORE_HANDLES.
constexpr uint32_t kMaxStreams = 64;
// Finished streams remembered for beWriteVBRHeader.
constexpr uint32_t kFinishedStreamsKept = 16;
}  // namespace lameenc

}  // namespace wl
