// The window's thread seen from a worker, through the same gate as the real window, and the
// points where the doubles must answer as the real adapters do.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "TestProgram.h"
#include "app/Commands.h"
#include "mp3/Convert.h"

using namespace wl;
using namespace wl::test;

namespace {

TEST(WindowThread, ShutdownReleasesAWorkerWhoseWorkIsStillRunning) {
    FakeWindow win;
    win.marshalCalls = true;
    std::atomic<int> result{-1};
    bool finished = false;
    // The work opens a "box" in which the window is destroyed; the caller must not wait for it.
    std::thread worker([&] { result = win.runOnWindowThread([&] { win.destroy(); finished = true; }); });
    ASSERT_TRUE(win.pumpUntil([&] { return result != -1; }));
    worker.join();
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(finished);
    // Once shut down, nothing more is taken.
    std::thread late([&] { result = win.runOnWindowThread([] { ADD_FAILURE() << "ran after shutdown"; }); });
    late.join();
    EXPECT_EQ(win.pump(), 0u);
    EXPECT_EQ(result, 0);
    // On the window's own thread the work still runs.
    bool ran = false;
    EXPECT_TRUE(win.runOnWindowThread([&] { ran = true; }));
    EXPECT_TRUE(ran);
}

TEST(WindowThread, ResultsComeBackByValue) {
    FakeWindow win;
    win.marshalCalls = true;
    std::optional<std::string> text;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        text = callOnWindowThread(win, [] { return std::string("from the window"); });
        done = true;
    });
    ASSERT_TRUE(win.pumpUntil([&] { return done.load(); }));
    worker.join();
    EXPECT_EQ(text, "from the window");
}

// The conversion fails and shows its box; the user closes the window while the box is open.
// The exit joins the worker, whose objects are then gone while the box's work goes on: that
// work must hold copies only (run under AddressSanitizer this catches any reference).
TEST(WindowThread, AConversionFailureBoxOutlivesItsWorker) {
    TempWorkingDir dir;
    TestProgram prog;
    ASSERT_EQ(prog.start(), 0);  // the encoder library has no entry points: the conversion fails
    FakeWindow& win = prog.window;
    prog.s().convertMode = 1;
    prog.s().settingsDirty = 0;
    win.marshalCalls = true;
    win.boxAnswers.push_back(BoxAnswer{IDOK, 0, [&] { win.destroy(); }});
    StartConversionThread(prog.app, "song.wav");
    ASSERT_TRUE(win.pumpUntil([&] { return prog.app.destroyed; }));
    EXPECT_FALSE(prog.s().convertThread.joinable());
    ASSERT_EQ(win.boxes.size(), 1u);
    EXPECT_EQ(win.boxes[0].text, "Unable to get Lame_Enc interface");
    EXPECT_EQ(win.boxes[0].caption, "Message");
    EXPECT_EQ(prog.s().converting, 0);
    EXPECT_FALSE(win.timerRunning(PollTimer));  // the closed window is not made idle again
    EXPECT_EQ(win.offThreadCalls, 0);
}

TEST(Doubles, UnknownIdsReadAsDisabledAndEmptyAndChangesToThemAreIgnored) {
    FakeWindow win;
    win.createButton(1, "Play", Rect{});
    win.setMenu({MenuPopup{"&Options", {MenuItem{10, "Exit"}}}});
    for (int id : {2, 10}) {
        win.enableControl(id, true);
        win.setControlText(id, "x");
        EXPECT_FALSE(win.isControlEnabled(id)) << id;
        EXPECT_EQ(win.controlText(id, 10), "") << id;
    }
    win.enableMenuItem(11, true);
    win.checkMenuItem(11, true);
    EXPECT_FALSE(win.isMenuItemEnabled(11));
    EXPECT_FALSE(win.isMenuItemChecked(11));
    EXPECT_TRUE(win.isControlEnabled(1));
    EXPECT_TRUE(win.isMenuItemEnabled(10));
}

TEST(Doubles, NoTimerFiresOnceTheWindowIsDestroyed) {
    FakeWindow win;
    struct Ticks : WindowEvents {
        int ticks = 0;
        int onCreate(Window&) override { return 0; }
        void onDestroy() override {}
        void onPaint(Canvas&) override {}
        void onCommand(int, int) override {}
        void onTimer(int) override { ++ticks; }
        void onMouseMove(int, int) override {}
        void onClick(int, int, bool) override {}
        void onMciNotify(uint32_t, uint32_t) override {}
    } events;
    win.create(events);
    ASSERT_TRUE(win.setTimer(1, 100));
    win.advance(250);
    EXPECT_EQ(events.ticks, 2);
    win.destroy();
    win.advance(1000);
    EXPECT_EQ(events.ticks, 2);
    EXPECT_FALSE(win.setTimer(2, 100));
}

TEST(Doubles, AnUnscriptedDeviceCommandFailsTheTestThatSentIt) {
    EXPECT_NONFATAL_FAILURE(
        {
            FakeMci mci;
            char reply[8] = {};
            EXPECT_EQ(mci.sendString("play cd from 1", reply, sizeof reply, nullptr), FakeMci::kUnscripted);
        },
        "unscripted device command: \"play cd from 1\"");
    EXPECT_NONFATAL_FAILURE(
        {
            FakeMci mci;
            MciParams params = MciSaveParms{"a.wav"};
            EXPECT_EQ(mci.sendCommand(3, MCI_SAVE, MCI_WAIT, params), FakeMci::kUnscripted);
        },
        "message 2067");
    FakeMci mci;
    mci.on("status cd mode", 0, "stopped");
    char reply[21] = {};
    EXPECT_EQ(mci.sendString("status cd mode", reply, 20, nullptr), 0u);
    EXPECT_STREQ(reply, "stopped");
}

}  // namespace
