// The disc's identity and names: the IDs against the databases' own vectors, names cleaned
// from bad CD-Text, and the name box on a disc with CD-Text, driven through the fakes.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "FakeDialogHost.h"
#include "FakeDiscPorts.h"
#include "adapters/discid/LibDiscId.h"
#include "cd_fixture.h"
#include "disc/DiscIds.h"
#include "disc/DiscInfoDialog.h"
#include "disc/DiscNames.h"
#include "disc/DiscSession.h"
#include "disc/OnlineNames.h"
#include "platform/Bytes.h"
#include "record/TrackBatch.h"

using namespace wl;
using namespace wl::test;

namespace {

// A block-form table of contents: tracks from `first` at these sectors, the data tracks marked.
void makeToc(uint8_t (&toc)[kTocSize], int first, const std::vector<uint32_t>& starts, const std::vector<bool>& data,
             uint32_t leadOut) {
    std::memset(toc, 0, kTocSize);
    toc[2] = uint8_t(first);
    toc[3] = uint8_t(first + int(starts.size()) - 1);
    for (size_t k = 0; k <= starts.size(); ++k) {
        uint8_t* e = tocEntry(toc, k);
        const bool lead = k == starts.size();
        e[1] = !lead && k < data.size() && data[k] ? 0x14 : 0x10;
        e[2] = lead ? kLeadOutTrack : uint8_t(first + int(k));
        putBe32(e + 4, lead ? leadOut : starts[k]);
    }
}

TEST(DiscIds, TheDatabasesOwnVectors) {
    struct Case {
        const char* name;
        std::vector<uint32_t> starts;
        std::vector<bool> data;
        uint32_t leadOut;
        const char* musicBrainz;  // "" = not published; the lead-out it hashes is checked instead
        int32_t musicBrainzLastTrack, musicBrainzLeadOut;
        const char* freedb;
        const char* accurateRip1;
        const char* accurateRip2;
    };
    const std::vector<Case> cases = {
        {"MusicBrainz's example",
         {0, 15213, 32164, 46442, 63264, 80339}, {}, 95312,
         "49HHV7Eb8UKF3aQiNmu1GR8vKTY-", 6, 95462, "3404f606", nullptr, nullptr},
        {"an enhanced CD: twelve audio tracks and a data session",
         {0, 15537, 31691, 50866, 66466, 81202, 99409, 115920, 133093, 149847, 161560, 177682, 207106},
         {false, false, false, false, false, false, false, false, false, false, false, false, true}, 210385,
         "", 12, 207106 - 11400 + 150, "c60af50d", "0013bd5a", "00b8d489"},
    };
    LibDiscId discId;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        uint8_t raw[kTocSize];
        makeToc(raw, 1, c.starts, c.data, c.leadOut);
        DiscToc toc;
        ASSERT_TRUE(ParseBlockToc(raw, toc));
        EXPECT_EQ(Hex8(FreedbId(toc)), c.freedb);
        if (c.accurateRip1) {
            const AccurateRipIds ar = AccurateRipIdsOf(toc);
            EXPECT_EQ(Hex8(ar.id1), c.accurateRip1);
            EXPECT_EQ(Hex8(ar.id2), c.accurateRip2);
            EXPECT_EQ(ar.audioTracks, 12);
        }
        const DiscIdInput in = MusicBrainzInput(toc);
        EXPECT_EQ(in.lastTrack, c.musicBrainzLastTrack);
        EXPECT_EQ(in.leadOut, c.musicBrainzLeadOut);
        DiscIdResult out;
        ASSERT_TRUE(discId.compute(in, out));
        if (*c.musicBrainz) {
            EXPECT_EQ(out.musicBrainzId, c.musicBrainz);
            // libdiscid's freedb ID of the same table agrees with ours.
            EXPECT_EQ(out.freedbId, c.freedb);
            EXPECT_NE(out.submissionUrl.find(c.musicBrainz), std::string::npos) << out.submissionUrl;
        }
    }
}

TEST(DiscIds, TablesThatAreNoDiscsAreRefused) {
    uint8_t raw[kTocSize];
    DiscToc toc;
    for (auto [starts, leadOut] : {std::pair{std::vector<uint32_t>{0, 500, 400}, 900u}, {{0, 500}, 0u}, {{}, 900u}}) {
        makeToc(raw, 1, starts, {}, leadOut);  // a start going backwards, no lead-out, no tracks
        EXPECT_FALSE(ParseBlockToc(raw, toc));
    }
}

