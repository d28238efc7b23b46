#include "Clock.h"

namespace wl::audio {

TimerId TimerQueue::add(Micros when, std::function<void()> fn) {
    TimerId id = next_++;
    timers_.emplace(std::make_pair(when, id), std::move(fn));
    due_.emplace(id, when);
    return id;
}

bool TimerQueue::remove(TimerId id) {
    auto it = due_.find(id);
    if (it == due_.end()) return false;
    timers_.erase({it->second, id});
    due_.erase(it);
    return true;
}

bool TimerQueue::takeDue(Micros until, Micros& when, TimerId& id, std::function<void()>& fn) {
    if (timers_.empty() || timers_.begin()->first.first > until) return false;
    auto it = timers_.begin();
    when = it->first.first;
    id = it->first.second;
    fn = std::move(it->second);
    timers_.erase(it);
    due_.erase(id);
    return true;
}

bool TimerQueue::earliest(Micros& when) const {
    if (timers_.empty()) return false;
    when = timers_.begin()->first.first;
    return true;
}

SteadyClock::SteadyClock() : origin_(std::chrono::steady_clock::now()), worker_([this] { run(); }) {}

SteadyClock::~SteadyClock() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    worker_.join();
}

Micros SteadyClock::now() {
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - origin_)
        .count();
}

TimerId SteadyClock::callAt(Micros when, std::function<void()> fn) {
    TimerId id;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        id = queue_.add(when, std::move(fn));
    }
    wake_.notify_all();
    return id;
}

void SteadyClock::cancel(TimerId id) {
    std::unique_lock<std::mutex> lock(mutex_);
    queue_.remove(id);
    if (std::this_thread::get_id() == worker_.get_id()) return;
    done_.wait(lock, [&] { return running_ != id; });
}

void SteadyClock::run() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!quit_) {
        Micros when;
        if (!queue_.earliest(when)) {
            wake_.wait(lock);
            continue;
        }
        Micros t = now();
        if (when > t) {
            wake_.wait_for(lock, std::chrono::microseconds(when - t));
            continue;
        }
        TimerId id;
        std::function<void()> fn;
        if (!queue_.takeDue(t, when, id, fn)) continue;
        running_ = id;
        lock.unlock();
        fn();
        lock.lock();
        running_ = 0;
        done_.notify_all();
    }
}

Micros VirtualClock::now() {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return now_;
}

TimerId VirtualClock::callAt(Micros when, std::function<void()> fn) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return queue_.add(when, std::move(fn));
}

void VirtualClock::cancel(TimerId id) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    queue_.remove(id);
}

void VirtualClock::advance(Micros by) {
    Micros until;
    {
        std::lock_guard<std::recursive_mutex> lock(mutex_);
        until = now_ + by;
    }
    for (;;) {
        Micros when;
        TimerId id;
        std::function<void()> fn;
        {
            std::lock_guard<std::recursive_mutex> lock(mutex_);
            if (!queue_.takeDue(until, when, id, fn)) {
                now_ = until;
                return;
            }
            if (when > now_) now_ = when;
        }
        fn();
    }
}

}  // namespace wl::audio
