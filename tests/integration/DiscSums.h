#pragma once
// A disc image's tracks and what AccurateRip and CTDB hold about them, straight from the
// databases' definitions, independently of the program's own sums. Free of Qt and of the
// program, for the window's end-to-end tests and the command line's alike.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "WavFiles.h"  // le32

namespace wl::test {

constexpr size_t kDiscFrameBytes = 2352;

struct DiscAudio {
    std::vector<uint32_t> starts;  // every track's first frame, then the lead-out
    std::string image;
};

// Every track's first frame from a cue sheet's INDEX 01 lines, then the lead-out.
inline std::vector<uint32_t> cueStarts(const std::filesystem::path& cue, size_t imageBytes) {
    std::vector<uint32_t> starts;
    std::ifstream in(cue);
    const std::regex index(R"(^\s*INDEX 01 (\d+):(\d+):(\d+))");
    std::smatch m;
    for (std::string line; std::getline(in, line);)
        if (std::regex_search(line, m, index))
            starts.push_back(uint32_t((std::stoi(m[1]) * 60 + std::stoi(m[2])) * 75 + std::stoi(m[3])));
    starts.push_back(uint32_t(imageBytes / kDiscFrameBytes));
    return starts;
}

// AccurateRip's v1 and v2 CRCs of track t (from 0).
struct Crcs {
    uint32_t v1 = 0, v2 = 0;
};
inline Crcs arCrcs(const DiscAudio& d, size_t t) {
    const size_t tracks = d.starts.size() - 1;
    const uint64_t n = uint64_t(d.starts[t + 1] - d.starts[t]) * 588;
    const auto* pcm = reinterpret_cast<const uint8_t*>(d.image.data()) + size_t(d.starts[t]) * kDiscFrameBytes;
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

// CTDB's CRC of track t (from 0): `crc32(bytes, size)` of its PCM, less 5880 samples at the
// disc's front and 5880 + (the disc's samples mod 5880) at its back.
template <class Crc32>
uint32_t ctdbCrcWith(const DiscAudio& d, size_t t, Crc32&& crc32) {
    const size_t tracks = d.starts.size() - 1;
    const uint64_t discSamples = uint64_t(d.starts.back() - d.starts.front()) * 588;
    uint64_t from = uint64_t(d.starts[t]) * 588, to = uint64_t(d.starts[t + 1]) * 588;
    if (t == 0) from += 5880;
    if (t == tracks - 1) to -= 5880 + discSamples % 5880;
    return crc32(reinterpret_cast<const uint8_t*>(d.image.data()) + from * 4, size_t(to - from) * 4);
}

inline std::string hex(uint32_t v) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", v);
    return text;
}

// The database's file name for the disc ("accuraterip/a/b/c/dBAR-...bin") and its IDs.
struct ArFile {
    std::string name;
    uint32_t id1 = 0, id2 = 0, cddb = 0;
};
inline ArFile arFile(const DiscAudio& disc) {
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

// AccurateRip's record for the disc, confidence 5 a track, track `changed` (from 0) off by `change`.
inline std::string dbarFor(const DiscAudio& disc, size_t changed, uint32_t change) {
    const size_t tracks = disc.starts.size() - 1;
    const ArFile ar = arFile(disc);
    std::string dbar = char(tracks) + le32(ar.id1) + le32(ar.id2) + le32(ar.cddb);
    for (size_t t = 0; t < tracks; ++t) dbar += char(5) + le32(arCrcs(disc, t).v2 + (t == changed ? change : 0)) + le32(0);
    return dbar;
}

// AccurateRip's CRC of frame 450 of track t (from 0), the one a drive's read offset is found by.
inline uint32_t frame450Crc(const DiscAudio& d, size_t t) {
    const auto* w = reinterpret_cast<const uint8_t*>(d.image.data()) + size_t(d.starts[t] + 450) * kDiscFrameBytes;
    uint32_t crc = 0;
    for (uint32_t j = 0; j < 588; ++j, w += 4) crc += uint32_t(w[0] | w[1] << 8 | w[2] << 16 | uint32_t(w[3]) << 24) * (j + 1);
    return crc;
}

// AccurateRip's record for the disc with each track's frame-450 CRC, this confidence a track.
inline std::string dbarWithFrame450(const DiscAudio& disc, int confidence) {
    const size_t tracks = disc.starts.size() - 1;
    const ArFile ar = arFile(disc);
    std::string dbar = char(tracks) + le32(ar.id1) + le32(ar.id2) + le32(ar.cddb);
    for (size_t t = 0; t < tracks; ++t) dbar += char(confidence) + le32(arCrcs(disc, t).v2) + le32(frame450Crc(disc, t));
    return dbar;
}

// The image as a drive with this read offset (samples) reads it: at each place the audio that
// many samples earlier on the disc, silence beyond its edges.
inline std::string shiftedImage(const std::string& image, int offset) {
    const size_t bytes = std::min(image.size(), size_t(offset < 0 ? -offset : offset) * 4);
    return offset >= 0 ? std::string(bytes, '\0') + image.substr(0, image.size() - bytes)
                       : image.substr(bytes) + std::string(bytes, '\0');
}

// CTDB's answer for the disc: two entries of confidence 6 and 3 with these track CRCs.
inline std::string ctdbAnswer(const std::vector<uint32_t>& crcs) {
    std::string list;
    for (size_t t = 0; t < crcs.size(); ++t) list += (t ? " " : "") + hex(crcs[t]);
    std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<ctdb xmlns=\"http://db.cuetools.net/ns/mmd-1.0#\">\n";
    for (const char* confidence : {"6", "3"})
        xml += std::string("  <entry confidence=\"") + confidence + "\" crc32=\"0\" id=\"0\" npar=\"8\" stride=\"5880\" trackcrcs=\"" +
               list + "\"/>\n";
    return xml + "</ctdb>\n";
}

// Both databases' answers for the disc under root, as a file server serves them: AccurateRip's
// record (confidence 5 each track) and CTDB's two entries (confidence 6 and 3; the file server
// answers every lookup2.php query with it), CTDB's CRCs taken with `crc32(bytes, size)`. Track
// `changed` (from 0) has its CRCs off by `change`.
template <class Crc32>
void serveDatabasesWith(const std::filesystem::path& root, const DiscAudio& disc, Crc32&& crc32, size_t changed,
                        uint32_t change) {
    const std::string name = arFile(disc).name;
    std::filesystem::create_directories((root / name).parent_path());
    std::ofstream(root / name, std::ios::binary) << dbarFor(disc, changed, change);
    std::vector<uint32_t> crcs;
    for (size_t t = 0; t + 1 < disc.starts.size(); ++t)
        crcs.push_back(ctdbCrcWith(disc, t, crc32) + (t == changed ? change : 0));
    std::ofstream(root / "lookup2.php", std::ios::binary) << ctdbAnswer(crcs);
}

}  // namespace wl::test
