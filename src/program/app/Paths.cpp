#include "app/Paths.h"

#include "app/FileNames.h"

#include <filesystem>
#include <system_error>

namespace wl {

SplitPath splitPath(const std::string& path) {
    SplitPath out;
    size_t slash = path.rfind(kPathSeparator);
    size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    out.dir = path.substr(0, nameStart);
    std::string name = path.substr(nameStart);
    size_t dot = name.rfind('.');
    if (dot == std::string::npos) {
        out.base = name;
    } else {
        out.base = name.substr(0, dot);
        out.ext = name.substr(dot);
    }
    return out;
}

std::string joinPath(const SplitPath& parts) { return parts.drive + parts.dir + parts.base + parts.ext; }

std::string lowerFileName(const std::string& path) {
    size_t slash = path.rfind(kPathSeparator);
    size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    // ASCII only: the bytes of a UTF-8 name are never lower-cased one by one.
    return path.substr(0, nameStart) + AsciiLower(path.substr(nameStart));
}

bool endsWithSeparator(const std::string& path) { return !path.empty() && path.back() == kPathSeparator; }

std::string withTrailingSeparator(const std::string& folder) {
    return endsWithSeparator(folder) ? folder : folder + kPathSeparator;
}

namespace {

bool sameIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && AsciiLower(a) == AsciiLower(b);
}

}  // namespace

std::string findExistingFile(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (path.empty() || fs::exists(fs::symlink_status(path, ec))) return path;
    const size_t slash = path.rfind(kPathSeparator);
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = path.substr(folder.size());
    if (name.empty()) return path;
    std::string found;
    int matches = 0;
    for (fs::directory_iterator it(folder.empty() ? fs::path(".") : fs::path(folder), ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string entry = it->path().filename().string();
        if (sameIgnoringCase(entry, name)) {
            found = entry;
            ++matches;
        }
    }
    return matches == 1 ? folder + found : path;
}

std::string workingFolder(const std::string& workingDir) {
    if (!workingDir.empty()) return workingDir;
    std::error_code ec;
    const std::filesystem::path here = std::filesystem::current_path(ec);
    return ec ? std::string() : here.string();
}

}  // namespace wl
