// Names and tags on the demo disc, on the program's real adapters: the disc's CD-Text read
// through libcdio names the tracks in the name box, and a ripped track's MP3 carries an
// ID3v2.4 tag that TagLib and a second reader (mutagen) read back, and still decodes to the
// track's exact length.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/textidentificationframe.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "FakeDiscPorts.h"
#include "LocalMusicBrainz.h"
#include "Mp3Decode.h"
#include "NamedRig.h"
#include "CommandOutput.h"
#include "Rig.h"
#include "adapters/cdrom/LibcdioCdText.h"
#include "adapters/discid/LibDiscId.h"
#include "adapters/musicbrainz/MusicBrainzLookup.h"
#include "app/Settings.h"
#include "app/FileNames.h"
#include "disc/DiscIds.h"
#include "disc/DiscSession.h"
#include "record/TrackBatch.h"
#include "adapters/tags/TagLibWriter.h"

using namespace wl;
using namespace wl::e2e;

namespace {

// Track t's length in frames, from the disc's own table of contents.
uint32_t demoTrackFrames(Rig& prog, int t) {
    uint8_t toc[kTocSize] = {};
    prog.cdrom.ModifyCDParms(prog.s().cdHandle, kCdParmAddressing, 0);
    if (prog.cdrom.ReadTOC(prog.s().cdHandle, toc) != 1) return 0;
    return getBe32(tocEntry(toc, size_t(t)) + 4) - getBe32(tocEntry(toc, size_t(t - 1)) + 4);
}

// The demo disc's samples under a cue sheet of the test's own: its tracks start at `starts`
// (frames) and carry these CD-Text titles.
struct OwnImage {
    test::TempWorkingDir dir;
    std::string cue = (dir.path() / "own.cue").string();
    std::vector<uint32_t> starts;
    OwnImage(std::vector<uint32_t> trackStarts, const std::vector<std::string>& titles) : starts(std::move(trackStarts)) {
        fs::create_symlink(fs::path(WL_DEMO_DISC).replace_extension(".bin"), dir.path() / "own.bin");
        std::string text = titles.empty() ? "" : "TITLE \"Own Image\"\n";
        text += "FILE \"own.bin\" BINARY\n";
        for (size_t i = 0; i < starts.size(); ++i) {
            char line[96];
            std::snprintf(line, sizeof line, "  TRACK %02zu AUDIO\n", i + 1);
            text += line;
            if (i < titles.size()) text += "    TITLE \"" + titles[i] + "\"\n";
            std::snprintf(line, sizeof line, "    INDEX 01 %02u:%02u:%02u\n", starts[i] / 4500, starts[i] / 75 % 60, starts[i] % 75);
            text += line;
        }
        test::writeFileBytes(cue, text);
    }
    // Its MusicBrainz disc ID, as the service knows the disc.
    std::string musicBrainzId() const {
        DiscToc toc;
        toc.firstTrack = 1;
        toc.lastTrack = int(starts.size());
        for (uint32_t start : starts) toc.tracks.push_back(TocTrack{start, false});
        toc.leadOut = uint32_t(fs::file_size(fs::path(WL_DEMO_DISC).replace_extension(".bin")) / kCdFrameBytes);
        DiscIdResult result;
        LibDiscId().compute(MusicBrainzInput(toc), result);
        return result.musicBrainzId;
    }
};

std::vector<std::string> filesIn(const std::string& folder, const std::string& extension) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        if (e.path().extension() == extension) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(DiscNamesEndToEnd, TheDemoDiscNamesItsTracksAndARippedTrackCarriesItsTag) {
    BoxAnswerer boxes;
    NamedRig prog;
    ASSERT_TRUE(prog.start());
    EXPECT_EQ(prog.s().disc.names.source, NameSource::CdText);
    EXPECT_EQ(prog.s().disc.id.musicBrainzId.size(), 28u);
    EXPECT_EQ(prog.box(), "01 arpeggio.wav");
    ASSERT_EQ(prog.s().disc.names.tracks.size(), 4u);
    EXPECT_EQ(prog.s().disc.names.tracks[3].performer, "Les Cloches d'\xC3\x89t\xC3\xA9");  // from Latin-1
    prog.window.sendCommand(ID_NEXT_TRACK);
    EXPECT_EQ(prog.box(), "02 chorale.wav");
    prog.window.grabToPng(WL_SHOT_DIR "/names_track2.png");

    prog.ripShownName();
    const std::string mp3 = prog.folder() + "02 chorale.mp3";
    ASSERT_TRUE(fs::exists(mp3)) << prog.box();
    EXPECT_TRUE(noBoxes(boxes));
    // The name the rip left in the box is still the program's: the next track replaces it.
    EXPECT_EQ(prog.box(), mp3);
    prog.window.sendCommand(ID_NEXT_TRACK);
    EXPECT_EQ(prog.box(), "03 groove.wav");

    {
        TagLib::MPEG::File file(mp3.c_str());
        ASSERT_TRUE(file.isValid());
        TagLib::ID3v2::Tag* tag = file.ID3v2Tag();
        ASSERT_NE(tag, nullptr);
        EXPECT_EQ(tag->header()->majorVersion(), 4u);
        EXPECT_EQ(tag->title().to8Bit(true), "Chorale");
        EXPECT_EQ(tag->artist().to8Bit(true), "The Test Tones");
        EXPECT_EQ(tag->album().to8Bit(true), "Wavelathe Demo");
        ASSERT_FALSE(tag->frameListMap()["TRCK"].isEmpty());
        EXPECT_EQ(tag->frameListMap()["TRCK"].front()->toString().to8Bit(true), "2/4");
        ASSERT_FALSE(tag->frameListMap()["TCOM"].isEmpty());  // the songwriter, no composer given
        EXPECT_EQ(tag->frameListMap()["TCOM"].front()->toString().to8Bit(true), "J. S. Bach");
        auto* id = TagLib::ID3v2::UserTextIdentificationFrame::find(tag, "MusicBrainz Disc Id");
        ASSERT_NE(id, nullptr);
        EXPECT_EQ(id->fieldList().back().to8Bit(true), prog.s().disc.id.musicBrainzId);
    }
    if (std::system("command -v mutagen-inspect > /dev/null 2>&1") == 0) {
        const std::string seen = commandOutput("mutagen-inspect '" + mp3 + "'");
        EXPECT_NE(seen.find("TIT2=Chorale"), std::string::npos) << seen;
        EXPECT_NE(seen.find("TPE1=The Test Tones"), std::string::npos) << seen;
        EXPECT_NE(seen.find("TALB=Wavelathe Demo"), std::string::npos) << seen;
        EXPECT_NE(seen.find("TRCK=2/4"), std::string::npos) << seen;
        EXPECT_NE(seen.find("MusicBrainz Disc Id=" + prog.s().disc.id.musicBrainzId), std::string::npos) << seen;
    }
    if (haveMpg123()) {
        // The encoder's info frame, behind the tag, still tells the decoder the exact length.
        EXPECT_EQ(decodedBytes(mp3), (long long)demoTrackFrames(prog, 2) * (long long)kCdFrameBytes);
    }
}

TEST(DiscNamesEndToEnd, ATagThatCannotBeWrittenIsReportedAndTheMp3StaysWhole) {
    BoxAnswerer boxes;
    test::FakeTagWriter failing;
    failing.failWith = "No space left on device";
    NamedRig prog(&failing);
    ASSERT_TRUE(prog.start());
    prog.ripShownName();
    const std::string mp3 = prog.folder() + "01 arpeggio.mp3";
    ASSERT_TRUE(fs::exists(mp3));
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(boxes.texts[0], "I can't write the tag into \"" + mp3 +
                                  "\" (No space left on device). The MP3 file is saved without it.");
    TagLib::MPEG::File file(mp3.c_str());
    EXPECT_FALSE(file.hasID3v2Tag());
    if (haveMpg123()) {
        EXPECT_EQ(decodedBytes(mp3), (long long)demoTrackFrames(prog, 1) * (long long)kCdFrameBytes);
    }
}

TEST(DiscNamesEndToEnd, TheDiscInformationDialogOnScreenKeepsAnEditedAlbum) {
    BoxAnswerer boxes;
    NamedRig prog;
    ASSERT_TRUE(prog.start());
    bool shown = false;
    QTimer::singleShot(200, [&] {
        auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dlg == nullptr) return;
        shown = true;
        EXPECT_TRUE(dlg->grab().save(WL_SHOT_DIR "/DiscInfo.png", "PNG"));
        for (QLineEdit* edit : dlg->findChildren<QLineEdit*>())
            if (edit->text() == QStringLiteral("Wavelathe Demo")) edit->setText(QStringLiteral("Demo, Edited"));
        for (QPushButton* b : dlg->findChildren<QPushButton*>())
            if (b->text() == QStringLiteral("&OK")) b->click();
    });
    prog.window.sendCommand(ID_DISC_INFORMATION);
    ASSERT_TRUE(shown);
    EXPECT_EQ(prog.s().disc.names.source, NameSource::Edited);
    EXPECT_EQ(prog.s().disc.names.album, "Demo, Edited");
    EXPECT_TRUE(fs::exists(prog.folder() + "discs/" + prog.s().disc.id.musicBrainzId + ".txt"));
    EXPECT_TRUE(noBoxes(boxes));
}

