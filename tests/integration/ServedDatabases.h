#pragma once
// The demo disc's audio and the two databases' answers about it, computed here from the image
// straight from the databases' definitions, independently of the program's own sums.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "Rig.h"

namespace wl::e2e {

struct Disc {
    std::vector<uint32_t> starts;  // every track's first frame, then the lead-out
    std::string image;
};
inline Disc demoDisc() {
    Disc d;
    d.image = test::readFileBytes(fs::path(WL_DEMO_DISC).replace_extension(".bin"));
    std::ifstream in(WL_DEMO_DISC);
    const std::regex index(R"(^\s*INDEX 01 (\d+):(\d+):(\d+))");
    std::smatch m;
    for (std::string line; std::getline(in, line);)
        if (std::regex_search(line, m, index))
            d.starts.push_back(uint32_t((std::stoi(m[1]) * 60 + std::stoi(m[2])) * 75 + std::stoi(m[3])));
    d.starts.push_back(uint32_t(d.image.size() / kCdFrameBytes));
    return d;
}

// AccurateRip's v1 and v2 CRCs of track t (from 0), straight from its definition.
struct Crcs {
    uint32_t v1 = 0, v2 = 0;
};
inline Crcs arCrcs(const Disc& d, size_t t) {
    const size_t tracks = d.starts.size() - 1;
    const uint64_t n = uint64_t(d.starts[t + 1] - d.starts[t]) * 588;
    const auto* pcm = reinterpret_cast<const uint8_t*>(d.image.data()) + size_t(d.starts[t]) * kCdFrameBytes;
    Crcs c;
    for (uint64_t m = 1; m <= n; ++m) {
        if ((t == 0 && m < 2940) || (t == tracks - 1 && m > n - 2940)) continue;
        const uint8_t* w = pcm + (m - 1) * 4;
        const uint64_t p = uint64_t(w[0] | w[1] << 8 | w[2] << 16 | uint32_t(w[3]) << 24) * m;
        c.v1 += uint32_t(p);
        c.v2 += uint32_t(p) + uint32_t(p >> 32);
    }
    return c;
}

// CTDB's CRC of track t (from 0): its CRC-32, less 5880 samples at the disc's front and
// 5880 + (the disc's samples mod 5880) at its back.
inline uint32_t ctdbCrc(const Disc& d, size_t t, Hashing& hashing) {
    const size_t tracks = d.starts.size() - 1;
    const uint64_t discSamples = uint64_t(d.starts.back() - d.starts.front()) * 588;
    uint64_t from = uint64_t(d.starts[t]) * 588, to = uint64_t(d.starts[t + 1]) * 588;
    if (t == 0) from += 5880;
    if (t == tracks - 1) to -= 5880 + discSamples % 5880;
    return hashing.crc32(0, reinterpret_cast<const uint8_t*>(d.image.data()) + from * 4, size_t(to - from) * 4);
}

inline std::string hex(uint32_t v) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", v);
    return text;
}

inline std::string le32(uint32_t v) { return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }

inline std::string logText(const fs::path& folder) {
    for (const auto& e : fs::directory_iterator(folder))
        if (e.path().extension() == ".log") return test::readFileBytes(e.path());
    return {};
}

// The database's file name for the disc ("accuraterip/a/b/c/dBAR-...bin") and its IDs.
struct ArFile {
    std::string name;
    uint32_t id1 = 0, id2 = 0, cddb = 0;
};
inline ArFile arFile(const Disc& disc) {
    ArFile f;
    const size_t tracks = disc.starts.size() - 1;
    uint32_t id1 = disc.starts.back(), id2 = disc.starts.back() * uint32_t(tracks + 1), digits = 0;
    for (size_t t = 0; t < tracks; ++t) {
        id1 += disc.starts[t];
        id2 += std::max<uint32_t>(disc.starts[t], 1) * uint32_t(t + 1);
        for (uint32_t s = (disc.starts[t] + 150) / 75; s > 0; s /= 10) digits += s % 10;
    }
    const uint32_t cddb = (digits % 255) << 24 | (disc.starts.back() / 75 - disc.starts[0] / 75) << 8 | uint32_t(tracks);
    char name[96];
    std::snprintf(name, sizeof name, "accuraterip/%x/%x/%x/dBAR-%03zu-%08x-%08x-%08x.bin", id1 & 15, id1 >> 4 & 15,
                  id1 >> 8 & 15, tracks, id1, id2, cddb);
    f.name = name;
    f.id1 = id1;
    f.id2 = id2;
    f.cddb = cddb;
    return f;
}

// Both databases' answers for the disc under root, as a file server serves them: AccurateRip's
// record (confidence 5 each track) and CTDB's two entries (confidence 6 and 3; the file server
// answers every lookup2.php query with it). Track `changed` (from 0) has its CRCs off by `change`.
inline void serveDatabases(const fs::path& root, const Disc& disc, Hashing& hashing, size_t changed, uint32_t change) {
    const size_t tracks = disc.starts.size() - 1;
    const ArFile ar = arFile(disc);
    std::string dbar = char(tracks) + le32(ar.id1) + le32(ar.id2) + le32(ar.cddb);
    for (size_t t = 0; t < tracks; ++t) dbar += char(5) + le32(arCrcs(disc, t).v2 + (t == changed ? change : 0)) + le32(0);
    fs::create_directories((root / ar.name).parent_path());
    test::writeFileBytes(root / ar.name, dbar);
    std::string crcs;
    for (size_t t = 0; t < tracks; ++t) crcs += (t ? " " : "") + hex(ctdbCrc(disc, t, hashing) + (t == changed ? change : 0));
    std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<ctdb xmlns=\"http://db.cuetools.net/ns/mmd-1.0#\">\n";
    for (const char* confidence : {"6", "3"})
        xml += std::string("  <entry confidence=\"") + confidence + "\" crc32=\"0\" id=\"0\" npar=\"8\" stride=\"5880\" trackcrcs=\"" +
               crcs + "\"/>\n";
    test::writeFileBytes(root / "lookup2.php", xml + "</ctdb>\n");
}

}  // namespace wl::e2e
