#pragma once
// The demo disc's audio and the two databases' answers about it, computed here from the image
// straight from the databases' definitions, independently of the program's own sums.
#include <filesystem>
#include <string>
#include <vector>

#include "DiscSums.h"
#include "Rig.h"

namespace wl::e2e {

using Disc = test::DiscAudio;
using test::arCrcs;
using test::ArFile;
using test::arFile;
using test::hex;
using test::le32;

inline Disc demoDisc() {
    Disc d;
    d.image = test::readFileBytes(fs::path(WL_DEMO_DISC).replace_extension(".bin"));
    d.starts = test::cueStarts(WL_DEMO_DISC, d.image.size());
    return d;
}

// CTDB's CRC of track t (from 0), its CRC-32 taken by the library.
inline uint32_t ctdbCrc(const Disc& d, size_t t, Hashing& hashing) {
    return test::ctdbCrcWith(d, t, [&](const uint8_t* bytes, size_t size) { return hashing.crc32(0, bytes, size); });
}

inline std::string logText(const fs::path& folder) {
    for (const auto& e : fs::directory_iterator(folder))
        if (e.path().extension() == ".log") return test::readFileBytes(e.path());
    return {};
}

// Both databases' answers for the disc under root (see serveDatabasesWith), CTDB's CRCs taken by
// the library.
inline void serveDatabases(const fs::path& root, const Disc& disc, Hashing& hashing, size_t changed, uint32_t change) {
    test::serveDatabasesWith(
        root, disc, [&](const uint8_t* bytes, size_t size) { return hashing.crc32(0, bytes, size); }, changed, change);
}

}  // namespace wl::e2e
