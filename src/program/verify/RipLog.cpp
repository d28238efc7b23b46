#include "verify/RipLog.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "app/FileReplacement.h"
#include "app/Paths.h"
#include "disc/DiscIds.h"
#include "disc/PressedDisc.h"
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

// Pregaps, index points, codes, flags and the hidden track: only for a disc that has any, or
// whose drive could not be asked for its codes.
std::string pressedSection(const DiscRecord& d) {
    const PressedLayout& p = d.pressed;
    if (!p.known || (p.codesRead && !HasPressedDetails(d))) return "";
    std::string out = "\nDisc as pressed\n";
    if (!p.codesRead) out += "  The drive gives no ISRC or catalog number (it does not read them from the disc's Q sub-channel)\n";
    if (!p.mcn.empty())
        out += "  Catalog number (MCN): " + p.mcn + (BarcodeOf(p.mcn).empty() ? " (not an EAN/UPC)" : "") + "\n";
    if (!p.tracks.empty() && p.tracks.front().startLsn > 0) {
        const uint32_t before = uint32_t(p.tracks.front().startLsn);
        out += "  Hidden track one audio: ";
        if (HasHiddenTrack(d))
            out += std::to_string(before) + " sectors (" + msf(before) + ") before track 1, ripped as track 0\n";
        else if (d.hiddenUnreadable)
            out += "none kept, the " + std::to_string(before) + " sectors before track 1 could not be read\n";
        else
            out += "none, the " + std::to_string(before) + " sectors before track 1 are digital silence\n";
    }
    out += "  Track | INDEX 00 sector | INDEX 01 sector | Pregap   | ISRC         | Flags\n";
    for (const PressedTrack& t : p.tracks) {
        std::string flags;
        if (t.copyPermitted) flags += "DCP ";
        if (t.preEmphasis) flags += "PRE (pre-emphasis, audio kept as read) ";
        if (!flags.empty()) flags.pop_back();
        char row[160];
        const std::string index0 = t.pregapLsn != t.startLsn ? std::to_string(t.pregapLsn) : std::string("-");
        std::snprintf(row, sizeof row, "  %5d | %15s | %15d | %s | %-12s | %s\n", t.number, index0.c_str(), t.startLsn,
                      msf(uint32_t(t.startLsn - t.pregapLsn)).c_str(), t.isrc.empty() ? "-" : t.isrc.c_str(),
                      flags.empty() ? "-" : flags.c_str());
        out += row;
    }
    out += "  Each pregap is kept at the end of the file of the track before it";
    out += HasHiddenTrack(d) ? "; track 1's in track 0's file\n" : "\n";
    return out;
}

}  // namespace

std::string ReadModeLines(const AppState& s) {
    const char* mode = s.readMode == 1   ? "Secure (verified reads, up to 20 retries per sector)"
                       : s.readMode == 2 ? "Secure where needed (Burst, then Secure for a track no database confirms)"
                                         : "Burst";
    return std::string("Read mode: ") + mode + "\nTest and Copy: " + (s.testAndCopy ? "on" : "off") + "\n";
}

std::string TrackReadLines(const TrackRipRecord& r) {
    std::string lines;
    if (r.secure) {
        const SecureReadCounts& c = r.counts;
        lines += "  Read in Secure: " + std::to_string(c.reads) + " reads, " + std::to_string(c.verifications) +
                 " verifications, " + std::to_string(c.corrections) + " corrections, " + std::to_string(c.skips) +
                 " skips, " + std::to_string(c.readErrors) + " read errors\n";
        if (r.inexact.empty()) lines += "  Sectors not read exactly: none\n";
        for (const SectorRange& range : r.inexact) {
            const uint32_t from = range.first >= r.start ? range.first - r.start : 0;
            const uint32_t to = range.last >= r.start ? range.last - r.start : 0;
            lines += "  Sectors not read exactly: " + msf(from) + " - " + msf(to) + " (sectors " +
                     std::to_string(range.first) + "-" + std::to_string(range.last) + ")\n";
        }
    } else {
        lines += "  Read in Burst\n";
    }
    if (!r.secureAgain.empty()) lines += "  Ripped again in Secure: " + r.secureAgain + "\n";
    if (!r.passCrcs.empty()) {
        lines += "  Test and Copy CRCs:";
        for (size_t k = 0; k < r.passCrcs.size(); ++k)
            lines += (k ? ", pass " : " pass ") + std::to_string(k + 1) + " " + hex8(r.passCrcs[k]);
        if (r.agreedSecond >= 0)
            lines += "; passes " + std::to_string(r.agreedFirst + 1) + " and " + std::to_string(r.agreedSecond + 1) + " agree\n";
        else
            lines += "; no two passes agree: this copy is not proven good\n";
    }
    return lines;
}

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
           " samples\nRead method: up to three attempts per chunk, frames that stay unreadable written as silence\n";
    log += ReadModeLines(s) + "\n";
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
    log += pressedSection(disc);
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
        if (r.hasCopyCrc) log += "  CTDB CRC: " + hex8(r.ctdbCrc) + "\n";
        if (!r.ctdbVerdict.empty()) log += "  CTDB: " + r.ctdbVerdict + "\n";
        log += TrackReadLines(r);
        if (r.verdict.rfind("Accurately ripped", 0) == 0) ++accurate;
        if (r.unreadable > 0 || !r.inexact.empty()) ++errors;
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
