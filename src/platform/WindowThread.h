#pragma once
// Port part: reaching the window's thread from any thread.
//
// The rule for every call made from another thread (a worker): it carries values (texts,
// captions, numbers, a result to hand back), never references into the caller's stack.
// At shutdown the window releases a waiting caller at once, even while the work it handed
// over is still running on the window's thread (a message box open in it); the caller may
// then return and free its locals while that work goes on. So the function given to
// runOnWindowThread must own what it uses: capture values, or objects that outlive the
// window (the program's App), never a worker's locals or `this` of a worker's object.
// Results come back through callOnWindowThread below, not through a captured reference.
#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace wl {

class WindowThread {
public:
    virtual ~WindowThread() = default;

    // SendMessage(WM_COMMAND): runs the program's command handler now, on the window's thread.
    virtual void sendCommand(int id) = 0;
    // Runs fn on the window's thread and waits for it; on the window's thread it runs at once.
    // True when fn ran to its end. False when refused (shutdown had begun: fn never runs) or
    // released by the shutdown while queued or running (fn may still run or finish later).
    virtual bool runOnWindowThread(std::function<void()> fn) = 0;
    // Queues fn for the window's thread and returns at once, also on the window's thread
    // (fn then runs later, never inside this call). Dropped once shutdown has begun; a
    // worker that only posts never waits for the window.
    virtual void postToWindowThread(std::function<void()> fn) = 0;
};

// fn's result, computed on the window's thread; nothing when the call was refused or released.
template <class F>
auto callOnWindowThread(WindowThread& window, F fn) -> std::optional<decltype(fn())> {
    using R = decltype(fn());
    auto result = std::make_shared<std::optional<R>>();
    if (!window.runOnWindowThread([fn = std::move(fn), result]() mutable { result->emplace(fn()); })) return {};
    return std::move(*result);
}

}  // namespace wl
