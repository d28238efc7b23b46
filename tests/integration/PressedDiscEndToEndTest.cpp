// Discs as pressed, on the program's real adapters: generated images with a hidden first
// track, pregaps, ISRCs, a catalog number and pre-emphasis, ripped whole through the Tracks
// to Record dialog; the files, tags, log and both cue sheets checked against the image and
// read back by cueprint, cuebreakpoints, shntool, bchunk and libcdio.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QListWidget>

#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/textidentificationframe.h>

#include <cctype>
#include <cstdio>
#include <map>
#include <regex>
#include <sstream>

#include "DialogDriving.h"
#include "ImageFixture.h"
#include "CommandOutput.h"
#include "Rig.h"
#include "adapters/tags/TagLibWriter.h"

using namespace wl;
using namespace wl::e2e;

namespace {

bool have(const char* tool) { return std::system(("command -v " + std::string(tool) + " > /dev/null 2>&1").c_str()) == 0; }
std::string quoted(const std::string& s) { return "'" + s + "'"; }

// 3 s of sound before track 1, a 2 s pregap before track 2, none before track 3.
const test::PressedSpec kNoisy{"4006381333931", 225, false,
                               {{0, 100, "USRC17607839", "PRE"}, {150, 80, "GBAYE6700001", "DCP"}, {0, 60, "", ""}}};
// 2 s of digital silence before track 1.
const test::PressedSpec kSilent{"", 150, true, {{0, 90, "", ""}, {75, 70, "", "PRE"}}};

struct Index {
    int track, number;
    long frame;  // from the disc's start
    bool operator==(const Index&) const = default;
};
std::ostream& operator<<(std::ostream& o, const Index& i) { return o << i.track << "." << i.number << "@" << i.frame; }

long frames(const std::string& msf) {
    int m = 0, s = 0, f = 0;
    std::sscanf(msf.c_str(), "%d:%d:%d", &m, &s, &f);
    return (m * 60L + s) * 75 + f;
}

// The index points of a sheet, placed on the disc by where each of its files starts.
std::vector<Index> indexPoints(const std::string& sheet, const std::map<std::string, long>& fileStart) {
    std::vector<Index> out;
    std::istringstream in(sheet);
    std::string line, file;
    int track = 0;
    std::smatch m;
    while (std::getline(in, line)) {
        if (std::regex_search(line, m, std::regex("^FILE \"(.*)\""))) file = m[1];
        if (std::regex_search(line, m, std::regex("TRACK (\\d+)"))) track = std::stoi(m[1]);
        if (std::regex_search(line, m, std::regex("INDEX (\\d+) (\\S+)")))
            out.push_back({track, std::stoi(m[1]), fileStart.at(file) + frames(m[2])});
    }
    return out;
}

struct PressedRig : Rig {
    TagLibWriter tags;
    explicit PressedRig(const std::string& image) : Rig(RipFromCd, {.convertToMp3 = true, .disc = image}) {
        app->p.tags = &tags;
    }
    // Chooses every track of the disc in the Tracks to Record dialog, as the user does.
    void chooseWholeDisc(int tracks, bool expectHidden) {
        s().savePath = folder();
        whenDialog([=](QWidget* dlg) {
            auto* available = control<QListWidget>(dlg, 302);
            ASSERT_NE(available, nullptr);
            EXPECT_EQ(available->count(), tracks + (expectHidden ? 1 : 0));
            EXPECT_EQ(available->item(0)->text().toStdString(), expectHidden ? "Track0" : "Track1");
            for (int t = 1; t <= tracks; ++t) doubleClick(available, QString("Track%1").arg(t));
            control<QAbstractButton>(dlg, 1)->click();
        });
        window.sendCommand(ID_TRACKS_TO_RECORD);
    }
    bool ripBatch() {
        window.sendCommand(ID_PLAY);
        return QTest::qWaitFor([&] { return s().batchCount == 0 && s().converting == 0 && !s().workerRunning; }, 60000);
    }
    std::string file(int t) { return s().rippedTracks.count(t) ? s().rippedTracks.at(t).file : std::string(); }
};

std::string frameBytes(const std::string& bin, size_t from, size_t to) {
    return bin.substr(from * kCdFrameBytes, (to - from) * kCdFrameBytes);
}

std::string tagText(const std::string& mp3, const char* frame, const char* description = nullptr) {
    TagLib::MPEG::File file(mp3.c_str());
    TagLib::ID3v2::Tag* tag = file.isValid() ? file.ID3v2Tag() : nullptr;
    if (tag == nullptr) return "(no tag)";
    if (description != nullptr) {
        auto* f = TagLib::ID3v2::UserTextIdentificationFrame::find(tag, description);
        return f ? f->fieldList().back().to8Bit(true) : "";
    }
    const auto& list = tag->frameListMap()[frame];
    return list.isEmpty() ? "" : list.front()->toString().to8Bit(true);
}

TEST(PressedDiscEndToEnd, AWholeDiscKeepsItsHiddenTrackPregapsCodesAndLaysItselfOutAgain) {
    BoxAnswerer boxes;
    test::TempFolder images;
    const fs::path cue = test::writePressedImage(images, "pressed", kNoisy);
    const std::string bin = test::readFileBytes(fs::path(cue).replace_extension(".bin"));
    PressedRig rig(cue.string());
    ASSERT_TRUE(rig.start());
    ASSERT_TRUE(rig.s().disc.pressed.known);
    EXPECT_EQ(rig.s().disc.hiddenFrames, 225u);
    rig.s().batchSingleFile = true;
    rig.chooseWholeDisc(3, true);
    ASSERT_EQ(rig.s().batchCount, 4) << "the hidden track joins a batch of the whole disc";
    EXPECT_EQ(rig.window.listText(ID_SELECTION_LIST_BOX, 0), "00 Hidden Track One Audio");
    ASSERT_TRUE(rig.ripBatch());
    for (const std::string& text : boxes.texts) ADD_FAILURE() << "a message box: " << text;

    // Every file holds its blocks exactly; each pregap ends the file before it.
    const struct {
        int track;
        size_t from, to;
    } files[] = {{0, 0, 225}, {1, 225, 475}, {2, 475, 555}, {3, 555, 615}};
    for (const auto& f : files) {
        SCOPED_TRACE("track " + std::to_string(f.track));
        ASSERT_FALSE(rig.file(f.track).empty());
        EXPECT_TRUE(wavData(rig.file(f.track)) == frameBytes(bin, f.from, f.to)) << rig.file(f.track);
    }
    std::string hiddenName = fs::path(rig.file(0)).filename().string();
    for (char& c : hiddenName) c = char(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(hiddenName, "00 hidden track one audio.wav");

    // The codes in the tags.
    const std::string mp3 = fs::path(rig.file(1)).replace_extension(".mp3").string();
    EXPECT_EQ(tagText(mp3, "TSRC"), "USRC17607839");
    EXPECT_EQ(tagText(mp3, "", "BARCODE"), "4006381333931");
    EXPECT_EQ(tagText(mp3, "", "PRE-EMPHASIS"), "yes");
    const std::string mp3Two = fs::path(rig.file(2)).replace_extension(".mp3").string();
    EXPECT_EQ(tagText(mp3Two, "TSRC"), "GBAYE6700001");
    EXPECT_EQ(tagText(mp3Two, "", "PRE-EMPHASIS"), "");

    // The log's section.
    std::string log, sheet;
    fs::path sheetPath;
    for (const auto& e : fs::directory_iterator(rig.folder())) {
        const std::string name = e.path().filename().string();
        if (e.path().extension() == ".log") log = test::readFileBytes(e.path());
        if (e.path().extension() == ".cue" && name.find("(single file)") == std::string::npos) sheetPath = e.path();
    }
    for (const char* line : {"Catalog number (MCN): 4006381333931", "ripped as track 0", "USRC17607839", "GBAYE6700001",
                             "|             325 |             475 | 00:02.00 |", "PRE (pre-emphasis"})
        EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;

    // The sheet of the files: the original's index points, wherever its files start.
    ASSERT_FALSE(sheetPath.empty());
    sheet = test::readFileBytes(sheetPath);
    std::map<std::string, long> starts{{"pressed.bin", 0}};
    for (const auto& f : files) starts[fs::path(rig.file(f.track)).filename().string()] = long(f.from);
    const std::vector<Index> original = indexPoints(test::readFileBytes(cue), starts);
    EXPECT_EQ(indexPoints(sheet, starts), original) << sheet;
    if (have("shntool")) {
        // shntool's own reading of where each file starts on the joined disc.
        std::string command = "cd " + quoted(rig.folder()) + " && shntool cue";
        for (const auto& f : files) command += " " + quoted(fs::path(rig.file(f.track)).filename().string());
        const std::string joined = commandOutput(command + " 2>/dev/null");
        std::map<std::string, long> shnStarts = starts;
        const std::vector<Index> fileStarts = indexPoints(joined, {{"joined.wav", 0}});
        ASSERT_EQ(fileStarts.size(), 4u) << joined;
        for (size_t i = 0; i < 4; ++i) shnStarts[fs::path(rig.file(files[i].track)).filename().string()] = fileStarts[i].frame;
        EXPECT_EQ(indexPoints(sheet, shnStarts), original) << joined;
    }
    if (have("cueprint")) {
        const std::string isrcs = "cueprint -d '%N %U\\n' -t '%n %i\\n' ";
        const std::string theirs = commandOutput(isrcs + quoted(cue.string()));
        EXPECT_NE(theirs.find("2 GBAYE6700001"), std::string::npos) << theirs;
        EXPECT_EQ(commandOutput(isrcs + quoted(sheetPath.string())), theirs);
    }

    // The single file: the image's bytes, its sheet read alike by every reader.
    const fs::path single = rig.folder() + sheetPath.stem().string() + " (single file).cue";
    const fs::path singleBin = fs::path(single).replace_extension(".bin");
    ASSERT_TRUE(fs::exists(single));
    EXPECT_TRUE(test::readFileBytes(singleBin) == bin);
    if (have("cuebreakpoints")) {
        const std::string points = "cuebreakpoints --split-gaps ";
        const std::string theirs = commandOutput(points + quoted(cue.string()));
        EXPECT_EQ(theirs, "0:03.00\n0:04.25\n0:06.25\n0:07.30\n");
        EXPECT_EQ(commandOutput(points + quoted(single.string())), theirs);
    }
    if (have("cueprint")) {
        const std::string isrcs = "cueprint -d '%N %U\\n' -t '%n %i\\n' ";
        EXPECT_EQ(commandOutput(isrcs + quoted(single.string())), commandOutput(isrcs + quoted(cue.string())));
    }
    if (have("cd-info")) {
        EXPECT_EQ(std::system(("cd-info --no-header --cue-file " + quoted(single.string()) + " > /dev/null 2>&1").c_str()), 0);
    }
    {
        LibcdioCdrom reread(single.string(), [](const std::string& m) { ADD_FAILURE() << m; });
        LibcdioCdLayout layout(reread);
        uint8_t request[kHandleRequestSize] = {12, 1, 1, 0, 0, 1};
        const PressedLayout got = layout.readLayout(reread.GetCDHandle(request));
        const PressedLayout& want = rig.s().disc.pressed;
        EXPECT_EQ(got.mcn, want.mcn);
        ASSERT_EQ(got.tracks.size(), want.tracks.size());
        for (size_t i = 0; i < got.tracks.size(); ++i) {
            EXPECT_EQ(got.tracks[i].pregapLsn, want.tracks[i].pregapLsn) << i;
            EXPECT_EQ(got.tracks[i].startLsn, want.tracks[i].startLsn) << i;
            EXPECT_EQ(got.tracks[i].isrc, want.tracks[i].isrc) << i;
            EXPECT_EQ(got.tracks[i].preEmphasis, want.tracks[i].preEmphasis) << i;
            EXPECT_EQ(got.tracks[i].copyPermitted, want.tracks[i].copyPermitted) << i;
        }
    }
    if (have("bchunk")) {
        const std::string ours = rig.folder() + "ours", theirs = rig.folder() + "theirs";
        commandOutput("bchunk -w " + quoted(singleBin.string()) + " " + quoted(single.string()) + " " + quoted(ours) + " > /dev/null 2>&1");
        commandOutput("bchunk -w " + quoted(fs::path(cue).replace_extension(".bin").string()) + " " + quoted(cue.string()) + " " +
            quoted(theirs) + " > /dev/null 2>&1");
        for (const char* t : {"01", "02", "03"}) {
            const std::string a = test::readFileBytes(ours + t + ".wav"), b = test::readFileBytes(theirs + t + ".wav");
            EXPECT_FALSE(b.empty()) << t;
            EXPECT_TRUE(a == b) << "bchunk's track " << t;
        }
    }
}

TEST(PressedDiscEndToEnd, SilenceBeforeTrackOneIsNoTrackAndTheSheetMakesItAgain) {
    BoxAnswerer boxes;
    test::TempFolder images;
    const fs::path cue = test::writePressedImage(images, "silent", kSilent);
    const std::string bin = test::readFileBytes(fs::path(cue).replace_extension(".bin"));
    PressedRig rig(cue.string());
    ASSERT_TRUE(rig.start());
    EXPECT_EQ(rig.s().disc.hiddenFrames, 0u);
    rig.s().batchSingleFile = true;
    rig.chooseWholeDisc(2, false);
    ASSERT_EQ(rig.s().batchCount, 2);
    ASSERT_TRUE(rig.ripBatch());
    EXPECT_EQ(rig.s().rippedTracks.count(0), 0u);
    EXPECT_TRUE(wavData(rig.file(1)) == frameBytes(bin, 150, 315));
    EXPECT_TRUE(wavData(rig.file(2)) == frameBytes(bin, 315, 385));
    for (const auto& e : fs::directory_iterator(rig.folder())) {
        const std::string name = e.path().filename().string();
        if (e.path().extension() == ".log") {
            EXPECT_NE(test::readFileBytes(e.path()).find("the 150 sectors before track 1 are digital silence"),
                      std::string::npos);
        }
        if (name.find("(single file).bin") != std::string::npos) {
            EXPECT_TRUE(test::readFileBytes(e.path()) == bin) << "silence in place of the hidden track";
        }
        if (e.path().extension() == ".cue" && name.find("(single file)") == std::string::npos) {
            EXPECT_NE(test::readFileBytes(e.path()).find("    PREGAP 00:02:00\n"), std::string::npos);
        }
    }
}

}  // namespace
