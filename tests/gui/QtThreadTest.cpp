// The window's thread and the others: calls from a worker are served on the window's
// thread, shutdown never waits for a worker that waits for the window, and the loop ends
// with the code given to quit.
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <future>

#include "GuiTestSupport.h"
#include "mp3/Convert.h"

namespace wl::test {
namespace {

// A deadlock here would hang the run: end it with a clear message instead.
class Watchdog {
public:
    explicit Watchdog(int seconds) : thread_([this, seconds] {
        std::unique_lock lock(mutex_);
        if (!done_.wait_for(lock, std::chrono::seconds(seconds), [this] { return finished_; })) {
            std::fprintf(stderr, "deadlock: the window and the worker wait for each other\n");
            std::abort();
        }
    }) {}
    ~Watchdog() {
        {
            std::lock_guard lock(mutex_);
            finished_ = true;
        }
        done_.notify_all();
        thread_.join();
    }

private:
    std::mutex mutex_;
    std::condition_variable done_;
    bool finished_ = false;
    std::thread thread_;
};

using ThreadTest = ShownMainWindow;

TEST_F(ThreadTest, AWorkerIsServedOnTheWindowThread) {
    const auto guiThread = std::this_thread::get_id();
    std::atomic<bool> done{false};
    std::string readBack;
    bool enabled = true;
    std::thread worker([&] {
        window.setControlText(-1, "c:/music/one.wav");
        readBack = window.controlText(-1, 255);
        window.enableControl(102, false);
        enabled = window.isControlEnabled(102);
        window.sendCommand(107);  // returns only once the handler ran
        window.postMciNotify(1, 7);
        {
            auto canvas = window.immediateCanvas();
            canvas->rectangle(Rect{0, 0, 4, 4}, kBlack, kBlack);
        }
        done = true;
    });
    ASSERT_TRUE(waitFor([&] { return done.load(); }));
    worker.join();
    EXPECT_EQ(readBack, "c:/music/one.wav");
    EXPECT_FALSE(enabled);
    EXPECT_EQ(events.commands, (std::vector<Command>{{107, 0}}));
    EXPECT_EQ(events.commandThread, guiThread);
    ASSERT_TRUE(waitFor([&] { return !events.notifies.empty(); }));
    EXPECT_EQ(events.notifies.front(), std::make_pair(1u, 7u));
}

TEST_F(ThreadTest, ShutdownJoinsAWorkerThatKeepsCallingIn) {
    Watchdog watchdog(20);
    std::atomic<bool> stop{false};
    std::atomic<int> calls{0};
    std::thread worker([&] {
        while (!stop) {
            window.setControlText(-1, "converting " + std::to_string(calls.load()));
            window.sendCommand(250);
            ++calls;
        }
        // After shutdown began, calls return at once with nothing done.
        EXPECT_EQ(window.controlText(-1, 255), "");
        EXPECT_EQ(window.messageBox("late", "MP3 Error", MB_OKCANCEL), IDCANCEL);
        window.sendCommand(251);
    });
    ASSERT_TRUE(waitFor([&] { return calls > 20; }));
    events.destroyHook = [&] {
        stop = true;
        worker.join();  // as the program stops its worker in its shutdown
        window.sendCommand(115);  // the window's own thread is still served while shutting down
    };
    window.destroy();
    EXPECT_EQ(events.destroys, 1);
    EXPECT_EQ(events.commands.back(), (Command{115, 0}));
    window.destroy();
    EXPECT_EQ(events.destroys, 1);
    window.sendCommand(252);  // the window is gone
    EXPECT_EQ(events.commands.back(), (Command{115, 0}));
    EXPECT_FALSE(window.widget()->isVisible());
}

TEST_F(ThreadTest, AWorkerWaitingOnAMessageBoxIsReleasedWhenShutdownBegins) {
    Watchdog watchdog(20);
    // The worker's box is open on the window's thread when the user closes the window.
    std::promise<int> answer;
    std::thread worker;
    events.destroyHook = [&] { worker.join(); };
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        if (events.destroys == 0) {
            if (QApplication::activeModalWidget()) window.widget()->close();  // the close box
        } else if (QWidget* box = QApplication::activeModalWidget()) {
            box->close();
        }
    });
    user.start(10);
    worker = std::thread([&] { answer.set_value(window.messageBox("Converting...", "MP3 Error", MB_OK)); });
    ASSERT_TRUE(waitFor([&] { return events.destroys == 1 && !QApplication::activeModalWidget(); }));
    EXPECT_EQ(answer.get_future().get(), IDOK);
}