// Names from the online service arrive without the window waiting and win over CD-Text in
// the name box, the batch entries and the tags; a found answer is kept; with lookups off no
// request leaves the program.
TEST(DiscNamesEndToEnd, OnlineNamesArriveFromTheServiceAreKeptAndNotAskedForWhenOff) {
    test::LocalService service;
    ASSERT_FALSE(service.url.empty());
    const std::string cache = (service.dir / "cache").string();
    std::string discId;
    {
        BoxAnswerer boxes;
        NamedRig prog;
        prog.lookUpAt(service.url, cache);
        ASSERT_TRUE(prog.start());
        discId = prog.s().disc.id.musicBrainzId;
        ASSERT_TRUE(QTest::qWaitFor([&] { return prog.box() == "01 online track 1.wav"; }, 10000)) << prog.box();
        EXPECT_EQ(prog.s().disc.lookupStatus, "MusicBrainz knows 3 releases of this disc.");
        EXPECT_EQ(prog.s().disc.names.source, NameSource::Online);
        EXPECT_EQ(TrackFileNameOf(*prog.app, 2), "02 online track 2");  // a batch entry's name

        // The dialog lists every release found, the disc's own track count first; choosing another
        // pressing names the disc after it, and choosing back restores the first.
        std::vector<std::string> listed;
        QTimer::singleShot(200, [&] {
            auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (dlg == nullptr) return;
            for (QListWidget* list : dlg->findChildren<QListWidget*>()) {
                if (list->count() != 3) continue;
                for (int i = 0; i < list->count(); ++i) listed.push_back(list->item(i)->text().toStdString());
                list->setCurrentRow(1);
                EXPECT_EQ(prog.s().disc.names.tracks.at(0).title, "Remastered Track 1");
                EXPECT_TRUE(dlg->grab().save(WL_SHOT_DIR "/DiscInfoReleases.png", "PNG"));
                list->setCurrentRow(0);
            }
            for (QPushButton* b : dlg->findChildren<QPushButton*>())
                if (b->text() == QStringLiteral("&OK")) b->click();
        });
        prog.window.sendCommand(ID_DISC_INFORMATION);
        ASSERT_EQ(listed.size(), 3u);
        EXPECT_EQ(listed[1], "Online Album Remaster / Online Artist / 2004 / DE / Other Label");
        EXPECT_NE(listed[2].find("Online Album Deluxe"), std::string::npos) << listed[2];
        EXPECT_EQ(prog.s().disc.names.tracks.at(0).title, "Online Track 1");
        prog.ripShownName();
        const std::string mp3 = prog.folder() + "01 online track 1.mp3";
        ASSERT_TRUE(fs::exists(mp3)) << prog.box();
        EXPECT_TRUE(noBoxes(boxes));
        TagLib::MPEG::File file(mp3.c_str());
        TagLib::ID3v2::Tag* tag = file.isValid() ? file.ID3v2Tag() : nullptr;
        ASSERT_NE(tag, nullptr);
        EXPECT_EQ(tag->title().to8Bit(true), "Online Track 1");
        EXPECT_EQ(tag->artist().to8Bit(true), "Online Artist");
        EXPECT_EQ(tag->album().to8Bit(true), "Online Album");
        EXPECT_EQ(tag->frameListMap()["TDRC"].isEmpty() ? "" : tag->frameListMap()["TDRC"].front()->toString().to8Bit(true),
                  "1999");
        // The disc's place in its release (a single medium here).
        EXPECT_EQ(tag->frameListMap()["TPOS"].isEmpty() ? "" : tag->frameListMap()["TPOS"].front()->toString().to8Bit(true),
                  "1/1");
        auto* release = TagLib::ID3v2::UserTextIdentificationFrame::find(tag, "MusicBrainz Album Id");
        ASSERT_NE(release, nullptr);
        EXPECT_EQ(release->fieldList().back().to8Bit(true), "rel-online-album");
    }
    EXPECT_NE(service.requests().find("/ws/2/discid/" + discId), std::string::npos);
    EXPECT_TRUE(fs::exists(fs::path(cache) / (discId + ".json")));

    // Off: the settings file says so, and the service hears nothing.
    const size_t asked = service.requests().size();
    BoxAnswerer boxes;
    NamedRig prog;
    {
        std::fstream settings(prog.folder() + kSettingsFileName, std::ios::in | std::ios::out | std::ios::binary);
        settings.seekp(99);
        settings.put('0');
    }
    prog.lookUpAt(service.url, (service.dir / "cache-off").string());
    ASSERT_TRUE(prog.start());
    EXPECT_EQ(prog.s().lookupsOff, 1);
    QTest::qWait(1500);
    EXPECT_EQ(prog.box(), "01 arpeggio.wav");
    EXPECT_EQ(service.requests().size(), asked);
}

