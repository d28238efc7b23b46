#include "app/Paths.h"

#include <cctype>

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
    std::string out = path;
    for (size_t i = nameStart; i < out.size(); ++i)
        out[i] = char(std::tolower(static_cast<unsigned char>(out[i])));
    return out;
}

bool endsWithSeparator(const std::string& path) { return !path.empty() && path.back() == kPathSeparator; }

std::string withTrailingSeparator(const std::string& folder) {
    return endsWithSeparator(folder) ? folder : folder + kPathSeparator;
}

}  // namespace wl
