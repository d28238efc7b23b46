// The rip branch of Play: chunked reads with retries, the WAV file written bit for bit, the
// progress on the status line, savePath, the MP3 chaining, the track batch, and the failures.
#include <gtest/gtest.h>
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>

#include "CrampedFolder.h"
#include "FakeEncoderLibrary.h"
#include "TestProgram.h"
#include "WavFiles.h"
#include "app/Commands.h"
#include "rip/RipDrive.h"
#include "rip/RipEngine.h"
#include "adapters/hash/Hashing.h"

using namespace wl;
using namespace wl::test;
namespace fs = std::filesystem;

namespace {

const std::string kPrompt = "Enter song name or click here:";
const int kGreyedDuringRip[] = {ID_RIP_FROM_CD,          ID_RECORD_FROM_CD,   ID_RECORD_FROM_LINE_IN,
                                ID_CONVERT_WAV_TO_MP3,   ID_PARTIAL_CD_RECORDING, ID_TRACKS_TO_RECORD,
                                ID_DEFAULT_RIPPING_PLAYER, ID_WAV_PARAMETERS, ID_MP3_PARAMETERS};

class RipEngine : public ::testing::Test {
protected:
    TestProgram prog;
    AppState& s = prog.s();
    FakeWindow& win = prog.window;
    FakeCdrom& cdrom = prog.cdrom;
    fs::path folder;

    void SetUp() override {
        std::random_device rd;
        folder = fs::temp_directory_path() / ("wl-rip-" + std::to_string(rd()) + std::to_string(rd()));
        fs::create_directories(folder);
        // Track 1: 27 frames; track 2: none (it starts where track 3 does); track 3: 40 frames.
        cdrom.tracks = {FakeTrack{27}, FakeTrack{0}, FakeTrack{40}};
        ASSERT_EQ(prog.start(), 0);
        win.boxes.clear();
        // The rip mode, as the mode command leaves it, with the drive open.
        s.ripMode = 1;
        s.keepWav = 1;
        s.convertToMp3 = 0;
        s.samplesPerSec = 44100, s.bitsPerSample = 16, s.channels = 2;
        s.charWidth = 7, s.lineHeight = 16;
        s.cdHandle = OpenRipDrive(prog.app);
        ASSERT_NE(s.cdHandle, 0u);
        win.setTimer(PollTimer, kPollTimerMs);
        // What the start did is not the rip's.
        win.cursors.clear();
        win.drawn.clear();
        cdrom.readTocCalls = 0;
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(folder, ec);
    }

