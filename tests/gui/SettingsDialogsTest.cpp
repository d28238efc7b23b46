// The settings dialogs in the program on the offscreen Qt window: opened from the menu and
// by accelerator, laid out as their templates say, and a change that reaches the settings
// file through Save Settings; the Disc Information dialog shows each lookup status whole,
// and the release's cover once it comes.
// Screenshots of each dialog are written beside the test.
#include <QAbstractButton>
#include <QBuffer>
#include <QImage>
#include <QPixmap>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <filesystem>

#include "FakeDiscPorts.h"
#include "GuiTestSupport.h"
#include "TestProgram.h"
#include "adapters/discid/LibDiscId.h"
#include "app/WebText.h"
#include "disc/DiscInfoDialog.h"
#include "disc/OnlineNames.h"
#include "adapters/qt/QtDialogHost.h"
#include "app/Settings.h"
#include "resources/Templates.h"

namespace wl::test {
namespace {

// Types the name as the user does: selectFile can be undone by the dialog's folder listing,
// which loads on another thread and may select the file offered before.
void chooseName(QFileDialog* fd, const QString& name) {
    auto* edit = fd->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(edit, nullptr);
    edit->setText(name);
}

void click(QWidget* dlg, int id) {
    auto* b = qobject_cast<QAbstractButton*>(dialogControl(dlg, id));
    ASSERT_NE(b, nullptr) << id;
    b->click();
}

// The program on the Qt window, with the devices faked: a settings file in Record from CD
// with conversion on.
class SettingsDialogs : public ::testing::Test {
protected:
    TempWorkingDir dir;
    QtWindow window;
    FakeMci mci;
    FakeCdrom cdrom;
    FakeCdAudio cd{mci, cdrom};
    FakeEncoderLoader encoder;
    FakeDesktop desktop;
    App app{Platform{window, mci, cdrom, encoder, desktop}};
    MainWindowProc proc{app};

    void SetUp() override {
        cd.insertDisc(TestProgram::kDefaultDisc);
        std::string settings(6, '\0');
        settings += "16441002128" + std::to_string(RecordFromCd) + "1199";
        settings.resize(kSettingsFileSize, '\0');
        writeFileBytes(settingsFile(), settings);
        app.s.workingDir = dir.path().string();
        ASSERT_EQ(window.create(proc), 0);
        window.show();
        window.widget()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.widget()));
    }
    void TearDown() override {
        if (!app.destroyed) {
            app.s.settingsDirty = 0;  // no exit prompt
            window.destroy();
        }
    }
    std::filesystem::path settingsFile() const { return dir.path() / kSettingsFileName; }
    // A closed dialog leaves no window active here: accelerators need the main window active.
    void pressCtrl(Qt::Key key) {
        window.widget()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.widget()));
        QTest::keyClick(window.widget(), key, Qt::ControlModifier);
    }
    std::string shot(const std::string& name) const { return screenshotPath(name); }

    // Save Settings from its menu item, answering its confirmation.
    std::string saveSettings() {
        std::string confirmation;
        whenModal([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (!box) return;
            confirmation = box->text().toStdString();
            box->defaultButton()->click();
        });
        window.menuAction(ID_SAVE_SETTINGS)->trigger();
        EXPECT_EQ(confirmation, "New recording parameters saved.");
        return readFileBytes(settingsFile());
    }
};

struct Opening {
    int command;
    Qt::Key key;
    DialogTemplate (*tpl)();
};

