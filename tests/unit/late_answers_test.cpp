// Names from the online database reach the program only while it is idle: an answer held back
// by the fake lookup and released in the middle of a recording, a rip or a batch renames
// nothing and names the disc once the work has ended; one for a disc no longer in the drive
// is dropped. The Disc Information dialog keeps what the user typed, and Cancel gives back
// the release in use before one was chosen in it. The release's cover shows in the dialog
// when it comes, also while the dialog is open, and a cover that comes during work waits too.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>

#include "FakeDialogHost.h"
#include "FakeDiscPorts.h"
#include "adapters/discid/LibDiscId.h"
#include "disc/DiscInfoDialog.h"
#include "record_fixture.h"

using namespace wl;
using namespace wl::test;
namespace fs = std::filesystem;

namespace {

std::string lower(std::string s) {
    for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

struct LateAnswer : Recorder {
    FakeCdText cdText{prog.cdrom};
    LibDiscId discId;
    FakeDiscLookup lookup{prog.window};
    FakeWebFetch covers{prog.window};
    TempWorkingDir data;
    LateAnswer() {
        prog.app.p.cdText = &cdText;
        prog.app.p.discId = &discId;
        prog.app.p.discLookup = &lookup;
        prog.app.p.coverArt = &covers;
        s.disc.editsFolder = (data.path() / "discs").string();
        s.disc.coverCacheFolder = (data.path() / "covers").string();
        cdText.set("Kind of Blue", "Miles Davis", {"So What", "Freddie Freeloader", "Blue in Green"});
    }
    std::string box() { return lower(win.controlText(ID_SONG_NAME_EDIT, 300)); }
    bool boxNames(const std::string& title) { return box().find(lower(title)) != std::string::npos; }
    // The service answers now, and the window's loop serves the answer at once.
    void release(const std::vector<std::string>& releases = {"Online"}) {
        ASSERT_TRUE(lookup.held.answer(FakeDiscLookup::found(releases, 5)));
        win.pump();
    }
    void answerCover(WebStatus status, const std::string& bytes) {
        WebAnswer a;
        a.status = status;
        a.bytes = bytes;
        ASSERT_TRUE(covers.held.answer(a));
        win.pump();
    }
};

// The header of a 2x2 PNG: as much as the program looks at.
const std::string kPng = std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\0\x02\0\0\0\x02\x08\x06\0\0\0", 29) +
                         std::string(8, '\x11');

TEST(LateAnswers, AnAnswerDuringWorkRenamesNothingAndNamesTheDiscWhenTheWorkEnds) {
    enum Work { Recording, Rip, RipBatch };
    struct Case {
        const char* name;
        Work work;
        int lastTrack;  // the track current once the work is over
    } cases[] = {
        {"mid-recording", Recording, 1},
        {"mid-rip", Rip, 1},
        {"mid-batch", RipBatch, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LateAnswer t;
        t.begin(c.work == Recording ? RecordFromCd : RipFromCd);
        t.s.savePath = t.folder();
        ASSERT_EQ(t.lookup.asked.size(), 1u);
        ASSERT_TRUE(t.lookup.held.waiting());
        ASSERT_TRUE(t.boxNames("so what"));
        bool released = false;
        auto releaseOnce = [&] {
            if (released) return;
            released = true;
            t.release();
            EXPECT_TRUE(t.boxNames("so what")) << t.box();
            EXPECT_EQ(t.s.disc.names.source, NameSource::CdText);
        };
        if (c.work == Recording) {
            t.win.click(ID_PLAY);
            ASSERT_EQ(t.s.recording, 1);
            releaseOnce();
            t.cdPlaysToTheEnd();
            ASSERT_FALSE(t.savedNames().empty());
            EXPECT_NE(lower(t.savedNames().back()).find("so what.wav"), std::string::npos) << t.savedNames().back();
        } else {
            if (c.work == RipBatch) {
                t.s.batchCount = 2;
                t.s.batchIndex = 0;
                t.s.selectionTracks[0] = 1, t.s.selectionTracks[1] = 2;
                t.s.trackNames[1] = "01 so what", t.s.trackNames[2] = "02 freddie freeloader";
            }
            t.win.duringPendingEvents = releaseOnce;
            t.win.click(ID_PLAY);
            t.win.duringPendingEvents = nullptr;
            EXPECT_TRUE(fs::exists(t.dir.path() / "01 so what.wav"));
            if (c.work == RipBatch) {
                EXPECT_TRUE(fs::exists(t.dir.path() / "02 freddie freeloader.wav"));
            }
        }
        EXPECT_TRUE(released);
        // A recording ends on a tick, which already finds the program idle; a rip ends in its click.
        if (c.work != Recording) {
            EXPECT_EQ(t.s.disc.names.source, NameSource::CdText);
        }
        EXPECT_EQ(t.s.currentTrack, c.lastTrack);
        // The next tick of the idle program gives the disc its online names; a batch's entry
        // keeps the name chosen for it in Tracks to Record.
        t.win.advance(1000);
        EXPECT_EQ(t.s.disc.names.source, NameSource::Online);
        EXPECT_TRUE(t.boxNames(c.work == RipBatch ? "freddie freeloader" : "online 1")) << t.box();
        EXPECT_EQ(t.lookup.asked.size(), 1u);
    }
}

TEST(LateAnswers, AnAnswerKeptBackForADiscNoLongerInTheDriveIsDropped) {
    struct Case {
        const char* name;
        std::vector<int> disc;  // in the drive once the rip has ended; empty: the tray opened
        bool named;
    } cases[] = {
        {"the same disc", TestProgram::kDefaultDisc, true},
        {"another disc", {200, 210, 220}, false},
        {"the tray opened", {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LateAnswer t;
        t.begin(RipFromCd);
        t.s.savePath = t.folder();
        t.win.duringPendingEvents = [&] {
            if (t.lookup.held.waiting()) t.release();
        };
        t.win.click(ID_PLAY);
        t.win.duringPendingEvents = nullptr;
        ASSERT_TRUE(t.s.disc.answerWaiting);
        // Changed while the rip kept the drive unwatched.
        if (c.disc.empty())
            t.cd.openTrayByHand();
        else if (c.disc != TestProgram::kDefaultDisc)
            t.cd.insertDisc(c.disc);
        t.win.advance(1000);
        EXPECT_FALSE(t.s.disc.answerWaiting);
        EXPECT_EQ(t.s.disc.names.source == NameSource::Online, c.named);
        EXPECT_EQ(t.boxNames("online"), c.named) << t.box();
        EXPECT_EQ(t.s.disc.releases.empty(), !c.named);
    }
}

TEST(LateAnswers, TheDialogKeepsWhatWasTypedAndCancelGivesBackTheReleaseInUse) {
    struct Case {
        const char* name;
        int button;
        size_t releaseAfter;  // in use once the dialog has closed
    } cases[] = {
        {"Cancel", IDCANCEL, 0},
        {"OK", IDOK, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LateAnswer t;
        t.begin(RecordFromCd);
        scriptDialog(t.win, [&](FakeDialog& d) {
            d.type(kDiscAlbumEdit, "My Album");
            d.type(kDiscTitleEdit, "My Title");
            // The answer comes while the dialog is open: only the fields not typed in change.
            t.release({"Online", "Other"});
            EXPECT_EQ(d.at(kDiscAlbumEdit).text, "My Album");
            EXPECT_EQ(d.at(kDiscAlbumArtistEdit).text, "Online Artist");
            EXPECT_EQ(d.at(kDiscTitleEdit).text, "My Title");
            ASSERT_EQ(d.items(kDiscTrackList).size(), 5u);
            EXPECT_NE(d.items(kDiscTrackList)[1].find("Online 2"), std::string::npos) << d.items(kDiscTrackList)[1];
            EXPECT_EQ(d.items(kDiscReleaseList).size(), 2u);
            // Another release: still nothing typed is lost.
            d.select(kDiscReleaseList, 1);
            EXPECT_EQ(t.s.disc.online.album, "Other");
            EXPECT_EQ(d.at(kDiscAlbumEdit).text, "My Album");
            EXPECT_EQ(d.at(kDiscAlbumArtistEdit).text, "Other Artist");
            EXPECT_NE(d.items(kDiscTrackList)[1].find("Other 2"), std::string::npos);
            if (c.button == IDOK) {
                // OK with the typing undone keeps the release and edits nothing.
                d.type(kDiscAlbumEdit, "Other");
                d.type(kDiscTitleEdit, "Other 1");
            }
            d.click(c.button);
        });
        t.win.sendCommand(ID_DISC_INFORMATION);
        EXPECT_EQ(t.s.disc.chosenRelease, c.releaseAfter);
        EXPECT_EQ(t.s.disc.names.source, NameSource::Online);
        EXPECT_EQ(t.s.disc.names.album, c.releaseAfter == 0 ? "Online" : "Other");
        EXPECT_TRUE(t.boxNames(c.releaseAfter == 0 ? "online 1" : "other 1")) << t.box();
    }
}

TEST(LateAnswers, TheDialogShowsTheReleaseCoverWhenItComes) {
    struct Case {
        const char* name;
        WebStatus status;
        std::string bytes;
        bool shown;
    } cases[] = {
        {"a picture", WebStatus::Ok, kPng, true},
        {"no cover", WebStatus::NotFound, "", false},
        {"not a picture", WebStatus::Ok, "<html>no</html>", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LateAnswer t;
        t.begin(RecordFromCd);
        bool opened = false;
        scriptDialog(t.win, [&](FakeDialog& d) {
            opened = true;
            EXPECT_EQ(d.at(kDiscCoverImage).kind, ControlKind::Image);
            EXPECT_EQ(d.at(kDiscCoverImage).image, "");
            t.release();
            ASSERT_EQ(t.covers.urls.size(), 1u);
            EXPECT_EQ(d.at(kDiscCoverImage).image, "");  // asked for, not come yet
            t.answerCover(c.status, c.bytes);
            EXPECT_EQ(d.at(kDiscCoverImage).image, c.shown ? c.bytes : "");
            d.click(IDCANCEL);
        });
        t.win.sendCommand(ID_DISC_INFORMATION);
        ASSERT_TRUE(opened);
        EXPECT_FALSE(t.s.disc.onCover);
        // Opened again, the dialog shows the cover kept.
        scriptDialog(t.win, [&](FakeDialog& d) {
            EXPECT_EQ(d.at(kDiscCoverImage).image, c.shown ? c.bytes : "");
            d.click(IDCANCEL);
        });
        t.win.sendCommand(ID_DISC_INFORMATION);
    }
}

TEST(LateAnswers, ACoverThatComesDuringARipWaitsForItsEnd) {
    LateAnswer t;
    t.begin(RipFromCd);
    t.s.savePath = t.folder();
    t.release();
    ASSERT_TRUE(t.covers.held.waiting());
    bool answered = false;
    t.win.duringPendingEvents = [&] {
        if (answered) return;
        answered = true;
        t.answerCover(WebStatus::Ok, kPng);
        EXPECT_EQ(t.s.disc.coverBytes, "") << "the rip's file would differ from the next one's";
    };
    t.win.click(ID_PLAY);
    t.win.duringPendingEvents = nullptr;
    ASSERT_TRUE(answered);
    t.win.advance(1000);
    EXPECT_EQ(t.s.disc.coverBytes, kPng);
    // Kept for the release's next choice all the same.
    EXPECT_TRUE(fs::exists(t.data.path() / "covers" / "rel-Online"));
}

}  // namespace
