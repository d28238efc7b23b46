#include "adapters/hash/Hashing.h"

#include <openssl/evp.h>
#include <zlib.h>

#include <algorithm>
#include <climits>

namespace wl {

uint32_t LibraryHashing::crc32(uint32_t crc, const uint8_t* data, size_t size) {
    // zlib takes at most a uInt at a time.
    while (size > 0) {
        const uInt n = uInt(std::min<size_t>(size, UINT_MAX));
        crc = uint32_t(::crc32(uLong(crc), data, n));
        data += n;
        size -= n;
    }
    return crc;
}

std::string LibraryHashing::sha256Hex(const std::string& text) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(text.data(), text.size(), digest, &length, EVP_sha256(), nullptr) != 1) return {};
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned i = 0; i < length; ++i) {
        out += kHex[digest[i] >> 4];
        out += kHex[digest[i] & 15];
    }
    return out;
}

}  // namespace wl
