#pragma once
// What a rip proved of one track: kept per track of the disc in the drive, for its log.
#include <cstdint>
#include <string>

namespace wl {

struct TrackRipRecord {
    int track = 0;
    std::string file;
    uint32_t start = 0, frames = 0;  // sectors
    uint32_t v1 = 0, v2 = 0;          // AccurateRip's CRCs of the audio as written
    uint32_t copyCrc = 0;
    bool hasCopyCrc = false;
    int peak = 0;  // 0..32768
    uint32_t unreadable = 0;
    std::string verdict;  // what AccurateRip says of it, in words
};

// The AccurateRip database's answer for the disc in the drive: asked once per disc.
struct AccurateRipLookup {
    std::string key;        // the database's file for the disc; empty = not asked
    bool answered = false;
    bool found = false;     // bytes holds the database's file
    bool unknown = false;   // the database holds no file for the disc
    std::string bytes, why;
};

// Where the database is and where its answers are kept: set at start, from the environment.
struct VerifyConfig {
    std::string databaseUrl = "http://www.accuraterip.com";
    std::string cacheFolder;  // empty: nothing kept
};

}  // namespace wl
