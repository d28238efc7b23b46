#pragma once
// Clock callbacks of one device that run under the device layer's lock and can all be
// cancelled when the device goes away.
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

#include "adapters/audio/Clock.h"
#include "platform/Mci.h"

namespace wl::mci {

class Ticker {
public:
    Ticker(audio::Clock& clock, std::mutex& lock) : clock_(clock), lock_(lock) {}

    // Call with the lock held. fn runs later on the clock's thread with the lock held.
    void schedule(audio::Micros when, std::function<void(std::unique_lock<std::mutex>&)> fn) {
        auto id = std::make_shared<audio::TimerId>(0);
        *id = clock_.callAt(when, [this, id, fn = std::move(fn)] {
            std::unique_lock<std::mutex> lock(lock_);
            pending_.erase(*id);
            fn(lock);
        });
        pending_.insert(*id);
    }

    // Call without the lock, after the owner has made its callbacks do nothing more.
    void cancelAll() {
        std::set<audio::TimerId> ids;
        {
            std::lock_guard<std::mutex> lock(lock_);
            ids.swap(pending_);
        }
        for (audio::TimerId id : ids) clock_.cancel(id);
    }

private:
    audio::Clock& clock_;
    std::mutex& lock_;
    std::set<audio::TimerId> pending_;
};

// Notifications gathered under the lock and posted after it is released, so a sink that
// calls back into the device layer cannot deadlock.
class NoticeQueue {
public:
    void add(MciNotifySink* sink, uint32_t flags, uint32_t deviceId) {  // lock held
        if (sink) notices_.push_back({sink, flags, deviceId});
    }
    void flush(std::mutex& lock) {  // lock not held
        std::vector<Item> items;
        {
            std::lock_guard<std::mutex> guard(lock);
            items.swap(notices_);
        }
        for (const Item& n : items) n.sink->postMciNotify(n.flags, n.deviceId);
    }

private:
    struct Item {
        MciNotifySink* sink;
        uint32_t flags, deviceId;
    };
    std::vector<Item> notices_;
};

}  // namespace wl::mci
