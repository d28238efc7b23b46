#pragma once
// The subcommands, each over the same program the window runs (CliProgram).
#include <atomic>
#include <string>
#include <vector>

#include "app/AppState.h"

namespace wl::cli {

struct SourceOptions {
    std::string disc, drive, settings;
    bool noLookup = false, quiet = false;
};

struct InfoOptions {
    SourceOptions source;
    bool json = false;
};

struct RipOptions {
    SourceOptions source;
    std::string tracks, format = "wav", out, release, nameFormat, mode;  // mode "": the settings' read mode
    int offset = 0;
    bool offsetGiven = false;
    bool testAndCopy = false;
};

struct ConvertOptions {
    std::vector<std::string> inputs;
    std::string format = "mp3", out;
    int jobs = 0;
    bool quiet = false;
};

int RunInfo(const InfoOptions& options, const std::atomic<bool>& stop);
int RunRip(const RipOptions& options, const std::atomic<bool>& stop);
int RunConvert(const ConvertOptions& options, const std::atomic<bool>& stop);
// Proposes a read offset and names the listed one; sets nothing. 0 when one is proposed.
int RunOffsetDetect(const SourceOptions& options, const std::atomic<bool>& stop);

// "1,3-5" -> 1 3 4 5, in the order given; false, with why, for a malformed list or a track
// outside 1..trackCount.
bool ParseTrackList(const std::string& text, int trackCount, std::vector<int>& out, std::string& why);

// A track's file name from the pattern (see rip --help), each field cleaned of what a file
// name cannot hold; "" when the pattern gives nothing.
// discNumber: the medium's position in its release (0: not known, taken as 1).
std::string NameFromPattern(const std::string& pattern, const DiscNames& names, int track, const std::string& freedbId,
                            int discNumber);

// Whether the AccurateRip database knows the disc (its file for the disc holds records), and
// in words what it answered.
struct ArState {
    bool known = false;
    std::string status;
};
ArState AccurateRipStateOf(const AppState& s);

}  // namespace wl::cli
