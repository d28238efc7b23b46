#include "verify/BatchCue.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "app/FileNames.h"
#include "app/FileReplacement.h"
#include "disc/PressedDisc.h"
#include "platform/Bytes.h"
#include "verify/DiscFiles.h"
#include "verify/RipLog.h"

namespace wl {
namespace {

namespace fs = std::filesystem;

// A quoted cue text, in UTF-8 as the file names are: control characters go, and a quote,
// which would end the field, becomes an apostrophe.
std::string cueText(const std::string& text) {
    std::string out;
    for (unsigned char c : AsUtf8(text)) {
        if (c >= 0x20 && c != 0x7F) out += c == '"' ? '\'' : char(c);
    }
    return "\"" + out + "\"";
}

std::string hex8(uint32_t v) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", v);
    return text;
}

// The line that names the disc, as other sheets carry it; and the one that makes a sheet of
// that name this disc's own, which no other program writes.
std::string discIdLine(const DiscIds& ids) { return "REM DISCID " + hex8(ids.freedb); }
std::string ownLine(const DiscIds& ids) {
    return "REM WAVELATHE " + hex8(ids.arId1) + "-" + hex8(ids.arId2) + "-" + hex8(ids.freedb);
}


constexpr uint64_t kWavDataStart = 44;

std::string cueTime(int64_t frames) {
    char text[72];  // room for any int64_t, so the text is never cut
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", static_cast<long long>(frames / 4500),
                  static_cast<long long>(frames / 75 % 60), static_cast<long long>(frames % 75));
    return text;
}

std::string twoDigits(int n) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d", n);
    return text;
}

// The disc's tracks as pressed, or as its table gives them when the layout is not known.
std::vector<PressedTrack> layoutOf(const AppState& s) {
    if (s.disc.pressed.known && !s.disc.pressed.tracks.empty()) return s.disc.pressed.tracks;
    std::vector<PressedTrack> out;
    for (int t = s.toc[2]; t >= 1 && t <= s.toc[3] && size_t(t) < kTocMaxEntries; ++t) {
        PressedTrack p;
        p.number = t;
        p.startLsn = p.pregapLsn = int32_t(getBe32(tocEntry(s.toc, size_t(t - 1)) + 4));
        p.audio = (tocEntry(s.toc, size_t(t - 1))[1] & 0x04) == 0;
        out.push_back(p);
    }
    return out;
}

uint32_t leadOutOf(const AppState& s) {
    const size_t n = size_t(std::clamp<int>(s.toc[3] - s.toc[2] + 1, 0, int(kTocMaxEntries) - 1));
    return getBe32(tocEntry(s.toc, n) + 4);
}

// A FILE line's name byte for byte, as a player looks it up; only a name the field cannot
// hold (a typed quote) is written as near as it can be.
std::string fileField(const std::string& fileName) {
    const bool quotable = fileName.find('"') == std::string::npos &&
                          std::none_of(fileName.begin(), fileName.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
    return quotable ? "\"" + fileName + "\"" : cueText(fileName);
}

// The lines of a track's own: flags, code, names.
std::string trackFields(const App& app, const PressedTrack& t) {
    std::string out;
    if (t.copyPermitted || t.preEmphasis)
        out += std::string("    FLAGS") + (t.copyPermitted ? " DCP" : "") + (t.preEmphasis ? " PRE" : "") + "\n";
    if (!t.isrc.empty()) out += "    ISRC " + t.isrc + "\n";
    const DiscNames& names = app.s.disc.names;
    if (t.number >= 1 && size_t(t.number) <= names.tracks.size()) {
        const TrackName& n = names.tracks[size_t(t.number - 1)];
        if (!n.title.empty()) out += "    TITLE " + cueText(n.title) + "\n";
        if (!n.performer.empty()) out += "    PERFORMER " + cueText(n.performer) + "\n";
    }
    return out;
}

std::string discHeader(const App& app) {
    const DiscNames& names = app.s.disc.names;
    const DiscIds ids = DiscIdsOf(app.s.toc);
    std::string out = discIdLine(ids) + "\n" + ownLine(ids) + "\n";
    if (!app.s.disc.pressed.mcn.empty()) out += "CATALOG " + app.s.disc.pressed.mcn + "\n";
    if (!names.albumArtist.empty()) out += "PERFORMER " + cueText(names.albumArtist) + "\n";
    if (!names.album.empty()) out += "TITLE " + cueText(names.album) + "\n";
    return out;
}

// The ripped file of track t as it is now: its WAV, or the MP3 it gave way to.
bool rippedFile(const AppState& s, int t, fs::path& file, std::string& type) {
    auto it = s.rippedTracks.find(t);
    if (it == s.rippedTracks.end()) return false;
    file = it->second.file;
    type = "WAVE";
    std::error_code ec;
    if (fs::exists(file, ec)) return true;
    file.replace_extension(".mp3");
    type = "MP3";
    return fs::exists(file, ec);
}

}  // namespace

