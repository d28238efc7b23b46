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
#include "resources/Menu.h"

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
    // The same creation, recorded by the double with this window's font and screen.
    ProgramLayout asked(window.defaultFontMetrics(), window.screenWidth(), window.screenHeight());
    const Rect frame = asked.window.windowRect;
    ASSERT_GT(frame.width(), 0);
    QWidget* client = window.clientArea();
    // The window's size counts the menu bar; the client area is what remains below it.
    EXPECT_EQ(window.widget()->size(), QSize(frame.width(), frame.height()));
    EXPECT_EQ(client->geometry().top(), window.menuBar()->geometry().bottom() + 1);
    EXPECT_EQ(client->size(), QSize(frame.width(), frame.height() - window.menuBar()->height()));
    EXPECT_EQ(window.widget()->windowTitle(), QStringLiteral("Wavelathe"));
    EXPECT_FALSE(window.widget()->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(window.widget()->minimumSize(), window.widget()->maximumSize());

    ASSERT_EQ(asked.window.controlOrder.size(), 12u);
    for (int id : asked.window.controlOrder) {
        const FakeControl& c = asked.window.controls[id];
        QWidget* w = window.control(id);
        ASSERT_NE(w, nullptr) << id;
        EXPECT_EQ(w->geometry(), QRect(c.rect.left, c.rect.top, c.rect.width(), c.rect.height())) << id;
        EXPECT_EQ(w->isVisible(), c.kind != FakeControl::ListBox) << id;
        if (c.kind == FakeControl::Button) {
            EXPECT_EQ(qobject_cast<QPushButton*>(w)->text().toStdString(), c.text) << id;
        }
    }
}

TEST_F(MainWindowTest, MenuTextsAreKeptWholeAndHelpSitsAtTheRightEnd) {
    const std::vector<MenuPopup> menu = MainMenu();
    QList<QAction*> left = window.menuBar()->actions();
    ASSERT_NE(window.rightMenuBar(), nullptr);
    QList<QAction*> right = window.rightMenuBar()->actions();
    ASSERT_EQ(size_t(left.size() + right.size()), menu.size());
    ASSERT_EQ(right.size(), 1);
    for (size_t i = 0; i < menu.size(); ++i) {
        QAction* popup = menu[i].rightJustified ? right[0] : left[qsizetype(i)];
        EXPECT_EQ(popup->text().toStdString(), menu[i].text);
        ASSERT_NE(popup->menu(), nullptr);
        EXPECT_EQ(size_t(popup->menu()->actions().size()), menu[i].items.size()) << menu[i].text;
    }
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
    EXPECT_TRUE(left[0]->menu()->actions()[4]->isSeparator());

    action(ID_RECORD_FROM_CD)->trigger();
    action(ID_HELP_CONTENTS)->trigger();
    EXPECT_EQ(events.commands, (std::vector<Command>{{ID_RECORD_FROM_CD, 0}, {ID_HELP_CONTENTS, 0}}));
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
    // The mode greys some items, and a grey item's accelerator sends nothing.
    for (const Accelerator& a : MainAccelerators()) window.enableMenuItem(a.command, true);
    std::vector<Command> expected;
    for (const Accelerator& a : MainAccelerators()) {
        if (a.kind == Accelerator::Char)  // Ctrl+A is 1, Ctrl+B 2, ...
            QTest::keyClick(top, Qt::Key(Qt::Key_A + a.code - 1), Qt::ControlModifier);
        else if (a.code >= 112 && a.code < 124)  // F1 to F12
            QTest::keyClick(top, Qt::Key(Qt::Key_F1 + a.code - 112));
        else
            ADD_FAILURE() << "no key for virtual key " << a.code;
        expected.push_back({a.command, 1});
    }
    EXPECT_EQ(events.commands, expected);

    events.commands.clear();
    auto* edit = qobject_cast<QLineEdit*>(window.control(-1));
    window.setControlText(-1, "");
    window.setFocus(-1);
    ASSERT_TRUE(waitFor([&] { return edit->hasFocus(); }));
    QApplication::clipboard()->setText(QStringLiteral("pasted"));
    QTest::keyClicks(edit, QStringLiteral("abc"));
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(events.commands, (std::vector<Command>{{ID_VOLUME_CONTROL, 1}, {ID_SAVE_SETTINGS, 1}}));
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
    window.enableControl(102, true);  // the program starts with it greyed
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
    std::vector<std::pair<int, int>> moves;
    events.mouseMove = [&](int x, int y) {
        moves.emplace_back(x, y);
        if (inStatusClickZone(app, x, y)) window.setCursor(CursorKind::Hand);
    };
    QWidget* client = window.clientArea();
    QPoint inZone;
    for (int y = 0; y < client->height() && inZone.isNull(); ++y)
        for (int x = 0; x < client->width(); ++x)
            if (inStatusClickZone(app, x, y)) {
                inZone = QPoint(x + 2, y + 2);
                break;
            }
    ASSERT_TRUE(inStatusClickZone(app, inZone.x(), inZone.y()));
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
