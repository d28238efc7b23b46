#include "verify/BatchCue.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "app/FileNames.h"
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

}  // namespace

bool WriteBatchCueSheet(App& app, const std::vector<int>& tracks) {
    const AppState& s = app.s;
    const DiscNames& names = s.disc.names;
    const DiscIds ids = DiscIdsOf(s.toc);
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
            if (!fs::exists(file, ec)) continue;
        }
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

}  // namespace wl
