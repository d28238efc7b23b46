#pragma once
// The MusicBrainz disc ID through libdiscid, from a table of contents the caller read.
#include "platform/DiscId.h"

namespace wl {

class LibDiscId final : public DiscIdCalculator {
public:
    bool compute(const DiscIdInput& in, DiscIdResult& out) override;
};

}  // namespace wl
