#pragma once
// Port: the MP3 encoder library, loaded at run time by file name, entry points by name.
// Also the C interface of the entry points, shared by the program and the library
// (src/encoder/) so both sides agree on it. No encoder headers here.
//
// Contract of the loader: load returns null when the library is missing or not loadable;
// entryPoint returns null when the name is not exported; unload accepts null. Loading is
// from the window's thread; entry points may be called from the conversion worker.
#include <cstdint>
#include <string>

namespace wl {

// The library's file name on this platform; a bare name is looked up next to the executable.
constexpr const char* kEncoderLibraryName = "LameEnc.so";

// EncoderConfig as the program fills it, byte-packed little-endian:
// [0..3] kind (0 = plain MP3), [4..7] sample rate, [8] mode (0 = stereo),
// [9..10] bit rate in kbit/s, [11..26] zero.
constexpr unsigned kEncoderConfigSize = 27;
constexpr unsigned kEncoderConfigKind = 0;
constexpr unsigned kEncoderConfigRate = 4;
constexpr unsigned kEncoderConfigMode = 8;
constexpr unsigned kEncoderConfigBitrate = 9;

// Result codes of the entry points: 0 = success, anything else a refusal.
constexpr uint32_t BE_ERR_SUCCESSFUL = 0;
constexpr uint32_t BE_ERR_INVALID_FORMAT = 1;
constexpr uint32_t BE_ERR_INVALID_FORMAT_PARAMETERS = 2;
constexpr uint32_t BE_ERR_NO_MORE_HANDLES = 3;
constexpr uint32_t BE_ERR_INVALID_HANDLE = 4;
constexpr uint32_t BE_ERR_BUFFER_TOO_SMALL = 5;
constexpr uint32_t BE_ERR_FILE = 6;  // beWriteVBRHeader could not read or write the file

struct BeVersionInfo {
    uint8_t dllMajor, dllMinor, engineMajor, engineMinor;
    uint8_t day, month;
    uint16_t year;
    char homepage[129];
};

extern "C" {
using BeInitStreamFn = uint32_t (*)(const uint8_t* config, uint32_t* samplesPerChunk,
                                    uint32_t* mp3BufferSize, uint32_t* stream);
using BeEncodeChunkFn = uint32_t (*)(uint32_t stream, uint32_t sampleCount, const int16_t* samples,
                                     uint8_t* mp3Buffer, uint32_t* produced);
using BeDeinitStreamFn = uint32_t (*)(uint32_t stream, uint8_t* mp3Buffer, uint32_t* produced);
using BeCloseStreamFn = uint32_t (*)(uint32_t stream);
using BeVersionFn = void (*)(BeVersionInfo* info);
// Optional: rewrites the first frame of a finished MP3 file with its final info tag (exact
// length for gapless players). Call once every byte is in the file; a file the library did
// not just produce is refused untouched.
using BeWriteVBRHeaderFn = uint32_t (*)(const char* mp3FileName);
}

using ModuleHandle = void*;

class EncoderLoader {
public:
    virtual ~EncoderLoader() = default;
    virtual ModuleHandle load(const std::string& name) = 0;
    virtual void* entryPoint(ModuleHandle module, const char* name) = 0;
    virtual void unload(ModuleHandle module) = 0;
};

}  // namespace wl
