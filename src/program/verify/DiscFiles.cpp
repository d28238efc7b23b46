#include "verify/DiscFiles.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "app/FileNames.h"
#include "app/FileReplacement.h"
#include "verify/RipLog.h"

namespace wl {

namespace {

// A disc's own file is small; a longer one is not read whole to find out.
constexpr size_t kOwnFileReadBytes = 1 << 20;
// Room in a path for the folder, the separator and the name.
constexpr size_t kPathBytes = 4095;
constexpr int kMaxNumbered = 99;

std::string hex8(uint32_t v) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", v);
    return text;
}

bool exists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}

bool ownFile(const std::string& path, const std::string& firstLine, const std::string& idLine) {
    // A folder, a FIFO or a device of that name is nobody's log (and a FIFO would never answer).
    if (!isRegularFile(path)) return false;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    if (!in || !std::getline(in, line) || line.compare(0, firstLine.size(), firstLine) != 0) return false;
    size_t read = line.size();
    do {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line == idLine) return true;
        read += line.size() + 1;
    } while (read < kOwnFileReadBytes && std::getline(in, line));
    return false;
}

}  // namespace

std::string DiscFileName(const App& app) {
    const DiscNames& names = app.s.disc.names;
    const std::string id = hex8(DiscIdsOf(app.s.toc).freedb);
    std::string name = names.album.empty() ? id : names.album;
    if (names.discCount > 1) name += " (disc " + std::to_string(names.discNumber) + ")";
    // Room left for " (99)" and the longest extension.
    return SafeFileName(name, "", kFileNameBytes - 10, id);
}

std::string DiscFilePath(const App& app, const std::string& folder, const std::string& extension,
                         const std::string& firstLine, const std::string& idLine) {
    const std::string dir = folder.empty() ? "./" : folder.back() == '/' ? folder : folder + "/";
    const size_t limit = std::min(kFileNameBytes, kPathBytes > dir.size() + 16 ? kPathBytes - dir.size() : 16);
    const std::string name = DiscFileName(app);
    // Numbers are taken in order, so past the first free name none of ours follows.
    for (int k = 1; k <= kMaxNumbered; ++k) {
        const std::string tail = (k == 1 ? "" : " (" + std::to_string(k) + ")") + extension;
        const std::string path = dir + SafeFileName(name, tail, limit);
        if (!exists(path) || ownFile(path, firstLine, idLine)) return path;
    }
    return "";
}

bool WriteWholeFile(const std::string& path, const std::string& text, std::string* why) {
    FileReplacement file(path);
    bool ok = file.open() && std::fwrite(text.data(), 1, text.size(), file.file()) == text.size();
    if (!ok) file.discard();
    ok = ok && file.commit();
    if (!ok && why) *why = file.error().empty() ? "it could not be written" : file.error();
    return ok;
}

void ReportDiscFileFailure(App& app, const std::string& what, const std::string& path, const std::string& why) {
    std::string& reported = app.s.disc.reportedFileFailure;
    const std::string key = what + "\n" + path;
    if (reported == key) return;
    reported = key;
    showMessage(app,
                "I can't write the " + what + (path.empty() ? std::string() : " \"" + path + "\"") + " (" + why +
                    "). The ripped tracks are saved without it.",
                "Disc Files");
}

}  // namespace wl
