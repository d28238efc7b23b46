// Painting: the paint handler runs for invalidated areas only, immediate drawing stays
// until a paint covers it, text sits by the top-left of its cell; plus the screenshot.
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <gtest/gtest.h>

#include "GuiTestSupport.h"

namespace wl::test {
namespace {

constexpr Rgb kRed{255, 0, 0}, kBlue{0, 0, 255}, kGreen{0, 255, 0};

Rgb at(const QImage& img, int x, int y) {
    QColor c = img.pixelColor(x, y);
    return Rgb{static_cast<uint8_t>(c.red()), static_cast<uint8_t>(c.green()), static_cast<uint8_t>(c.blue())};
}

class PaintTest : public ::testing::Test {
protected:
    void SetUp() override {
        events.create = [](Window& w) {
            w.moveWindow(0, 0, 200, 120);
            return 0;
        };
        ASSERT_EQ(window.create(events), 0);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.widget()));
        ASSERT_TRUE(waitFor([&] { return events.paints > 0; }));  // the first paint covers everything
    }
    RecordingEvents events;
    QtWindow window;
};

TEST_F(PaintTest, InvalidatedAreasAreErasedAndRepaintedClippedToThemselves) {
    events.paint = [](Canvas& c) { c.rectangle(Rect{0, 0, 200, 120}, kRed, kRed); };
    window.invalidate(nullptr, true);
    int before = events.paints;
    QImage img = grabClient(window);
    EXPECT_EQ(events.paints, before + 1);
    EXPECT_EQ(at(img, 0, 0), kRed);
    EXPECT_EQ(at(img, 199, 119), kRed);

    // Only the invalid part takes the new drawing.
    events.paint = [](Canvas& c) { c.rectangle(Rect{0, 0, 200, 120}, kBlue, kBlue); };
    Rect part{10, 10, 50, 40};
    window.invalidate(&part, false);
    img = grabClient(window);
    EXPECT_EQ(at(img, 10, 10), kBlue);
    EXPECT_EQ(at(img, 49, 39), kBlue);
    EXPECT_EQ(at(img, 50, 40), kRed);
    EXPECT_EQ(at(img, 9, 9), kRed);

    // With erase and a handler that draws nothing there, the button face shows.
    events.paint = nullptr;
    window.invalidate(&part, true);
    img = grabClient(window);
    EXPECT_EQ(at(img, 20, 20), window.systemColor(SysColor::BtnFace));
    EXPECT_EQ(at(img, 60, 60), kRed);

    // Several invalidations before a paint make one paint.
    int paints = events.paints;
    window.invalidate(&part, true);
    window.invalidate(nullptr, false);
    grabClient(window);
    EXPECT_EQ(events.paints, paints + 1);
}

TEST_F(PaintTest, ImmediateDrawingShowsAtOnceAndStaysUntilAPaintCoversIt) {
    events.paint = [](Canvas& c) { c.rectangle(Rect{0, 0, 100, 120}, kBlue, kBlue); };
    window.invalidate(nullptr, true);
    grabClient(window);
    Rect pending{0, 100, 10, 110};
    window.invalidate(&pending, true);
    int paints = events.paints;
    {
        auto canvas = window.immediateCanvas();
        canvas->rectangle(Rect{120, 20, 160, 60}, kBlack, kGreen);
        canvas->line(Point{120, 80}, Point{160, 80}, kRed);
    }
    EXPECT_EQ(events.paints, paints);  // drawing at once does not serve pending paints
    QImage img = window.clientArea()->grab().toImage();
    EXPECT_EQ(at(img, 120, 20), kBlack);  // the outline lies inside the rectangle
    EXPECT_EQ(at(img, 159, 59), kBlack);
    EXPECT_EQ(at(img, 130, 30), kGreen);
    EXPECT_NE(at(img, 160, 60), kBlack);
    EXPECT_EQ(at(img, 120, 80), kRed);
    EXPECT_EQ(at(img, 159, 80), kRed);
    EXPECT_NE(at(img, 160, 80), kRed);  // a line leaves out its end point

    Rect elsewhere{0, 0, 50, 50};
    window.invalidate(&elsewhere, true);
    img = grabClient(window);
    EXPECT_EQ(at(img, 130, 30), kGreen);
    window.invalidate(nullptr, true);
    img = grabClient(window);
    EXPECT_EQ(at(img, 130, 30), window.systemColor(SysColor::BtnFace));
}