// A title's dots stay in its file's name, and no title decides what is made: with conversion
// off, a title ending in ".mp3" (a disc burned from MP3 files) still makes a WAV and no MP3.
TEST(DiscNamesEndToEnd, DottedTitlesNameTheirWavsAndNoTitleSwitchesConversionOn) {
    BoxAnswerer boxes;
    OwnImage image({0, 16 * 75, 36 * 75, 50 * 75}, {"Mr. Blue Sky", "Burned From.mp3", "../../../x", "CON"});
    NamedRig prog(nullptr, false, image.cue);
    ASSERT_TRUE(prog.start());
    EXPECT_EQ(prog.box(), "01 mr. blue sky.wav");
    const std::vector<std::string> made = {"01 mr. blue sky.wav", "02 burned from.mp3.wav", "03 .._.._.._x.wav", "04 con.wav"};
    for (size_t i = 0; i < made.size(); ++i) {
        SCOPED_TRACE(made[i]);
        if (i > 0) prog.window.sendCommand(ID_NEXT_TRACK);
        EXPECT_EQ(prog.box(), made[i]);
        prog.ripShownName();
        EXPECT_TRUE(fs::exists(prog.folder() + made[i]));
    }
    EXPECT_EQ(prog.s().convertToMp3, 0);
    EXPECT_EQ(filesIn(prog.folder(), ".mp3"), std::vector<std::string>{});
    EXPECT_EQ(filesIn(prog.folder(), ".wav"), made);
    EXPECT_TRUE(noBoxes(boxes));
}

