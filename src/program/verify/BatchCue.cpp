#include "verify/BatchCue.h"

#include <cstdio>
#include <filesystem>

#include "verify/RipLog.h"

namespace wl {
namespace {

namespace fs = std::filesystem;

// A quoted cue text: the sheet is read as Latin-1, so UTF-8 becomes Latin-1 where it can
// and "?" where it cannot; quotes and control characters, which would end the field, go.
std::string cueText(const std::string& utf8) {
    std::string out;
    for (size_t i = 0; i < utf8.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            out += c < 0x20 || c == '"' ? '\'' : char(c);
        } else if ((c == 0xC2 || c == 0xC3) && i + 1 < utf8.size()) {
            out += char(((c & 0x03) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3F));
        } else if (c >= 0xC0) {
            out += '?';
            while (i + 1 < utf8.size() && (static_cast<unsigned char>(utf8[i + 1]) & 0xC0) == 0x80) ++i;
        }
    }
    return "\"" + out + "\"";
}

}  // namespace

bool WriteBatchCueSheet(App& app, const std::vector<int>& tracks) {
    const AppState& s = app.s;
    const DiscNames& names = s.disc.names;
    std::string sheet, folder;
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
        sheet += "FILE " + cueText(file.filename().string()) + " " + type + "\n  TRACK " + number + " AUDIO\n";
        if (t >= 1 && size_t(t) <= names.tracks.size()) {
            const TrackName& n = names.tracks[size_t(t - 1)];
            if (!n.title.empty()) sheet += "    TITLE " + cueText(n.title) + "\n";
            if (!n.performer.empty()) sheet += "    PERFORMER " + cueText(n.performer) + "\n";
        }
        sheet += "    INDEX 01 00:00:00\n";
    }
    if (written == 0) return false;
    if (folder.empty()) folder = ".";
    return WriteWholeFile(folder + "/" + DiscFileName(app) + ".cue", sheet);
}

}  // namespace wl
