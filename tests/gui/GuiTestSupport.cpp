#include "GuiTestSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <gtest/gtest.h>

namespace wl::test {

namespace {
// One QApplication for the whole run, offscreen so no display is needed.
class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        // The offscreen platform says so for every fixed-size window; nothing to learn from it.
        static QtMessageHandler previous = qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext& context, const QString& message) {
                if (message.contains(QLatin1String("propagateSizeHints"))) return;
                if (previous) previous(type, context, message);
            });
        static int argc = 1;
        static char name[] = "gui_qt";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override { app_.reset(); }

private:
    std::unique_ptr<QApplication> app_;
};
[[maybe_unused]] auto* const environment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);
}  // namespace

int trunc(double v) { return static_cast<int>(v); }

Units unitsOf(Window& window) {
    FontMetrics m = window.defaultFontMetrics();
    return {m.averageCharWidth, m.height + m.externalLeading};
}

std::vector<ControlSpec> buttonLayout(Units u) {
    const int w = u.w, h = u.h;
    auto r = [](int x, int y, int cx, int cy) { return Rect{x, y, x + cx, y + cy}; };
    return {
        {102, "Play", r(w, trunc(3.3 * h), 7 * w, trunc(1.5 * h))},
        {103, "Save", r(w, 5 * h, 7 * w, trunc(1.5 * h))},
        {104, "Play &Back", r(9 * w, trunc(3.3 * h), 16 * w, trunc(1.5 * h))},
        {105, "S&top Play Back", r(9 * w, 5 * h, 16 * w, trunc(1.5 * h))},
        {106, "E&ject", r(26 * w, trunc(3.3 * h), 7 * w, trunc(1.5 * h))},
        {107, "E&xit", r(26 * w, 5 * h, 7 * w, trunc(1.5 * h))},
        {110, "<<", r(4 * w, trunc(6.8 * h), 4 * w, h)},
        {108, "<", r(9 * w, trunc(6.8 * h), 4 * w, h)},
        {109, ">", r(21 * w, trunc(6.8 * h), 4 * w, h)},
        {111, ">>", r(26 * w, trunc(6.8 * h), 4 * w, h)},
    };
}

Rect editRect(Units u) { return Rect{u.w, trunc(9.4 * u.h), u.w + 32 * u.w, trunc(9.4 * u.h) + trunc(1.5 * u.h)}; }

std::vector<MenuPopup> programMenu() {
    return {
        {"&Options",
         {{112, "Tracks to Record...\tCtrl+T"},
          {114, "WAV Files to Convert...\tCtrl+F"},
          {113, "Volume Control...\tCtrl+V"},
          {126, "Default Ripping Player...\tCtrl+D"},
          {0, ""},
          {133, "Path to Save Files...\tCtrl+P"},
          {115, "Save Settings\tCtrl+S"},
          {0, ""},
          {107, "Exit"}},
         false},
        {"So&urce",
         {{120, "Rip from CD"},
          {116, "Record from CD"},
          {117, "Record from Line In"},
          {119, "Convert WAV to MP3"},
          {0, ""},
          {118, "Partial CD Recording"}},
         false},
        {"&Settings", {{121, "WAV Parameters...\tCtrl+W"}, {122, "MP3 Parameters...\tCtrl+M"}}, false},
        {"&Help", {{123, "Contents\tF1"}, {0, ""}, {124, "About"}}, true},
    };
}

std::vector<Accelerator> programAccelerators() {
    using A = Accelerator;
    return {{A::Char, 6, 114},  {A::Char, 4, 126},  {A::Char, 13, 122}, {A::Char, 16, 133}, {A::Char, 19, 115},
            {A::Char, 20, 112}, {A::Char, 22, 113}, {A::Char, 23, 121}, {A::VirtualKey, 112, 123}};
}

void buildMainWindow(Window& window) {
    Units u = unitsOf(window);
    int width = 35 * u.w, height = trunc(15.5 * u.h);
    window.moveWindow((window.screenWidth() - width) / 2, (window.screenHeight() - height) / 2, width, height);
    window.setMenu(programMenu());
    for (const ControlSpec& c : buttonLayout(u)) window.createButton(c.id, c.caption, c.rect);
    window.createEdit(-1, editRect(u));
    window.createListBox(140, Rect{u.w, u.h, 3 * u.w, 3 * u.h});
    window.setAccelerators(programAccelerators());
}

bool waitFor(const std::function<bool()>& pred, int ms) {
    QElapsedTimer t;
    t.start();
    while (!pred()) {
        if (t.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QTest::qSleep(1);
    }
    return true;
}

QImage grabClient(QtWindow& window) {
    window.updateWindow();
    return window.clientArea()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

}  // namespace wl::test
