// The program in the real window, offscreen, with the shipped fonts: what a user sees in each
// of the five modes, and the track buttons as a mouse presses them. Pictures are taken from
// the screen (what was last shown), never by painting afresh, so stale areas show up.
#include <QApplication>
#include <QFontInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "GuiTestSupport.h"
#include "TestProgram.h"
#include "app/Commands.h"

namespace wl::test {
namespace {

struct QtProgram : ProgramOn<QtWindow> {
    ~QtProgram() {
        app.s.settingsDirty = 0;  // no save prompt at the end
        if (!app.destroyed) window.destroy();
    }
};

void settle() {
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QTest::qSleep(2);
    }
}

// The client area as the screen shows it.
QImage shown(QtWindow& window) {
    settle();
    QWidget* top = window.widget();
    QWidget* client = window.clientArea();
    const QPoint at = client->mapTo(top, QPoint(0, 0));
    QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(top->winId(), at.x(), at.y(), client->width(),
                                                                client->height());
    return shot.toImage().convertToFormat(QImage::Format_RGB32);
}

// What the whole window shows once everything is painted afresh.
QImage repainted(QtWindow& window) {
    window.invalidate(nullptr, true);
    return shown(window);
}

bool green(QRgb c) { return qGreen(c) > 150 && qRed(c) < 110 && qBlue(c) < 110; }
bool dark(QRgb c) { return qRed(c) < 110 && qGreen(c) < 110 && qBlue(c) < 110; }

// Runs of green pixels down column x, rows [top, bottom).
std::vector<std::pair<int, int>> greenRuns(const QImage& img, int x, int top, int bottom) {
    std::vector<std::pair<int, int>> runs;
    for (int y = top; y < bottom; ++y) {
        if (!green(img.pixel(x, y))) continue;
        if (!runs.empty() && runs.back().second == y)
            runs.back().second = y + 1;
        else
            runs.emplace_back(y, y + 1);
    }
    return runs;
}

// Rows [top, bottom) of two pictures are the same, outside the edit box (its caret blinks).
bool sameRows(const QImage& a, const QImage& b, int top, int bottom, const QRect& skip) {
    for (int y = top; y < bottom; ++y)
        for (int x = 0; x < a.width(); ++x)
            if (!skip.contains(x, y) && a.pixel(x, y) != b.pixel(x, y)) return false;
    return true;
}

class ProgramLooks : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(prog.window.create(prog.proc), 0);
        prog.window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(prog.window.widget()));
        ASSERT_TRUE(QTest::qWaitFor([&] { return prog.app.s.discCheckDone == 1; }, 10000));
        w = prog.app.s.charWidth;
        h = prog.app.s.lineHeight;
        editArea = prog.window.control(ID_SONG_NAME_EDIT)->geometry();
    }

    void click(int id, bool twiceQuickly = false) {
        QWidget* b = prog.window.control(id);
        const QPoint p = b->mapTo(prog.window.widget(), b->rect().center());
        QWindow* handle = prog.window.widget()->windowHandle();
        if (twiceQuickly)
            QTest::mouseDClick(handle, Qt::LeftButton, {}, p);
        else
            QTest::mouseClick(handle, Qt::LeftButton, {}, p);
    }

    // The colon stands alone between the minutes and the seconds: its columns show two dots.
    void expectColonVisible(const QImage& img) {
        const int left = int(24.7 * w), right = int(26.2 * w);
        int dotted = 0;
        for (int x = left; x < right; ++x) {
            auto runs = greenRuns(img, x, int(0.5 * h), 3 * h);
            if (runs.empty()) continue;
            ASSERT_EQ(runs.size(), 2u) << "column " << x << " is not the colon's alone";
            for (auto [top, bottom] : runs) EXPECT_LT(bottom - top, h / 2) << "column " << x;
            ++dotted;
        }
        EXPECT_GT(dotted, 0) << "no colon between minutes and seconds";
    }

    // The track time is whole, inside the mode line's frame, and clear of the mode label.
    void expectTrackTimeInItsFrame(const QImage& img) {
        const int frameTop = int(11.3 * h), frameBottom = int(12.3 * h), frameRight = 27 * w;
        const int timeX = int(22.5 * w);
        int first = -1, last = -1, labelInk = 0;
        for (int x = 7 * w + 1; x < 35 * w; ++x)
            for (int y = frameTop - 3; y <= frameBottom + 3; ++y) {
                if (!dark(img.pixel(x, y))) continue;
                if (x < timeX - 2) {
                    ++labelInk;
                    continue;
                }
                EXPECT_GE(x, timeX) << "the mode label runs into the track time";
                EXPECT_GT(y, frameTop);
                EXPECT_LT(y, frameBottom);
                if (first < 0) first = x;
                last = x;
            }
        EXPECT_GT(labelInk, 0) << "no mode label";
        ASSERT_GE(first, 0) << "no track time";
        EXPECT_LT(last, frameRight) << "the track time runs past its frame";
        EXPECT_GE(last - first, int(3.5 * w)) << "the track time is cut";
    }

    QtProgram prog;
    int w = 0, h = 0;
    QRect editArea;
};

