#include "verify/RipLog.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "app/FileReplacement.h"
#include "app/Paths.h"
#include "disc/DiscIds.h"
#include "platform/Bytes.h"
#include "verify/AccurateRip.h"
#include "verify/DiscFiles.h"

namespace wl {
namespace {

std::string hex8(uint32_t v) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", v);
    return text;
}

std::string msf(uint32_t frames) {
    char text[16];
    std::snprintf(text, sizeof text, "%02u:%02u.%02u", frames / 4500, frames / 75 % 60, frames % 75);
    return text;
}

uint32_t entryAddress(const uint8_t (&toc)[kTocSize], size_t k) { return getBe32(tocEntry(toc, k) + 4); }
bool dataTrack(const uint8_t (&toc)[kTocSize], size_t k) { return (tocEntry(toc, k)[1] & 0x04) != 0; }

}  // namespace

DiscIds DiscIdsOf(const uint8_t (&toc)[kTocSize]) {
    DiscIds ids;
    DiscToc parsed;
    if (!ParseBlockToc(toc, parsed)) return ids;
    const AccurateRipIds ar = AccurateRipIdsOf(parsed);
    ids.audioTracks = unsigned(ar.audioTracks);
    ids.arId1 = ar.id1;
    ids.arId2 = ar.id2;
    ids.freedb = FreedbId(parsed);
    return ids;
}

namespace {

// The drive list's entry of the drive a rip reads (99: none chosen, the first); null if none.
const char* ripDriveName(const AppState& s) {
    const size_t index = s.ripDriveIndex == 99 ? 0 : size_t(s.ripDriveIndex);
    return index < kMaxDrives ? reinterpret_cast<const char*>(driveEntry(s.driveList, index) + kDriveNameOffset) : nullptr;
}

}  // namespace

int AppliedReadOffset(const AppState& s) {
    const char* name = ripDriveName(s);
    if (s.readOffset == 0 || (name != nullptr && std::strncmp(name, "Disc image:", 11) == 0)) return 0;
    return s.readOffset;
}

std::string RipLogText(const App& app, const std::string& date) {
    const AppState& s = app.s;
    const DiscIds ids = DiscIdsOf(s.toc);
    std::string log = kRipLogFirstLine + std::string(WL_VERSION " rip log, ") + date + "\n\n";
    if (const char* name = ripDriveName(s)) log += "Drive: " + std::string(name, strnlen(name, kDriveNameCapacity)) + "\n";
    log += "Read offset: " + std::to_string(AppliedReadOffset(s)) +
           " samples\nRead method: up to three attempts per chunk, frames that stay unreadable written as silence\n\n";
    log += "Table of contents\n  Track |   Start  |  Length  | Start sector | End sector\n";
    const int first = s.toc[2], last = s.toc[3];
    for (int t = first; t >= 1 && t <= last && size_t(t) < kTocMaxEntries; ++t) {
        const uint32_t start = entryAddress(s.toc, size_t(t - 1)), end = entryAddress(s.toc, size_t(t));
        char row[96];
        std::snprintf(row, sizeof row, "  %5d | %s | %s | %12u | %10u%s\n", t, msf(start).c_str(),
                      msf(end - start).c_str(), start, end - 1, dataTrack(s.toc, size_t(t - 1)) ? "  (data)" : "");
        log += row;
    }
    const DiscRecord& disc = s.disc;
    if (!disc.names.album.empty()) log += "\nAlbum: " + disc.names.album;
    if (!disc.names.albumArtist.empty()) log += "\nAlbum artist: " + disc.names.albumArtist;
    if (!disc.id.musicBrainzId.empty()) log += "\nMusicBrainz disc ID: " + disc.id.musicBrainzId;
    log += "\nfreedb ID: " + hex8(ids.freedb) + "\n" + RipLogIdLine(ids) + "\n";
    int accurate = 0, errors = 0;
    for (const auto& [track, r] : s.rippedTracks) {
        char line[160];
        log += "\nTrack " + std::to_string(track) + "\n  File: " + r.file + "\n";
        std::snprintf(line, sizeof line, "  Peak level: %.1f %%\n", 100.0 * r.peak / 32768.0);
        log += line;
        log += "  Copy CRC: " + (r.hasCopyCrc ? hex8(r.copyCrc) : std::string("not computed")) + "\n";
        log += "  AccurateRip v1 CRC: " + hex8(r.v1) + "\n  AccurateRip v2 CRC: " + hex8(r.v2) + "\n";
        log += "  Unreadable frames: " + std::to_string(r.unreadable) + "\n";
        log += "  " + (r.verdict.empty() ? std::string("Not verified") : r.verdict) + "\n";
        if (r.verdict.rfind("Accurately ripped", 0) == 0) ++accurate;
        if (r.unreadable > 0) ++errors;
    }
    log += "\n" + std::to_string(accurate) + " of " + std::to_string(s.rippedTracks.size()) +
           " tracks accurately ripped, " + std::to_string(errors) + (errors == 1 ? " track" : " tracks") +
           " with read errors\n";
    if (app.p.hashing) log += "\n==== Log checksum " + app.p.hashing->sha256Hex(log) + " ====\n";
    return log;
}

bool WriteRipLog(App& app) {
    const AppState& s = app.s;
    if (s.rippedTracks.empty()) return false;
    const std::string last = s.rippedTracks.rbegin()->second.file;
    std::string folder = std::filesystem::path(last).parent_path().string();
    if (folder.empty()) folder = ".";
    char when[32] = {};
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S", &local);
    const std::string text = RipLogText(app, when);
    // Another disc's log (of this set, or another ripper's) of that name is never replaced.
    const std::string path = DiscFilePath(app, folder, ".log", kRipLogFirstLine, RipLogIdLine(DiscIdsOf(s.toc)));
    std::string why = "every name up to \"(99)\" is taken";
    if (!path.empty() && WriteWholeFile(path, text, &why)) return true;
    ReportDiscFileFailure(app, "disc's log", path, why);
    return false;
}

std::string RipLogIdLine(const DiscIds& ids) {
    return "AccurateRip IDs: " + hex8(ids.arId1) + "-" + hex8(ids.arId2) + "-" + hex8(ids.freedb);
}

}  // namespace wl
