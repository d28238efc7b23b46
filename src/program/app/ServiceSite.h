#pragma once
// Where an online service is and where its answers are kept, as the environment sets them.
#include <string>

namespace wl {

// How the program names itself to every online service, as they ask of their clients.
inline constexpr const char* kServiceUserAgent = "Wavelathe/" WL_VERSION " ( https://wavelathe.invalid/ )";

struct ServiceSite {
    std::string baseUrl;      // without a trailing "/"
    std::string cacheFolder;  // empty: nothing kept
};

// The base URL from the variable urlVariable when it is set and not empty, else defaultUrl;
// the cache folder $XDG_CACHE_HOME/wavelathe/{cacheSubfolder} (~/.cache when unset), or
// none when neither that nor HOME is set.
ServiceSite ServiceSiteFromEnvironment(const char* urlVariable, const std::string& defaultUrl,
                                       const std::string& cacheSubfolder);

}  // namespace wl