TEST(DiscNames, BadTitlesGiveFitFileNamesOrNone) {
    const std::string e = "\xC3\xA9";  // "é" in UTF-8
    struct Case {
        std::string title, fileName;
    };
    const std::vector<Case> cases = {
        {"So What", "03 so what"},
        {"AC/DC: \"Live\" <1> | *?\\", "03 ac_dc_ _live_ _1_ _ ___"},
        {"     ", ""},
        {"", ""},
        {"\xE9t\xE9", "03 " + e + "t" + e},  // Latin-1 bytes, as CD-Text holds them
        {"Tab\there\x01\x7F end ", "03 tab here end"},
        {std::string(300, 'A'), "03 " + std::string(247, 'a')},
        {[&] { std::string s; for (int i = 0; i < 300; ++i) s += e; return s; }(),
         [&] { std::string s = "03 "; for (int i = 0; i < 123; ++i) s += e; return s; }()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        DiscText text;
        auto titled = [](const std::string& title) { CdTextFields f; f.title = title; return f; };
        text.tracks = {CdTextFields{}, titled("One"), titled("Two"), titled(c.title)};
        const DiscNames names = NamesFromCdText(text, 5);
        EXPECT_EQ(TrackFileName(names, 3, 250), c.fileName);
        // A disc whose CD-Text stops before its last tracks leaves those nameless.
        EXPECT_EQ(TrackFileName(names, 4, 250), "");
    }
}

struct NamedDisc : CdScenario {
    FakeCdText cdText{prog.cdrom};
    LibDiscId discId;
    TempWorkingDir data;
    NamedDisc() {
        prog.app.p.cdText = &cdText;
        prog.app.p.discId = &discId;
        s.disc.editsFolder = (data.path() / "discs").string();
        cdText.set("Kind of Blue", "Miles Davis", {"So What", "Freddie Freeloader", "Blue in Green"});
    }
    std::string box() { return win.controlText(ID_SONG_NAME_EDIT, 300); }
    void started(int mode) {
        start(mode);
        win.advance(1000);
    }
};

TEST(DiscNames, TheNameBoxShowsTheChosenTracksNameButNeverOverWhatTheUserTyped) {
    for (int mode : {RecordFromCd, RipFromCd}) {
        SCOPED_TRACE(mode);
        NamedDisc t;
        t.started(mode);
        EXPECT_EQ(t.s.disc.names.source, NameSource::CdText);
        EXPECT_EQ(t.box(), "01 so what.wav");
        t.prog.window.sendCommand(ID_NEXT_TRACK);
        EXPECT_EQ(t.box(), "02 freddie freeloader.wav");
        t.prog.window.sendCommand(ID_LAST_TRACK);  // track 5: beyond the CD-Text
        EXPECT_EQ(t.box(), "untitled");
        t.prog.window.sendCommand(ID_FIRST_TRACK);
        EXPECT_EQ(t.box(), "01 so what.wav");
        t.win.setControlText(ID_SONG_NAME_EDIT, "my own");
        t.prog.window.sendCommand(ID_NEXT_TRACK);
        EXPECT_EQ(t.box(), "my own");
        EXPECT_EQ(t.s.currentTrack, 2);
    }
}

TEST(DiscNames, EditsAreKeptPerDiscAndWinOverCdText) {
    NamedDisc t;
    t.started(RecordFromCd);
    ASSERT_FALSE(t.s.disc.id.musicBrainzId.empty());
    DiscNames edit;
    edit.album = "Kind of Blue (Legacy)";
    edit.tracks = {TrackName{"So What (take 2)", "", ""}};
    std::string why;
    ASSERT_TRUE(SaveEditedNames(t.s.disc.editsFolder, t.s.disc.id.musicBrainzId, edit, why)) << why;

    // The disc read again, as after a new start, takes the edits and keeps CD-Text for the rest.
    ReadDiscNames(t.prog.app);
    EXPECT_EQ(t.s.disc.names.source, NameSource::Edited);
    EXPECT_EQ(t.s.disc.names.album, "Kind of Blue (Legacy)");
    EXPECT_EQ(t.s.disc.names.albumArtist, "Miles Davis");
    EXPECT_EQ(t.box(), "01 so what (take 2).wav");

    // A folder that takes no file keeps the old edits and says why.
    const std::string blocked = (t.data.path() / "file").string();
    writeFileBytes(blocked, "x");
    EXPECT_FALSE(SaveEditedNames(blocked, t.s.disc.id.musicBrainzId, edit, why));
    EXPECT_FALSE(why.empty());
    // A disc ID that is not one never names a file.
    EXPECT_FALSE(SaveEditedNames(t.s.disc.editsFolder, "../x", edit, why));
}

TEST(DiscNames, TheDiscInformationDialogShowsEditsAndKeepsTheNames) {
    NamedDisc t;
    t.started(RecordFromCd);
    // Cancel keeps nothing, whatever was typed.
    scriptDialog(t.win, [](FakeDialog& d) {
        EXPECT_EQ(d.at(kDiscSourceText).text, "Names: CD-Text");
        EXPECT_EQ(d.at(kDiscAlbumEdit).text, "Kind of Blue");
        ASSERT_EQ(d.items(kDiscTrackList).size(), 5u);
        EXPECT_EQ(d.items(kDiscTrackList)[0], "01   03:05   So What / Miles Davis");
        EXPECT_EQ(d.items(kDiscTrackList)[4], "05   05:01   ");
        d.type(kDiscAlbumEdit, "Thrown away");
        d.click(IDCANCEL);
    });
    t.prog.window.sendCommand(ID_DISC_INFORMATION);
    EXPECT_EQ(t.s.disc.names.album, "Kind of Blue");
    EXPECT_EQ(t.s.disc.names.source, NameSource::CdText);

    // OK keeps what was typed, also for a track beyond the CD-Text, and uses it at once.
    scriptDialog(t.win, [](FakeDialog& d) {
        d.type(kDiscTitleEdit, "So What?");
        d.select(kDiscTrackList, 4);
        EXPECT_EQ(d.at(kDiscTitleEdit).text, "");
        d.type(kDiscTitleEdit, "Flamenco Sketches");
        d.pressEnter();
        EXPECT_EQ(d.items(kDiscTrackList)[4], "05   05:01   Flamenco Sketches");
        EXPECT_EQ(d.items(kDiscTrackList)[0], "01   03:05   So What? / Miles Davis");
        d.type(kDiscYearEdit, "1959");
        d.click(IDOK);
    });
    t.prog.window.sendCommand(ID_DISC_INFORMATION);
    EXPECT_EQ(t.s.disc.names.source, NameSource::Edited);
    EXPECT_EQ(t.box(), "01 so what_.wav");
    EXPECT_TRUE(t.win.boxes.empty());

    // Kept for the disc's next time in the drive.
    const DiscNames kept = LoadEditedNames(t.s.disc.editsFolder, t.s.disc.id.musicBrainzId);
    EXPECT_EQ(kept.year, "1959");
    ASSERT_EQ(kept.tracks.size(), 5u);
    EXPECT_EQ(kept.tracks[4].title, "Flamenco Sketches");
}

TEST(DiscNames, ATrackAddedToTheBatchTakesItsFileNameAndKeepsItsTrack) {
    NamedDisc t;
    t.started(RecordFromCd);
    scriptDialog(t.win, [](FakeDialog& d) {
        EXPECT_EQ(d.items(kAvailableTracksList)[1], "Track2");  // the labels stay
        d.doubleClickText(kAvailableTracksList, "Track2");
        d.doubleClickText(kAvailableTracksList, "Track5");  // no name: its label
        EXPECT_EQ(d.items(kChosenTracksList), (std::vector<std::string>{"02 freddie freeloader", "Track5"}));
        d.click(IDOK);
    });
    t.prog.window.sendCommand(ID_TRACKS_TO_RECORD);
    ASSERT_EQ(t.s.batchCount, 2);
    EXPECT_EQ(t.s.selectionTracks[0], 2);
    EXPECT_EQ(t.s.selectionTracks[1], 5);
    EXPECT_EQ(t.box(), "02 freddie freeloader.wav");
}

}  // namespace

