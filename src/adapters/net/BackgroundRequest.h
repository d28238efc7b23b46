#pragma once
// One request at a time off the window's thread, its answer handed to the window's thread:
// a new request cancels the one under way, whose answer is then never handed over.
#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include "platform/WindowThread.h"

namespace wl {

class BackgroundRequest {
public:
    explicit BackgroundRequest(WindowThread& window) : window_(window) {}
    ~BackgroundRequest() { finish(); }
    BackgroundRequest(const BackgroundRequest&) = delete;
    BackgroundRequest& operator=(const BackgroundRequest&) = delete;

    // work runs on a thread of its own and must own what it uses (the caller's locals may be
    // gone when it ends); it is told through its argument when it is no longer wanted.
    template <class Answer>
    void start(std::function<Answer(const std::atomic<bool>& cancelled)> work, std::function<void(Answer)> done) {
        stop();
        cancel_ = std::make_shared<std::atomic<bool>>(false);
        thread_ = std::thread([&window = window_, cancel = cancel_, work = std::move(work), done = std::move(done)] {
            Answer answer = work(*cancel);
            if (cancel->load()) return;
            window.runOnWindowThread([cancel, done, answer = std::move(answer)]() mutable {
                if (!cancel->load()) done(std::move(answer));
            });
        });
    }

    void stop() {
        if (cancel_) cancel_->store(true);
        // Not joined here: the window's thread must never wait for a thread that waits for
        // it. Cancelled, a request hands nothing over and ends within its timeout.
        if (thread_.joinable()) retired_.push_back(std::move(thread_));
    }

    // Cancels and waits for every request. Only once the window turns other threads' calls
    // away (it is gone, or going), so that none of them waits for it.
    void finish() {
        stop();
        for (std::thread& t : retired_) t.join();
        retired_.clear();
    }

private:
    WindowThread& window_;
    std::thread thread_;
    std::vector<std::thread> retired_;
    std::shared_ptr<std::atomic<bool>> cancel_;
};

}  // namespace wl
