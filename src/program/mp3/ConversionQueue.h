#pragma once
// The one queue both conversion batches run on: the WAV files of a batch and the tracks a
// Tracks batch has ripped. Tasks are taken in list order by up to one stream per processor
// core; the calling thread runs one stream itself, and a stream whose thread cannot start is
// left out while the others take its tasks. A task's turn comes once every task before it in
// the list has run, so reports can reach the window in list order whichever stream finishes
// first. Every wait ends as soon as the stop is requested: nothing polls.
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <stop_token>
#include <utility>
#include <vector>

namespace wl {

// Streams for `tasks` tasks: `wanted`, or `cores` when it is 0; at least one, at most one per task.
int conversionStreams(int wanted, int cores, int tasks);

class ConversionQueue {
public:
    struct Task {
        std::function<void()> run;
        // Stopped before any stream took it: it ends without converting. May be empty.
        std::function<void()> skip;
    };

    explicit ConversionQueue(std::stop_token stop) : stop_(std::move(stop)) {}
    ConversionQueue(const ConversionQueue&) = delete;
    ConversionQueue& operator=(const ConversionQueue&) = delete;

    // Adds a task at the end of the list and returns its place there.
    int push(Task task);
    // No more tasks: the streams end once the last one is taken.
    void close();
    // Runs `streams` streams until the queue is closed and empty, or stopped; then skips the
    // tasks none took. Returns the number of streams that ran.
    int run(int streams);
    // Returns once every task before `index` has run; false at a stop, which may come first.
    bool awaitTurn(int index);
    bool stopped() const { return stop_.stop_requested(); }

private:
    std::optional<std::pair<int, Task>> take();
    void stream();
    void ran(int index);

    const std::stop_token stop_;
    std::mutex mutex_;
    std::condition_variable_any changed_;
    std::deque<std::pair<int, Task>> tasks_;
    std::vector<char> done_;  // by place in the list
    int turn_ = 0;            // every task before it has run
    bool closed_ = false;
};

}  // namespace wl