namespace {

// A tag's numbers: TRCK's total counts the audio tracks (not an enhanced CD's data track),
// TPOS carries the disc's place in its set from the release the names came from.
TEST(DiscNames, ATagCountsAudioTracksAndCarriesTheDiscsPlaceInItsSet) {
    NamedDisc t;
    FakeTagWriter tags;
    t.prog.app.p.tags = &tags;
    t.started(RipFromCd);
    // An enhanced CD: its last track holds data, read with the disc.
    ASSERT_GE(t.prog.cdrom.tracks.size(), 3u);
    t.prog.cdrom.tracks.back().data = true;
    ReadDiscNames(t.prog.app);
    const int audio = int(t.prog.cdrom.tracks.size()) - 1;
    LookupRelease release;
    release.title = "Kind of Blue (Box)";
    release.tracks = {LookupTrack{"So What", "Miles Davis"}};
    release.discNumber = 2;
    release.discCount = 3;
    t.s.disc.releases = {release};
    ChooseOnlineRelease(t.prog.app, 0);
    PrepareTrackTag(t.prog.app, 1);
    ASSERT_TRUE(t.s.disc.pendingTag.has_value());
    EXPECT_EQ(t.s.disc.pendingTag->trackCount, audio);
    EXPECT_EQ(t.s.disc.pendingTag->disc, 2);
    EXPECT_EQ(t.s.disc.pendingTag->discCount, 3);
}

}  // namespace
