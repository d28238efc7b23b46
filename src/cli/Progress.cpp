#include "cli/Progress.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace wl::cli {

namespace {
constexpr int kBarWidth = 30;
constexpr auto kRedrawEvery = std::chrono::milliseconds(100);
}  // namespace

Progress::Progress(bool quiet) : quiet_(quiet), terminal_(::isatty(STDERR_FILENO) == 1) {}

Progress::~Progress() {
    if (open_) end("stopped");
}

void Progress::clearLine() {
    if (terminal_) std::fputs("\r\033[K", stderr);
}

void Progress::begin(const std::string& what) {
    if (open_) end("done");
    what_ = what;
    open_ = true;
    lastTenth_ = -1;
    start_ = lastDraw_ = std::chrono::steady_clock::now();
    if (quiet_) return;
    if (terminal_) std::fprintf(stderr, "%s", what_.c_str());
    else std::fprintf(stderr, "%s: started\n", what_.c_str());
    std::fflush(stderr);
}

void Progress::update(double done, double total, double unitsPerSecond) {
    if (quiet_ || !open_ || total <= 0) return;
    const auto now = std::chrono::steady_clock::now();
    const double fraction = std::clamp(done / total, 0.0, 1.0);
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const double rate = seconds > 0 ? done / seconds : 0;
    if (terminal_) {
        if (now - lastDraw_ < kRedrawEvery) return;
        lastDraw_ = now;
        const int filled = int(fraction * kBarWidth);
        const std::string bar = std::string(size_t(filled), '#') + std::string(size_t(kBarWidth - filled), '-');
        const double left = rate > 0 ? (total - done) / rate : 0;
        clearLine();
        char speed[24] = "";
        if (unitsPerSecond > 0) std::snprintf(speed, sizeof speed, "  %.1fx", rate / unitsPerSecond);
        std::fprintf(stderr, "%s [%s] %3d%%%s  %d:%02d left", what_.c_str(), bar.c_str(), int(fraction * 100), speed,
                     int(left) / 60, int(left) % 60);
    } else {
        // Plain lines: one at each tenth.
        const int tenth = int(fraction * 10);
        if (tenth == lastTenth_ || tenth == 0 || tenth == 10) return;
        lastTenth_ = tenth;
        std::fprintf(stderr, "%s: %d%%\n", what_.c_str(), tenth * 10);
    }
    std::fflush(stderr);
}

void Progress::end(const std::string& how) {
    if (!open_) return;
    open_ = false;
    if (quiet_) return;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    clearLine();
    std::fprintf(stderr, "%s: %s (%.1f s)\n", what_.c_str(), how.c_str(), seconds);
    std::fflush(stderr);
}

void Progress::note(const std::string& text) {
    if (open_ && terminal_ && !quiet_) clearLine();
    std::fprintf(stderr, "%s\n", text.c_str());
    if (open_ && terminal_ && !quiet_) std::fprintf(stderr, "%s", what_.c_str());
    std::fflush(stderr);
}

}  // namespace wl::cli
