// The main window offscreen: geometry, menu, accelerators, controls, keyboard and mouse.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "GuiTestSupport.h"

namespace wl::test {
namespace {

class MainWindowTest : public ShownMainWindow {
protected:
    void SetUp() override {
        ShownMainWindow::SetUp();
        window.widget()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.widget()));
        units = unitsOf(window);
    }

    QAction* action(int id) { return window.menuAction(id); }

    Units units{};
};

TEST_F(MainWindowTest, ClientAreaAndControlsSitWhereTheProgramPutsThem) {
    ASSERT_GT(units.w, 0);
    ASSERT_GT(units.h, 0);
    QWidget* client = window.clientArea();
    // The window's size counts the menu bar; the client area is what remains below it.
    EXPECT_EQ(window.widget()->size(), QSize(35 * units.w, trunc(15.5 * units.h)));
    EXPECT_EQ(client->geometry().top(), window.menuBar()->geometry().bottom() + 1);
    EXPECT_EQ(client->size(), QSize(35 * units.w, trunc(15.5 * units.h) - window.menuBar()->height()));
    EXPECT_EQ(window.widget()->windowTitle(), QStringLiteral("Wavelathe"));
    EXPECT_FALSE(window.widget()->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(window.widget()->minimumSize(), window.widget()->maximumSize());

    for (const ControlSpec& c : buttonLayout(units)) {
        auto* b = qobject_cast<QPushButton*>(window.control(c.id));
        ASSERT_NE(b, nullptr) << c.id;
        EXPECT_EQ(b->geometry(), QRect(c.rect.left, c.rect.top, c.rect.width(), c.rect.height())) << c.id;
        EXPECT_EQ(b->text(), QString::fromUtf8(c.caption));
        EXPECT_TRUE(b->isVisible());
    }
    Rect e = editRect(units);
    ASSERT_NE(window.control(-1), nullptr);
    EXPECT_EQ(window.control(-1)->geometry(), QRect(e.left, e.top, e.width(), e.height()));
    ASSERT_NE(window.control(140), nullptr);
    EXPECT_FALSE(window.control(140)->isVisible());
}

TEST_F(MainWindowTest, MenuTextsAreKeptWholeAndHelpSitsAtTheRightEnd) {
    std::vector<MenuPopup> menu = programMenu();
    QList<QAction*> left = window.menuBar()->actions();
    ASSERT_EQ(left.size(), 3);
    EXPECT_EQ(left[0]->text(), QStringLiteral("&Options"));
    EXPECT_EQ(left[1]->text(), QStringLiteral("So&urce"));
    ASSERT_NE(window.rightMenuBar(), nullptr);
    ASSERT_EQ(window.rightMenuBar()->actions().size(), 1);
    EXPECT_EQ(window.rightMenuBar()->actions()[0]->text(), QStringLiteral("&Help"));
    // Right-justified: its right edge meets the bar's, well right of the other popups.
    QRect help = window.rightMenuBar()->geometry();
    EXPECT_GE(help.right(), window.menuBar()->width() - 8);
    EXPECT_GT(help.left(), window.menuBar()->actionGeometry(left[2]).right());

    for (const MenuPopup& popup : menu)
        for (const MenuItem& item : popup.items) {
            if (item.id == 0) continue;
            ASSERT_NE(action(item.id), nullptr) << item.text;
            EXPECT_EQ(action(item.id)->text().toStdString(), item.text);
        }
    QMenu* options = left[0]->menu();
    ASSERT_NE(options, nullptr);
    EXPECT_EQ(options->actions().size(), 9);
    EXPECT_TRUE(options->actions()[4]->isSeparator());

    action(116)->trigger();
    action(123)->trigger();
    EXPECT_EQ(events.commands, (std::vector<Command>{{116, 0}, {123, 0}}));
}

TEST_F(MainWindowTest, MenuItemStatesFollowTheProgramOnly) {
    window.enableMenuItem(122, false);
    EXPECT_FALSE(window.isMenuItemEnabled(122));
    EXPECT_FALSE(action(122)->isEnabled());
    window.enableMenuItem(122, true);
    EXPECT_TRUE(window.isMenuItemEnabled(122));

    EXPECT_FALSE(window.isMenuItemChecked(116));
    EXPECT_FALSE(action(116)->isCheckable());  // no empty box beside unchecked items
    window.checkMenuItem(116, true);
    EXPECT_TRUE(window.isMenuItemChecked(116));
    EXPECT_TRUE(action(116)->isChecked());
    action(116)->trigger();  // choosing it does not toggle the mark by itself
    EXPECT_TRUE(action(116)->isChecked());
    window.checkMenuItem(116, false);
    EXPECT_FALSE(window.isMenuItemChecked(116));
    EXPECT_FALSE(action(116)->isChecked());

    EXPECT_FALSE(window.isMenuItemEnabled(999));
    window.enableMenuItem(999, true);  // unknown ids are ignored
}

TEST_F(MainWindowTest, AcceleratorsSendTheirCommandsAlsoFromTheEditBox) {
    QWidget* top = window.widget();
    QTest::keyClick(top, Qt::Key_T, Qt::ControlModifier);
    QTest::keyClick(top, Qt::Key_F1);
    QTest::keyClick(top, Qt::Key_M, Qt::ControlModifier);
    EXPECT_EQ(events.commands, (std::vector<Command>{{112, 1}, {123, 1}, {122, 1}}));

    events.commands.clear();
    auto* edit = qobject_cast<QLineEdit*>(window.control(-1));
    window.setFocus(-1);
    ASSERT_TRUE(waitFor([&] { return edit->hasFocus(); }));
    QApplication::clipboard()->setText(QStringLiteral("pasted"));
    QTest::keyClicks(edit, QStringLiteral("abc"));
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(events.commands, (std::vector<Command>{{113, 1}, {115, 1}}));
    EXPECT_EQ(edit->text(), QStringLiteral("abc"));
}

TEST_F(MainWindowTest, AnAcceleratorOfADisabledMenuItemSendsNothing) {
    struct Key {
        Qt::Key key;
        Qt::KeyboardModifiers mods;
        int command;
    } keys[] = {{Qt::Key_F, Qt::ControlModifier, 114}, {Qt::Key_D, Qt::ControlModifier, 126},
                {Qt::Key_M, Qt::ControlModifier, 122}, {Qt::Key_P, Qt::ControlModifier, 133},
                {Qt::Key_S, Qt::ControlModifier, 115}, {Qt::Key_T, Qt::ControlModifier, 112},
                {Qt::Key_V, Qt::ControlModifier, 113}, {Qt::Key_W, Qt::ControlModifier, 121},
                {Qt::Key_F1, Qt::NoModifier, 123}};
    QWidget* top = window.widget();
    for (const Key& k : keys) {
        SCOPED_TRACE(k.command);
        events.commands.clear();
        window.enableMenuItem(k.command, false);
        QTest::keyClick(top, k.key, k.mods);
        EXPECT_TRUE(events.commands.empty());
        window.enableMenuItem(k.command, true);
        QTest::keyClick(top, k.key, k.mods);
        EXPECT_EQ(events.commands, (std::vector<Command>{{k.command, 1}}));
    }
    // A key whose command has no menu item is not held back.
    window.setAccelerators({{Accelerator::Char, 5, 999}});
    events.commands.clear();
    QTest::keyClick(top, Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(events.commands, (std::vector<Command>{{999, 1}}));
}

TEST_F(MainWindowTest, ButtonsSendCommandsAndKeepTheirStates) {
    QTest::mouseClick(window.control(102), Qt::LeftButton);
    EXPECT_EQ(events.commands, (std::vector<Command>{{102, 0}}));

    window.enableControl(103, false);
    EXPECT_FALSE(window.isControlEnabled(103));
    QTest::mouseClick(window.control(103), Qt::LeftButton);
    EXPECT_EQ(events.commands.size(), 1u);
    window.enableControl(103, true);
    EXPECT_TRUE(window.isControlEnabled(103));
    EXPECT_FALSE(window.isControlEnabled(4242));

    window.setControlText(102, "&Record");
    EXPECT_EQ(window.controlText(102, 255), "&Record");
    window.setControlText(-1, "Ünïcode name.wav");
    EXPECT_EQ(window.controlText(-1, 255), "Ünïcode name.wav");
    EXPECT_EQ(window.controlText(-1, 2), "Ü");  // two bytes: one whole character
    EXPECT_EQ(window.controlText(-1, 1), "");   // never half a character
    EXPECT_EQ(window.controlText(777, 10), "");

    window.listAdd(140, "Track3");
    window.listAdd(140, "Intro");
    EXPECT_EQ(window.listCount(140), 2);
    EXPECT_EQ(window.listText(140, 1), "Intro");
    EXPECT_EQ(window.listText(140, 2), "");
    window.listClear(140);
    EXPECT_EQ(window.listCount(140), 0);
}

TEST_F(MainWindowTest, TabMovesThroughEnabledTabStopsInCreationOrder) {
    for (int id : {102, 103, 104, 105, 108, 109, 110, 111}) window.enableControl(id, false);
    window.setFocus(-1);
    QWidget* top = window.widget();
    ASSERT_TRUE(waitFor([&] { return window.control(-1)->hasFocus(); }));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), window.control(106));  // wraps past the disabled ones
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), window.control(107));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), window.control(-1));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), window.control(107));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);  // Enter presses the focused button
    EXPECT_EQ(events.commands, (std::vector<Command>{{107, 0}}));
    (void)top;
}