bool IsWholeDiscBatch(const App& app, const std::vector<int>& tracks) {
    const AppState& s = app.s;
    const std::vector<PressedTrack> layout = layoutOf(s);
    if (layout.empty()) return false;
    std::vector<int> want;
    if (HasHiddenTrack(s.disc)) want.push_back(0);
    for (const PressedTrack& t : layout) {
        if (!t.audio) return false;
        want.push_back(t.number);
    }
    return tracks == want;
}

std::string PressedCueSheetText(const App& app, const std::vector<int>& tracks) {
    const AppState& s = app.s;
    if (!IsWholeDiscBatch(app, tracks)) return "";
    const std::vector<PressedTrack> layout = layoutOf(s);
    std::string sheet = discHeader(app);
    fs::path file;
    std::string type;
    const PressedTrack& first = layout.front();
    if (HasHiddenTrack(s.disc)) {
        if (!rippedFile(s, 0, file, type)) return "";
        sheet += "FILE " + fileField(file.filename().string()) + " " + type + "\n  TRACK " + twoDigits(first.number) +
                 " AUDIO\n" + trackFields(app, first) + "    INDEX 00 00:00:00\n";
    }
    // A track's TRACK line comes with the file its INDEX 00 lies in: the one before its own.
    bool opened = HasHiddenTrack(s.disc);
    for (size_t i = 0; i < layout.size(); ++i) {
        const PressedTrack& t = layout[i];
        if (!rippedFile(s, t.number, file, type)) return "";
        sheet += "FILE " + fileField(file.filename().string()) + " " + type + "\n";
        if (!opened) {
            sheet += "  TRACK " + twoDigits(t.number) + " AUDIO\n" + trackFields(app, t);
            // Silence before track 1 is not kept: the burner makes it again.
            if (i == 0 && t.pregapLsn < t.startLsn) sheet += "    PREGAP " + cueTime(t.startLsn - t.pregapLsn) + "\n";
        }
        sheet += "    INDEX 01 00:00:00\n";
        opened = i + 1 < layout.size() && layout[i + 1].pregapLsn < layout[i + 1].startLsn;
        if (opened) {
            const PressedTrack& next = layout[i + 1];
            sheet += "  TRACK " + twoDigits(next.number) + " AUDIO\n" + trackFields(app, next) + "    INDEX 00 " +
                     cueTime(next.pregapLsn - t.startLsn) + "\n";
        }
    }
    return sheet;
}

