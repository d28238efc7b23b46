#pragma once
// Port: the checksums a rip log needs that are not the program's own arithmetic. The real
// adapter uses zlib (CRC-32) and OpenSSL (SHA-256); both are pure functions, safe from any
// thread.
#include <cstddef>
#include <cstdint>
#include <string>

namespace wl {

class Hashing {
public:
    virtual ~Hashing() = default;
    // The CRC-32 of zip and PNG, continued from crc (0 to begin).
    virtual uint32_t crc32(uint32_t crc, const uint8_t* data, size_t size) = 0;
    // 64 upper-case hex digits.
    virtual std::string sha256Hex(const std::string& text) = 0;
};

}  // namespace wl
