#pragma once
// Runs work on the window's thread for callers on other threads and waits for it, as a
// cross-thread SendMessage would. Once closed (shutdown has begun) nothing waits: new calls
// are refused at once and calls already waiting are released, so the window's thread can
// join a worker that is blocked on it.
//
// A released call may still be running on the window's thread (it was inside a nested
// modal loop when shutdown began), so the work handed over must own what it touches:
// capture by value, never the caller's locals by reference.
//
// Free of any toolkit: the owner says how a job reaches its thread (a queued call on the
// toolkit's loop, or a test's queue that it serves itself), so the real window and the
// test double release their callers by the same rules.
#include <functional>
#include <memory>
#include <optional>
#include <thread>

namespace wl {

class WindowThreadGate {
public:
    using Job = std::function<void()>;
    // Queues job to run later on the window's thread; must not run it at once.
    using Poster = std::function<void(Job job)>;

    // The window's thread is the one constructing the gate unless given.
    explicit WindowThreadGate(Poster poster, std::thread::id windowThread = std::this_thread::get_id());
    ~WindowThreadGate();
    WindowThreadGate(const WindowThreadGate&) = delete;
    WindowThreadGate& operator=(const WindowThreadGate&) = delete;

    bool onWindowThread() const { return std::this_thread::get_id() == windowThread_; }
    // Runs fn there and waits; true when fn ran to its end.
    bool run(std::function<void()> fn);
    // Queues fn without waiting; dropped once closed.
    void post(std::function<void()> fn);
    void close();
    bool closed() const;

    // fn's result, or fallback when the call was refused or released.
    template <class R, class F>
    R call(F fn, R fallback) {
        if (onWindowThread()) return fn();
        auto result = std::make_shared<std::optional<R>>();
        if (!run([fn, result]() mutable { *result = fn(); }) || !*result) return fallback;
        return std::move(**result);
    }

private:
    struct State;
    Poster poster_;
    std::thread::id windowThread_;
    std::shared_ptr<State> state_;
};

}  // namespace wl
