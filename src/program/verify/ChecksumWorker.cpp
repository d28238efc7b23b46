#include "verify/ChecksumWorker.h"

#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace wl {
namespace {

constexpr size_t kBlockBytes = 256 * 1024;
constexpr size_t kMostQueued = 8;

}  // namespace

// Everything both threads touch, owned by both: the rip's stack holds nothing the summing
// thread reads.
struct ChecksumWorker::Shared {
    explicit Shared(const TrackChecksums& start) : sums(start) {}
    std::mutex lock;
    std::condition_variable changed;
    std::deque<std::vector<uint8_t>> queued;
    std::vector<std::vector<uint8_t>> spare;
    std::vector<uint8_t> filling;  // the rip thread's own until handed over
    bool closed = false, busy = false;
    TrackChecksums sums;  // the summing thread's own until it has stopped

    void run() {
        std::unique_lock<std::mutex> hold(lock);
        for (;;) {
            changed.wait(hold, [&] { return closed || !queued.empty(); });
            if (queued.empty()) return;
            std::vector<uint8_t> block = std::move(queued.front());
            queued.pop_front();
            busy = true;
            hold.unlock();
            sums.add(block.data(), block.size());
            hold.lock();
            busy = false;
            block.clear();
            spare.push_back(std::move(block));
            changed.notify_all();
        }
    }
};

struct ChecksumWorker::Thread {
    std::thread thread;
};

ChecksumWorker::ChecksumWorker(const TrackChecksums& start) : shared_(std::make_shared<Shared>(start)) {
    try {
        auto thread = std::make_unique<Thread>();
        thread->thread = std::thread([shared = shared_] { shared->run(); });
        thread_ = std::move(thread);
    } catch (const std::system_error&) {
        // No thread to be had: the sums are taken on the rip's own thread instead.
    }
    shared_->filling.reserve(kBlockBytes);
}

ChecksumWorker::~ChecksumWorker() {
    if (!thread_) return;
    {
        std::lock_guard<std::mutex> hold(shared_->lock);
        shared_->closed = true;
        shared_->queued.clear();  // a rip given up needs no sums
    }
    shared_->changed.notify_all();
    thread_->thread.join();
}

void ChecksumWorker::add(const uint8_t* pcm, size_t bytes) {
    Shared& s = *shared_;
    if (!thread_) {
        s.sums.add(pcm, bytes);
        return;
    }
    while (bytes > 0) {
        const size_t part = std::min(bytes, kBlockBytes - s.filling.size());
        s.filling.insert(s.filling.end(), pcm, pcm + part);
        pcm += part;
        bytes -= part;
        if (s.filling.size() < kBlockBytes) return;
        std::unique_lock<std::mutex> hold(s.lock);
        s.changed.wait(hold, [&] { return s.queued.size() < kMostQueued; });
        s.queued.push_back(std::move(s.filling));
        std::vector<uint8_t> next;
        if (!s.spare.empty()) {
            next = std::move(s.spare.back());
            s.spare.pop_back();
        }
        hold.unlock();
        s.changed.notify_all();
        next.reserve(kBlockBytes);
        s.filling = std::move(next);
    }
}

TrackChecksums ChecksumWorker::finish() {
    Shared& s = *shared_;
    if (!thread_) return s.sums;
    std::unique_lock<std::mutex> hold(s.lock);
    if (!s.filling.empty()) s.queued.push_back(std::move(s.filling));
    s.filling.clear();
    s.changed.notify_all();
    s.changed.wait(hold, [&] { return s.queued.empty() && !s.busy; });
    return s.sums;
}

}  // namespace wl
