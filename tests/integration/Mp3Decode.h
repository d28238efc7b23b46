#pragma once
// What an MP3 decodes to, checked with an independent decoder.
#include <cstdio>
#include <cstdlib>
#include <string>

namespace wl::e2e {

inline bool haveMpg123() { return std::system("mpg123 --version > /dev/null 2>&1") == 0; }

// Bytes of 16-bit stereo PCM that mpg123 decodes a file to, or -1.
inline long long decodedBytes(const std::string& mp3) {
    std::FILE* p = popen(("mpg123 -q -s '" + mp3 + "' 2>/dev/null").c_str(), "r");
    if (!p) return -1;
    char buf[65536];
    long long total = 0;
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) total += (long long)n;
    return pclose(p) == 0 ? total : -1;
}

}  // namespace wl::e2e
