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
#include <cstdint>

#include "platform/Encoder.h"

namespace wl {

// beWriteVBRHeader could not read or write the MP3 file.
constexpr uint32_t BE_ERR_FILE = 6;

// Rewrites the first frame of a finished MP3 file with its final info tag. Call it after
// beDeinitStream, once every byte of the stream is in the file (before or after
// beCloseStream). The file is recognised by its content among the streams this library
// finished last, so a file it did not produce, or one changed since, is refused untouched.
extern "C" {
using BeWriteVBRHeaderFn = uint32_t (*)(const char* mp3FileName);
}

namespace lameenc {
// Streams open at once; beInitStream refuses the next with BE_ERR_NO_MORE_HANDLES.
constexpr uint32_t kMaxStreams = 64;
// Finished streams remembered for beWriteVBRHeader.
constexpr uint32_t kFinishedStreamsKept = 16;
}  // namespace lameenc

}  // namespace wl