    // As StartRecording hands over: the name normalised and shown, the menus greyed, the
    // edit box disabled, the status set.
    void prepare(const std::string& name, int track) {
        s.currentTrack = track;
        s.currentTrackText = std::to_string(track);
        s.songName = name;
        win.setControlText(ID_SONG_NAME_EDIT, name);
        for (int id : kGreyedDuringRip) win.enableMenuItem(id, false);
        win.enableControl(ID_SONG_NAME_EDIT, false);
        s.statusText = s.convertToMp3 ? "Recording intermediate file..." : "Recording WAV file...";
    }
    std::string rip(const std::string& name, int track) {
        const std::string path = (folder / name).string();
        prepare(path, track);
        RipPlayBranch(prog.app);
        return path;
    }
    std::string audio(uint32_t start, uint32_t frames) const {
        std::string out;
        for (uint32_t b = start; b < start + frames; ++b)
            for (size_t i = 0; i < kCdFrameBytes; ++i) out += char(cdrom.sampleByte(b, i));
        return out;
    }
    std::vector<std::string> immediateTexts() const {
        std::vector<std::string> out;
        for (auto& op : win.drawn)
            if (op.kind == DrawOp::Text && op.immediate) out.push_back(op.text);
        return out;
    }
    void expectIdle() {
        EXPECT_EQ(s.statusText, kPrompt);
        for (int id : std::initializer_list<int>{ID_PLAY, ID_SONG_NAME_EDIT, ID_PREV_TRACK, ID_NEXT_TRACK,
                                                 ID_FIRST_TRACK, ID_LAST_TRACK, ID_EJECT})
            EXPECT_TRUE(win.isControlEnabled(id)) << id;
        for (int id : kGreyedDuringRip) EXPECT_TRUE(id == ID_MP3_PARAMETERS || win.isMenuItemEnabled(id)) << id;
        EXPECT_EQ(win.isMenuItemEnabled(ID_MP3_PARAMETERS), s.convertToMp3 == 1);
        EXPECT_TRUE(win.timerRunning(PollTimer));
        EXPECT_EQ(win.cursors.back(), CursorKind::Arrow);
    }
};

// Pads as the status line's immediate drawing does.
std::string status(const std::string& text) { return text + std::string(46 - std::min<size_t>(46, text.size()), ' '); }

TEST_F(RipEngine, EachTrackIsReadInChunksOf26AndWrittenExactlyBetweenItsTableEntries) {
    struct Case {
        int track;
        uint32_t start, frames;
        std::vector<std::pair<uint32_t, uint32_t>> reads;
    };
    const Case cases[] = {
        {1, 0, 27, {{0, 26}, {26, 1}}},     // 27 frames as 26 and 1
        {2, 27, 0, {}},                     // starts where the next entry starts
        {3, 27, 40, {{27, 26}, {53, 14}}},  // the last track ends at the lead-out
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.track);
        cdrom.reads.clear();
        const std::string path = rip("track.wav", c.track);
        const std::string pcm = audio(c.start, c.frames);
        const std::string bytes = readFileBytes(path);
        EXPECT_EQ(bytes.size(), 44 + c.frames * kCdFrameBytes);
        EXPECT_TRUE(bytes == canonicalWav(pcm)) << "the header or the audio differs";
        EXPECT_EQ(cdrom.reads, c.reads);
        EXPECT_TRUE(win.boxes.empty()) << win.boxes.front().text;
        EXPECT_EQ(s.currentTrackText, std::to_string(c.track));
        expectIdle();
    }
    // The table is left in block form, read afresh for each track.
    EXPECT_EQ(getBe32(tocEntry(s.toc, 3) + 4), 67u);
    EXPECT_EQ(cdrom.readTocCalls, 3);
}

// A drive's read offset: each track's audio is the disc's, that many samples later (or
// earlier), silence beyond the disc's first and last sectors.
TEST_F(RipEngine, TheReadOffsetShiftsEveryTracksAudioWithSilenceBeyondTheDisc) {
    const int64_t discBytes = 67 * int64_t(kCdFrameBytes);
    const auto shiftedAudio = [&](uint32_t start, uint32_t frames, int offset) {
        std::string out;
        for (int64_t j = 0; j < int64_t(frames) * int64_t(kCdFrameBytes); ++j) {
            const int64_t at = int64_t(start) * int64_t(kCdFrameBytes) + offset * 4 + j;
            out += at < 0 || at >= discBytes ? '\0' : char(cdrom.sampleByte(uint32_t(at / int64_t(kCdFrameBytes)),
                                                                             size_t(at % int64_t(kCdFrameBytes))));
        }
        return out;
    };
    struct Case {
        int offset, track;
        uint32_t start, frames;
    } cases[] = {{6, 1, 0, 27}, {6, 3, 27, 40}, {-1200, 1, 0, 27}, {-1200, 3, 27, 40}, {588 * 30, 3, 27, 40}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.offset) + " track " + std::to_string(c.track));
        s.readOffset = c.offset;
        const std::string path = rip("track.wav", c.track);
        EXPECT_TRUE(readFileBytes(path) == canonicalWav(shiftedAudio(c.start, c.frames, c.offset)));
        EXPECT_TRUE(win.boxes.empty()) << win.boxes.front().text;
    }
    // A disc image has no offset of its own.
    const char image[] = "Disc image: demo.cue";
    std::memcpy(driveEntry(s.driveList, 0) + kDriveNameOffset, image, sizeof image);
    s.readOffset = 6;
    EXPECT_TRUE(readFileBytes(rip("image.wav", 1)) == canonicalWav(audio(0, 27)));
}

