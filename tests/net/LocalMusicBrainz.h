#pragma once
// A local stand-in of the MusicBrainz web service (musicbrainz_server.py) on 127.0.0.1, for
// the duration of a test; it logs each request it gets.
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

namespace wl::test {

struct LocalService {
    static int& made() {
        static int n = 0;
        return n;
    }
    std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                ("wl-mb-" + std::to_string(::getpid()) + "-" + std::to_string(made()++));
    pid_t pid = 0;
    std::string url;
    // delaySeconds: how long every answer waits.
    explicit LocalService(int delaySeconds = 0) {
        std::filesystem::create_directories(dir);
        const std::string cmd = "python3 '" WL_MB_SERVER "' 0 '" + (dir / "requests.log").string() + "' " +
                                std::to_string(delaySeconds) + " > '" +
                                (dir / "port").string() + "' 2>/dev/null & echo $! > '" + (dir / "pid").string() + "'";
        if (std::system(cmd.c_str()) != 0) return;
        std::ifstream(dir / "pid") >> pid;
        for (int i = 0; i < 200 && url.empty(); ++i) {
            int port = 0;
            if (std::ifstream(dir / "port") >> port) url = "http://127.0.0.1:" + std::to_string(port);
            else std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
    }
    ~LocalService() {
        if (pid > 0) ::kill(pid, SIGTERM);
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    std::string requests() const {
        std::ifstream in(dir / "requests.log");
        return {std::istreambuf_iterator<char>(in), {}};
    }
};

}  // namespace wl::test
