#pragma once
// What an outside tool prints, for the tests that check files with the tools people use.
#include <cstdio>
#include <string>

namespace wl::e2e {

// Everything the shell command writes to its standard output; its wait status in `status`.
inline std::string commandOutput(const std::string& command, int* status = nullptr) {
    std::string out;
    if (std::FILE* p = popen(command.c_str(), "r")) {
        char buf[4096];
        for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
        const int rc = pclose(p);
        if (status) *status = rc;
    }
    return out;
}

}  // namespace wl::e2e
