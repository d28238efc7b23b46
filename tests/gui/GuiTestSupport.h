#pragma once
// Shared by the offscreen window tests: an events recorder and the main window's layout.
#include <QImage>
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "adapters/qt/QtWindow.h"

namespace wl::test {

struct Command {
    int id, code;
    bool operator==(const Command&) const = default;
};

class RecordingEvents : public WindowEvents {
public:
    std::function<int(Window&)> create = [](Window&) { return 0; };
    std::function<void(Canvas&)> paint;
    std::function<void(int, int)> mouseMove;
    std::function<void(int)> timer;
    std::function<void(int)> commandHook;
    std::function<void()> destroyHook;

    std::vector<Command> commands;
    std::vector<int> timerTicks;
    std::vector<std::tuple<int, int, bool>> clicks;
    std::vector<std::pair<uint32_t, uint32_t>> notifies;
    int paints = 0;
    int destroys = 0;
    std::thread::id commandThread;

    int onCreate(Window& w) override { return create(w); }
    void onDestroy() override {
        ++destroys;
        if (destroyHook) destroyHook();
    }
    void onPaint(Canvas& c) override {
        ++paints;
        if (paint) paint(c);
    }
    void onCommand(int id, int code) override {
        commands.push_back({id, code});
        commandThread = std::this_thread::get_id();
        if (commandHook) commandHook(id);
    }
    void onTimer(int id) override {
        timerTicks.push_back(id);
        if (timer) timer(id);
    }
    void onMouseMove(int x, int y) override {
        if (mouseMove) mouseMove(x, y);
    }
    void onClick(int x, int y, bool dbl) override { clicks.emplace_back(x, y, dbl); }
    void onMciNotify(uint32_t f, uint32_t d) override { notifies.emplace_back(f, d); }
};

// Layout units as the program measures them.
struct Units {
    int w, h;
};
Units unitsOf(Window& window);
int trunc(double v);

// The program's controls, menu and accelerators at their places for the given units.
struct ControlSpec {
    int id;
    const char* caption;
    Rect rect;
};
std::vector<ControlSpec> buttonLayout(Units u);
Rect editRect(Units u);
std::vector<MenuPopup> programMenu();
std::vector<Accelerator> programAccelerators();
void buildMainWindow(Window& window);  // what creation does to the window

// Runs the event loop until pred holds or ms pass.
bool waitFor(const std::function<bool()>& pred, int ms = 3000);
QImage grabClient(QtWindow& window);

// A window built as the program builds it, shown; the events are recorded.
class ShownMainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        events.create = [](Window& w) {
            buildMainWindow(w);
            return 0;
        };
        ASSERT_EQ(window.create(events), 0);
        window.show();
    }
    RecordingEvents events;
    QtWindow window;
};

}  // namespace wl::test
