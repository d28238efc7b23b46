#pragma once
// Port: the encoders beside the MP3 library, FLAC and Ogg Opus, each writing one file from the
// PCM of a WAV's data chunk, with its Vorbis comments and front cover. No codec headers here.
//
// Contract:
// - refusal says, in words, why a format cannot hold PCM of that shape; empty when it can.
// - create opens `path` (replacing what is there) and returns null with `why` on failure.
//   Comments and the cover go into the file's header. A FLAC gets its audio's MD5, a seek
//   point every 10 s and 8 KiB of padding, and is verified as it is encoded.
// - write takes whole frames exactly as the data chunk holds them (little-endian, interleaved;
//   8-bit unsigned, 16- and 24-bit signed); finish completes the file. Either false: the
//   file is incomplete, error() says why, and the caller removes it.
// - updateComments sets the named comments of a finished file (replacing any of those names),
//   in place where its padding allows; false with `why` leaves the file as it was.
// - Called from the conversion worker and its streams, one encoder per stream; the port holds
//   no state between calls.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace wl {

struct PcmShape {
    uint32_t sampleRate = 44100;
    uint16_t channels = 2;
    uint16_t bitsPerSample = 16;
    uint64_t frames = 0;  // in all, as the data chunk's size says
    uint32_t frameBytes() const { return uint32_t(channels) * ((bitsPerSample + 7u) / 8u); }
};

struct EncodeSettings {
    enum Kind { Flac, Opus } kind = Flac;
    int flacLevel = 5;   // 0-8
    int opusKbps = 160;  // 64-256
};

using Comments = std::vector<std::pair<std::string, std::string>>;  // field name, UTF-8 value

// A picture as the file format stores it; picture type 3 is the front cover.
struct CoverPicture {
    std::string mime;
    uint32_t width = 0, height = 0, depth = 0;
    std::string bytes;
    bool empty() const { return bytes.empty(); }
};

class AudioFileEncoder {
public:
    virtual ~AudioFileEncoder() = default;
    virtual bool write(const uint8_t* pcm, size_t frames) = 0;
    virtual bool finish() = 0;
    virtual std::string error() const = 0;
};

class AudioEncoders {
public:
    virtual ~AudioEncoders() = default;
    virtual std::string refusal(const EncodeSettings& settings, const PcmShape& shape) = 0;
    virtual std::unique_ptr<AudioFileEncoder> create(const std::string& path, const EncodeSettings& settings,
                                                     const PcmShape& shape, const Comments& comments,
                                                     const CoverPicture& cover, std::string& why) = 0;
    virtual bool updateComments(const std::string& path, EncodeSettings::Kind kind, const Comments& set,
                                std::string& why) = 0;
};

}  // namespace wl
