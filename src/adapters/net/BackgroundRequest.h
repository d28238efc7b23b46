#pragma once
// One worker thread per web client, one request at a time, its answer posted to the window's
// thread without waiting for it: a new request cancels the one under way, whose answer is
// then never handed over. The worker starts with the first request and is joined when the
// client ends; since it never waits for the window, that join needs no window at all.
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "platform/WindowThread.h"

namespace wl {

class BackgroundRequest {
public:
    explicit BackgroundRequest(WindowThread& window) : window_(window) {}
    ~BackgroundRequest() { finish(); }
    BackgroundRequest(const BackgroundRequest&) = delete;
    BackgroundRequest& operator=(const BackgroundRequest&) = delete;

    // work runs on the worker and must own what it uses (the caller's locals are gone when it
    // runs); it is told through its argument when it is no longer wanted. False when no
    // worker could be started: then there is no request, and done never runs.
    template <class Answer>
    bool start(std::function<Answer(const std::atomic<bool>& cancelled)> work, std::function<void(Answer)> done) {
        auto cancel = std::make_shared<std::atomic<bool>>(false);
        Post unanswered = [cancel, done] {
            if (!cancel->load()) done(Answer{});
        };
        Request request{cancel, [cancel, work = std::move(work), done = std::move(done)]() -> Post {
                            auto answer = std::make_shared<Answer>(work(*cancel));
                            return [cancel, done, answer] {
                                if (!cancel->load()) done(std::move(*answer));
                            };
                        }};
        std::lock_guard lock(mutex_);
        if (ending_) return false;
        if (current_) current_->store(true);
        current_ = cancel;
        next_ = std::move(request);
        if (!worker_.joinable()) {
            try {
                worker_ = std::thread([this] { serve(); });
            } catch (const std::system_error&) {
                next_ = Request{};
                window_.postToWindowThread(std::move(unanswered));
                return false;
            }
        }
        wake_.notify_all();
        return true;
    }

    // Cancels the request under way or waiting. Once it returns, nothing is posted to the
    // window any more for it, so the window may go before this client does.
    void stop() {
        std::lock_guard lock(mutex_);
        if (current_) current_->store(true);
        current_.reset();
        next_ = Request{};
    }

    // Cancels and joins the worker. A cancelled request ends within its poll of the flag.
    void finish() {
        {
            std::lock_guard lock(mutex_);
            ending_ = true;
            if (current_) current_->store(true);
            next_ = Request{};
            wake_.notify_all();
        }
        if (worker_.joinable()) worker_.join();
    }

private:
    using Post = std::function<void()>;  // the answer's handover, run on the window's thread
    struct Request {
        std::shared_ptr<std::atomic<bool>> cancel;
        std::function<Post()> work;
    };
    WindowThread& window_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool ending_ = false;
    Request next_;
    std::shared_ptr<std::atomic<bool>> current_;
    std::thread worker_;  // last: started once the members it uses exist

    void serve() {
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return ending_ || next_.work; });
            if (ending_) return;
            Request request = std::move(next_);
            next_ = Request{};
            lock.unlock();
            Post post = request.work();
            lock.lock();
            // Under the lock, so that stop() and this post never cross; posting never waits.
            if (!request.cancel->load()) window_.postToWindowThread(std::move(post));
        }
    }
};

}  // namespace wl