TEST_F(PaintTest, TextIsPlacedByTheTopLeftOfItsCellInTheAskedHeight) {
    TextStyle digits{Font{"Arial", 32, 700}, kGreen, kBlack, true};
    {
        auto canvas = window.immediateCanvas();
        canvas->rectangle(Rect{0, 0, 200, 120}, kBlue, kBlue);
        canvas->textOut(20, 30, "88", digits);
    }
    QImage img = grabClient(window);
    // The opaque cell starts exactly at (20, 30) and is no taller than 32 pixels.
    EXPECT_EQ(at(img, 20, 30), kBlack);
    EXPECT_EQ(at(img, 19, 30), kBlue);
    EXPECT_EQ(at(img, 20, 29), kBlue);
    EXPECT_EQ(at(img, 20, 61), kBlack);
    EXPECT_EQ(at(img, 20, 62), kBlue);
    int green = 0;
    for (int y = 30; y < 62; ++y)
        for (int x = 20; x < 60; ++x)
            if (at(img, x, y) == kGreen) ++green;
    EXPECT_GT(green, 40);

    // Transparent text leaves the background between the strokes.
    TextStyle label{Font{}, kBlack, kRed, false};
    {
        auto canvas = window.immediateCanvas();
        canvas->textOut(100, 80, "Track", label);
    }
    img = grabClient(window);
    int red = 0, inked = 0;
    for (int y = 80; y < 100; ++y)
        for (int x = 100; x < 140; ++x) {
            red += at(img, x, y) == kRed;
            inked += at(img, x, y) != kBlue;
        }
    EXPECT_EQ(red, 0);
    EXPECT_GT(inked, 20);
}

// A paint handler laid out like the program's, for a screenshot that looks like the program.
void paintLikeTheProgram(Canvas& c, Window& window, Units u) {
    const int w = u.w, h = u.h;
    Rgb face = window.systemColor(SysColor::BtnFace);
    Rgb shadow = window.systemColor(SysColor::BtnShadow);
    Rgb light = window.systemColor(SysColor::BtnHighlight);
    Rect panel{w, trunc(0.5 * h), 33 * w, 3 * h};
    c.rectangle(panel, kBlack, kBlack);
    c.line({0, 0}, {35 * w, 0}, kBlack);
    c.polyline({{panel.left - 1, panel.bottom - 1}, {panel.left - 1, panel.top - 1}, {panel.right, panel.top - 1}}, shadow);
    c.polyline({{7 * w, trunc(12.3 * h)}, {7 * w, trunc(11.3 * h)}, {27 * w, trunc(11.3 * h)}}, shadow);
    c.polyline({{panel.right, panel.top - 1}, {panel.right, panel.bottom}, {panel.left - 1, panel.bottom}}, light);
    c.polyline({{27 * w, trunc(11.3 * h)}, {27 * w, trunc(12.3 * h)}, {7 * w, trunc(12.3 * h)}}, light);
    c.textOut(trunc(14.5 * w), trunc(6.8 * h), "Track", TextStyle{Font{}, kBlack, face, true});
    c.textOut(w, 8 * h, "Enter song name or click here:", TextStyle{Font{}, Rgb{131, 31, 58}, face, true});
    c.textOut(8 * w, trunc(11.35 * h), "Playing time:", TextStyle{Font{"Arial", 14, 400}, kBlack, face, true});
    c.textOut(trunc(22.5 * w), trunc(11.35 * h), "04:28", TextStyle{Font{"Arial", 14, 400}, kBlack, face, true});
    TextStyle digits{Font{"Arial", 32, 700}, kGreen, kBlack, false};
    c.textOut(20 * w, trunc(0.7 * h), "00", digits);
    c.textOut(trunc(24.7 * w), trunc(0.7 * h), ":", digits);
    c.textOut(trunc(26.2 * w), trunc(0.7 * h), "00", digits);
    c.textOut(4 * w, trunc(0.7 * h), "1", digits);
}

TEST(Screenshot, MainWindowIsWrittenToTheBuildFolder) {
    RecordingEvents events;
    QtWindow window;
    events.create = [](Window& w) {
        buildMainWindow(w);
        w.setControlText(-1, "untitled");
        return 0;
    };
    Units u{};
    events.paint = [&](Canvas& c) { paintLikeTheProgram(c, window, u); };
    ASSERT_EQ(window.create(events), 0);
    u = unitsOf(window);
    window.enableMenuItem(122, false);
    window.checkMenuItem(116, true);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.widget()));
    window.invalidate(nullptr, true);
    const std::string path = "gui_main_window.png";
    ASSERT_TRUE(window.grabToPng(path));
    QImage shot(QString::fromStdString(path));
    ASSERT_FALSE(shot.isNull());
    EXPECT_EQ(shot.size(), window.widget()->size());
    QMenu* options = window.menuBar()->actions()[0]->menu();
    options->popup(window.widget()->mapToGlobal(QPoint(0, window.menuBar()->height())));
    ASSERT_TRUE(waitFor([&] { return options->isVisible(); }));
    EXPECT_TRUE(options->grab().save(QStringLiteral("gui_menu.png"), "PNG"));
    options->hide();
    std::printf("units: charWidth %d, lineHeight %d; client %dx%d; window %dx%d; screenshot %s\n", u.w, u.h,
                window.clientArea()->width(), window.clientArea()->height(), window.widget()->width(),
                window.widget()->height(), path.c_str());
}

}  // namespace
}  // namespace wl::test
