#pragma once
// Port: the disc as it was pressed, beyond its table of contents: where each track's pregap
// (INDEX 00) begins, its ISRC and control flags, and the disc's catalog number (MCN).
// Kept apart from the Cdrom port, whose calls mirror an older library's byte layouts.
//
// Contract:
// - readLayout(0), an unknown handle, an open tray or an empty drive give a layout with
//   known == false and nothing else.
// - Addresses are 0-based blocks (the READ TOC block form). A track without a pregap has
//   pregapLsn == startLsn; track 1's pregap may begin at block 0, before the table's start.
// - Codes come as the disc holds them, trimmed; empty when the disc (or the drive) gives
//   none. codesRead is false when the source could not be asked for them at all.
// - Safe to call while the device layer reads audio through the same library.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Cdrom.h"

namespace wl {

struct PressedTrack {
    int number = 0;
    int32_t pregapLsn = 0;  // INDEX 00; == startLsn when the track has none
    int32_t startLsn = 0;   // INDEX 01
    std::string isrc;
    bool audio = true;
    bool preEmphasis = false;
    bool copyPermitted = false;  // the DCP flag
};

struct PressedLayout {
    bool known = false;
    bool codesRead = false;  // false: the drive gave no ISRC/MCN at all (not "none on the disc")
    std::string mcn;
    std::vector<PressedTrack> tracks;  // in disc order
};

class CdLayoutReader {
public:
    virtual ~CdLayoutReader() = default;
    virtual PressedLayout readLayout(CdHandle handle) = 0;
};

}  // namespace wl
