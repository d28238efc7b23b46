#pragma once
#include "platform/Hashing.h"

namespace wl {

class LibraryHashing : public Hashing {
public:
    uint32_t crc32(uint32_t crc, const uint8_t* data, size_t size) override;
    std::string sha256Hex(const std::string& text) override;
};

}  // namespace wl
