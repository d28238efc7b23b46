#pragma once
// The one place where the program's Windows-style path rules meet this platform's paths:
// "/" is the folder separator, there are no drive letters, and lower-casing touches only the
// final file-name component, never a folder (Linux folders are case-sensitive).
#include <string>

namespace wl {

struct SplitPath {
    std::string drive;   // always empty here
    std::string dir;     // folder part, ending in "/" when not empty
    std::string base;    // file name without extension
    std::string ext;     // from the last "." of the file name on, "" when none
};

SplitPath splitPath(const std::string& path);
std::string joinPath(const SplitPath& parts);
// Lower-cases the file-name component (after the last "/") only, A-Z only.
std::string lowerFileName(const std::string& path);
bool endsWithSeparator(const std::string& path);
// Adds the trailing separator a save folder always carries.
std::string withTrailingSeparator(const std::string& folder);
// An existing file the user named, found as the original's case-blind file system finds it:
// the exact name when it exists, else the one entry of its folder whose name matches ignoring
// case. With several such entries, or none, the name comes back as given. Only the file name
// is matched so; the folders must be spelt exactly.
std::string findExistingFile(const std::string& path);
constexpr char kPathSeparator = '/';

// The program's working folder: the one it was started in (workingDir), where relative names
// lead. The process's own folder stands in when workingDir is unnamed (a path too long).
std::string workingFolder(const std::string& workingDir);

}  // namespace wl
