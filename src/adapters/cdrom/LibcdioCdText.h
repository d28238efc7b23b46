#pragma once
// The CD-Text of a disc opened through LibcdioCdrom, real drive or disc image alike.
#include "adapters/cdrom/LibcdioCdrom.h"
#include "platform/CdText.h"

namespace wl {

class LibcdioCdText final : public CdTextReader {
public:
    explicit LibcdioCdText(LibcdioCdrom& cdrom) : cdrom_(cdrom) {}
    DiscText readCdText(CdHandle handle) override;

private:
    LibcdioCdrom& cdrom_;
};

}  // namespace wl
