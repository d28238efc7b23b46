#pragma once
// What a rip proved of one track: kept per track of the disc in the drive, for its log.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/SecureRead.h"

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
    uint32_t ctdbCrc = 0;     // CTDB's CRC-32 of the audio as written
    std::string ctdbVerdict;  // what CTDB says of it, in words ("" = not yet asked)
    // How it was read: Secure reads' counts and the sectors they could not read exactly.
    bool secure = false;
    SecureReadCounts counts;
    std::vector<SectorRange> inexact;
    // Test & Copy: every pass's CRC-32; the two passes (from 0) that agreed, -1 when none did.
    std::vector<uint32_t> passCrcs;
    int agreedFirst = -1, agreedSecond = -1;
    bool passesDisagree() const { return passCrcs.size() > 1 && agreedSecond < 0; }
    // Secure where needed: why the track was read again in Secure ("" = it was not).
    std::string secureAgain;
};

// The AccurateRip database's answer for the disc in the drive: asked once per disc.
struct AccurateRipLookup {
    std::string key;        // the database's file for the disc; empty = not asked
    bool answered = false;
    bool found = false;     // bytes holds the database's file
    bool unknown = false;   // the database holds no file for the disc
    std::string bytes, why;
};

// The CTDB lookup's answer for the disc in the drive: key is the lookup's toc text. The same
// shape as AccurateRip's.
using CtdbLookup = AccurateRipLookup;

struct CtdbConfig {
    std::string databaseUrl = "http://db.cuetools.net";
    std::string cacheFolder;  // empty: nothing kept
};

// Where the database is and where its answers are kept: set at start, from the environment.
struct VerifyConfig {
    std::string databaseUrl = "http://www.accuraterip.com";
    std::string cacheFolder;  // empty: nothing kept
};

}  // namespace wl
