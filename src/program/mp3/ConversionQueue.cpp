#include "mp3/ConversionQueue.h"

#include <algorithm>
#include <system_error>
#include <thread>

namespace wl {

int conversionStreams(int wanted, int cores, int tasks) {
    return std::clamp(wanted > 0 ? wanted : cores, 1, std::max(tasks, 1));
}

int ConversionQueue::push(Task task) {
    int index = 0;
    {
        std::lock_guard lock(mutex_);
        index = int(done_.size());
        done_.push_back(0);
        tasks_.emplace_back(index, std::move(task));
    }
    changed_.notify_all();
    return index;
}

void ConversionQueue::close() {
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
    }
    changed_.notify_all();
}

std::optional<std::pair<int, ConversionQueue::Task>> ConversionQueue::take() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, stop_, [this] { return !tasks_.empty() || closed_; });
    if (stop_.stop_requested() || tasks_.empty()) return std::nullopt;
    auto task = std::move(tasks_.front());
    tasks_.pop_front();
    return task;
}

void ConversionQueue::ran(int index) {
    {
        std::lock_guard lock(mutex_);
        done_[size_t(index)] = 1;
        while (size_t(turn_) < done_.size() && done_[size_t(turn_)]) ++turn_;
    }
    changed_.notify_all();
}

void ConversionQueue::stream() {
    while (auto task = take()) {
        task->second.run();
        ran(task->first);
    }
}

int ConversionQueue::run(int streams) {
    std::vector<std::thread> helpers;
    for (int k = 1; k < streams; ++k) {
        try {
            helpers.emplace_back([this] { stream(); });
        } catch (const std::system_error&) {
            break;  // fewer streams, the same tasks
        }
    }
    stream();
    for (std::thread& t : helpers) t.join();
    std::deque<std::pair<int, Task>> left;
    {
        std::lock_guard lock(mutex_);
        left.swap(tasks_);
    }
    for (auto& [index, task] : left)
        if (task.skip) task.skip();
    return int(helpers.size()) + 1;
}

bool ConversionQueue::awaitTurn(int index) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, stop_, [this, index] { return turn_ >= index; });
    return !stop_.stop_requested();
}

}  // namespace wl