TEST_F(MainWindowTest, MouseReachesTheHandlersAndTheCursorFallsBackToTheArrow) {
    const Rect zone{19 * units.w, 8 * units.h, 30 * units.w, 9 * units.h};
    std::vector<std::pair<int, int>> moves;
    events.mouseMove = [&](int x, int y) {
        moves.emplace_back(x, y);
        if (zone.contains(x, y)) window.setCursor(CursorKind::Hand);
    };
    QWidget* client = window.clientArea();
    QPoint inZone(20 * units.w, 8 * units.h + units.h / 2);
    QTest::mouseMove(client, inZone);
    ASSERT_TRUE(waitFor([&] { return !moves.empty(); }));
    EXPECT_EQ(moves.back(), std::make_pair(inZone.x(), inZone.y()));
    EXPECT_EQ(client->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseMove(client, QPoint(2, 2));
    ASSERT_TRUE(waitFor([&] { return moves.back() == std::make_pair(2, 2); }));
    EXPECT_EQ(client->cursor().shape(), Qt::ArrowCursor);

    window.setCursor(CursorKind::Wait);
    EXPECT_EQ(client->cursor().shape(), Qt::WaitCursor);

    QTest::mouseClick(client, Qt::LeftButton, {}, QPoint(10, 12));
    QTest::mouseClick(client, Qt::RightButton, {}, QPoint(11, 12));
    QTest::mouseDClick(client, Qt::LeftButton, {}, QPoint(30, 20));
    ASSERT_GE(events.clicks.size(), 2u);
    EXPECT_EQ(events.clicks.front(), std::make_tuple(10, 12, false));
    EXPECT_EQ(events.clicks.back(), std::make_tuple(30, 20, true));
}

TEST_F(MainWindowTest, ScreenSizeComesFromThePrimaryScreen) {
    EXPECT_GT(window.screenWidth(), 0);
    EXPECT_GT(window.screenHeight(), 0);
    Rgb face = window.systemColor(SysColor::BtnFace);
    Rgb shadow = window.systemColor(SysColor::BtnShadow);
    Rgb light = window.systemColor(SysColor::BtnHighlight);
    auto luma = [](Rgb c) { return c.r + c.g + c.b; };
    EXPECT_LT(luma(shadow), luma(face));
    EXPECT_GE(luma(light), luma(face));
}

}  // namespace
}  // namespace wl::test
