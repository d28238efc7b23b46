#pragma once
// Disc positions and their texts in the three time formats of the cdaudio device.
// Positions are block numbers (0-based); MSF texts are absolute (block + 150 frames),
// TMSF texts are relative to the track's start.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Cdrom.h"

namespace wl::mci {

constexpr uint32_t kFramesPerSecond = 75;
constexpr uint32_t kMsfOffset = 150;

enum class TimeFormat { Tmsf, Msf, Milliseconds };

struct Toc {
    int first = 0, last = 0;
    std::vector<uint32_t> starts;  // block of track first + i
    std::vector<bool> audio;
    uint32_t leadOut = 0;

    int trackCount() const { return last - first + 1; }
    bool hasTrack(int t) const { return t >= first && t <= last; }
    uint32_t start(int t) const { return starts[size_t(t - first)]; }
    uint32_t end(int t) const { return t == last ? leadOut : start(t + 1); }
    int trackAt(uint32_t block) const;
};

// Reads the block-form table of contents; nullopt when the bytes do not describe a disc.
std::optional<Toc> parseToc(const uint8_t (&toc)[kTocSize]);

// "mm:ss:ff" of a frame count (a length, or an absolute MSF address).
std::string msfText(uint32_t frames);
std::string positionText(const Toc& toc, uint32_t block, TimeFormat format);
std::string lengthText(uint32_t frames, TimeFormat format);
// Parses a position given in `format`; nullopt for malformed or out-of-range text.
std::optional<uint32_t> parsePosition(const Toc& toc, const std::string& text, TimeFormat format);
// Decimal without sign or spaces, fitting 32 bits.
std::optional<uint32_t> parseDecimal(const std::string& text);

}  // namespace wl::mci
