#pragma once
// Progress on standard error: a bar redrawn in place with speed and time left when it is a
// terminal, plain lines when it is not (a log, a pipe), nothing when quiet.
#include <chrono>
#include <string>

namespace wl::cli {

class Progress {
public:
    explicit Progress(bool quiet);
    ~Progress();
    // A new item (a track, a file) begins.
    void begin(const std::string& what);
    // done of total units; unitsPerSecond makes the speed ("8.2x" for CD frames at 75 a second).
    void update(double done, double total, double unitsPerSecond);
    // The item ends with this word ("done", "failed").
    void end(const std::string& how);
    // A line of its own, between bars.
    void note(const std::string& text);

private:
    bool quiet_, terminal_;
    std::string what_;
    bool open_ = false;
    int lastTenth_ = -1;
    std::chrono::steady_clock::time_point start_, lastDraw_;
    void clearLine();
};

}  // namespace wl::cli
