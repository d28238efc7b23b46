#pragma once
// The real window's responsiveness: a second thread posts an event to the window's thread
// every 2 ms, and the delay until the event loop runs it goes into the list named when it was
// posted (none: the event is not posted).
#include <QCoreApplication>
#include <QMetaObject>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "Latency.h"

namespace wl::bench {

class EventLatency {
public:
    EventLatency() : poster_([this] { post(); }) {}
    ~EventLatency() { stop(); }
    EventLatency(const EventLatency&) = delete;
    EventLatency& operator=(const EventLatency&) = delete;

    // Where the delays of events posted from now on go: a list of the window's thread that
    // outlives every event still queued, or none.
    void recordInto(std::vector<double>* list) { list_ = list; }
    void stop() {
        posting_ = false;
        if (poster_.joinable()) poster_.join();
    }

private:
    std::atomic<std::vector<double>*> list_{nullptr};
    std::atomic<bool> posting_{true};
    std::thread poster_;  // last: it starts once the members above are made

    void post() {
        using Clock = std::chrono::steady_clock;
        while (posting_) {
            const auto posted = Clock::now();
            if (std::vector<double>* list = list_.load())
                QMetaObject::invokeMethod(
                    QCoreApplication::instance(),
                    [list, posted] { list->push_back(std::chrono::duration<double, std::milli>(Clock::now() - posted).count()); },
                    Qt::QueuedConnection);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
};

}  // namespace wl::bench