// Disc 1 and disc 2 of a set, both of four tracks, ripped into one folder: each is named from
// its own medium, and each leaves its own log and cue sheet; disc 2's sheet, with an accented
// and a Japanese title, is UTF-8 and names its files byte for byte.
TEST(DiscNamesEndToEnd, TwoDiscsOfASetInOneFolderLeaveTwoLogsAndTwoCueSheets) {
    test::LocalService service;
    ASSERT_FALSE(service.url.empty());
    const OwnImage disc1({0, 16 * 75, 36 * 75, 50 * 75}, {}), disc2({0, 10 * 75, 30 * 75, 45 * 75}, {});
    const std::string id1 = disc1.musicBrainzId(), id2 = disc2.musicBrainzId();
    ASSERT_EQ(id1.size(), 28u);
    ASSERT_NE(id1, id2);
    const std::string japanese = "\xE9\x9F\xB3\xE6\xA5\xBD\xE3\x81\xAE\xE5\xA4\x9C";
    auto medium = [](int position, const std::string& id, const std::vector<std::string>& titles) {
        std::string m = "{\"position\": " + std::to_string(position) + ", \"discs\": [{\"id\": \"" + id + "\"}], \"tracks\": [";
        for (size_t i = 0; i < titles.size(); ++i)
            m += std::string(i ? ", " : "") + "{\"position\": " + std::to_string(i + 1) + ", \"title\": \"" + titles[i] + "\"}";
        return m + "]}";
    };
    const std::string answer = "{\"releases\": [{\"id\": \"rel-set\", \"title\": \"Set Album\", \"date\": \"2001\", "
                               "\"artist-credit\": [{\"name\": \"Set Artist\", \"joinphrase\": \"\"}], \"media\": [" +
                               medium(1, id1, {"Mr. Blue Sky", "Vol. 2", "AC/DC", "\xE2\x80\xA6"}) + ", " +
                               medium(2, id2, {"Caf\xC3\xA9", japanese, "Third", "Fourth"}) + "]}]}";
    fs::create_directories(service.dir / "answers");
    for (const std::string& id : {id1, id2}) test::writeFileBytes((service.dir / "answers" / (id + ".json")).string(), answer);

    const std::string shared = (service.dir / "music").string() + "/";
    fs::create_directories(shared);
    for (const auto& [image, first] : {std::pair{&disc1, "01 mr. blue sky.wav"}, {&disc2, "01 caf\xC3\xA9.wav"}}) {
        SCOPED_TRACE(first);
        BoxAnswerer boxes;
        NamedRig prog(nullptr, false, image->cue);
        prog.lookUpAt(service.url, (service.dir / "cache").string());
        ASSERT_TRUE(prog.start());
        ASSERT_TRUE(QTest::qWaitFor([&] { return prog.box() == first; }, 10000)) << prog.box();
        prog.ripAll(shared);
        EXPECT_TRUE(noBoxes(boxes));
    }
    EXPECT_EQ(filesIn(shared, ".log"), (std::vector<std::string>{"Set Album (disc 1).log", "Set Album (disc 2).log"}));
    EXPECT_EQ(filesIn(shared, ".cue"), (std::vector<std::string>{"Set Album (disc 1).cue", "Set Album (disc 2).cue"}));
    EXPECT_EQ(filesIn(shared, ".wav"),
              (std::vector<std::string>{"01 caf\xC3\xA9.wav", "01 mr. blue sky.wav", "02 vol. 2.wav", "02 " + japanese + ".wav",
                                        "03 ac_dc.wav", "03 third.wav", "04 fourth.wav", "04 \xE2\x80\xA6.wav"}));

    const std::string sheet = test::readFileBytes(shared + "Set Album (disc 2).cue");
    EXPECT_TRUE(IsStrictUtf8(sheet));
    EXPECT_NE(sheet.compare(0, 3, "\xEF\xBB\xBF"), 0) << "no byte order mark";
    EXPECT_NE(sheet.find("TITLE \"" + japanese + "\""), std::string::npos) << sheet;
    std::vector<std::string> named;
    for (size_t at = sheet.find("FILE \""); at != std::string::npos; at = sheet.find("FILE \"", at + 1)) {
        const size_t end = sheet.find('"', at + 6);
        named.push_back(sheet.substr(at + 6, end - at - 6));
        EXPECT_TRUE(fs::exists(shared + named.back())) << named.back();
    }
    EXPECT_EQ(named, (std::vector<std::string>{"01 caf\xC3\xA9.wav", "02 " + japanese + ".wav", "03 third.wav", "04 fourth.wav"}));
}

