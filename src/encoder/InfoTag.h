#pragma once
// The LAME info tag: the first frame of the stream, which tells decoders the encoder delay,
// the padding and the frame count so they can trim the stream to its exact length.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace wl::lameenc {

// CRC-16 (polynomial 0x8005, reflected, start 0) as LAME computes the tag's own checksum.
uint16_t tagCrc16(const uint8_t* data, size_t size, uint16_t crc = 0);

// Where the tag's fields lie in a frame; nullopt-like: valid is false for other frames.
struct InfoTagLayout {
    bool valid = false;
    size_t xingOffset = 0;  // "Info" or "Xing"
    uint32_t flags = 0;     // which optional fields follow the flags
    size_t lameOffset = 0;  // the 36-byte LAME extension
};
InfoTagLayout parseInfoTag(const uint8_t* frame, size_t size);

// The LAME extension's fields that gapless decoding uses.
uint32_t tagEncoderDelay(const uint8_t* frame, const InfoTagLayout& layout);
uint32_t tagPadding(const uint8_t* frame, const InfoTagLayout& layout);

// From LAME's complete tag frame, the tag for a stream whose end is not known yet: same
// size, same encoder delay, no frame count, byte count or seek table, padding and music
// length 0, checksum recomputed. Decoders then skip the frame and the leading delay; only
// the trailing padding stays. Empty when `frame` is not a LAME tag.
std::vector<uint8_t> makeOpenEndedTag(const uint8_t* frame, size_t size);

// What a CBR stream's tag says, for rates whose frames are too small for LAME's own tag.
struct CbrTagFields {
    uint8_t headerByte3 = 0;  // channel mode and flags, as in the stream's audio frames
    uint32_t audioFrames = 0, streamBytes = 0;
    uint32_t bitrateKbps = 0, lowpassHz = 0, quality = 0;
    uint32_t encoderDelay = 0, padding = 0;
    uint8_t stereoMode = 1;  // LAME's numbering: 1 stereo, 3 joint stereo
};
// A 64 kbit/s MPEG-1 44.1 kHz frame (208 bytes, skipped by decoders) holding the tag.
std::vector<uint8_t> makeCbrTag(const CbrTagFields& fields);

// Identifies a stream's bytes after its tag frame (64-bit FNV-1a).
constexpr uint64_t kStreamHashStart = 0xcbf29ce484222325ull;
uint64_t streamHash(uint64_t hash, const uint8_t* data, size_t size);

}  // namespace wl::lameenc
