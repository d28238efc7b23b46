// The two batches through the program's own dialogs on the real adapters: tracks chosen and
// named in the Tracks to Record dialog and recorded from the demo disc, and WAV files chosen
// in the WAV Files to Convert dialog and converted on the worker.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLineEdit>
#include <QListWidget>

#include <functional>

#include "Mp3Decode.h"
#include "DialogDriving.h"
#include "Rig.h"
#include "adapters/qt/QtDialogHost.h"

using namespace wl;
using namespace wl::e2e;

namespace {

TEST(BatchEndToEnd, ThreeChosenTracksAreRecordedUnderTheirNames) {
    BoxAnswerer boxes;
    Rig rig(RecordFromCd);
    ASSERT_TRUE(rig.start());
    rig.s().savePath = rig.folder();
    whenDialog([&](QWidget* dlg) {
        auto* tracks = control<QListWidget>(dlg, 302);
        auto* chosen = control<QListWidget>(dlg, 303);
        auto* rename = control<QLineEdit>(dlg, 304);
        ASSERT_TRUE(tracks && chosen && rename);
        EXPECT_EQ(tracks->count(), 4);
        for (const char* t : {"Track4", "Track1", "Track2"}) doubleClick(tracks, t);
        // Select the second entry, type its new name, Enter: renamed, the dialog stays open.
        const QRect second = chosen->visualItemRect(chosen->item(1));
        QTest::mouseClick(chosen->viewport(), Qt::LeftButton, {}, second.center());
        rename->setText("Opening Theme");
        QTest::keyClick(rename, Qt::Key_Return);
        EXPECT_TRUE(dlg->isVisible());
        EXPECT_EQ(chosen->item(1)->text().toStdString(), "Opening Theme");
        control<QAbstractButton>(dlg, 1)->click();
    });
    rig.window.sendCommand(ID_TRACKS_TO_RECORD);
    ASSERT_EQ(rig.s().batchCount, 3);
    EXPECT_EQ(rig.s().currentTrack, 4);
    rig.window.sendCommand(ID_PLAY);
    ASSERT_TRUE(QTest::qWaitFor([&] { return rig.s().batchCount == 0 && rig.s().recording == 0; }, 60000))
        << (boxes.texts.empty() ? "" : boxes.texts.back());
    ASSERT_FALSE(boxes.texts.empty());
    EXPECT_EQ(boxes.texts.back(), "I have saved the requested songs to your hard drive.");
    EXPECT_EQ(boxes.texts.size(), 1u) << boxes.texts.front();

    const std::string track1 = imageBytes(0, 16 * 75), track2 = imageBytes(16 * 75, 36 * 75),
                      track4 = imageBytes(50 * 75, SIZE_MAX);
    for (auto [name, track] : {std::pair{"track4.wav", &track4}, std::pair{"opening theme.wav", &track1},
                               std::pair{"track2.wav", &track2}}) {
        const std::string data = wavData(rig.folder() + name);
        EXPECT_NE(exactOffset(data, *track), std::string::npos) << name << ": the track's samples, every one";
    }
}

TEST(BatchEndToEnd, ThreeChosenWavFilesConvertOnTheWorkerWhileTheWindowRuns) {
    if (!haveMpg123()) GTEST_SKIP() << "mpg123 is not installed";
    BoxAnswerer boxes;
    Rig rig(ConvertWavToMp3);
    for (int i = 1; i <= 3; ++i) test::writeFileBytes(rig.folder() + "tune" + std::to_string(i) + ".wav", test::musicWav(i));
    ASSERT_TRUE(rig.start());
    ASSERT_NE(rig.s().encoderModule, nullptr);
    rig.s().convertFolder = rig.dir.path().string();
    whenDialog([&](QWidget* dlg) {
        auto* available = control<QListWidget>(dlg, 128);
        ASSERT_NE(available, nullptr);
        for (const char* f : {"tune3.wav", "tune1.wav", "tune2.wav"}) doubleClick(available, f);
        EXPECT_EQ(control<QListWidget>(dlg, 129)->count(), 3);
        control<QAbstractButton>(dlg, 132)->click();
    });
    rig.window.sendCommand(ID_WAV_FILES_TO_CONVERT);
    ASSERT_EQ(rig.s().convertFileCount, 3);
    LoopTicks ticks;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !rig.s().workerRunning; }, 60000));
    EXPECT_GT(ticks.count, 5) << "the window kept serving its timers";
    for (int i = 1; i <= 3; ++i)
        EXPECT_EQ(decodedBytes(rig.folder() + "tune" + std::to_string(i) + ".mp3"), i * 44100LL * 4) << i;
    EXPECT_TRUE(noBoxes(boxes));
    EXPECT_EQ(rig.s().statusText, "Enter song name or click here:");
}

}  // namespace
