// Modal parts: message boxes (timers keep firing meanwhile), a dialog built from a template
// and driven like a user would, and the two file dialogs.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <utility>

#include "FakeDialogHost.h"
#include "GuiTestSupport.h"
#include "adapters/qt/QtDialogHost.h"
#include "adapters/qt/QtModal.h"

namespace wl::test {
namespace {

class ModalTest : public ShownMainWindow {
protected:
    void SetUp() override {
        ShownMainWindow::SetUp();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.widget()));
    }
};

TEST_F(ModalTest, MessageBoxesShowTheTextAndAnswerWithThePlatformNumbers) {
    QString title, text;
    whenModal([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        title = box->windowTitle();
        text = box->text();
        box->button(QMessageBox::No)->click();
    });
    EXPECT_EQ(window.messageBox("Do you want to save the new settings?", "Save", MB_YESNO), IDNO);
    EXPECT_EQ(title, QStringLiteral("Save"));
    EXPECT_EQ(text, QStringLiteral("Do you want to save the new settings?"));

    whenModal([](QWidget* w) { qobject_cast<QMessageBox*>(w)->button(QMessageBox::Yes)->click(); });
    EXPECT_EQ(window.messageBox("q", "Save", MB_YESNO), IDYES);
    whenModal([](QWidget* w) { qobject_cast<QMessageBox*>(w)->button(QMessageBox::Ok)->click(); });
    EXPECT_EQ(window.messageBox("q", "c", MB_OKCANCEL), IDOK);
    // Esc and the close box.
    whenModal([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
    EXPECT_EQ(window.messageBox("q", "c", MB_OKCANCEL), IDCANCEL);
    whenModal([](QWidget* w) { w->close(); });
    EXPECT_EQ(window.messageBox("<b>not rich</b> \"quoted\"", "c", MB_OK, true), IDOK);
}

TEST_F(ModalTest, TimersKeepFiringWhileAMessageBoxIsOpen) {
    window.setTimer(1, 20);
    size_t ticksWhileOpen = 0;
    whenModal([&](QWidget* w) {
        // Answer only after the timer has ticked a few times inside the box's loop.
        auto* answerLater = new QTimer(w);
        QObject::connect(answerLater, &QTimer::timeout, [&, w] {
            if (events.timerTicks.size() < 4) return;
            ticksWhileOpen = events.timerTicks.size();
            qobject_cast<QMessageBox*>(w)->button(QMessageBox::Ok)->click();
        });
        answerLater->start(5);
    });
    EXPECT_EQ(window.messageBox("I have saved the song to your hard drive.", "Done", MB_OK), IDOK);
    EXPECT_GE(ticksWhileOpen, 4u);
    window.killTimer(1);
}

// A procedure in the manner of the program's: radios write at once, OK and Cancel end.
class ParamsProc : public DialogProc {
public:
    std::vector<Command> seen;
    std::vector<int> initialOrder;
    std::vector<std::string> listed;
    bool onInit(Dialog& d) override {
        d.setChecked(206, true);
        d.setChecked(209, true);
        d.setChecked(211, true);
        for (const char* name : {"b.wav", "A.wav", "c.wav", "B.wav"}) initialOrder.push_back(d.listAdd(128, name));
        d.listAdd(129, "z.wav");
        d.listAdd(129, "a.wav");
        d.setText(134, "/home/ann/music/");
        return true;
    }
    bool onCommand(Dialog& d, int id, int code) override {
        seen.push_back({id, code});
        if (id == 212 && code == BN_CLICKED && d.isChecked(212)) {
            d.setChecked(205, false);
            d.setChecked(206, true);
        }
        if (id == 128 && code == LBN_DBLCLK) d.listAdd(129, d.listText(128, d.listCurSel(128)));
        if (id == IDOK && code == BN_CLICKED) {
            checked205 = d.isChecked(205);
            checked206 = d.isChecked(206);
            checked212 = d.isChecked(212);
            selected = d.listSelectedItems(128);
            for (int i = 0; i < d.listCount(129); ++i) listed.push_back(d.listText(129, i));
            path = d.text(134, 259);
            d.end(1);
        }
        if (id == IDCANCEL) d.end(2);
        return true;
    }
    bool checked205 = false, checked206 = false, checked212 = false;
    std::vector<int> selected;
    std::string path;
};

DialogTemplate paramsTemplate() {
    auto r = [](int x, int y, int w, int h) { return Rect{x, y, x + w, y + h}; };
    DialogTemplate t{"RecParWav", "WAV Recording Parameters", 170, 150, {}};
    using K = ControlKind;
    t.controls = {
        {K::GroupBox, 201, "Bits per Sample", r(2, 2, 56, 32)},
        {K::AutoRadio, 205, "8 bits", r(6, 12, 30, 8), true},
        {K::AutoRadio, 206, "16 bits", r(6, 22, 40, 8)},
        {K::GroupBox, 202, "Samples per Sec", r(62, 2, 60, 42)},
        {K::AutoRadio, 207, "11,025", r(66, 12, 40, 8), true},
        {K::AutoRadio, 208, "22,050", r(66, 22, 40, 8)},
        {K::AutoRadio, 209, "44,100", r(66, 32, 40, 8)},
        {K::GroupBox, 203, "Channels", r(126, 2, 42, 32)},
        {K::AutoRadio, 210, "Mono", r(130, 12, 30, 8), true},
        {K::AutoRadio, 211, "Stereo", r(130, 22, 34, 8)},
        {K::AutoCheckBox, 212, "Convert to MP3 file?", r(58, 48, 68, 8), false, true},
        {K::ListBox, 128, "", r(2, 60, 60, 50), true, false, true, true},
        {K::ListBox, 129, "", r(70, 60, 60, 50), true, false, true, false},
        {K::Edit, 134, "", r(2, 114, 160, 10), false, true},
        {K::Static, -1, "Enter path:", r(2, 126, 60, 10)},
        {K::Button, 1, "&OK", r(8, 135, 30, 12), false, true},
        {K::Button, 2, "&Cancel", r(132, 135, 30, 12), false, true},
    };
    return t;
}

template <class T>
T* child(QWidget* dlg, const QString& text) {
    for (T* w : dlg->findChildren<T*>())
        if (w->text() == text) return w;
    return nullptr;
}

TEST_F(ModalTest, ATemplateDialogRoundTrip) {
    ParamsProc proc;
    QRect okGeometry;
    QSize size;
    whenModal([&](QWidget* dlg) {
        size = dlg->size();
        dlg->grab().save(screenshotFile("gui_dialog.png"), "PNG");
        auto* ok = child<QPushButton>(dlg, QStringLiteral("&OK"));
        okGeometry = ok->geometry();
        child<QRadioButton>(dlg, QStringLiteral("8 bits"))->click();
        child<QRadioButton>(dlg, QStringLiteral("Mono"))->click();
        child<QCheckBox>(dlg, QStringLiteral("Convert to MP3 file?"))->click();  // forces 16 bits back
        auto lists = dlg->findChildren<QListWidget*>();
        QListWidget* available = lists[0];
        QRect second = available->visualItemRect(available->item(1));
        QTest::mouseClick(available->viewport(), Qt::LeftButton, {}, second.center());
        QRect third = available->visualItemRect(available->item(2));
        QTest::mouseClick(available->viewport(), Qt::LeftButton, Qt::ControlModifier, third.center());
        QTest::mouseDClick(available->viewport(), Qt::LeftButton, {}, third.center());
        dlg->findChild<QLineEdit*>()->setFocus();
        QTest::keyClick(dlg->findChild<QLineEdit*>(), Qt::Key_Return);  // Enter means OK
    });
    EXPECT_EQ(window.runDialog(paramsTemplate(), proc), 1);

    // Sorted list: each addition reports where it went.
    EXPECT_EQ(proc.initialOrder, (std::vector<int>{0, 0, 2, 2}));  // A b B c, case ignored
    DialogUnits units = dialogUnits(dialogFont());
    int ux = units.x, uy = units.y;
    ASSERT_GE(ux, QFontMetrics(dialogFont()).averageCharWidth());
    EXPECT_EQ(size, QSize(170 * ux / 4, 150 * uy / 8));
    EXPECT_EQ(okGeometry, QRect(8 * ux / 4, 135 * uy / 8, 38 * ux / 4 - 8 * ux / 4, 147 * uy / 8 - 135 * uy / 8));

    EXPECT_FALSE(proc.checked205);
    EXPECT_TRUE(proc.checked206);
    EXPECT_TRUE(proc.checked212);
    EXPECT_EQ(proc.selected, (std::vector<int>{1, 2}));  // click, then Ctrl+click extends
    EXPECT_EQ(proc.listed, (std::vector<std::string>{"z.wav", "a.wav", "B.wav"}));
    EXPECT_EQ(proc.path, "/home/ann/music/");
    auto has = [&](Command c) { return std::find(proc.seen.begin(), proc.seen.end(), c) != proc.seen.end(); };
    EXPECT_TRUE(has({205, BN_CLICKED}));
    EXPECT_TRUE(has({210, BN_CLICKED}));
    EXPECT_TRUE(has({212, BN_CLICKED}));
    EXPECT_TRUE(has({128, LBN_SELCHANGE}));
    EXPECT_TRUE(has({128, LBN_DBLCLK}));
    EXPECT_FALSE(has({129, LBN_SELCHANGE}));  // the program's own changes are not notified
    EXPECT_EQ(proc.seen.back(), (Command{IDOK, BN_CLICKED}));
}

TEST_F(ModalTest, RadioGroupsFollowTheTemplateAndEscCancels) {
    ParamsProc proc;
    bool group1After = false, group2After = false, monoAfter = false;
    whenModal([&](QWidget* dlg) {
        auto* eight = child<QRadioButton>(dlg, QStringLiteral("8 bits"));
        auto* k11 = child<QRadioButton>(dlg, QStringLiteral("11,025"));
        eight->click();
        k11->click();
        k11->click();  // clicking a checked radio leaves it checked
        group1After = eight->isChecked() && !child<QRadioButton>(dlg, QStringLiteral("16 bits"))->isChecked();
        group2After = k11->isChecked() && !child<QRadioButton>(dlg, QStringLiteral("44,100"))->isChecked();
        monoAfter = !child<QRadioButton>(dlg, QStringLiteral("Mono"))->isChecked();
        QTest::keyClick(dlg, Qt::Key_Escape);
    });
    EXPECT_EQ(window.runDialog(paramsTemplate(), proc), 2);
    EXPECT_TRUE(group1After);
    EXPECT_TRUE(group2After);
    EXPECT_TRUE(monoAfter);
    EXPECT_EQ(proc.seen.back(), (Command{IDCANCEL, BN_CLICKED}));

    // The close box asks the procedure too; one that ends at once never shows.
    class EndAtOnce : public DialogProc {
    public:
        bool onInit(Dialog& d) override {
            d.end(7);
            return true;
        }
        bool onCommand(Dialog&, int, int) override { return false; }
    } quick;
    EXPECT_EQ(window.runDialog(paramsTemplate(), quick), 7);
}

// The program's calls in a dialog, each step answering a text; run in onInit, so the dialog
// never shows. Any notification they caused is an answer too.
struct Step {
    const char* what;
    std::function<std::string(Dialog&)> act;
};
class RunSteps : public DialogProc {
public:
    explicit RunSteps(const std::vector<Step>& steps) : steps_(steps) {}
    std::vector<std::string> answers;
    bool onInit(Dialog& d) override {
        for (const Step& s : steps_) {
            answers.push_back(s.act(d));
            answers.back() += notified_;
            notified_.clear();
        }
        d.end(5);
        return true;
    }
    bool onCommand(Dialog&, int id, int code) override {
        notified_ += " notified " + std::to_string(id) + "/" + std::to_string(code);
        return true;
    }

private:
    const std::vector<Step>& steps_;
    std::string notified_;
};

std::string str(const std::vector<int>& v) {
    std::string out;
    for (int i : v) out += std::to_string(i) + " ";
    return out;
}

// A dialog with one control of each kind, for holding the fake host against the real one.
constexpr int label = 300, edit = 301, box = 302, radioA = 303, radioB = 304, frame = 305, more = 306, single = 310,
              sorted = 311, unknown = 999;
DialogTemplate everyKind() {
    auto r = [](int x, int y, int h = 10) { return Rect{x, y, x + 40, y + h}; };
    using K = ControlKind;
    DialogTemplate tpl{"Answers", "Answers", 200, 120, {}};
    tpl.controls = {
        {K::Static, label, "&Name:", r(2, 2)},     {K::Edit, edit, "template text", r(2, 14), false, true},
        {K::AutoCheckBox, box, "Box", r(2, 26)},    {K::AutoRadio, radioA, "A", r(2, 38), true},
        {K::AutoRadio, radioB, "B", r(2, 50)},      {K::GroupBox, frame, "Frame", r(50, 80)},
        {K::ListBox, single, "", r(50, 2, 60)},     {K::ListBox, sorted, "", r(100, 2, 60), false, false, true, true},
        {K::Button, IDOK, "&OK", r(2, 100), false, true}, {K::Button, more, "&More", r(50, 100)},
    };
    return tpl;
}

// What the procedures are tested against is what they meet on screen.
TEST_F(ModalTest, TheFakeHostAnswersTheProgramAsTheRealOne) {
    const DialogTemplate tpl = everyKind();
    auto checks = [](Dialog& d) {
        std::string out;
        for (int id : {IDOK, box, radioA, radioB, unknown, single}) d.setChecked(id, true);
        for (int id : {IDOK, box, radioA, radioB, unknown, single}) out += std::to_string(d.isChecked(id));
        return out;
    };
    auto add = [](int list, std::vector<const char*> texts) {
        return [=](Dialog& d) {
            std::vector<int> at;
            for (const char* t : texts) at.push_back(d.listAdd(list, t));
            return str(at);
        };
    };
    auto state = [](int list) {
        return [=](Dialog& d) { return std::to_string(d.listCurSel(list)) + " / " + str(d.listSelectedItems(list)); };
    };
    auto then = [](std::function<void(Dialog&)> change, std::function<std::string(Dialog&)> answer) {
        return [=](Dialog& d) { change(d); return answer(d); };
    };
    const std::vector<Step> steps = {
        {"label", [](Dialog& d) { return d.text(label, 99); }},
        {"label set", then([](Dialog& d) { d.setText(label, "&Path:"); }, [](Dialog& d) { return d.text(label, 99); })},
        {"frame and list", [](Dialog& d) { return d.text(frame, 99) + "|" + d.text(single, 99); }},
        {"edit at opening", [](Dialog& d) { return d.text(edit, 99); }},
        {"edit cut inside a character",
         then([](Dialog& d) { d.setText(edit, "Gr\xc3\xbc\xc3\x9f"); }, [](Dialog& d) { return d.text(edit, 3); })},
        {"checks", checks},
        {"unknown", then([](Dialog& d) { d.setText(unknown, "x"); },
                         [](Dialog& d) {
                             return d.text(unknown, 9) + std::to_string(d.listAdd(unknown, "x")) +
                                    std::to_string(d.listCount(unknown)) + std::to_string(d.listCurSel(unknown));
                         })},
        {"single added", add(single, {"a", "b", "c", "d"})},
        {"single at first", state(single)},
        {"single set", then([](Dialog& d) { d.listSetCurSel(single, 2); }, state(single))},
        {"deleting the current", then([](Dialog& d) { d.listDelete(single, 2); }, state(single))},
        {"deleting above", then([](Dialog& d) { d.listDelete(single, 0); }, state(single))},
        {"deleting the last", then([](Dialog& d) { d.listDelete(single, 1); }, state(single))},
        {"out of range", then([](Dialog& d) { d.listSetCurSel(single, 9); }, state(single))},
        {"every item", then([](Dialog& d) { d.listSetSel(single, -1, true); }, state(single))},
        {"cleared", then([](Dialog& d) { d.listClear(single); }, state(single))},
        {"sorted added", add(sorted, {"b", "A", "c", "B"})},
        {"multi set", then([](Dialog& d) { d.listSetCurSel(sorted, 1); }, state(sorted))},
        {"multi selected", then(
                               [](Dialog& d) {
                                   d.listSetSel(sorted, 3, true);
                                   d.listSetSel(sorted, 0, true);
                               },
                               state(sorted))},
        {"multi deleting the current", then([](Dialog& d) { d.listDelete(sorted, 1); }, state(sorted))},
        {"multi adding before", then([](Dialog& d) { d.listAdd(sorted, "a"); }, state(sorted))},
        {"multi deleting the first", then([](Dialog& d) { d.listDelete(sorted, 0); }, state(sorted))},
        {"multi deleted", then([](Dialog& d) { d.listSetSel(sorted, -1, false); }, state(sorted))},
    };
    RunSteps real(steps), fake(steps);
    EXPECT_EQ(window.runDialog(tpl, real), 5);
    FakeDialog dlg(tpl, fake);
    EXPECT_FALSE(dlg.open());
    EXPECT_EQ(dlg.result, 5);
    ASSERT_EQ(real.answers.size(), steps.size());
    ASSERT_EQ(fake.answers.size(), steps.size());
    for (size_t i = 0; i < steps.size(); ++i) EXPECT_EQ(fake.answers[i], real.answers[i]) << steps[i].what;
}

// The user's actions, each with what the procedure heard, done on screen and in the fake.
class HeardProc : public DialogProc {
public:
    std::string heard;
    bool onInit(Dialog& d) override {
        for (const char* t : {"a", "b", "c"}) d.listAdd(single, t);
        d.enable(radioA, false);
        return true;
    }
    bool onCommand(Dialog& d, int id, int code) override {
        heard += std::to_string(id) + "/" + std::to_string(code) + " ";
        if (id == IDOK) d.end(1);
        return true;
    }
};

struct UserStep {
    std::function<void(QWidget*)> onScreen;
    std::function<void(FakeDialog&)> inFake;
};

TEST_F(ModalTest, TheFakeHostPassesTheUsersActionsOnAsTheRealOne) {
    auto press = [](int id) {
        return UserStep{
            [id](QWidget* dlg) { QTest::mouseClick(dialogControl(dlg, id), Qt::LeftButton, {}, QPoint(4, 6)); },
            [id](FakeDialog& d) { d.click(id); }};
    };
    auto row = [](int list, int index, bool twice) {
        return UserStep{[=](QWidget* dlg) {
                            auto* l = qobject_cast<QListWidget*>(dialogControl(dlg, list));
                            const QPoint at = l->visualItemRect(l->item(index)).center();
                            // A user's double-click comes as a click, then the second press.
                            QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, at);
                            if (twice) QTest::mouseDClick(l->viewport(), Qt::LeftButton, {}, at);
                        },
                        [=](FakeDialog& d) { twice ? d.doubleClick(list, index) : (void)d.select(list, index); }};
    };
    const UserStep enter{
        [](QWidget* dlg) { QTest::keyClick(dlg->focusWidget() ? dlg->focusWidget() : dlg, Qt::Key_Return); },
        [](FakeDialog& d) { d.pressEnter(); }};
    const std::vector<std::pair<const char*, UserStep>> steps = {
        {"a radio button", press(radioB)},
        {"a disabled one", press(radioA)},
        {"a check box", press(box)},
        {"an item", row(single, 1, false)},
        {"the same item", row(single, 1, false)},
        {"another, twice", row(single, 2, true)},
        {"a push button", press(more)},
        {"Enter on it", enter},
        {"the list again", row(single, 2, false)},
        {"Enter there", enter},
    };
    HeardProc real, fake;
    std::vector<std::string> onScreen, inFake;
    whenModal([&](QWidget* dlg) {
        for (auto& [what, step] : steps) {
            step.onScreen(dlg);
            onScreen.push_back(std::exchange(real.heard, ""));
        }
    });
    EXPECT_EQ(window.runDialog(everyKind(), real), 1);
    FakeDialog dlg(everyKind(), fake);
    ASSERT_TRUE(dlg.open());
    for (auto& [what, step] : steps) {
        step.inFake(dlg);
        inFake.push_back(std::exchange(fake.heard, ""));
    }
    EXPECT_EQ(dlg.result, 1);
    ASSERT_EQ(onScreen.size(), steps.size());
    for (size_t i = 0; i < steps.size(); ++i) EXPECT_EQ(inFake[i], onScreen[i]) << steps[i].first;
}

TEST(FileDialogFilters, PairsBecomeQtNameFilters) {
    using namespace std::string_literals;
    EXPECT_EQ(nameFiltersFrom("waveaudio files (*.wav)\0*.wav\0\0"s), QStringList{"waveaudio files (*.wav)"});
    EXPECT_EQ(nameFiltersFrom("Sound\0*.wav;*.mp3\0All files\0*.*\0"s),
              (QStringList{"Sound (*.wav *.mp3)", "All files (*)"}));
    EXPECT_TRUE(nameFiltersFrom(""s).isEmpty());
    EXPECT_TRUE(nameFiltersFrom("dangling description"s).isEmpty());
}

TEST_F(ModalTest, SaveAsAddsTheDefaultExtensionAndOpenReturnsEveryChosenFile) {
    using namespace std::string_literals;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const char* name : {"one.wav", "two.wav"}) {
        QFile f(dir.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("RIFF");
    }
    FileDialogParams params;
    params.filter = "waveaudio files (*.wav)\0*.wav\0\0"s;
    params.initialDir = dir.path().toStdString();
    params.defaultExt = "wav";
    QString title;
    whenModal([&](QWidget* w) {
        auto* fd = qobject_cast<QFileDialog*>(w);
        title = fd->windowTitle();
        fd->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QStringLiteral("new song"));
        static_cast<QDialog*>(fd)->accept();
    });
    ASSERT_TRUE(window.saveFileDialog(params));
    EXPECT_EQ(title, QStringLiteral("Save As"));
    EXPECT_EQ(params.file, dir.filePath(QStringLiteral("new song.wav")).toStdString());

    whenModal([](QWidget* w) { qobject_cast<QFileDialog*>(w)->reject(); });
    params.file = "kept";
    EXPECT_FALSE(window.openFileDialog(params));
    EXPECT_EQ(params.file, "kept");

    params.file.clear();
    params.allowMultiple = true;
    whenModal([](QWidget* w) {
        auto* fd = qobject_cast<QFileDialog*>(w);
        fd->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QStringLiteral("\"one.wav\" \"two.wav\""));
        static_cast<QDialog*>(fd)->accept();
    });
    ASSERT_TRUE(window.openFileDialog(params));
    ASSERT_EQ(params.files.size(), 2u);
    EXPECT_EQ(params.files[0], dir.filePath(QStringLiteral("one.wav")).toStdString());
    EXPECT_EQ(params.files[1], dir.filePath(QStringLiteral("two.wav")).toStdString());
}

}  // namespace
}  // namespace wl::test
