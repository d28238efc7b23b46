#pragma once
// Finding a drive's read offset from a disc AccurateRip knows: the sectors around frame 450 of
// its tracks, read as the drive gives them, slid over every candidate offset until a window's
// frame-450 CRC is the database's, on two tracks.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Cdrom.h"
#include "verify/AccurateRip.h"

namespace wl {

constexpr int kMaxDetectedOffset = 5000;  // samples, either way

// AccurateRip's offset-finding CRC of one sector's 588 stereo samples: each sample's 32-bit
// word times its place in the sector, from 1.
uint32_t Crc450(const uint8_t* sector);

// Reads count sectors from start as the drive delivers them (no offset applied) into out.
using RawSectorRead = std::function<bool(uint32_t start, uint32_t count, std::vector<uint8_t>& out)>;

struct OffsetProposal {
    std::optional<int> offset;       // samples, as the Read Offset setting takes it
    std::vector<int> tracks;         // the tracks that agree on it
    std::string why;                 // when there is none
};
OffsetProposal DetectReadOffset(const uint8_t (&toc)[kTocSize], const std::vector<DbarRecord>& records,
                                const RawSectorRead& read);

// The AccurateRip drive offset list: 69-byte records, a little-endian int16 offset, then a
// 33-byte NUL-padded "VENDOR - MODEL". The listed offset of the drive named (vendor and model
// as the drive reports them, spaces and case aside), or nothing.
std::optional<int> ListedDriveOffset(const std::string& list, const std::string& driveName);

}  // namespace wl
