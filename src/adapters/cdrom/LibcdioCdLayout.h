#pragma once
// Pregaps, ISRCs, flags and the catalog number of a disc opened through LibcdioCdrom: from
// the sheet of a CUE/BIN or cdrdao TOC image, from the Q sub-channel of a real drive.
#include "adapters/cdrom/LibcdioCdrom.h"
#include "platform/CdLayout.h"

namespace wl {

class LibcdioCdLayout final : public CdLayoutReader {
public:
    explicit LibcdioCdLayout(LibcdioCdrom& cdrom) : cdrom_(cdrom) {}
    PressedLayout readLayout(CdHandle handle) override;

private:
    LibcdioCdrom& cdrom_;
};

}  // namespace wl
