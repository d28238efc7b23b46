#pragma once
// A local stand-in of the MusicBrainz web service (musicbrainz_server.py) on 127.0.0.1, for
// the duration of a test; it logs each request it gets.
#include <fstream>
#include <iterator>
#include <string>

#include "LocalServer.h"

namespace wl::test {

struct LocalService : LocalServer {
    // delaySeconds: how long every answer waits.
    explicit LocalService(int delaySeconds = 0)
        : LocalServer([delaySeconds](const std::filesystem::path& dir) {
              return "'" WL_MB_SERVER "' 0 '" + (dir / "requests.log").string() + "' " + std::to_string(delaySeconds);
          }) {}
    std::string requests() const {
        std::ifstream in(dir / "requests.log");
        return {std::istreambuf_iterator<char>(in), {}};
    }
};

}  // namespace wl::test
