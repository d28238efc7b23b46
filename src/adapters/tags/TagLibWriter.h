#pragma once
// ID3v2.4 tags through TagLib. The tag goes into a copy of the file, which replaces the file
// only once it is whole: a failure leaves the file as it was.
#include "platform/Tags.h"

namespace wl {

class TagLibWriter final : public TagWriter {
public:
    bool writeTag(const std::string& path, const Mp3Tag& tag, std::string& why) override;
    bool setUserTexts(const std::string& path, const std::vector<std::pair<std::string, std::string>>& texts,
                      std::string& why) override;
};

}  // namespace wl
