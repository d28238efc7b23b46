#include "adapters/gate/WindowThreadGate.h"

#include <condition_variable>
#include <mutex>
#include <set>

namespace wl {

namespace {
enum class TaskState { Pending, Running, Done, Released };
}

struct WindowThreadGate::State {
    struct Task {
        std::function<void()> fn;
        TaskState state = TaskState::Pending;
    };
    std::mutex mutex;
    std::condition_variable changed;
    bool closed = false;
    std::set<std::shared_ptr<Task>> open;  // posted or running, someone waiting
};

WindowThreadGate::WindowThreadGate(Poster poster, std::thread::id windowThread)
    : poster_(std::move(poster)), windowThread_(windowThread), state_(std::make_shared<State>()) {}

WindowThreadGate::~WindowThreadGate() { close(); }

bool WindowThreadGate::run(std::function<void()> fn) {
    if (onWindowThread()) {
        fn();
        return true;
    }
    auto state = state_;
    auto task = std::make_shared<State::Task>();
    task->fn = std::move(fn);
    {
        std::lock_guard lock(state->mutex);
        if (state->closed) return false;
        state->open.insert(task);
    }
    // The job holds the task, not the caller: a released caller may be gone when it runs.
    poster_([state, task] {
        {
            std::lock_guard lock(state->mutex);
            if (task->state != TaskState::Pending) return;
            task->state = TaskState::Running;
        }
        task->fn();
        std::lock_guard lock(state->mutex);
        if (task->state == TaskState::Running) task->state = TaskState::Done;
        state->open.erase(task);
        state->changed.notify_all();
    });
    std::unique_lock lock(state->mutex);
    state->changed.wait(lock, [&] { return task->state == TaskState::Done || task->state == TaskState::Released; });
    state->open.erase(task);
    return task->state == TaskState::Done;
}

void WindowThreadGate::post(std::function<void()> fn) {
    auto state = state_;
    {
        std::lock_guard lock(state->mutex);
        if (state->closed) return;
    }
    poster_([state, fn = std::move(fn)] {
        {
            std::lock_guard lock(state->mutex);
            if (state->closed) return;
        }
        fn();
    });
}

void WindowThreadGate::close() {
    std::lock_guard lock(state_->mutex);
    state_->closed = true;
    for (const auto& task : state_->open) task->state = TaskState::Released;
    state_->open.clear();
    state_->changed.notify_all();
}

bool WindowThreadGate::closed() const {
    std::lock_guard lock(state_->mutex);
    return state_->closed;
}

}  // namespace wl