TEST_F(ProgramLooks, TheShippedFontsGiveTheOriginalMetrics) {
    EXPECT_EQ(w, 7);
    EXPECT_EQ(h, 16);
    EXPECT_EQ(prog.app.s.windowWidth, 245);
    EXPECT_EQ(prog.app.s.windowHeight, 248);
    EXPECT_EQ(QFontInfo(QFont(QStringLiteral("Arial"))).family(), QStringLiteral("Liberation Sans"))
        << "install fonts-liberation";
}

TEST_F(ProgramLooks, EachModeShowsClockTrackAndTimeApartAndUpToDate) {
    struct Mode {
        const char* name;
        std::vector<int> commands;
        bool showsTrackTime;
    } modes[] = {
        {"rip_from_cd", {ID_RIP_FROM_CD}, true},
        {"record_from_cd", {ID_RECORD_FROM_CD}, true},
        {"partial_cd_recording", {ID_RECORD_FROM_CD, ID_PARTIAL_CD_RECORDING}, true},
        {"record_from_line_in", {ID_RECORD_FROM_LINE_IN}, false},
        {"convert_wav_to_mp3", {ID_CONVERT_WAV_TO_MP3}, false},
    };
    for (const Mode& mode : modes) {
        SCOPED_TRACE(mode.name);
        for (int id : mode.commands) prog.window.sendCommand(id);
        QImage img = shown(prog.window);
        img.save(screenshotFile(std::string("looks_") + mode.name + ".png"), "PNG");
        expectColonVisible(img);
        if (mode.showsTrackTime) expectTrackTimeInItsFrame(img);
        EXPECT_TRUE(sameRows(img, repainted(prog.window), 0, img.height(), editArea)) << "stale areas";
    }
}

TEST_F(ProgramLooks, TrackButtonsShowTheNewTrackTimeAtOnceAndEveryClickCounts) {
    for (int mode : {ID_RECORD_FROM_CD, ID_RIP_FROM_CD}) {
        SCOPED_TRACE(mode);
        prog.window.sendCommand(mode);
        click(ID_FIRST_TRACK);
        ASSERT_EQ(prog.app.s.currentTrack, 1);
        const int timeTop = int(11.3 * h), timeBottom = int(12.3 * h) + 1;
        const int panelTop = int(0.5 * h), panelBottom = 3 * h;

        struct Step {
            int button;
            bool twiceQuickly;
            int track;
        } steps[] = {{ID_NEXT_TRACK, false, 2}, {ID_PREV_TRACK, false, 1}, {ID_LAST_TRACK, false, 5},
                     {ID_FIRST_TRACK, false, 1}, {ID_NEXT_TRACK, false, 2}, {ID_NEXT_TRACK, false, 3},
                     {ID_NEXT_TRACK, true, 5},   {ID_PREV_TRACK, true, 3}};
        QImage before = shown(prog.window);
        for (const Step& step : steps) {
            click(step.button, step.twiceQuickly);
            QImage now = shown(prog.window);
            EXPECT_EQ(prog.app.s.currentTrack, step.track) << "after button " << step.button;
            EXPECT_FALSE(sameRows(now, before, timeTop, timeBottom, editArea)) << "the track time did not change";
            const QImage truth = repainted(prog.window);
            EXPECT_TRUE(sameRows(now, truth, timeTop, timeBottom, editArea)) << "stale track time";
            EXPECT_TRUE(sameRows(now, truth, panelTop, panelBottom, editArea)) << "stale panel";
            before = truth;
        }
        prog.window.grabToPng(screenshotPath("looks_track_buttons_" + std::to_string(mode) + ".png"));
    }
}

TEST_F(ProgramLooks, AGreyEjectButtonPushesADiscImageTrayBackIn) {
    // Closes any box that opens, so an unexpected one fails the test instead of hanging it.
    std::vector<std::string> boxes;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            boxes.push_back(modal->windowTitle().toStdString());
            modal->close();
        }
    });
    closer.start(20);
    // As the program is wired for a disc image.
    prog.window.setDisabledClickAction(ID_EJECT, [this] { prog.mci.sendString("set cd door closed", nullptr, 0, nullptr); });

    prog.window.sendCommand(ID_RECORD_FROM_CD);
    click(ID_EJECT);
    ASSERT_TRUE(prog.cd.trayOpen);
    EXPECT_EQ(prog.app.s.discState, 1);
    // The poll shows the open tray's "00:00", and the screen shows it too.
    ASSERT_TRUE(QTest::qWaitFor([&] { return prog.app.s.trackTimeText == "00:00"; }, 5000));
    QImage open = shown(prog.window);
    open.save(screenshotFile("looks_tray_open.png"), "PNG");
    EXPECT_TRUE(sameRows(open, repainted(prog.window), 0, open.height(), editArea)) << "stale areas";
    prog.window.sendCommand(ID_CONVERT_WAV_TO_MP3);
    ASSERT_FALSE(prog.window.isControlEnabled(ID_EJECT));
    const int commandsBefore = int(prog.mci.sent.size());
    click(ID_EJECT);
    EXPECT_FALSE(prog.cd.trayOpen);
    EXPECT_EQ(prog.mci.sent.size(), size_t(commandsBefore + 1)) << "the grey button sends no command";

    prog.window.sendCommand(ID_RECORD_FROM_CD);
    EXPECT_EQ(prog.app.s.cdMode, 1);
    EXPECT_TRUE(prog.window.isControlEnabled(ID_EJECT));
    EXPECT_TRUE(boxes.empty()) << boxes.front();
}

}  // namespace
}  // namespace wl::test