TEST_F(RipEngine, ProgressIsDrawnAtOnceBeforeReads1_6And11AndTheWindowRunsBetweenChunks) {
    cdrom.tracks = {FakeTrack{100}, FakeTrack{11 * 26 + 5}};
    // How many progress texts were on screen when each read began.
    std::vector<std::pair<uint32_t, size_t>> seenAtRead;
    cdrom.generator = [&](uint32_t block, size_t i) {
        if (i == 0 && (block - 100) % 26 == 0) {
            size_t n = 0;
            for (auto& t : immediateTexts()) n += t.rfind("Ripping... ", 0) == 0 && t.find(':') != std::string::npos;
            if (seenAtRead.empty() || seenAtRead.back().first != block) seenAtRead.emplace_back(block, n);
        }
        return uint8_t(block);
    };
    rip("long.wav", 2);
    const std::vector<std::string> expected = {
        status("Ripping"),
        status("Ripping... 291 ... 100"),
        status("Ripping... 100: 291       "),
        status("Ripping... 230: 161       "),
        status("Ripping... 360: 31       "),
    };
    EXPECT_EQ(immediateTexts(), expected);
    ASSERT_EQ(seenAtRead.size(), 12u);
    for (size_t read = 0; read < 12; ++read) EXPECT_EQ(seenAtRead[read].second, read / 5 + 1) << "read " << read + 1;
    // After each drawing at least, and at most once a chunk.
    EXPECT_GE(win.pendingEventPumps, 3);
    EXPECT_LE(win.pendingEventPumps, 12);
    EXPECT_EQ(win.textsDrawn(status("Ripping")).at(0).style.color, (Rgb{131, 31, 58}));
    // The wait cursor for the whole rip.
    EXPECT_EQ(win.cursors, (std::vector<CursorKind>{CursorKind::Wait, CursorKind::Arrow}));
}

TEST_F(RipEngine, TheFileGoesToSavePathUnderTheTypedNameOrElseWhereTyped) {
    const fs::path music = folder / "music";
    fs::create_directories(music);
    s.savePath = (music / "").string();
    prepare("/nowhere/x/Song.wav", 1);
    RipPlayBranch(prog.app);
    EXPECT_EQ(readFileBytes(music / "Song.wav").size(), 44 + 27 * kCdFrameBytes);
    EXPECT_FALSE(fs::exists("/nowhere/x/Song.wav"));

    s.savePath = "";
    const std::string typed = rip("typed.wav", 1);
    EXPECT_EQ(readFileBytes(typed).size(), 44 + 27 * kCdFrameBytes);
    EXPECT_TRUE(win.boxes.empty());
}

TEST_F(RipEngine, AChunkIsTriedThreeTimesAndAnUnreadableOneBecomesSilenceWithOneMessage) {
    struct Case {
        const char* what;
        std::map<uint32_t, int> failing;
        int triesAt26, silentFrames;
    };
    const Case cases[] = {
        {"fails twice, then reads", {{26, 2}}, 3, 0},
        {"never reads", {{26, -1}}, 3, 1},
        {"first chunk never reads", {{0, -1}}, 1, 26},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        win.boxes.clear();
        cdrom.reads.clear();
        cdrom.failingReads = c.failing;
        const std::string path = rip("retry.wav", 1);
        int tries = 0;
        for (auto& r : cdrom.reads) tries += r.first == 26;
        EXPECT_EQ(tries, c.triesAt26);
        std::string pcm = audio(0, 27);
        if (c.failing.count(0)) pcm.replace(0, 26 * kCdFrameBytes, 26 * kCdFrameBytes, '\0');
        if (c.failing.count(26) && c.silentFrames)
            pcm.replace(26 * kCdFrameBytes, kCdFrameBytes, kCdFrameBytes, '\0');
        EXPECT_TRUE(readFileBytes(path) == canonicalWav(pcm)) << "the track must keep its length and timing";
        if (c.silentFrames == 0) {
            EXPECT_TRUE(win.boxes.empty());
        } else {
            ASSERT_EQ(win.boxes.size(), 1u);
            EXPECT_EQ(win.boxes[0].text, "Could not read " + std::to_string(c.silentFrames) +
                                             " of the 27 frames of this track. They are silence in \"" + path + "\".");
            EXPECT_EQ(win.boxes[0].caption, "RipCD reading error");
        }
        expectIdle();
    }
}

