#pragma once
// The Opus side of the AudioEncoder port (see platform/AudioEncoder.h).
#include <memory>
#include <string>

#include "platform/AudioEncoder.h"

namespace wl {

std::string opusRefusal(const PcmShape& shape);
std::unique_ptr<AudioFileEncoder> createOpusFile(const std::string& path, const EncodeSettings& settings,
                                                 const PcmShape& shape, const Comments& comments,
                                                 const CoverPicture& cover, std::string& why);
bool updateOpusComments(const std::string& path, const Comments& set, std::string& why);

}  // namespace wl
