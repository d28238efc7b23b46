#pragma once
// The Loudness port over libebur128 (integrated loudness, sample peak).
#include "platform/Loudness.h"

namespace wl {

class Ebur128Loudness : public Loudness {
public:
    std::unique_ptr<LoudnessMeter> meter(const PcmShape& shape) override;
    double albumLoudness(const std::vector<LoudnessMeter*>& meters) override;
};

}  // namespace wl
