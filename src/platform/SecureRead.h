#pragma once
// Port: verified reads of a disc's audio for secure rips: overlapping reads compared with
// each other, jitter corrected, what differs read again up to a limit per sector.
//
// Contract, both sides:
// - The handle is one the same Platform's Cdrom port opened; the reader reaches the drive
//   behind it under that library's own serialisation.
// - A read delivers every sector asked for, in the disc's little-endian byte order, or
//   fails as a whole (unknown handle, no disc, no verified read possible) leaving out as
//   it was. A sector not read exactly within the retries is delivered as best read and
//   named in inexact.
// - Reads of one track follow each other; finish() ends the session, so the next track's
//   counts and cache start afresh.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/Cdrom.h"

namespace wl {

struct SecureReadCounts {
    uint64_t reads = 0, verifications = 0, corrections = 0, skips = 0, readErrors = 0;
};

struct SectorRange {
    uint32_t first = 0, last = 0;  // sectors, both included
};

class SecureReader {
public:
    virtual ~SecureReader() = default;
    // count sectors from start into out (count * 2352 bytes); counts and inexact grow.
    virtual bool read(CdHandle handle, uint32_t start, uint32_t count, int retries, uint8_t* out,
                      SecureReadCounts& counts, std::vector<SectorRange>& inexact) = 0;
    virtual void finish() = 0;
};

}  // namespace wl