TEST_F(RipEngine, AFailedRipLeavesNoFileAndOnlyARipThatNeverStartedIsStillConverted) {
    FakeEncoderLibrary lib;
    lib.install(prog.encoder);
    s.encoderModule = prog.encoder.load(kEncoderLibraryName);
    s.convertToMp3 = 1;
    struct Case {
        const char* what;
        std::function<void()> breakIt;
        const char* into;  // the file's folder, within the test's
        size_t room;       // the size a file may grow to (a full disk); 0: no limit
        const char* text;  // @ stands for the file's name
        const char* caption;
        bool ownerless, readsDisc;
        bool unwritable;  // nothing is chained after a file that could not be written
    };
    const Case cases[] = {
        {"no drive", [&] { s.cdHandle = 0; }, "", 0, "Could not get handle to CD", "Message", false, false, false},
        {"no table", [&] { cdrom.failReadToc = true; }, "", 0, "Error reading TOC", "RipCD reading error", true,
         false, false},
        {"no folder", [&] { s.savePath = (folder / "gone" / "").string(); }, "gone", 0,
         "I can't create the file \"@\" (No such file or directory). Check that its folder exists, that you may write "
         "there and that the disk has room.",
         "Rip CD Error", false, false, true},
        {"full disk", [] {}, "", 30000,
         "Write error ripping to \"@\" (File too large). The disk may be full. The incomplete file has been removed.",
         "Rip CD Error", false, true, true},
    };
    const CdHandle handle = s.cdHandle;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        win.boxes.clear();
        win.commandsSent.clear();
        cdrom.reads.clear();
        lib.chunks = 0;
        s.cdHandle = handle;
        cdrom.failReadToc = false;
        s.savePath = "";
        c.breakIt();
        // A batch is under way where an unwritable file must end it.
        s.batchCount = c.unwritable ? 2 : 0;
        s.batchIndex = 0;
        s.selectionTracks[0] = 1, s.selectionTracks[1] = 3;
        const std::string path = (folder / c.into / "r.wav").string();
        {
            CrampedFolder disk(Cramp::FileSizeLimit, folder);
            if (c.room) disk.fill(c.room);
            rip("r.wav", 1);
        }
        EXPECT_FALSE(fs::exists(path));
        EXPECT_EQ(!cdrom.reads.empty(), c.readsDisc);
        ASSERT_GE(win.boxes.size(), 1u);
        std::string text = c.text;
        if (size_t at = text.find('@'); at != std::string::npos) text.replace(at, 1, path);
        EXPECT_EQ(win.boxes[0].text, text);
        EXPECT_EQ(win.boxes[0].caption, c.caption);
        EXPECT_EQ(win.boxes[0].ownerless, c.ownerless);
        if (c.unwritable) {
            EXPECT_EQ(win.boxes.size(), 1u) << win.boxes.back().text;
            EXPECT_EQ(lib.chunks, 0);
            EXPECT_EQ(s.batchCount, 0);
            EXPECT_EQ(std::count(win.commandsSent.begin(), win.commandsSent.end(), ID_PLAY), 0);
        } else {
            ASSERT_GE(win.boxes.size(), 2u);
            EXPECT_EQ(win.boxes[1].text, "I can't find the file \"" + path + "\"");
        }
        expectIdle();
    }
}

