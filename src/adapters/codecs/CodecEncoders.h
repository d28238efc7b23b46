#pragma once
// The AudioEncoder port over libFLAC and libopusenc.
#include "platform/AudioEncoder.h"

namespace wl {

class CodecEncoders : public AudioEncoders {
public:
    std::string refusal(const EncodeSettings& settings, const PcmShape& shape) override;
    std::unique_ptr<AudioFileEncoder> create(const std::string& path, const EncodeSettings& settings,
                                             const PcmShape& shape, const Comments& comments,
                                             const CoverPicture& cover, std::string& why) override;
    bool updateComments(const std::string& path, EncodeSettings::Kind kind, const Comments& set,
                        std::string& why) override;
};

}  // namespace wl
