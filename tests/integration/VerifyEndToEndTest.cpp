// Rips of the demo disc proved in its log and its Disc Information dialog against local
// AccurateRip and CTDB databases: the served checksums are computed from the image, independently
// of the program's own; and a drive's read offset applied to the audio of a real rip.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <regex>

#include "DialogDriving.h"
#include "LocalServer.h"
#include "Rig.h"
#include "ServedDatabases.h"
#include "app/Commands.h"
#include "platform/Bytes.h"

using namespace wl;
using namespace wl::e2e;

namespace {

TEST(VerifyEndToEnd, TheDiscLogProvesARipAgainstALocalDatabaseOrSaysWhyNot) {
    const Disc disc = demoDisc();
    ASSERT_EQ(disc.starts.size(), 5u);
    const size_t tracks = disc.starts.size() - 1;
    const std::string name = arFile(disc).name;
    struct Case {
        const char* what;
        bool served;
        uint32_t change;  // added to track 2's served CRC
        const char* verdict;  // track 2's; the others are accurate when served
        const char* ctdbVerdict;  // track 2's in CTDB's answer, the same CRC changed
        bool portal = false;  // a network's sign-in page served instead of the dBAR, for every track
    } cases[] = {
        {"served", true, 0, "Accurately ripped (confidence 5, AccurateRip v2)", "CTDB: accurately ripped (confidence 9 of 9)"},
        {"one CRC changed", true, 1, "Not accurate", "CTDB: not accurate"},
        {"not in the database", false, 0, "Not in the AccurateRip database", "CTDB: not in the database"},
        {"a sign-in page", true, 0, "Not verified (AccurateRip sent an answer that is not in its expected format)",
         "CTDB: accurately ripped (confidence 9 of 9)", true},
    };
    LibraryHashing hashing;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempWorkingDir root;
        if (c.served) serveDatabases(root.path(), disc, hashing, 1, c.change);
        if (c.portal) test::writeFileBytes(root.path() / name, "<html><body>Sign in to the network</body></html>");
        test::LocalFileServer server(root.path());
        ASSERT_FALSE(server.url.empty());

        BoxAnswerer boxes;
        Rig prog(RipFromCd);
        prog.s().verify = {server.url, (root.path() / "cache").string()};
        prog.s().ctdbConfig = {server.url, (root.path() / "ctdb-cache").string()};
        ASSERT_TRUE(prog.start());
        // Every track, each verified as its rip ends.
        for (size_t t = 1; t <= tracks; ++t) {
            if (t > 1) prog.window.sendCommand(ID_NEXT_TRACK);
            prog.rip((prog.dir.path() / ("track" + std::to_string(t) + ".wav")).string());
            ASSERT_TRUE(QTest::qWaitFor([&] {
                const TrackRipRecord& r = prog.s().rippedTracks[int(t)];
                return !r.verdict.empty() && !r.ctdbVerdict.empty();
            }, 15000));
        }
        const std::string log = logText(prog.dir.path());
        for (size_t t = 0; t < tracks; ++t) {
            const size_t at = log.find("\nTrack " + std::to_string(t + 1) + "\n");
            ASSERT_NE(at, std::string::npos) << log;
            const std::string entry = log.substr(at, log.find("\n\n", at + 1) - at);
            EXPECT_NE(entry.find("AccurateRip v1 CRC: " + hex(arCrcs(disc, t).v1)), std::string::npos) << entry;
            EXPECT_NE(entry.find("AccurateRip v2 CRC: " + hex(arCrcs(disc, t).v2)), std::string::npos) << entry;
            const std::string verdict =
                t == 1 || !c.served || c.portal ? c.verdict : "Accurately ripped (confidence 5, AccurateRip v2)";
            EXPECT_NE(entry.find(verdict), std::string::npos) << entry;
            EXPECT_NE(entry.find("CTDB CRC: " + hex(ctdbCrc(disc, t, hashing))), std::string::npos) << entry;
            const std::string ctdb = t == 1 || !c.served ? c.ctdbVerdict : "CTDB: accurately ripped (confidence 9 of 9)";
            EXPECT_NE(entry.find(ctdb), std::string::npos) << entry;
        }
        EXPECT_NE(log.find("==== Log checksum "), std::string::npos);
        EXPECT_NE(log.find("Read offset: 0 samples"), std::string::npos);

        // The Disc Information dialog's track list shows each track's verdict.
        std::string listed;
        QTimer::singleShot(200, [&] {
            auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (dlg == nullptr) return;
            for (QListWidget* list : dlg->findChildren<QListWidget*>())
                if (list->count() == int(tracks)) listed = list->item(1)->text().toStdString();
            dlg->reject();
        });
        prog.window.sendCommand(ID_DISC_INFORMATION);
        EXPECT_NE(listed.find(std::string("[") + c.verdict), std::string::npos) << listed;
        EXPECT_NE(listed.find(std::string("[") + c.ctdbVerdict + "]"), std::string::npos) << listed;
        EXPECT_TRUE(noBoxes(boxes));
        // A found answer is kept: the same disc needs no network next time.
        EXPECT_EQ(fs::exists(root.path() / "cache" / fs::path(name).filename()), c.served && !c.portal);
        const fs::path ctdbCache = root.path() / "ctdb-cache";
        EXPECT_EQ(fs::exists(ctdbCache) && !fs::is_empty(ctdbCache), c.served);
    }
}