TEST_F(SettingsDialogs, EachOpensFromItsMenuItemAndAcceleratorLaidOutAsItsTemplate) {
    const Opening openings[] = {
        {ID_WAV_PARAMETERS, Qt::Key_W, RecParWavTemplate},
        {ID_MP3_PARAMETERS, Qt::Key_M, RecParMp3Template},
        {ID_PATH_TO_SAVE_FILES, Qt::Key_P, PathTemplate},
    };
    const DialogUnits units = dialogUnits(dialogFont());
    for (const Opening& o : openings) {
        const DialogTemplate tpl = o.tpl();
        SCOPED_TRACE(tpl.name);
        for (bool byKey : {false, true}) {
            bool seen = false;
            whenModal([&](QWidget* dlg) {
                seen = true;
                EXPECT_EQ(dlg->windowTitle().toStdString(), tpl.caption);
                EXPECT_EQ(dlg->size(), dialogRect(Rect{0, 0, tpl.width, tpl.height}, units).size());
                for (const DialogControl& c : tpl.controls) {
                    QWidget* w = dialogControl(dlg, c.id);
                    ASSERT_NE(w, nullptr) << c.id;
                    QRect expected = dialogRect(c.rect, units);
                    EXPECT_EQ(w->pos(), expected.topLeft()) << c.id;
                    EXPECT_EQ(w->height(), expected.height()) << c.id;
                    // Check marks take more room here: their labels may run on to the right.
                    if (c.kind == ControlKind::AutoRadio || c.kind == ControlKind::AutoCheckBox)
                        EXPECT_GE(w->width(), expected.width()) << c.id;
                    else
                        EXPECT_EQ(w->width(), expected.width()) << c.id;
                    if (auto* b = qobject_cast<QAbstractButton*>(w)) {
                        EXPECT_EQ(b->text().toStdString(), c.text);
                    }
                }
                if (!byKey) {
                    EXPECT_TRUE(dlg->grab().save(QString::fromStdString(shot(tpl.name + ".png")), "PNG"));
                }
                // Esc is Cancel by key; the Cancel button otherwise.
                if (byKey)
                    QTest::keyClick(dlg, Qt::Key_Escape);
                else
                    click(dlg, IDCANCEL);
            });
            if (byKey)
                pressCtrl(o.key);
            else
                window.menuAction(o.command)->trigger();
            EXPECT_TRUE(seen) << (byKey ? "accelerator" : "menu item");
            EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        }
    }
    EXPECT_EQ(app.s.settingsDirty, 0);
}

// Output Format... from its menu item: laid out as its template, FLAC chosen on screen with a
// level typed, and the choice kept.
TEST_F(SettingsDialogs, OutputFormatOpensFromItsMenuItemAndTakesTheChoiceOnScreen) {
    const DialogTemplate tpl = OutputFormatTemplate();
    const DialogUnits units = dialogUnits(dialogFont());
    bool seen = false;
    whenModal([&](QWidget* dlg) {
        seen = true;
        EXPECT_EQ(dlg->windowTitle().toStdString(), "Output Format");
        EXPECT_EQ(dlg->size(), dialogRect(Rect{0, 0, tpl.width, tpl.height}, units).size());
        for (const DialogControl& c : tpl.controls) {
            if (c.id < 0) continue;
            QWidget* w = dialogControl(dlg, c.id);
            ASSERT_NE(w, nullptr) << c.id;
            EXPECT_EQ(w->pos(), dialogRect(c.rect, units).topLeft()) << c.id;
        }
        click(dlg, 161);
        auto* level = qobject_cast<QLineEdit*>(dialogControl(dlg, 163));
        ASSERT_NE(level, nullptr);
        level->setText(QStringLiteral("8"));
        EXPECT_TRUE(dlg->grab().save(QString::fromStdString(shot("OutputFormat.png")), "PNG"));
        click(dlg, IDOK);
    });
    window.menuAction(ID_OUTPUT_FORMAT)->trigger();
    EXPECT_TRUE(seen);
    EXPECT_EQ(app.s.outputFormat, 1);
    EXPECT_EQ(app.s.flacLevel, 8);
    EXPECT_EQ(app.s.settingsDirty, 1);
}

TEST_F(SettingsDialogs, ChangesReachTheSettingsFileAtTheirOffsets) {
    // MP3: Best, and the WAV file not kept.
    whenModal([](QWidget* dlg) {
        click(dlg, 216);
        click(dlg, 217);
        click(dlg, IDOK);
    });
    window.menuAction(ID_MP3_PARAMETERS)->trigger();
    std::string bytes = saveSettings();
    ASSERT_EQ(bytes.size(), kSettingsFileSize);
    EXPECT_EQ(bytes.substr(6, 16), std::string("16441002320101") + bytes.substr(20, 2));

    // WAV: conversion off, then 8 bits, 22,050, mono; no MP3 dialog follows.
    whenModal([&](QWidget* dlg) {
        click(dlg, 212);
        click(dlg, 205);
        click(dlg, 208);
        click(dlg, 210);
        EXPECT_TRUE(dlg->grab().save(QString::fromStdString(shot("RecParWav_changed.png")), "PNG"));
        click(dlg, IDOK);
    });
    window.menuAction(ID_WAV_PARAMETERS)->trigger();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_FALSE(window.isMenuItemEnabled(ID_MP3_PARAMETERS));
    bytes = saveSettings();
    EXPECT_EQ(bytes.substr(6, 14), std::string("8\0" "22050" "1" "320" "1" "0" "0", 14));

    // Path: a folder with capitals, typed without its separator, kept as typed.
    const std::filesystem::path music = dir.path() / "Music";
    std::filesystem::create_directories(music);
    whenModal([&](QWidget* dlg) {
        auto* edit = qobject_cast<QLineEdit*>(dialogControl(dlg, 134));
        ASSERT_NE(edit, nullptr);
        edit->setText(QString::fromStdString(music.string()));
        EXPECT_TRUE(dlg->grab().save(QString::fromStdString(shot("Path_typed.png")), "PNG"));
        click(dlg, IDOK);
    });
    pressCtrl(Qt::Key_P);
    bytes = saveSettings();
    const std::string stored = music.string() + "/";
    EXPECT_EQ(bytes.substr(100, stored.size()), stored);
    EXPECT_EQ(bytes.substr(100 + stored.size()), std::string(255 - stored.size(), '\0'));
}

