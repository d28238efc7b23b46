#pragma once
// Where the program's own files are, found from the running executable's folder. An installed
// program keeps them under its prefix (bin/../lib/wavelathe, bin/../share/...), so a package,
// a /usr/local install and a DESTDIR tree all work unchanged; the build tree keeps the encoder
// library and the help page beside the executable.
#include <string>
#include <vector>

namespace wl {

struct InstallPaths {
    std::vector<std::string> encoderFolders;  // searched in this order for the encoder library
    std::string helpPage;                     // the installed page, else the one beside us
    std::string icon;                         // 48 px PNG; empty when there is none
};

InstallPaths findInstallPaths(const std::string& executableFolder);

// The folder of /proc/self/exe; empty when it cannot be read.
std::string runningExecutableFolder();

}  // namespace wl
