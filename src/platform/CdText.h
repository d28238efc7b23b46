#pragma once
// Port: the CD-Text of the disc behind a ripping-drive handle (the CD-ROM library's handle).
// Kept apart from the Cdrom port, whose calls mirror an older library's byte layouts.
//
// Contract:
// - readCdText(0) and a handle the library does not know return an empty DiscText.
// - Texts come as the library decoded them (UTF-8 when it could); the caller still checks
//   them, since a disc may hold bytes that are not text.
// - tracks[0] is the disc itself; tracks[n] is track n for n up to the last track the
//   CD-Text covers, which may be fewer than the disc's tracks.
// - Safe to call while the device layer reads audio through the same library.
#include <string>
#include <vector>

#include "platform/Cdrom.h"

namespace wl {

struct CdTextFields {
    std::string title, performer, songwriter, composer, genre;
};

struct DiscText {
    std::vector<CdTextFields> tracks;  // [0] the disc, [n] track n; empty = no CD-Text
};

class CdTextReader {
public:
    virtual ~CdTextReader() = default;
    virtual DiscText readCdText(CdHandle handle) = 0;
};

}  // namespace wl
