// The queue both conversion batches run on: how many streams, the turns that keep reports in
// list order, and a stop that ends every wait.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <stop_token>
#include <thread>
#include <vector>

#include "mp3/ConversionQueue.h"

using namespace wl;

namespace {

TEST(ConversionQueue, OneStreamPerCoreNeverMoreThanTasks) {
    struct Case {
        int wanted, cores, tasks, streams;
    };
    const Case cases[] = {
        {0, 4, 10, 4},  // the cores when no number is set
        {0, 4, 2, 2},   // never more streams than tasks
        {0, 0, 5, 1},   // cores unknown: one stream
        {3, 8, 10, 3},  // a set number wins over the cores
        {6, 2, 4, 4},   // ... and is capped by the tasks too
        {0, 4, 0, 1},   // no task still runs one stream, which finds nothing
        {-2, 4, 3, 3},  // a negative setting is no setting
    };
    for (const Case& c : cases)
        EXPECT_EQ(conversionStreams(c.wanted, c.cores, c.tasks), c.streams)
            << c.wanted << " wanted, " << c.cores << " cores, " << c.tasks << " tasks";
}

// Task 0 ends only once task 1 has run on the other stream: task 1 still reports after it,
// and so does every later one, in list order.
TEST(ConversionQueue, ReportsInListOrderWhenALaterTaskEndsFirst) {
    std::stop_source stop;
    ConversionQueue queue(stop.get_token());
    std::mutex m;
    std::vector<int> ran, reported;
    std::promise<void> secondRan;
    constexpr int kTasks = 4;
    for (int i = 0; i < kTasks; ++i)
        queue.push({[&, i] {
                        if (i == 0) secondRan.get_future().wait();
                        {
                            std::lock_guard lock(m);
                            ran.push_back(i);
                        }
                        if (i == 1) secondRan.set_value();
                        ASSERT_TRUE(queue.awaitTurn(i));
                        std::lock_guard lock(m);
                        reported.push_back(i);
                    },
                    {}});
    queue.close();
    EXPECT_EQ(queue.run(2), 2);
    ASSERT_EQ(ran.size(), size_t(kTasks));
    EXPECT_EQ(ran[0], 1);
    EXPECT_EQ(ran[1], 0);
    EXPECT_EQ(reported, (std::vector<int>{0, 1, 2, 3}));
}

// At exit the queue is still open, one stream busy, another waiting for its turn and a task
// not yet taken: the wait ends at once, the streams end without a close, and the task none
// took is skipped, never run.
TEST(ConversionQueue, StopEndsEveryWaitAndSkipsWhatIsLeft) {
    std::stop_source stop;
    ConversionQueue queue(stop.get_token());
    std::atomic<bool> waitingTurn{false}, turnRefused{false}, leftRan{false};
    std::atomic<int> skipped{0};
    queue.push({[&] {
                    while (!queue.stopped()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
                },
                [&] { ++skipped; }});
    queue.push({[&] {
                    waitingTurn = true;
                    turnRefused = !queue.awaitTurn(1);
                },
                [&] { ++skipped; }});
    queue.push({[&] { leftRan = true; }, [&] { ++skipped; }});
    std::thread worker([&] { queue.run(2); });
    while (!waitingTurn) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    stop.request_stop();
    worker.join();
    EXPECT_TRUE(turnRefused);
    EXPECT_FALSE(leftRan);
    EXPECT_EQ(skipped, 1);
}

}  // namespace
