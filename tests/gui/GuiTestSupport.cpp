#include "GuiTestSupport.h"

#include <filesystem>

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "adapters/qt/QtDialogHost.h"

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

Units unitsOf(Window& window) {
    FontMetrics m = window.defaultFontMetrics();
    return {m.averageCharWidth, m.height + m.externalLeading};
}

ProgramLayout::ProgramLayout(FontMetrics metrics, int screenWidth, int screenHeight) {
    window.metrics = metrics;
    window.screenW = screenWidth;
    window.screenH = screenHeight;
    events.create = [this](Window&) { return CreateMainWindow(app); };
    window.create(events);
}

void whenModal(std::function<void(QWidget*)> act) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, act = std::move(act)] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w || !w->isVisible()) return;
        poll->stop();
        poll->deleteLater();
        act(w);
    });
    poll->start(10);
}

QWidget* dialogControl(QWidget* dlg, int id) {
    for (QWidget* w : dlg->findChildren<QWidget*>())
        if (w->property(kControlIdProperty).isValid() && w->property(kControlIdProperty).toInt() == id) return w;
    return nullptr;
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

std::string screenshotPath(const std::string& name) {
    std::error_code ec;
    std::filesystem::create_directories(WL_SHOT_DIR, ec);
    return std::string(WL_SHOT_DIR) + "/" + name;
}

QString screenshotFile(const std::string& name) { return QString::fromStdString(screenshotPath(name)); }

}  // namespace wl::test

namespace wl::test {

int pixelsUnlike(const QImage& image, const QColor& colour) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) n += image.pixelColor(x, y) != colour;
    return n;
}

}  // namespace wl::test
