#include "app/ServiceSite.h"

#include <cstdlib>

namespace wl {

ServiceSite ServiceSiteFromEnvironment(const char* urlVariable, const std::string& defaultUrl,
                                       const std::string& cacheSubfolder) {
    ServiceSite site;
    const char* url = std::getenv(urlVariable);
    site.baseUrl = url && *url ? url : defaultUrl;
    while (!site.baseUrl.empty() && site.baseUrl.back() == '/') site.baseUrl.pop_back();
    const char* cache = std::getenv("XDG_CACHE_HOME");
    const char* home = std::getenv("HOME");
    const std::string folder = cache && *cache ? cache : home && *home ? std::string(home) + "/.cache" : "";
    if (!folder.empty()) site.cacheFolder = folder + "/wavelathe/" + cacheSubfolder;
    return site;
}

}  // namespace wl