TEST_F(SettingsDialogs, ClickHereOffersSaveAsWithTheWavFilterAndAsksBeforeOverwriting) {
    const std::filesystem::path cwd = dir.path();
    writeFileBytes(cwd / "Old Take.wav", "RIFF");
    const int w = app.s.charWidth, h = app.s.lineHeight;
    auto clickHere = [&] { QTest::mouseClick(window.clientArea(), Qt::LeftButton, {}, QPoint(24 * w, 8 * h + h / 2)); };
    auto* edit = qobject_cast<QLineEdit*>(window.control(ID_SONG_NAME_EDIT));

    // A new name typed without its extension.
    whenModal([&](QWidget* dlg) {
        auto* fd = qobject_cast<QFileDialog*>(dlg);
        ASSERT_NE(fd, nullptr);
        EXPECT_EQ(fd->acceptMode(), QFileDialog::AcceptSave);
        EXPECT_EQ(fd->nameFilters(), QStringList{QStringLiteral("waveaudio files (*.wav)")});
        EXPECT_EQ(fd->directory().absolutePath().toStdString(), cwd.string());
        EXPECT_TRUE(fd->grab().save(QString::fromStdString(shot("SaveAs.png")), "PNG"));
        chooseName(fd, QStringLiteral("New Song"));
        static_cast<QDialog*>(fd)->accept();
    });
    clickHere();
    EXPECT_EQ(edit->text().toStdString(), (cwd / "new song.wav").string());
    EXPECT_TRUE(window.grabToPng(shot("main_after_save_as.png")));

    // An existing file: the overwrite question comes first.
    std::string question;
    whenModal([&](QWidget* dlg) {
        auto* fd = qobject_cast<QFileDialog*>(dlg);
        ASSERT_NE(fd, nullptr);
        whenModal([&](QWidget* box) {
            question = qobject_cast<QMessageBox*>(box) ? box->windowTitle().toStdString() : "";
            for (QAbstractButton* b : qobject_cast<QMessageBox*>(box)->buttons())
                if (qobject_cast<QMessageBox*>(box)->buttonRole(b) == QMessageBox::YesRole) b->click();
        });
        chooseName(fd, QStringLiteral("Old Take.wav"));
        static_cast<QDialog*>(fd)->accept();
    });
    clickHere();
    EXPECT_FALSE(question.empty());
    EXPECT_EQ(edit->text().toStdString(), (cwd / "old take.wav").string());
}

