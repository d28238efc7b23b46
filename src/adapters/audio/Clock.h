#pragma once
// Time for everything that must run in real time: the CD player's pacing, the loopback's
// line input and the wave player. Production uses SteadyClock (one worker thread); tests use
// VirtualClock, so three minutes of play take no wall time.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

namespace wl::audio {

using Micros = int64_t;
using TimerId = uint64_t;  // 0 = none

class Clock {
public:
    virtual ~Clock() = default;
    virtual Micros now() = 0;
    // Runs fn once at (or soon after) the given time, on the clock's own thread.
    virtual TimerId callAt(Micros when, std::function<void()> fn) = 0;
    // After return fn will not start; if it is running on another thread, waits for it.
    // Never call it while holding a lock that the callback takes.
    virtual void cancel(TimerId id) = 0;
};

// Shared bookkeeping: timers ordered by due time, then by creation.
class TimerQueue {
public:
    TimerId add(Micros when, std::function<void()> fn);
    bool remove(TimerId id);
    // Takes the earliest timer due at or before `until`; false when none.
    bool takeDue(Micros until, Micros& when, TimerId& id, std::function<void()>& fn);
    bool earliest(Micros& when) const;
    bool empty() const { return timers_.empty(); }

private:
    std::map<std::pair<Micros, TimerId>, std::function<void()>> timers_;
    std::map<TimerId, Micros> due_;
    TimerId next_ = 1;
};

class SteadyClock final : public Clock {
public:
    SteadyClock();
    ~SteadyClock() override;
    Micros now() override;
    TimerId callAt(Micros when, std::function<void()> fn) override;
    void cancel(TimerId id) override;

private:
    void run();
    std::chrono::steady_clock::time_point origin_;
    std::mutex mutex_;
    std::condition_variable wake_, done_;
    TimerQueue queue_;
    TimerId running_ = 0;
    bool quit_ = false;
    std::thread worker_;
};

// Time moves only when advance() is called; due callbacks run on the caller's thread.
class VirtualClock final : public Clock {
public:
    Micros now() override;
    TimerId callAt(Micros when, std::function<void()> fn) override;
    void cancel(TimerId id) override;
    void advance(Micros by);
    void advanceSeconds(double s) { advance(Micros(s * 1e6)); }

private:
    std::recursive_mutex mutex_;
    Micros now_ = 0;
    TimerQueue queue_;
};

}  // namespace wl::audio
