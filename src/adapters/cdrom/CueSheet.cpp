#include "CueSheet.h"

#include <stdlib.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <vector>

namespace wl::cdrom {
namespace {

namespace fs = std::filesystem;

constexpr uintmax_t kFrameBytes = 2352;

std::string upper(std::string s) {
    for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
    return s;
}
std::string lower(std::string s) {
    for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

struct Sheet {
    std::vector<std::string> lines;
    int files = 0;
    size_t fileLine = 0;
    std::string named, type;
    long lastIndexFrame = -1;  // the latest INDEX in frames from the data file's start
};

// "mm:ss:ff" in frames, or -1.
long msfFrames(const std::string& text) {
    unsigned m = 0, s = 0, f = 0;
    char c1 = 0, c2 = 0;
    std::istringstream in(text);
    if (!(in >> m >> c1 >> s >> c2 >> f) || c1 != ':' || c2 != ':' || s > 59 || f > 74) return -1;
    return long((m * 60 + s) * 75 + f);
}

Sheet readSheet(const fs::path& path) {
    Sheet sheet;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line) && sheet.lines.size() < 10000) {
        if (line.size() > 4096) line.resize(4096);
        sheet.lines.push_back(line);
        std::istringstream words(line);
        std::string keyword;
        words >> keyword;
        keyword = upper(keyword);
        if (keyword == "INDEX") {
            std::string number, at;
            words >> number >> at;
            sheet.lastIndexFrame = std::max(sheet.lastIndexFrame, msfFrames(at));
            continue;
        }
        if (keyword != "FILE") continue;
        ++sheet.files;
        sheet.fileLine = sheet.lines.size() - 1;
        size_t at = line.find_first_not_of(" \t", line.find_first_not_of(" \t") + 4);
        if (at == std::string::npos) continue;
        size_t end;
        if (line[at] == '"') {
            end = line.find('"', at + 1);
            if (end == std::string::npos) continue;
            sheet.named = line.substr(at + 1, end - at - 1);
            ++end;
        } else {
            end = line.find_first_of(" \t", at);
            sheet.named = line.substr(at, end == std::string::npos ? std::string::npos : end - at);
        }
        std::istringstream rest(end < line.size() ? line.substr(end) : std::string());
        rest >> sheet.type;
    }
    return sheet;
}

// The file as a case-blind file system finds it: the exact name, else the one file of its
// folder spelt so ignoring case. Empty when there is none, or several.
fs::path findCaseBlind(const fs::path& wanted) {
    std::error_code ec;
    if (fs::is_regular_file(wanted, ec)) return wanted;
    const fs::path folder = wanted.parent_path().empty() ? fs::path(".") : wanted.parent_path();
    const std::string name = lower(wanted.filename().string());
    fs::path found;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (lower(it->path().filename().string()) != name || !it->is_regular_file(ec)) continue;
        if (!found.empty()) return {};
        found = it->path();
    }
    return found;
}

}  // namespace

bool looksLikeCueSheet(const fs::path& image) { return lower(image.extension().string()) == ".cue"; }

CueImage::CueImage(const fs::path& sheetPath) {
    const Sheet sheet = readSheet(sheetPath);
    if (sheet.files == 0 || sheet.named.empty()) {
        why_ = "it is not a CD image (the CUE sheet names no data file)";
        return;
    }
    if (sheet.files > 1) {
        why_ = "the CUE sheet names several data files; only one is supported";
        return;
    }
    if (upper(sheet.type) != "BINARY") {
        why_ = "its data file is of type \"" + upper(sheet.type) + "\"; only BINARY is supported";
        return;
    }
    // The FILE line's name is relative to the sheet's folder; a name that no longer exists
    // falls back, as libcdio reads, to the file named like the sheet.
    const fs::path folder = sheetPath.parent_path();
    data_ = findCaseBlind(folder / fs::path(sheet.named).relative_path());
    if (data_.empty()) data_ = findCaseBlind(fs::path(sheetPath).replace_extension(".bin"));
    if (data_.empty()) {
        why_ = "its data file \"" + (folder / sheet.named).string() + "\" does not exist";
        return;
    }
    std::error_code ec;
    const uintmax_t bytes = fs::file_size(data_, ec);
    if (ec || sheet.lastIndexFrame < 0 || bytes / kFrameBytes <= uintmax_t(sheet.lastIndexFrame)) {
        why_ = ec ? "its data file \"" + data_.string() + "\" cannot be read"
                  : "its data file \"" + data_.filename().string() + "\" is shorter than its track list";
        return;
    }
    const fs::path libcdioReads = fs::path(sheetPath).replace_extension(".bin");
    if (sheetPath.extension() == ".cue" && fs::equivalent(data_, libcdioReads, ec)) {
        open_ = sheetPath;
        return;
    }
    std::string pattern = (fs::temp_directory_path(ec) / "wavelathe-image-XXXXXX").string();
    if (ec || ::mkdtemp(pattern.data()) == nullptr) {
        why_ = "no private folder could be made to read it from";
        return;
    }
    staged_ = pattern;
    open_ = staged_ / "image.cue";
    std::ofstream copy(open_, std::ios::binary);
    for (size_t i = 0; i < sheet.lines.size(); ++i)
        copy << (i == sheet.fileLine ? std::string("FILE \"image.bin\" BINARY") : sheet.lines[i]) << '\n';
    copy.close();
    fs::create_symlink(fs::absolute(data_, ec), staged_ / "image.bin", ec);
    if (!copy || ec) why_ = "no private folder could be made to read it from";
}

CueImage::~CueImage() {
    if (staged_.empty()) return;
    std::error_code ec;
    fs::remove_all(staged_, ec);
}

}  // namespace wl::cdrom
