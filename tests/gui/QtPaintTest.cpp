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

// The program's own window and paint handler; the pictures are kept in the build folder.
using Screenshot = ShownMainWindow;

TEST_F(Screenshot, MainWindowShowsTheProgramsPanelAndIsWrittenToTheBuildFolder) {
    window.setControlText(ID_SONG_NAME_EDIT, "untitled");
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.widget()));
    window.invalidate(nullptr, true);
    QImage client = grabClient(window);
    // The panel is black where the program says it is (its digits aside); elsewhere the face.
    int inPanel = 0, black = 0, face = 0, outside = 0;
    const Rgb faceColour = window.systemColor(SysColor::BtnFace);
    for (int y = 0; y < client.height(); ++y)
        for (int x = 0; x < client.width(); ++x) {
            const Rgb c = at(client, x, y);
            if (inPanelZone(app, x, y)) {
                ++inPanel;
                black += c == kBlack;
            } else if (y < app.s.lineHeight / 2) {
                ++outside;
                face += c == faceColour;
            }
        }
    ASSERT_GT(inPanel, 0);
    EXPECT_GT(black, inPanel / 2);
    EXPECT_LT(black, inPanel);  // the track number and time are drawn on it
    EXPECT_GT(face, outside / 2);

    const std::string path = screenshotPath("gui_main_window.png");
    ASSERT_TRUE(window.grabToPng(path));
    QImage shot(QString::fromStdString(path));
    ASSERT_FALSE(shot.isNull());
    EXPECT_EQ(shot.size(), window.widget()->size());
    EXPECT_GT(pixelsUnlike(shot, shot.pixelColor(0, shot.height() - 1)), shot.width() * shot.height() / 10);

    QMenu* options = window.menuBar()->actions()[0]->menu();
    options->popup(window.widget()->mapToGlobal(QPoint(0, window.menuBar()->height())));
    ASSERT_TRUE(waitFor([&] { return options->isVisible(); }));
    QImage menu = options->grab().toImage();
    options->hide();
    ASSERT_TRUE(menu.save(screenshotFile("gui_menu.png"), "PNG"));
    // Item texts leave ink on the menu's background.
    EXPECT_GT(pixelsUnlike(menu, menu.pixelColor(menu.width() / 2, 2)), 50);
    std::printf("units: charWidth %d, lineHeight %d; client %dx%d; window %dx%d; screenshot %s\n", app.s.charWidth,
                app.s.lineHeight, window.clientArea()->width(), window.clientArea()->height(),
                window.widget()->width(), window.widget()->height(), path.c_str());
}

}  // namespace
}  // namespace wl::test