bool WriteBatchCueSheet(App& app, const std::vector<int>& tracks) {
    const AppState& s = app.s;
    const DiscIds ids = DiscIdsOf(s.toc);
    if (HasPressedDetails(s.disc) && IsWholeDiscBatch(app, tracks)) {
        const std::string pressed = PressedCueSheetText(app, tracks);
        fs::path file;
        std::string type;
        if (!pressed.empty() && rippedFile(s, tracks.back(), file, type)) {
            const std::string at = file.parent_path().empty() ? std::string(".") : file.parent_path().string();
            const std::string path = DiscFilePath(app, at, ".cue", discIdLine(ids), ownLine(ids));
            std::string why = "every name up to \"(99)\" is taken";
            if (!path.empty() && WriteWholeFile(path, pressed, &why)) return true;
            ReportDiscFileFailure(app, "cue sheet", path, why);
            return false;
        }
    }
    const DiscNames& names = s.disc.names;
    std::string sheet = discIdLine(ids) + "\n" + ownLine(ids) + "\n", folder;
    if (!names.albumArtist.empty()) sheet += "PERFORMER " + cueText(names.albumArtist) + "\n";
    if (!names.album.empty()) sheet += "TITLE " + cueText(names.album) + "\n";
    int written = 0;
    for (int t : tracks) {
        auto it = s.rippedTracks.find(t);
        if (it == s.rippedTracks.end()) continue;
        fs::path file = it->second.file;
        std::error_code ec;
        std::string type = "WAVE";
        // The WAV may have given way to its MP3.
        if (!fs::exists(file, ec)) {
            file.replace_extension(".mp3");
            type = "MP3";
        }
        // Or to a FLAC or Opus file, which cue sheet readers take as WAVE.
        for (const char* ext : {".flac", ".opus"}) {
            if (fs::exists(file, ec)) break;
            file.replace_extension(ext);
            type = "WAVE";
        }
        if (!fs::exists(file, ec)) continue;
        if (folder.empty()) folder = file.parent_path().string();
        char number[16];
        std::snprintf(number, sizeof number, "%02d", ++written);
        // The file's name byte for byte, as a player looks it up; only a name the field cannot
        // hold (a typed quote) is written as near as it can be.
        const std::string fileName = file.filename().string();
        const bool quotable = fileName.find('"') == std::string::npos &&
                              std::none_of(fileName.begin(), fileName.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
        sheet += "FILE " + (quotable ? "\"" + fileName + "\"" : cueText(fileName)) + " " + type + "\n  TRACK " + number + " AUDIO\n";
        if (t >= 1 && size_t(t) <= names.tracks.size()) {
            const TrackName& n = names.tracks[size_t(t - 1)];
            if (!n.title.empty()) sheet += "    TITLE " + cueText(n.title) + "\n";
            if (!n.performer.empty()) sheet += "    PERFORMER " + cueText(n.performer) + "\n";
        }
        sheet += "    INDEX 01 00:00:00\n";
    }
    if (written == 0) return false;
    if (folder.empty()) folder = ".";
    // An image's sheet or another disc's of that name is never replaced.
    const std::string path = DiscFilePath(app, folder, ".cue", discIdLine(ids), ownLine(ids));
    std::string why = "every name up to \"(99)\" is taken";
    if (!path.empty() && WriteWholeFile(path, sheet, &why)) return true;
    ReportDiscFileFailure(app, "cue sheet", path, why);
    return false;
}

bool WriteSingleFileImage(App& app, const std::vector<int>& tracks) {
    const AppState& s = app.s;
    if (!IsWholeDiscBatch(app, tracks)) return false;
    const std::vector<PressedTrack> layout = layoutOf(s);
    const uint64_t leadOut = leadOutOf(s);
    // Every file's audio, in disc order, must make up the disc from block 0 (or from track 1,
    // with silence before it) to the lead-out.
    std::vector<fs::path> files;
    for (int t : tracks) {
        auto it = s.rippedTracks.find(t);
        std::error_code ec;
        if (it == s.rippedTracks.end() || !fs::is_regular_file(it->second.file, ec)) return false;
        files.emplace_back(it->second.file);
    }
    const uint64_t silentLead = HasHiddenTrack(s.disc) ? 0 : uint64_t(std::max(layout.front().startLsn, 0));
    uint64_t bytes = silentLead * kCdFrameBytes;
    for (const fs::path& f : files) {
        std::error_code ec;
        const uint64_t size = fs::file_size(f, ec);
        if (ec || size < kWavDataStart) return false;
        bytes += size - kWavDataStart;
    }
    if (bytes != leadOut * kCdFrameBytes) return false;

    const std::string folder = files.back().parent_path().empty() ? std::string(".") : files.back().parent_path().string();
    const DiscIds ids = DiscIdsOf(s.toc);
    const std::string cuePath = DiscFilePath(app, folder, " (single file).cue", discIdLine(ids), ownLine(ids));
    if (cuePath.empty()) return false;
    const std::string base = cuePath.substr(0, cuePath.size() - 4);
    FileReplacement bin(base + ".bin");
    if (!bin.open()) return false;
    const std::vector<char> zeros(kCdFrameBytes, 0);
    for (uint64_t f = 0; f < silentLead; ++f)
        if (std::fwrite(zeros.data(), 1, zeros.size(), bin.file()) != zeros.size()) {
            bin.discard();
            return false;
        }
    std::vector<char> chunk(1 << 16);
    for (const fs::path& f : files) {
        std::ifstream in(f, std::ios::binary);
        in.seekg(std::streamoff(kWavDataStart));
        while (in) {
            in.read(chunk.data(), std::streamsize(chunk.size()));
            const size_t got = size_t(in.gcount());
            if (got > 0 && std::fwrite(chunk.data(), 1, got, bin.file()) != got) {
                bin.discard();
                return false;
            }
        }
        if (!in.eof()) {
            bin.discard();
            return false;
        }
    }
    if (!bin.commit()) return false;

    // libcdio reads the BIN named like its sheet, whatever the FILE line says: both agree.
    std::string sheet = discHeader(app);
    sheet += "FILE " + fileField(fs::path(base + ".bin").filename().string()) + " BINARY\n";
    for (const PressedTrack& t : layout) {
        sheet += "  TRACK " + twoDigits(t.number) + " AUDIO\n" + trackFields(app, t);
        if (t.pregapLsn < t.startLsn) sheet += "    INDEX 00 " + cueTime(t.pregapLsn) + "\n";
        sheet += "    INDEX 01 " + cueTime(t.startLsn) + "\n";
    }
    return WriteWholeFile(base + ".cue", sheet);
}

}  // namespace wl
