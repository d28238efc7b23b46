#include "adapters/dl/InstallPaths.h"

#include <filesystem>
#include <system_error>

// Paths from the installed bin folder to the others, worked out when the build is configured.
#ifndef WL_REL_PKGLIBDIR
#define WL_REL_PKGLIBDIR "../lib/wavelathe"
#endif
#ifndef WL_REL_HELPDIR
#define WL_REL_HELPDIR "../share/wavelathe/help"
#endif
#ifndef WL_REL_ICONFILE
#define WL_REL_ICONFILE "../share/icons/hicolor/48x48/apps/wavelathe.png"
#endif

namespace wl {

namespace {
namespace fs = std::filesystem;

std::string under(const std::string& folder, const char* relative) {
    return (fs::path(folder) / relative).lexically_normal().string();
}

bool isFile(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}
}  // namespace

InstallPaths findInstallPaths(const std::string& executableFolder) {
    InstallPaths paths;
    const std::string folder = executableFolder.empty() ? std::string(".") : executableFolder;
    paths.encoderFolders = {under(folder, WL_REL_PKGLIBDIR), folder};

    const std::string installedHelp = under(folder, WL_REL_HELPDIR "/index.html");
    const std::string besideHelp = under(folder, "help/index.html");
    // With neither page present the installed one is named; opening it fails and says so.
    paths.helpPage = !isFile(installedHelp) && isFile(besideHelp) ? besideHelp : installedHelp;

    const std::string icon = under(folder, WL_REL_ICONFILE);
    if (isFile(icon)) paths.icon = icon;
    return paths;
}

std::string runningExecutableFolder() {
    std::error_code ec;
    auto self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : self.parent_path().string();
}

}  // namespace wl