TEST_F(RipEngine, WithMp3OnTheConvertedNameIsShownAfterwards) {
    FakeEncoderLibrary lib;
    lib.samplesPerChunk = 4096;
    lib.bufferSize = 16;
    lib.install(prog.encoder);
    s.encoderModule = prog.encoder.load(kEncoderLibraryName);
    s.convertToMp3 = 1;
    s.keepWav = 0;
    win.enableControl(ID_PLAYBACK, true);
    const std::string wav = rip("song.wav", 1);
    const std::string mp3 = (folder / "song.mp3").string();
    EXPECT_TRUE(win.boxes.empty());
    EXPECT_EQ(lib.samples.size(), 27 * kCdFrameBytes / 2);
    EXPECT_TRUE(fs::exists(mp3));
    EXPECT_FALSE(fs::exists(wav)) << "keepWav 0: the WAV file goes";
    EXPECT_EQ(win.controls[ID_SONG_NAME_EDIT].text, mp3);
    EXPECT_EQ(s.songName, mp3);
    EXPECT_FALSE(win.isControlEnabled(ID_PLAYBACK));
    expectIdle();
}

TEST_F(RipEngine, ABatchOfThreeRipsEachEntryThroughPlayAndEnablesTheControlsOnlyAfterTheThird) {
    fs::create_directories(folder / "saved");
    // Whether the window was usable as each entry's start began (its first step is the seek).
    std::vector<bool> usableAtEntry;
    const auto drive = prog.mci.handler;
    prog.mci.handler = [&, drive](const std::string& command, MciReply& reply) {
        if (command.rfind("seek cd to ", 0) == 0)
            usableAtEntry.push_back(win.isControlEnabled(ID_PLAY) || win.isMenuItemEnabled(ID_RIP_FROM_CD));
        return drive(command, reply);
    };
    for (const bool toSavePath : {false, true}) {
        SCOPED_TRACE(toSavePath ? "into savePath" : "beside the first name");
        usableAtEntry.clear();
        s.savePath = toSavePath ? (folder / "saved" / "").string() : "";
        const fs::path into = toSavePath ? folder / "saved" : folder;
        s.batchCount = 3;
        s.batchIndex = 0;
        s.selectionTracks[0] = 1, s.selectionTracks[1] = 3, s.selectionTracks[2] = 2;
        s.trackNames[1] = "First", s.trackNames[2] = "Empty", s.trackNames[3] = "Last Song";
        s.currentTrack = 1;
        s.currentTrackText = "1";
        const size_t lengthQueries = prog.mci.count("status cd length track 3");
        win.setControlText(ID_SONG_NAME_EDIT, (folder / "First.wav").string());
        win.click(ID_PLAY);
        EXPECT_EQ(usableAtEntry, (std::vector<bool>{true, false, false}));
        EXPECT_EQ(readFileBytes(into / "first.wav"), canonicalWav(audio(0, 27)));
        EXPECT_EQ(readFileBytes(into / "last song.wav"), canonicalWav(audio(27, 40)));
        EXPECT_EQ(readFileBytes(into / "empty.wav"), canonicalWav(""));
        EXPECT_EQ(s.batchCount, 0);
        EXPECT_EQ(s.batchFolder, (folder / "").string());
        EXPECT_EQ(s.currentTrack, 2);
        // Track 3's time: shown as its entry is named, checked for room as it starts.
        EXPECT_EQ(prog.mci.count("status cd length track 3"), lengthQueries + 2);
        EXPECT_EQ(win.controls[ID_SONG_NAME_EDIT].text, (folder / "empty.wav").string());
        EXPECT_TRUE(win.boxes.empty()) << win.boxes.front().text;
        expectIdle();
    }
    prog.mci.handler = drive;
}

}  // namespace

