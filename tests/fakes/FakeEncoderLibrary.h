#pragma once
// A scripted encoder library: the entry points as plain C functions, as the real library
// exports them, recording what they are given. C function pointers carry no object, so each
// instance takes one of a few slots that its functions look up; tests may hold several.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "FakeEncoder.h"

namespace wl::test {

class FakeEncoderLibrary {
public:
    FakeEncoderLibrary();
    ~FakeEncoderLibrary();
    FakeEncoderLibrary(const FakeEncoderLibrary&) = delete;
    FakeEncoderLibrary& operator=(const FakeEncoderLibrary&) = delete;

    // Script.
    uint32_t samplesPerChunk = 8;   // 16-bit samples per chunk
    uint32_t bufferSize = 64;
    uint32_t initResult = 0, deinitResult = 0;
    int failEncodeAt = -1;          // index of the chunk whose beEncodeChunk fails
    std::string chunkOutput = "<mp3>";
    std::string finalOutput = "<end>";
    std::function<void(int chunk)> onEncode;  // called on the caller's thread before each chunk

    // Record (read after the conversion has ended).
    std::vector<uint8_t> config;
    std::vector<int16_t> samples;   // every sample given, in order
    int chunks = 0, deinits = 0, closes = 0;
    bool streamOpen = false;
    std::vector<std::string> vbrHeaderFiles;

    // Puts the entry points into the loader; `missing` is left out. beWriteVBRHeader only
    // when withVbrHeader.
    void install(FakeEncoderLoader& loader, const std::string& missing = {}, bool withVbrHeader = false);

    // Called by the slot functions.
    uint32_t init(const uint8_t* cfg, uint32_t* spc, uint32_t* size, uint32_t* stream);
    uint32_t encode(uint32_t stream, uint32_t count, const int16_t* pcm, uint8_t* out, uint32_t* produced);
    uint32_t deinit(uint32_t stream, uint8_t* out, uint32_t* produced);
    uint32_t close(uint32_t stream);
    uint32_t writeVbrHeader(const char* file);

private:
    int slot_;
    uint32_t handle() const { return uint32_t(slot_) + 100; }
};

}  // namespace wl::test