// A drive's read offset, forced on the image's drive (an image has none of its own): the
// first and last tracks are the image's audio that many samples later or earlier, with
// silence before the disc's first sector and from its lead-out on.
TEST(VerifyEndToEnd, AReadOffsetShiftsTheRippedAudioWithSilenceBeyondTheDisc) {
    const Disc disc = demoDisc();
    const size_t tracks = disc.starts.size() - 1;
    for (const int offset : {6, -1200}) {
        BoxAnswerer boxes;
        Rig prog(RipFromCd);
        ASSERT_TRUE(prog.start());
        const size_t slot = prog.s().ripDriveIndex == 99 ? 0 : size_t(prog.s().ripDriveIndex);
        char* drive = reinterpret_cast<char*>(driveEntry(prog.s().driveList, slot) + kDriveNameOffset);
        ASSERT_EQ(std::strncmp(drive, "Disc image:", 11), 0) << drive;
        drive[0] = 'd';  // no longer named as an image
        prog.s().readOffset = offset;
        for (const size_t t : {size_t(1), tracks}) {
            SCOPED_TRACE(std::to_string(offset) + " track " + std::to_string(t));
            while (prog.s().currentTrack != int(t)) prog.window.sendCommand(ID_NEXT_TRACK);
            const std::string wav = (prog.dir.path() / ("shifted" + std::to_string(t) + ".wav")).string();
            prog.rip(wav);
            // The image as read by a drive that the offset puts right.
            const std::string want = test::shiftedImage(disc.image, -offset)
                                         .substr(size_t(disc.starts[t - 1]) * kCdFrameBytes,
                                                 size_t(disc.starts[t] - disc.starts[t - 1]) * kCdFrameBytes);
            EXPECT_TRUE(wavData(wav) == want) << "the ripped audio is not the image's shifted by " << offset;
        }
        EXPECT_NE(logText(prog.dir.path()).find("Read offset: " + std::to_string(offset) + " samples"), std::string::npos);
        EXPECT_TRUE(noBoxes(boxes));
    }
}

// The Read Offset dialog's Detect on a disc read by a drive with an offset: the demo disc's
// audio shifted on the image, and AccurateRip serving the frame-450 CRCs of the unshifted
// audio (computed here from their definition). Detect proposes the offset; only OK sets it.
TEST(VerifyEndToEnd, DetectInTheReadOffsetDialogProposesTheDrivesOffsetAndOnlyOkSetsIt) {
    const Disc disc = demoDisc();
    const std::string name = arFile(disc).name, dbar = test::dbarWithFrame450(disc, 5);
    const std::string cue = test::readFileBytes(WL_DEMO_DISC);
    for (const int offset : {667, -1164}) {
        SCOPED_TRACE(offset);
        test::TempWorkingDir root;
        fs::create_directories((root.path() / name).parent_path());
        test::writeFileBytes(root.path() / name, dbar);
        test::LocalFileServer server(root.path());
        ASSERT_FALSE(server.url.empty());
        test::writeFileBytes(root.path() / "demo.bin", test::shiftedImage(disc.image, offset));
        test::writeFileBytes(root.path() / "demo.cue", cue);

        BoxAnswerer boxes;
        Rig prog(RipFromCd, {.disc = (root.path() / "demo.cue").string()});
        prog.s().verify = {server.url, (root.path() / "cache").string()};
        ASSERT_TRUE(prog.start());
        ASSERT_EQ(prog.s().readOffset, 0);
        std::string proposed, boxAfterUse;
        int settingAfterDetect = -1, settingAfterUse = -1;
        whenDialog([&](QWidget* dlg) {
            auto* detect = control<QAbstractButton>(dlg, 170);
            auto* text = control<QLabel>(dlg, 171);
            auto* use = control<QAbstractButton>(dlg, 172);
            auto* box = control<QLineEdit>(dlg, 136);
            if (!detect || !text || !use || !box) return control<QAbstractButton>(dlg, 2)->click();
            detect->click();
            (void)QTest::qWaitFor([&] { return text->text().startsWith("Detected:") || text->text().startsWith("AccurateRip"); }, 15000);
            proposed = text->text().toStdString();
            settingAfterDetect = prog.s().readOffset;
            use->click();
            boxAfterUse = box->text().toStdString();
            settingAfterUse = prog.s().readOffset;
            control<QAbstractButton>(dlg, 1)->click();
        });
        prog.window.sendCommand(ID_READ_OFFSET);
        const std::string sign = offset > 0 ? "+" : "";
        EXPECT_EQ(proposed, "Detected: " + sign + std::to_string(offset) +
                                " samples (tracks 1 and 2 agree). This drive is not in the drive offset list.");
        EXPECT_EQ(settingAfterDetect, 0);
        EXPECT_EQ(boxAfterUse, std::to_string(offset));
        EXPECT_EQ(settingAfterUse, 0);
        EXPECT_EQ(prog.s().readOffset, offset);
        EXPECT_TRUE(noBoxes(boxes));
    }
}

}  // namespace
