#pragma once
// Shared by the offscreen window tests: an events recorder, the main window as the program
// itself builds and paints it, and a hand for the modal windows it opens.
#include <QImage>
#include <QWidget>
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "FakeCdAudio.h"
#include "FakeCdrom.h"
#include "FakeDesktop.h"
#include "FakeEncoder.h"
#include "FakeMci.h"
#include "FakeWindow.h"
#include "adapters/qt/QtWindow.h"
#include "app/App.h"
#include "app/Commands.h"
#include "app/Display.h"
#include "window/MainWindow.h"

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

// The program's other ports, as doubles: a drive holding a disc, an encoder library without
// entry points (a conversion fails at once), a desktop.
struct OtherPorts {
    FakeMci mci;
    FakeCdrom cdrom;
    FakeEncoderLoader encoder;
    FakeDesktop desktop;
    FakeCdAudio cd{mci, cdrom};
    OtherPorts() { cd.insertDisc({185, 242, 199}); }
};

// Acts on the next modal window once it is up: the call under test runs its nested loop.
void whenModal(std::function<void(QWidget*)> act);
// The control of a template dialog with this id; null when none.
QWidget* dialogControl(QWidget* dlg, int id);

// Runs the event loop until pred holds or ms pass.
bool waitFor(const std::function<bool()>& pred, int ms = 3000);
QImage grabClient(QtWindow& window);
// Where a screenshot named name goes: the build's screenshot folder, made when first asked
// for, whatever folder the test was started in.
std::string screenshotPath(const std::string& name);
QString screenshotFile(const std::string& name);
// Pixels that differ from the first one: 0 for a blank picture.
int pixelsUnlike(const QImage& image, const QColor& colour);

// The real window built by the program's own creation (layout, menu, accelerators) and
// painted by the program's own paint handler. Commands and timers are only recorded, so a
// test drives the window without the program acting on it.
class ShownMainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        events.create = [this](Window&) { return CreateMainWindow(app); };
        events.paint = [this](Canvas& c) { PaintMainWindow(app, c); };
        ASSERT_EQ(window.create(events), 0);
        window.killTimer(ClockTimer);
        events.commands.clear();  // the start mode's
        events.timerTicks.clear();
        window.show();
    }
    RecordingEvents events;
    QtWindow window;
    OtherPorts ports;
    App app{Platform{window, ports.mci, ports.cdrom, ports.encoder, ports.desktop}};
};

// What the program's creation asks of a window with these font metrics and screen, as the
// double records it.
struct ProgramLayout {
    FakeWindow window;
    OtherPorts ports;
    App app{Platform{window, ports.mci, ports.cdrom, ports.encoder, ports.desktop}};
    RecordingEvents events;
    ProgramLayout(FontMetrics metrics, int screenWidth, int screenHeight);
};

}  // namespace wl::test
