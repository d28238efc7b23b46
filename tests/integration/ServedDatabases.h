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

// Both databases' answers for the disc under root, as a file server serves them: AccurateRip's
// record (confidence 5 each track) and CTDB's two entries (confidence 6 and 3; the file server
// answers every lookup2.php query with it). Track `changed` (from 0) has its CRCs off by `change`.
inline void serveDatabases(const fs::path& root, const Disc& disc, Hashing& hashing, size_t changed, uint32_t change) {
    const std::string name = arFile(disc).name;
    fs::create_directories((root / name).parent_path());
    test::writeFileBytes(root / name, test::dbarFor(disc, changed, change));
    std::vector<uint32_t> crcs;
    for (size_t t = 0; t + 1 < disc.starts.size(); ++t)
        crcs.push_back(ctdbCrc(disc, t, hashing) + (t == changed ? change : 0));
    test::writeFileBytes(root / "lookup2.php", test::ctdbAnswer(crcs));
}

}  // namespace wl::e2e
