// The disc as pressed: its hidden first track, the catalog number as a barcode, the log's
// section and the sheet that lays the whole disc out again from a batch's files.
#include <gtest/gtest.h>

#include "FakeDialogHost.h"
#include "FakeDiscPorts.h"
#include "cd_fixture.h"
#include "record/TrackBatch.h"
#include "TestProgram.h"
#include "disc/PressedDisc.h"
#include "verify/BatchCue.h"
#include "verify/RipLog.h"

namespace wl::test {
namespace {

TEST(PressedDisc, OnlyAValidEanOrUpcIsABarcode) {
    const struct {
        const char* mcn;
        const char* barcode;
    } cases[] = {
        {"4006381333931", "4006381333931"},  // EAN-13
        {"0036000291452", "036000291452"},   // a UPC-A, as the MCN holds it
        {"4006381333932", ""},               // wrong check digit
        {"0000000000000", ""},
        {"400638133393", ""},
        {"40063813339A1", ""},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(BarcodeOf(c.mcn), c.barcode) << c.mcn;
}

PressedLayout layoutWithTrackOneAt(int32_t start) {
    PressedLayout p;
    p.known = p.codesRead = true;
    p.tracks = {{1, 0, start, "", true, false, false}, {2, start + 100, start + 150, "", true, false, false}};
    return p;
}

TEST(PressedDisc, TheBlocksBeforeTrackOneAreAHiddenTrackUnlessTheyAreSilence) {
    const struct {
        const char* name;
        int32_t trackOne;
        bool silent, unreadable;
        uint32_t hidden;
        bool readsBefore;
    } cases[] = {
        {"sound", 225, false, false, 225, true},
        {"silence", 150, true, false, 0, true},
        {"unreadable", 225, false, true, 0, true},
        {"none", 0, false, false, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestProgram t;
        FakeCdLayout layout(t.cdrom);
        t.app.p.cdLayout = &layout;
        layout.layout = layoutWithTrackOneAt(c.trackOne);
        t.cdrom.setTracksSeconds({10, 10});
        // Sound only in the very last block before track 1: every block is looked at.
        t.cdrom.generator = [&c](uint32_t block, size_t i) {
            return uint8_t(!c.silent && c.trackOne > 0 && block == uint32_t(c.trackOne) - 1 && i == 7 ? 1 : 0);
        };
        if (c.unreadable) t.cdrom.failingReads[0] = -1;
        uint8_t request[kHandleRequestSize] = {12, 1, 0, 1, 0, 1};
        t.s().cdHandle = t.cdrom.GetCDHandle(request);
        ReadPressedDisc(t.app);
        EXPECT_EQ(t.s().disc.hiddenFrames, c.hidden);
        EXPECT_EQ(t.s().disc.hiddenUnreadable, c.unreadable);
        EXPECT_EQ(!t.cdrom.reads.empty(), c.readsBefore);
        for (auto [start, count] : t.cdrom.reads) EXPECT_LE(start + count, uint32_t(c.trackOne));
    }
}

TEST(PressedDisc, TheHiddenTrackIsOfferedToARipAndJoinsABatchOfTheWholeDisc) {
    const struct {
        const char* name;
        int mode;
        std::vector<const char*> chosen;
        std::vector<int> batch;
    } cases[] = {
        {"whole disc", RipFromCd, {"Track1", "Track2", "Track3", "Track4", "Track5"}, {0, 1, 2, 3, 4, 5}},
        {"part of it", RipFromCd, {"Track1", "Track2", "Track3", "Track4"}, {1, 2, 3, 4}},
        {"chosen itself", RipFromCd, {"Track2", "Track0"}, {2, 0}},
        {"recording", RecordFromCd, {"Track1", "Track2", "Track3", "Track4", "Track5"}, {1, 2, 3, 4, 5}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CdScenario t;
        FakeCdLayout layout(t.prog.cdrom);
        t.prog.app.p.cdLayout = &layout;
        layout.layout.known = true;
        for (int n = 1; n <= 5; ++n) {
            const int32_t start = n == 1 ? 225 : int32_t(t.prog.cdrom.trackStart(size_t(n)));
            layout.layout.tracks.push_back({n, start, start, "", true, false, false});
        }
        layout.layout.tracks[0].pregapLsn = 0;
        t.start(c.mode);
        t.win.advance(1000);
        ASSERT_TRUE(HasHiddenTrack(t.s.disc));
        scriptDialog(t.win, [&](FakeDialog& d) {
            EXPECT_EQ(d.items(kAvailableTracksList).front(), c.mode == RipFromCd ? "Track0" : "Track1");
            for (const char* label : c.chosen) d.doubleClickText(kAvailableTracksList, label);
            d.click(IDOK);
        });
        t.prog.window.sendCommand(ID_TRACKS_TO_RECORD);
        ASSERT_EQ(t.s.batchCount, int(c.batch.size()));
        for (size_t i = 0; i < c.batch.size(); ++i) EXPECT_EQ(t.s.selectionTracks[i], c.batch[i]) << i;
        if (c.batch.front() == 0) {
            EXPECT_EQ(t.win.listText(ID_SELECTION_LIST_BOX, 0), kHiddenTrackName);
        }
    }
}

// A disc of three tracks ripped whole: its files in a temporary folder.
struct RippedDisc {
    TestProgram t;
    std::vector<int> batch;
    explicit RippedDisc(const PressedLayout& layout, uint32_t hidden) {
        t.s().disc.pressed = layout;
        t.s().disc.hiddenFrames = hidden;
        t.s().disc.names.album = "Pressed";
        if (hidden > 0) batch.push_back(0);
        for (const PressedTrack& p : layout.tracks) batch.push_back(p.number);
        for (int n : batch) {
            const std::string file = (t.ownFolder.path() / ("t" + std::to_string(n) + ".wav")).string();
            writeFileBytes(file, std::string(44, '\0'));
            t.s().rippedTracks[n].file = file;
        }
    }
};

// A table of contents not read: the disc's IDs are zeros.
#define kIdLines "REM DISCID 00000000\nREM WAVELATHE 00000000-00000000-00000000\n"

TEST(PressedCueSheet, PregapsEndThePreviousFileAndTheHiddenTrackIsTrackOnesIndexZeroFile) {
    PressedLayout full;
    full.known = full.codesRead = true;
    full.mcn = "4006381333931";
    full.tracks = {{1, 0, 225, "USRC17607839", true, true, false},
                   {2, 475, 625, "GBAYE6700001", true, false, true},
                   {3, 700, 700, "", true, false, false}};
    PressedLayout silentLead = full;
    silentLead.mcn.clear();
    silentLead.tracks[0].isrc = silentLead.tracks[1].isrc = "";
    const struct {
        const char* name;
        PressedLayout layout;
        uint32_t hidden;
        const char* sheet;
    } cases[] = {
        {"hidden track", full, 225,
         kIdLines "CATALOG 4006381333931\nTITLE \"Pressed\"\n"
         "FILE \"t0.wav\" WAVE\n  TRACK 01 AUDIO\n    FLAGS PRE\n    ISRC USRC17607839\n    INDEX 00 00:00:00\n"
         "FILE \"t1.wav\" WAVE\n    INDEX 01 00:00:00\n"
         "  TRACK 02 AUDIO\n    FLAGS DCP\n    ISRC GBAYE6700001\n    INDEX 00 00:03:25\n"
         "FILE \"t2.wav\" WAVE\n    INDEX 01 00:00:00\n"
         "FILE \"t3.wav\" WAVE\n  TRACK 03 AUDIO\n    INDEX 01 00:00:00\n"},
        {"silence before track 1", silentLead, 0,
         kIdLines "TITLE \"Pressed\"\n"
         "FILE \"t1.wav\" WAVE\n  TRACK 01 AUDIO\n    FLAGS PRE\n    PREGAP 00:03:00\n    INDEX 01 00:00:00\n"
         "  TRACK 02 AUDIO\n    FLAGS DCP\n    INDEX 00 00:03:25\n"
         "FILE \"t2.wav\" WAVE\n    INDEX 01 00:00:00\n"
         "FILE \"t3.wav\" WAVE\n  TRACK 03 AUDIO\n    INDEX 01 00:00:00\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RippedDisc disc(c.layout, c.hidden);
        EXPECT_TRUE(IsWholeDiscBatch(disc.t.app, disc.batch));
        EXPECT_EQ(PressedCueSheetText(disc.t.app, disc.batch), c.sheet);
        // Part of the disc is no disc to lay out again.
        std::vector<int> part(disc.batch.begin(), disc.batch.end() - 1);
        EXPECT_FALSE(IsWholeDiscBatch(disc.t.app, part));
        EXPECT_EQ(PressedCueSheetText(disc.t.app, part), "");
    }
}

TEST(PressedLog, TheSectionListsWhatTheDiscHoldsAndSaysWhenTheDriveGaveNoCodes) {
    PressedLayout pressed;
    pressed.known = pressed.codesRead = true;
    pressed.mcn = "4006381333932";
    pressed.tracks = {{1, 0, 225, "USRC17607839", true, true, true}, {2, 400, 475, "", true, false, false}};
    PressedLayout plain = layoutWithTrackOneAt(0);
    plain.tracks[1].pregapLsn = plain.tracks[1].startLsn;
    PressedLayout noCodes = plain;
    noCodes.codesRead = false;
    const struct {
        const char* name;
        PressedLayout layout;
        uint32_t hidden;
        std::vector<std::string> lines;  // empty: no section
    } cases[] = {
        {"pressed", pressed, 225,
         {"Catalog number (MCN): 4006381333932 (not an EAN/UPC)",
          "Hidden track one audio: 225 sectors (00:03.00) before track 1, ripped as track 0",
          "      1 |               0 |             225 | 00:03.00 | USRC17607839 | DCP PRE (pre-emphasis, audio kept as read)",
          "      2 |             400 |             475 | 00:01.00 | -            | -"}},
        {"plain", plain, 0, {}},
        {"drive without codes", noCodes, 0, {"The drive gives no ISRC or catalog number"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestProgram t;
        t.s().disc.pressed = c.layout;
        t.s().disc.hiddenFrames = c.hidden;
        const std::string log = RipLogText(t.app, "today");
        EXPECT_EQ(log.find("Disc as pressed") != std::string::npos, !c.lines.empty()) << log;
        for (const std::string& line : c.lines) EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;
    }
}

}  // namespace
}  // namespace wl::test
