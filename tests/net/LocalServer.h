#pragma once
// A local HTTP server on 127.0.0.1 for the duration of a test: a python3 script that prints
// its port on its first line. Each server has a scratch folder of its own.
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

namespace wl::test {

struct LocalServer {
    static int& made() {
        static int n = 0;
        return n;
    }
    std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                ("wl-http-" + std::to_string(::getpid()) + "-" + std::to_string(made()++));
    pid_t pid = 0;
    std::string url;  // empty when the server did not come up

    // arguments: what follows `python3`, quoted for the shell, given the server's folder.
    explicit LocalServer(const std::function<std::string(const std::filesystem::path&)>& arguments) {
        std::filesystem::create_directories(dir);
        const std::string cmd = "python3 " + arguments(dir) + " > '" + (dir / "port").string() + "' 2>/dev/null & echo $! > '" +
                                (dir / "pid").string() + "'";
        if (std::system(cmd.c_str()) != 0) return;
        std::ifstream(dir / "pid") >> pid;
        for (int i = 0; i < 200 && url.empty(); ++i) {
            int port = 0;
            if (std::ifstream(dir / "port") >> port) url = "http://127.0.0.1:" + std::to_string(port);
            else std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
    }
    ~LocalServer() {
        if (pid > 0) ::kill(pid, SIGTERM);
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    LocalServer(const LocalServer&) = delete;
    LocalServer& operator=(const LocalServer&) = delete;
};

// The files of a folder, served as they are.
struct LocalFileServer : LocalServer {
    explicit LocalFileServer(const std::filesystem::path& root)
        : LocalServer([root](const std::filesystem::path&) {
              return "-c 'import functools, http.server, sys\n"
                     "handler = functools.partial(http.server.SimpleHTTPRequestHandler, directory=sys.argv[1])\n"
                     "server = http.server.ThreadingHTTPServer((\"127.0.0.1\", 0), handler)\n"
                     "print(server.server_address[1], flush=True)\n"
                     "server.serve_forever()' '" +
                     root.string() + "'";
          }) {}
};

}  // namespace wl::test