// The conversion worker fails and its box is open when the user closes the window. The
// exit releases and joins the worker, whose objects go away while the box is still up; what
// runs after the box closes may use only what it was handed by value (AddressSanitizer
// reports any reference to the worker's memory).
TEST(ConversionBox, ClosingTheWindowUnderItLeavesTheBoxNothingOfTheWorker) {
    Watchdog watchdog(30);
    QtWindow window;
    OtherPorts ports;
    App app{Platform{window, ports.mci, ports.cdrom, ports.encoder, ports.desktop}};
    MainWindowProc proc{app};
    ASSERT_EQ(window.create(proc), 0);
    window.killTimer(ClockTimer);
    window.show();
    app.s.convertMode = 1;
    app.s.settingsDirty = 0;
    bool sawBox = false;
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        if (!app.destroyed) {
            if (box->text() == QStringLiteral("Unable to get Lame_Enc interface")) {
                sawBox = true;
                window.widget()->close();  // the close box, while the worker waits on its box
            }
        } else {
            box->close();
        }
    });
    user.start(10);
    StartConversionThread(app, "song.wav");  // the encoder library has no entry points
    ASSERT_TRUE(waitFor([&] { return app.destroyed && !QApplication::activeModalWidget(); }, 20000));
    EXPECT_TRUE(sawBox);
    EXPECT_FALSE(app.s.convertThread.joinable());
    EXPECT_EQ(app.s.converting, 0);
    EXPECT_EQ(ports.encoder.unloads, 1);
}

TEST_F(ThreadTest, TheLoopEndsWithTheCodeGivenToQuit) {
    events.destroyHook = [&] { window.quit(3); };
    events.timer = [&](int) { window.sendCommand(107); };
    events.commandHook = [&](int id) {
        if (id == 107) window.destroy();
    };
    window.setTimer(1, 10);
    EXPECT_EQ(window.runMessageLoop(), 3);
    EXPECT_EQ(events.destroys, 1);
}

TEST(QuitBeforeTheLoop, AFailedCreationEndsTheLoopAtOnce) {
    RecordingEvents events;
    QtWindow window;
    events.create = [](Window&) { return -1; };
    events.destroyHook = [&] { window.quit(0); };
    EXPECT_EQ(window.create(events), -1);
    window.destroy();
    EXPECT_EQ(window.runMessageLoop(), 0);
    EXPECT_EQ(events.destroys, 1);
}

TEST_F(ThreadTest, TimersFireByIdUntilKilledAndAreReplacedBySetTimer) {
    ASSERT_TRUE(window.setTimer(2, 15));
    ASSERT_TRUE(window.setTimer(3, 15));
    ASSERT_TRUE(waitFor([&] { return std::count(events.timerTicks.begin(), events.timerTicks.end(), 2) >= 3; }));
    window.killTimer(2);
    events.timerTicks.clear();
    ASSERT_TRUE(waitFor([&] { return std::count(events.timerTicks.begin(), events.timerTicks.end(), 3) >= 3; }));
    EXPECT_EQ(std::count(events.timerTicks.begin(), events.timerTicks.end(), 2), 0);
    // A handler may kill its own timer.
    events.timer = [&](int id) { window.killTimer(id); };
    events.timerTicks.clear();
    ASSERT_TRUE(waitFor([&] { return !events.timerTicks.empty(); }));
    QTest::qWait(60);
    EXPECT_EQ(events.timerTicks.size(), 1u);
    // setTimer restarts with the new period.
    events.timer = nullptr;
    events.timerTicks.clear();
    window.setTimer(3, 5000);
    QTest::qWait(60);
    EXPECT_TRUE(events.timerTicks.empty());
    window.killTimer(3);
}

}  // namespace
}  // namespace wl::test