// Each bad answer of the service's stand-in (tests/net) ends as one whole sentence in the
// dialog: the label holds it in full at the dialog's width, in as many lines as it takes.
TEST_F(SettingsDialogs, TheDiscInformationDialogShowsEveryLookupStatusWhole) {
    LibDiscId discId;
    FakeDiscLookup lookup{window};
    app.p.discId = &discId;
    app.p.discLookup = &lookup;
    // The window's shutdown (in TearDown) comes after these go.
    struct Unwire {
        App& app;
        ~Unwire() { app.p.discId = nullptr, app.p.discLookup = nullptr; }
    } unwire{app};
    ASSERT_TRUE(waitFor([&] { return !lookup.asked.empty(); }, 15000)) << "the disc was never read";
    struct Case {
        const char* name;
        WebStatus status;
        long http;
    } cases[] = {
        {"timeout", WebStatus::NetworkError, 0},   {"refused", WebStatus::NetworkError, 0},
        {"html", WebStatus::NotExpected, 0},       {"malformed-json", WebStatus::NotExpected, 0},
        {"too-large", WebStatus::TooLarge, 0},     {"redirect-to-file", WebStatus::HttpError, 302},
        {"server-error", WebStatus::HttpError, 500}, {"unknown", WebStatus::NotFound, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LookUpDiscOnline(app, true);
        LookupAnswer answer;
        answer.status = c.status;
        answer.http = c.http;
        ASSERT_TRUE(lookup.held.answer(answer));
        QCoreApplication::processEvents();
        const std::string sentence = WebFailureSentence("MusicBrainz", c.status, c.http);
        ASSERT_EQ(app.s.disc.lookupStatus, sentence);
        bool seen = false;
        whenModal([&](QWidget* dlg) {
            seen = true;
            auto* label = qobject_cast<QLabel*>(dialogControl(dlg, kDiscLookupText));
            ASSERT_NE(label, nullptr);
            EXPECT_EQ(label->text().toStdString(), sentence);
            EXPECT_LE(label->heightForWidth(label->width()), label->height()) << sentence;
            EXPECT_LE(label->geometry().right(), dlg->width());
            EXPECT_TRUE(dlg->grab().save(QString::fromStdString(shot(std::string("DiscInfo-") + c.name + ".png")), "PNG"));
            click(dlg, IDCANCEL);
        });
        window.menuAction(ID_DISC_INFORMATION)->trigger();
        EXPECT_TRUE(seen);
    }
}

TEST_F(SettingsDialogs, TheDiscInformationDialogShowsTheCoverOnceItComes) {
    LibDiscId discId;
    FakeDiscLookup lookup{window};
    FakeWebFetch covers{window};
    app.p.discId = &discId;
    app.p.discLookup = &lookup;
    app.p.coverArt = &covers;
    app.s.disc.coverCacheFolder = (dir.path() / "covers").string();
    struct Unwire {
        App& app;
        ~Unwire() { app.p.discId = nullptr, app.p.discLookup = nullptr, app.p.coverArt = nullptr; }
    } unwire{app};
    ASSERT_TRUE(waitFor([&] { return !lookup.asked.empty(); }, 15000)) << "the disc was never read";
    ASSERT_TRUE(lookup.held.answer(FakeDiscLookup::found({"Online"}, 5)));
    ASSERT_TRUE(waitFor([&] { return covers.held.waiting(); }, 5000));
    // A red square with a white stripe: landscape once scaled, so its shape shows.
    QImage picture(300, 300, QImage::Format_RGB32);
    picture.fill(Qt::darkRed);
    for (int y = 140; y < 160; ++y)
        for (int x = 0; x < 300; ++x) picture.setPixel(x, y, qRgb(255, 255, 255));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(picture.save(&buffer, "PNG"));
    bool seen = false;
    whenModal([&](QWidget* dlg) {
        seen = true;
        auto* label = qobject_cast<QLabel*>(dialogControl(dlg, kDiscCoverImage));
        ASSERT_NE(label, nullptr);
        EXPECT_TRUE(label->pixmap().isNull()) << "no cover yet: nothing shown";
        EXPECT_EQ(label->frameShape(), QFrame::NoFrame);
        WebAnswer a;
        a.status = WebStatus::Ok;
        a.bytes.assign(png.constData(), size_t(png.size()));
        ASSERT_TRUE(covers.held.answer(a));
        ASSERT_TRUE(waitFor([&] { return !label->pixmap().isNull(); }, 5000));
        const QPixmap shown = label->pixmap();
        const QSize logical = shown.size() / shown.devicePixelRatio();
        EXPECT_LE(logical.width(), label->width());
        EXPECT_LE(logical.height(), label->height());
        EXPECT_GE(std::max(logical.width(), logical.height()), std::min(label->width(), label->height()) - 1);
        EXPECT_EQ(shown.toImage().pixelColor(2, 2), QColor(Qt::darkRed));
        EXPECT_LE(label->geometry().right(), dlg->width());
        EXPECT_TRUE(dlg->grab().save(QString::fromStdString(shot("DiscInfo-cover.png")), "PNG"));
        click(dlg, IDCANCEL);
    });
    window.menuAction(ID_DISC_INFORMATION)->trigger();
    EXPECT_TRUE(seen);
}

}  // namespace
}  // namespace wl::test
