#include "disc/DiscNames.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "app/FileNames.h"
#include "app/FileReplacement.h"
#include "app/Paths.h"

namespace wl {

namespace {

constexpr const char* kEditsHeader = "wavelathe disc names 1";

std::string twoDigits(int n) { return (n < 10 ? "0" : "") + std::to_string(n); }

const std::string& pick(const std::string& a, const std::string& b, const std::string& c) {
    return !a.empty() ? a : !b.empty() ? b : c;
}

const TrackName* trackOf(const DiscNames& n, size_t i) { return i < n.tracks.size() ? &n.tracks[i] : nullptr; }

// A MusicBrainz disc ID names a file: anything else than its alphabet is refused.
bool fitDiscId(const std::string& id) {
    if (id.empty() || id.size() > 64) return false;
    for (unsigned char c : id)
        if (!(c >= '0' && c <= '9') && !(c >= 'A' && c <= 'Z') && !(c >= 'a' && c <= 'z') && c != '.' && c != '_' && c != '-')
            return false;
    return true;
}

}  // namespace

std::string CleanText(const std::string& raw, size_t limit) {
    const std::string text = AsUtf8(raw);
    std::string out;
    bool space = false;
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7F || c == ' ') {
            // Controls (a tab, a line break inside a text) separate words like spaces do.
            space = !out.empty();
            continue;
        }
        if (space) out += ' ';
        space = false;
        out += char(c);
    }
    return CutAtCharacter(out, limit);
}

DiscNames NamesFromCdText(const DiscText& text, int trackCount) {
    DiscNames n;
    if (text.tracks.empty()) return n;
    const CdTextFields& disc = text.tracks[0];
    n.album = CleanText(disc.title);
    n.albumArtist = CleanText(disc.performer);
    n.genre = CleanText(disc.genre);
    for (size_t t = 1; t < text.tracks.size() && int(t) <= trackCount; ++t)
        n.tracks.push_back(TrackName{CleanText(text.tracks[t].title), CleanText(text.tracks[t].performer),
                                     CleanText(!text.tracks[t].composer.empty() ? text.tracks[t].composer
                                                                               : text.tracks[t].songwriter)});
    if (!n.empty()) n.source = NameSource::CdText;
    return n;
}

DiscNames MergeNames(const DiscNames& edited, const DiscNames& online, const DiscNames& cdText) {
    DiscNames out;
    out.albumArtist = pick(edited.albumArtist, online.albumArtist, cdText.albumArtist);
    out.album = pick(edited.album, online.album, cdText.album);
    out.year = pick(edited.year, online.year, cdText.year);
    out.genre = pick(edited.genre, online.genre, cdText.genre);
    out.discNumber = online.discNumber;
    out.discCount = online.discCount;
    const size_t count = std::max({edited.tracks.size(), online.tracks.size(), cdText.tracks.size()});
    static const TrackName none;
    for (size_t i = 0; i < count; ++i) {
        const TrackName* e = trackOf(edited, i);
        const TrackName* o = trackOf(online, i);
        const TrackName* c = trackOf(cdText, i);
        out.tracks.push_back(TrackName{pick((e ? *e : none).title, (o ? *o : none).title, (c ? *c : none).title),
                                       pick((e ? *e : none).performer, (o ? *o : none).performer,
                                            (c ? *c : none).performer),
                                       pick((e ? *e : none).composer, (o ? *o : none).composer,
                                            (c ? *c : none).composer)});
    }
    out.source = !edited.empty() ? NameSource::Edited
                 : !online.empty() ? NameSource::Online
                 : !cdText.empty() ? NameSource::CdText
                                   : NameSource::None;
    return out;
}

std::string TrackFileName(const DiscNames& names, int t, size_t limit) {
    if (t < 1 || size_t(t) > names.tracks.size()) return "";
    const std::string title = CleanText(names.tracks[size_t(t - 1)].title);
    if (title.empty()) return "";
    // Lower-cased as every name the user saves under is; the number first, so no title hides
    // the file or climbs out of its folder.
    return SafeFileName(AsciiLower(twoDigits(t) + " " + title), "", limit);
}

const char* NameSourceText(NameSource source) {
    switch (source) {
        case NameSource::Edited: return "edited";
        case NameSource::Online: return "online";
        case NameSource::CdText: return "CD-Text";
        case NameSource::None: break;
    }
    return "none";
}

DiscNames LoadEditedNames(const std::string& folder, const std::string& discId) {
    DiscNames n;
    if (folder.empty() || !fitDiscId(discId)) return n;
    std::ifstream in(withTrailingSeparator(folder) + discId + ".txt", std::ios::binary);
    std::string line;
    if (!std::getline(in, line) || line != kEditsHeader) return n;
    while (std::getline(in, line)) {
        std::vector<std::string> f;
        std::stringstream fields(line);
        for (std::string part; std::getline(fields, part, '\t');) f.push_back(CleanText(part));
        if (f.size() == 2 && f[0] == "album artist") n.albumArtist = f[1];
        else if (f.size() == 2 && f[0] == "album") n.album = f[1];
        else if (f.size() == 2 && f[0] == "year") n.year = f[1];
        else if (f.size() >= 3 && f[0] == "track") {
            const int t = std::atoi(f[1].c_str());
            if (t < 1 || t > 99) continue;
            if (n.tracks.size() < size_t(t)) n.tracks.resize(size_t(t));
            n.tracks[size_t(t - 1)] = TrackName{f[2], f.size() > 3 ? f[3] : "", ""};
        }
    }
    if (!n.empty()) n.source = NameSource::Edited;
    return n;
}

bool SaveEditedNames(const std::string& folder, const std::string& discId, const DiscNames& names,
                     std::string& why) {
    if (folder.empty() || !fitDiscId(discId)) {
        why = "the disc has no MusicBrainz disc ID to keep its names under";
        return false;
    }
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    std::string text = std::string(kEditsHeader) + "\n";
    text += "album artist\t" + CleanText(names.albumArtist) + "\n";
    text += "album\t" + CleanText(names.album) + "\n";
    text += "year\t" + CleanText(names.year) + "\n";
    for (size_t i = 0; i < names.tracks.size(); ++i)
        text += "track\t" + std::to_string(i + 1) + "\t" + CleanText(names.tracks[i].title) + "\t" +
                CleanText(names.tracks[i].performer) + "\n";
    FileReplacement file(withTrailingSeparator(folder) + discId + ".txt");
    if (!file.open() || std::fwrite(text.data(), 1, text.size(), file.file()) != text.size() || !file.commit()) {
        why = file.error().empty() ? "it could not be written" : file.error();
        file.discard();
        return false;
    }
    return true;
}

std::string DefaultEditsFolder() {
    if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && data[0] == '/')
        return withTrailingSeparator(data) + "wavelathe/discs/";
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/')
        return withTrailingSeparator(home) + ".local/share/wavelathe/discs/";
    return "";
}

}  // namespace wl