// A log of another program and an image's cue sheet under the album's name stay as they were;
// the disc's own files take the next free name and are rewritten there.
TEST(DiscNamesEndToEnd, FilesOfTheAlbumsNameThatAreNotTheDiscsOwnAreNeverReplaced) {
    BoxAnswerer boxes;
    NamedRig prog(nullptr, false);
    ASSERT_TRUE(prog.start());
    const std::string foreignLog = "Another ripper's log\nAccurateRip IDs: 00000000-00000000-00000000\n";
    const std::string imageSheet = "FILE \"demo.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n";
    test::writeFileBytes(prog.folder() + "Wavelathe Demo.log", foreignLog);
    test::writeFileBytes(prog.folder() + "Wavelathe Demo.cue", imageSheet);
    prog.ripAll(prog.folder());
    EXPECT_TRUE(noBoxes(boxes));
    EXPECT_EQ(test::readFileBytes(prog.folder() + "Wavelathe Demo.log"), foreignLog);
    EXPECT_EQ(test::readFileBytes(prog.folder() + "Wavelathe Demo.cue"), imageSheet);
    // Written after every track, the log found its own file again each time.
    EXPECT_EQ(filesIn(prog.folder(), ".log"), (std::vector<std::string>{"Wavelathe Demo (2).log", "Wavelathe Demo.log"}));
    EXPECT_EQ(filesIn(prog.folder(), ".cue"), (std::vector<std::string>{"Wavelathe Demo (2).cue", "Wavelathe Demo.cue"}));
    EXPECT_NE(test::readFileBytes(prog.folder() + "Wavelathe Demo (2).log").find("Track 4\n"), std::string::npos);
}

}  // namespace