namespace {

// Test & Copy on a drive whose reads differ: a pass that agrees with an earlier one ends the
// track and the log names every pass's CRC; a track whose passes never agree is kept, marked
// and not called good.
TEST_F(RipEngine, TestAndCopyReadsAgainUntilTwoPassesAgreeAndMarksATrackWhosePassesNeverDo) {
    struct Case {
        const char* what;
        std::function<bool(int pass)> wrong;  // passes from 1 whose byte is off by the pass number
        size_t passes;
        const char* agreed;
    } cases[] = {
        {"a clean disc", [](int) { return false; }, 2, "; passes 1 and 2 agree"},
        {"odd reads differ", [](int pass) { return pass % 2 == 1; }, 4, "; passes 2 and 4 agree"},
        {"every read differs", [](int) { return true; }, 5, "; no two passes agree: this copy is not proven good"},
    };
    static LibraryHashing hashing;  // outlives the fixture's program
    prog.app.p.hashing = &hashing;
    s.testAndCopy = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        int pass = 0;
        bool testPassWrote = false;  // the test pass reads and sums, nothing more
        fs::remove(folder / "copied.wav");
        cdrom.generator = [&](uint32_t block, size_t i) {
            if (block == 0 && i == 0) ++pass;
            if (pass == 1 && fs::exists(folder / "copied.wav")) testPassWrote = true;
            const uint8_t b = uint8_t(block * 7 + i);
            return block == 5 && i == 100 && c.wrong(pass) ? uint8_t(b + pass) : b;
        };
        s.rippedTracks.clear();
        const std::string path = rip("copied.wav", 1);
        const TrackRipRecord& r = s.rippedTracks.at(1);
        EXPECT_EQ(r.passCrcs.size(), c.passes);
        std::string pcm(27 * kCdFrameBytes, '\0');
        for (size_t at = 0; at < pcm.size(); ++at) pcm[at] = char(uint8_t(at / kCdFrameBytes * 7 + at % kCdFrameBytes));
        if (c.wrong(int(c.passes))) pcm[5 * kCdFrameBytes + 100] = char(uint8_t(5 * 7 + 100 + c.passes));
        EXPECT_FALSE(testPassWrote);
        // Each pass's CRC is the CRC-32 of all it read, the test pass's as the copies'.
        if (!c.wrong(1)) {
            EXPECT_EQ(r.passCrcs[0], hashing.crc32(0, reinterpret_cast<const uint8_t*>(pcm.data()), pcm.size()));
        }
        EXPECT_TRUE(readFileBytes(path) == canonicalWav(pcm)) << "the copy kept is the last pass";
        std::string log;
        for (const auto& e : fs::directory_iterator(folder))
            if (e.path().extension() == ".log") log = readFileBytes(e.path());
        std::string crcs = "  Test and Copy CRCs:";
        for (size_t k = 0; k < r.passCrcs.size(); ++k) {
            char crc[9];
            std::snprintf(crc, sizeof crc, "%08X", r.passCrcs[k]);
            crcs += (k ? ", pass " : " pass ") + std::to_string(k + 1) + " " + crc;
        }
        EXPECT_NE(log.find(crcs + c.agreed + "\n"), std::string::npos) << log;
        const bool never = c.passes == 5;
        EXPECT_EQ(s.statusText == "Test and Copy: track 1's passes differ", never) << s.statusText.str();
        EXPECT_EQ(r.verdict.rfind("Not proven", 0) == 0, never) << r.verdict;
        EXPECT_NE(log.find(never ? "0 of 1 tracks accurately ripped" : "Read mode: Burst"), std::string::npos);
    }
}

// The disc's log is never written over a file that is not its own; when every name it may take
// is another's, the user is told once and the rips go on.
TEST_F(RipEngine, ALogWithNoFreeNameIsToldOnceAndReplacesNothing) {
    rip("one.wav", 1);
    std::vector<fs::path> logs;
    for (const auto& e : fs::directory_iterator(folder))
        if (e.path().extension() == ".log") logs.push_back(e.path());
    ASSERT_EQ(logs.size(), 1u);
    EXPECT_TRUE(win.boxes.empty());
    const std::string stem = logs[0].stem().string();
    writeFileBytes(logs[0], "another disc's log\n");
    for (int k = 2; k <= 99; ++k)
        writeFileBytes(folder / (stem + " (" + std::to_string(k) + ").log"), "another disc's log\n");
    rip("two.wav", 1);
    rip("three.wav", 3);
    ASSERT_EQ(win.boxes.size(), 1u);
    EXPECT_NE(win.boxes[0].text.find("I can't write the disc's log"), std::string::npos) << win.boxes[0].text;
    EXPECT_EQ(readFileBytes(logs[0]), "another disc's log\n");
    EXPECT_TRUE(fs::exists(folder / "three.wav"));
}

}  // namespace
