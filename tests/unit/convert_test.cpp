// WAV to MP3 conversion on the worker: Play in the convert mode, the routine's steps and
// failures, cancellation by the panel click, and the worker's end at exit.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

#include "CrampedFolder.h"
#include "FakeEncoderLibrary.h"
#include "TestProgram.h"
#include "WavFiles.h"
#include "app/Commands.h"
#include "mp3/Convert.h"
#include "mp3/WavHeader.h"

using namespace wl;
using namespace wl::test;
namespace fs = std::filesystem;

namespace {

const std::string kPrompt = "Enter song name or click here:";

std::string repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

// Every file in the folder, by name and contents.
std::map<std::string, std::string> folderContents(const fs::path& folder) {
    std::map<std::string, std::string> out;
    for (auto& e : fs::directory_iterator(folder))
        out[e.path().filename().string()] = e.is_symlink()        ? "(link to " + fs::read_symlink(e).string() + ")"
                                            : e.is_regular_file() ? readFileBytes(e.path())
                                                                  : "(not a file)";
    return out;
}

class Convert : public ::testing::Test {
protected:
    TempWorkingDir dir;
    TestProgram prog{dir.path()};
    FakeEncoderLibrary lib;
    FakeWindow& win = prog.window;

    void SetUp() override {
        lib.install(prog.encoder);
        prog.cdrom.failReadToc = true;
        ASSERT_EQ(prog.start(), 0);
        // The mode command belongs to the modes; set what it leaves behind.
        prog.s().convertMode = 1;
        prog.s().keepWav = 1;
        prog.s().mp3Kbps = 128;
        win.enableControl(ID_PLAY, true);
        win.boxes.clear();
        win.marshalCalls = true;
    }
    void TearDown() override {
        win.destroy();
        EXPECT_FALSE(prog.s().convertThread.joinable());
        EXPECT_EQ(win.offThreadCalls, 0) << "the worker touched the window outside runOnWindowThread";
    }

    // A file of the test's folder; the process's working folder is not the test's.
    std::string at(const std::string& name) const { return (dir.path() / name).string(); }

    // Play with `typed` in the song name box; serves the worker until it has ended.
    void play(const std::string& typed) {
        win.setControlText(ID_SONG_NAME_EDIT, typed);
        win.click(ID_PLAY);
        waitForWorker();
    }
    void waitForWorker() {
        ASSERT_TRUE(win.pumpUntil([&] { return !prog.s().workerRunning; }));
        if (prog.s().convertThread.joinable()) prog.s().convertThread.join();
    }
    int progressDrawn() const {
        int n = 0;
        for (auto& op : win.drawn)
            if (op.kind == DrawOp::Text && op.immediate && op.text.rfind("Converting: ", 0) == 0) ++n;
        return n;
    }
    void expectBox(const std::string& text, const std::string& caption) {
        ASSERT_NE(win.lastBox(), nullptr);
        EXPECT_EQ(win.lastBox()->text, text);
        EXPECT_EQ(win.lastBox()->caption, caption);
        EXPECT_EQ(win.lastBox()->type, MB_OK);
    }
    // After a success Play comes back with the next poll; after a failure at once.
    void expectIdle(bool playEnabled = true) {
        EXPECT_EQ(prog.s().converting, 0);
        if (playEnabled) {
            EXPECT_TRUE(win.isControlEnabled(ID_PLAY));
        }
        EXPECT_TRUE(win.isControlEnabled(ID_SONG_NAME_EDIT));
        EXPECT_TRUE(win.isControlEnabled(ID_EXIT));
        EXPECT_EQ(prog.s().statusText, kPrompt);
        EXPECT_TRUE(win.timerRunning(PollTimer));
        EXPECT_EQ(win.cursors.back(), CursorKind::Arrow);
    }
};

TEST_F(Convert, PlayEncodesTheWholeFileOnTheWorkerAndReturnsToIdle) {
    const auto samples = rampSamples(100);
    writeFileBytes(at("Song.wav"), canonicalWav(pcmBytes(samples)));
    prog.mci.on("status cd number of tracks", 0, "3");
    prog.mci.on("status cd length track 2", 0, "04:10:33");
    win.killTimer(PollTimer);

    play(at("Song.txt"));  // any typed extension becomes ".wav"

    EXPECT_TRUE(win.boxes.empty());
    EXPECT_EQ(lib.samples, samples);
    EXPECT_EQ(lib.chunks, 13);  // 100 samples in chunks of 8
    EXPECT_EQ(readFileBytes(at("Song.mp3")), repeat("<mp3>", 13) + "<end>");
    EXPECT_EQ(lib.closes, 1);
    // The encoder configuration: plain MP3, 44,100 Hz, stereo, the bit rate, nothing else.
    std::vector<uint8_t> config(27, 0);
    config[4] = 0x44, config[5] = 0xAC, config[9] = 128;
    EXPECT_EQ(lib.config, config);
    // Progress after every chunk, and the idle state back.
    EXPECT_EQ(progressDrawn(), 13);
    ASSERT_EQ(win.textsDrawn("Converting: 100 %").size(), 1u);
    EXPECT_EQ(win.textsDrawn("Converting: 100 %")[0].style.color, (Rgb{131, 31, 58}));
    EXPECT_EQ(win.textsDrawn("Converting: 8 %").size(), 1u);
    expectIdle(false);
    EXPECT_EQ(win.controls[ID_SONG_NAME_EDIT].text, at("song.mp3"));
    EXPECT_FALSE(win.isControlEnabled(ID_PLAYBACK));
    EXPECT_EQ(prog.s().currentTrackText, "C");
    EXPECT_EQ(prog.s().songName, at("Song.wav"));
    EXPECT_EQ(prog.s().lastRecordedFile, at("Song.wav"));
    EXPECT_TRUE(fs::exists(at("Song.wav")));
    // The disc's track table is read again.
    EXPECT_EQ(prog.s().trackCount, 3);
    EXPECT_EQ(prog.s().trackLengths[2], "04:10:33");
    EXPECT_EQ(prog.mci.count("status cd length track 3"), 1u);
}

TEST_F(Convert, ProgressIsDrawnOncePerFigure) {
    writeFileBytes(at("many.wav"), canonicalWav(pcmBytes(rampSamples(4000))));
    lib.samplesPerChunk = 2;
    play(at("many.wav"));
    EXPECT_EQ(lib.chunks, 2000);
    EXPECT_EQ(progressDrawn(), 101);  // 0 % to 100 %
    for (int p : {0, 1, 50, 99, 100}) EXPECT_EQ(win.textsDrawn("Converting: " + std::to_string(p) + " %").size(), 1u);
    EXPECT_EQ(readFileBytes(at("many.mp3")).size(), 2000 * 5 + 5u);
}

TEST_F(Convert, PlayRefusesAMissingFileOrAWrongFormat) {
    play(at("nothere"));
    expectBox("I can't find this WAV file. \"" + at("nothere.wav") + "\"", "File Error");
    EXPECT_EQ(prog.s().songName, at("nothere.wav"));
    EXPECT_EQ(win.controls[ID_SONG_NAME_EDIT].text, at("nothere.wav"));

    writeFileBytes(at("low.wav"), canonicalWav(std::string(40, 'a'), WavFormat{1, 2, 22050, 16, {}}));
    play(at("low.wav"));
    expectBox("To convert, the WAV file must be recorded in stereo with 16 bits per sample and 44,100 samples per "
              "second. Click on \"Settings->WAV Parameters.\"",
              "Error");
    EXPECT_EQ(prog.s().convertMode, 0);
    EXPECT_EQ(win.commandsSent.back(), ID_RECORD_FROM_CD);
    EXPECT_EQ(prog.s().samplesPerSec, 22050);
    EXPECT_EQ(prog.s().bitsPerSample, 16);
    EXPECT_TRUE(lib.config.empty());  // no conversion started
    EXPECT_FALSE(fs::exists(at("low.mp3")));

    // Not a RIFF file at all: the same refusal, saying why.
    prog.s().convertMode = 1;
    writeFileBytes(at("text.wav"), std::string(100, 'x'));
    play(at("text.wav"));
    expectBox("To convert, the WAV file must be recorded in stereo with 16 bits per sample and 44,100 samples per "
              "second. Click on \"Settings->WAV Parameters.\" \"" + at("text.wav") + "\" is not a WAV file.",
              "Error");
    EXPECT_EQ(prog.s().samplesPerSec, 0);
}

TEST_F(Convert, TheDataChunkIsEncodedAsTheFileHoldsItBeforeTheWavIsDeleted) {
    const auto samples = rampSamples(400);
    const std::string pcm = pcmBytes(samples);
    const auto odd = rampSamples(21);  // the last chunk is short
    WavFormat ext;
    ext.tag = kWaveFormatExtensible;
    ext.extra = le16(22) + std::string(22, '\x05');
    const std::string noise(64, '\x7F');
    struct Case {
        const char* what;
        std::string bytes;
        std::vector<int16_t> samples;
        int chunks;
        const char* progress;  // a figure the progress must show, from the audio's true size
    } cases[] = {
        {"only the header", canonicalWav(""), {}, 0, nullptr},
        {"chunks around the audio, an extensible format",
         riff(chunk("LIST", noise + "odd") + fmtChunk(ext) + chunk("data", pcmBytes(odd)) + chunk("id3 ", noise)), odd,
         3, "Converting: 38 %"},  // 16 of 42 bytes, cut toward zero
        // The data size a recorder leaves when it is stopped, or when the file is cut short.
        {"size 0", riff(fmtChunk() + chunk("data", pcm, 0)), samples, 50, "Converting: 2 %"},
        {"size of a longer file", riff(fmtChunk() + chunk("data", pcm, 100000)), samples, 50, "Converting: 2 %"},
        {"size of the first chunks", riff(fmtChunk() + chunk("data", pcm, 32)), samples, 50, "Converting: 2 %"},
    };
    prog.s().keepWav = 0;
    for (auto& c : cases) {
        SCOPED_TRACE(c.what);
        lib.samples.clear();
        lib.chunks = 0;
        win.drawn.clear();
        win.boxes.clear();
        writeFileBytes(at("take.wav"), c.bytes);
        win.answerBoxes({IDYES});  // delete the WAV after conversion: yes
        play(at("take.wav"));
        EXPECT_EQ(win.boxes.size(), 1u) << "the deletion question only";
        EXPECT_EQ(lib.samples, c.samples);
        EXPECT_EQ(lib.chunks, c.chunks);
        EXPECT_EQ(readFileBytes(at("take.mp3")), repeat("<mp3>", c.chunks) + "<end>");
        if (c.progress) {
            EXPECT_EQ(win.textsDrawn(c.progress).size(), 1u);
        }
        EXPECT_FALSE(fs::exists(at("take.wav")));
        expectIdle(false);
    }
}

TEST_F(Convert, AWavThatChangesWhileConvertedIsNotDeleted) {
    prog.s().keepWav = 0;
    writeFileBytes(at("live.wav"), riff(fmtChunk() + chunk("data", pcmBytes(rampSamples(40)), 0)));
    // The recorder is still writing: audio arrives after the conversion has read the size.
    lib.onEncode = [this](int chunk) {
        if (chunk == 0) std::ofstream(at("live.wav"), std::ios::binary | std::ios::app) << std::string(400, '\1');
    };
    win.answerBoxes({IDYES});
    play(at("live.wav"));
    EXPECT_EQ(win.boxes.size(), 1u);
    EXPECT_TRUE(fs::exists(at("live.mp3")));
    EXPECT_TRUE(fs::exists(at("live.wav")));
}

TEST_F(Convert, AFailedConversionSaysWhyAndLeavesTheFolderAsItWas) {
    const std::string wav = canonicalWav(pcmBytes(rampSamples(40)));  // 5 chunks
    std::map<std::string, std::string> before;
    auto earlierMp3 = [&] { writeFileBytes(at("a.mp3"), "OLD SONG"); };
    auto missing = [&](const char* entry) { return [&, entry] { lib.install(prog.encoder, entry); }; };
    const std::string noOutput = "I can't create the MP3 output file. It may already exist.";
    struct Case {
        const char* what;
        std::function<void()> arrange;
        std::string text, caption;
        bool encodes;
    };
    const Case cases[] = {
        {"no beInitStream", missing("beInitStream"), "Unable to get Lame_Enc interface", "Message", false},
        {"no beEncodeChunk", missing("beEncodeChunk"), "Unable to get Lame_Enc interface", "Message", false},
        {"no beDeinitStream", missing("beDeinitStream"), "Unable to get Lame_Enc interface", "Message", false},
        {"no beCloseStream", missing("beCloseStream"), "Unable to get Lame_Enc interface", "Message", false},
        {"no beVersion", missing("beVersion"), "Unable to get Lame_Enc interface", "Message", false},
        {"a refused bit rate", [&] { earlierMp3(); lib.initResult = 2; }, "Error opening encoding stream", "Message",
         false},
        {"an encoder failing at once", [&] { lib.failEncodeAt = 0; }, "beEncodeChunk() failed.", "Error", true},
        {"an encoder failing mid-file", [&] { lib.failEncodeAt = 2; }, "beEncodeChunk() failed.", "Error", true},
        {"an encoder failing mid-file over an earlier MP3", [&] { earlierMp3(); lib.failEncodeAt = 3; },
         "beEncodeChunk() failed.", "Error", true},
        {"an encoder failing at the end", [&] { earlierMp3(); lib.deinitResult = 1; }, "beExitStream failed.", "Error",
         true},
        {"a source that shrinks while read",
         [&] {
             // Larger than what the reader may already hold in its buffer.
             writeFileBytes(at("a.wav"), canonicalWav(pcmBytes(rampSamples(20000))));
             lib.samplesPerChunk = 2000;
             lib.onEncode = [&](int chunk) {
                 if (chunk != 1) return;
                 fs::resize_file(at("a.wav"), 44 + 20);
                 before["a.wav"] = readFileBytes(at("a.wav"));
             };
         },
         "Read error performing conversion.", "Error", true},
        {"an MP3 name that is a folder", [&] { fs::create_directory(at("a.mp3")); }, noOutput, at("a.mp3"), false},
        {"an MP3 name that is a device", [&] { fs::create_symlink("/dev/null", at("a.mp3")); }, noOutput, at("a.mp3"),
         false},
        {"an MP3 name linked to the source", [&] { fs::create_symlink(at("a.wav"), at("a.mp3")); }, noOutput,
         at("a.mp3"), false},
        {"an MP3 name that is a hard link of the source", [&] { fs::create_hard_link(at("a.wav"), at("a.mp3")); },
         noOutput, at("a.mp3"), false},
        {"an MP3 name linked to the source through another folder",
         [&] {
             fs::create_directory(at("other"));
             fs::create_symlink(at("a.wav"), at("other/y.mp3"));
             fs::create_symlink("other/y.mp3", at("a.mp3"));
         },
         noOutput, at("a.mp3"), false},
    };
    prog.s().keepWav = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(at("a.mp3"));
        fs::remove_all(at("other"));
        writeFileBytes(at("a.wav"), wav);
        lib.install(prog.encoder);
        lib.initResult = lib.deinitResult = 0;
        lib.failEncodeAt = -1;
        lib.samplesPerChunk = 8;
        lib.onEncode = nullptr;
        lib.config.clear();
        lib.chunks = lib.closes = 0;
        win.boxes.clear();
        c.arrange();
        before = folderContents(dir.path());
        win.answerBoxes({IDYES});  // delete the WAV after conversion: yes
        play(at("a.wav"));
        EXPECT_EQ(win.boxes.size(), 2u);
        EXPECT_EQ(win.boxes.empty() ? "" : win.boxes[0].caption, "MP3 Convert");
        expectBox(c.text, c.caption);
        EXPECT_EQ(lib.chunks > 0, c.encodes);
        // A stream that was opened is closed, once.
        EXPECT_FALSE(lib.streamOpen);
        EXPECT_EQ(lib.closes, !lib.config.empty() && lib.initResult == 0 ? 1 : 0);
        EXPECT_EQ(folderContents(dir.path()), before);
        expectIdle();
    }
}

TEST_F(Convert, AnMp3LinkedToAnotherMp3IsWrittenThroughItsLink) {
    writeFileBytes(at("x.wav"), canonicalWav(pcmBytes(rampSamples(40))));
    writeFileBytes(at("old.mp3"), "OLD SONG");
    fs::create_symlink(at("old.mp3"), at("x.mp3"));
    prog.s().keepWav = 0;
    win.answerBoxes({IDYES});
    play(at("x.wav"));
    EXPECT_EQ(readFileBytes(at("old.mp3")), repeat("<mp3>", 5) + "<end>");
    EXPECT_TRUE(fs::is_symlink(at("x.mp3")));
    EXPECT_FALSE(fs::exists(at("x.wav")));
}

TEST_F(Convert, APanelClickEndsTheFileEarlyAndKeepsItsWav) {
    writeFileBytes(at("a.wav"), canonicalWav(pcmBytes(rampSamples(80))));
    prog.s().keepWav = 0;
    win.answerBoxes({IDYES});
    size_t mciBeforeClick = 0, mciAfterClick = 0;
    // The user clicks the black panel once the second chunk's progress is on screen.
    win.afterServed = [&] {
        if (progressDrawn() == 2 && mciBeforeClick == 0) {
            mciBeforeClick = prog.mci.sent.size();
            prog.proc.onClick(3 * 7, 2 * 16, false);
            mciAfterClick = prog.mci.sent.size();
            // Play at once: the cancelled worker still needs the window, so this must not wait for it.
            win.click(ID_PLAY);
        }
    };
    play(at("a.wav"));
    EXPECT_EQ(mciAfterClick, mciBeforeClick);  // the click sends nothing to the devices
    EXPECT_EQ(lib.chunks, 3);                  // the chunk in progress is finished
    EXPECT_EQ(readFileBytes(at("a.mp3")), repeat("<mp3>", 3) + "<end>");
    EXPECT_TRUE(fs::exists(at("a.wav")));
    EXPECT_EQ(win.boxes.size(), 1u);
    EXPECT_NE(std::find(win.invalidated.begin(), win.invalidated.end(), std::nullopt), win.invalidated.end());
    expectIdle(false);
    EXPECT_EQ(prog.s().playbackActive, 0);
}

TEST_F(Convert, TheDeletionQuestionDecidesWhetherTheWavStays) {
    writeFileBytes(at("a.wav"), canonicalWav(pcmBytes(rampSamples(16))));
    prog.s().keepWav = 0;
    win.answerBoxes({IDYES});
    play(at("a.wav"));
    ASSERT_EQ(win.boxes.size(), 1u);
    EXPECT_EQ(win.boxes[0].text, "Are you sure you want to delete the WAV file after conversion?");
    EXPECT_EQ(win.boxes[0].type, MB_YESNO);
    EXPECT_EQ(prog.s().keepWav, 0);
    EXPECT_FALSE(fs::exists(at("a.wav")));
    EXPECT_TRUE(fs::exists(at("a.mp3")));
    EXPECT_FALSE(win.isControlEnabled(ID_PLAYBACK));

    writeFileBytes(at("b.wav"), canonicalWav(pcmBytes(rampSamples(16))));
    win.answerBoxes({IDNO});
    play(at("b.wav"));
    EXPECT_EQ(prog.s().keepWav, 1);
    EXPECT_TRUE(fs::exists(at("b.wav")));
    EXPECT_EQ(prog.s().lastRecordedFile, at("b.wav"));
    // Not asked again while keepWav is 1.
    win.boxes.clear();
    play(at("b.wav"));
    EXPECT_TRUE(win.boxes.empty());
}

TEST_F(Convert, ASecondPlayWhileTheWorkerRunsIsRefused) {
    writeFileBytes(at("a.wav"), canonicalWav(pcmBytes(rampSamples(40))));
    win.setControlText(ID_SONG_NAME_EDIT, at("a.wav"));
    win.click(ID_PLAY);
    EXPECT_EQ(prog.s().converting, 1);
    EXPECT_FALSE(win.isControlEnabled(ID_PLAY));
    EXPECT_FALSE(win.isControlEnabled(ID_SONG_NAME_EDIT));
    EXPECT_FALSE(win.timerRunning(PollTimer));
    win.click(ID_PLAY);  // the worker waits for the window meanwhile
    waitForWorker();
    EXPECT_EQ(lib.chunks, 5);
    EXPECT_TRUE(win.boxes.empty());
}

// Plays a.wav (an earlier a.mp3 beside it, the WAV to be deleted after), holding the worker
// mid-file until the program asks it to stop, however slow the machine; `alsoOnEncode` sees
// every chunk first.
void playHeldMidFile(TestProgram& prog, FakeWindow& win, FakeEncoderLibrary& lib, const std::string& wav,
                     const std::string& mp3, const std::function<void(int)>& alsoOnEncode = {},
                     std::map<std::string, std::string>* folderBeforePlay = nullptr) {
    writeFileBytes(wav, canonicalWav(pcmBytes(rampSamples(400))));
    writeFileBytes(mp3, "OLD SONG");
    prog.s().keepWav = 0;
    win.answerBoxes({IDYES});
    lib.onEncode = [&prog, alsoOnEncode](int chunk) {
        if (alsoOnEncode) alsoOnEncode(chunk);
        if (chunk >= 5)
            for (int i = 0; i < 5000 && !conversionStopped(prog.s()); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
    };
    win.setControlText(ID_SONG_NAME_EDIT, wav);
    if (folderBeforePlay) *folderBeforePlay = folderContents(fs::path(wav).parent_path());
    win.click(ID_PLAY);
}

TEST_F(Convert, ExitStopsTheWorkerAfterItsChunkAndRemovesTheIncompleteMp3) {
    bool loadedAtClose = false;
    std::string finalNameMidRun;
    std::map<std::string, std::string> before;
    playHeldMidFile(
        prog, win, lib, at("a.wav"), at("a.mp3"),
        [&](int chunk) {
            loadedAtClose = prog.encoder.loaded;
            if (chunk == 1) finalNameMidRun = readFileBytes(at("a.mp3"));
        },
        &before);
    ASSERT_TRUE(win.pumpUntil([&] { return progressDrawn() >= 3; }));
    win.destroy();  // TearDown checks the worker has been joined
    EXPECT_FALSE(prog.s().convertThread.joinable());
    EXPECT_LT(lib.chunks, 50);
    EXPECT_EQ(lib.closes, 1);
    EXPECT_TRUE(loadedAtClose);
    EXPECT_EQ(prog.encoder.unloads, 1);
    // The earlier MP3 keeps its name until a run ends; an exit ends none.
    EXPECT_EQ(finalNameMidRun, "OLD SONG");
    EXPECT_EQ(folderContents(dir.path()), before);
    EXPECT_EQ(win.boxes.size(), 1u);  // only the deletion question
}

// A session's end (a signal) is no one's answer to the deletion: the file is stopped as a
// panel click stops it, what was encoded kept under the MP3's name, the WAV left.
TEST_F(Convert, SessionEndKeepsWhatWasEncodedAsACancelledFileAndTheWav) {
    playHeldMidFile(prog, win, lib, at("a.wav"), at("a.mp3"));
    const std::string audio = readFileBytes(at("a.wav"));
    ASSERT_TRUE(win.pumpUntil([&] { return progressDrawn() >= 3; }));
    win.endSession();
    EXPECT_TRUE(prog.app.destroyed);
    EXPECT_FALSE(prog.s().convertThread.joinable());
    EXPECT_LT(lib.chunks, 50);
    EXPECT_EQ(lib.closes, 1);
    EXPECT_EQ(readFileBytes(at("a.wav")), audio);
    const std::string kept = readFileBytes(at("a.mp3"));
    EXPECT_NE(kept, "OLD SONG");
    EXPECT_FALSE(kept.empty());
}

class ConvertOnAFullDisk : public Convert, public ::testing::WithParamInterface<Cramp> {};

TEST_P(ConvertOnAFullDisk, LeavesTheEarlierMp3AndTheWavAsTheyWere) {
    CrampedFolder disk(GetParam(), dir.path() / "disk");
    if (!disk.usable()) GTEST_SKIP() << "no tmpfs can be mounted here";
    const fs::path wav = disk.path() / "song.wav", mp3 = disk.path() / "song.mp3";
    const std::string audio = canonicalWav(pcmBytes(rampSamples(400)));  // 50 chunks
    writeFileBytes(wav, audio);
    writeFileBytes(mp3, "OLD SONG");
    prog.s().keepWav = 0;
    lib.bufferSize = 20000;
    lib.chunkOutput = std::string(1000, 'm');
    disk.fill(8192);

    win.answerBoxes({IDYES});  // delete the WAV after conversion: yes
    play(wav.string());
    expectBox("Write error performing conversion.", "Error");
    EXPECT_EQ(lib.closes, 1);
    expectIdle();

    // Room for the chunks, none for the final bytes.
    lib.chunkOutput = "";
    lib.finalOutput = std::string(20000, 'e');
    win.answerBoxes({IDYES});
    play(wav.string());
    expectBox("Write error performing MP3 conversion.", "Error");

    disk.relieve();
    EXPECT_EQ(folderContents(disk.path()), (std::map<std::string, std::string>{{"song.mp3", "OLD SONG"},
                                                                                 {"song.wav", audio}}));
    // With room again, the new MP3 takes the old one's place and the WAV goes.
    lib.finalOutput = "<end>";
    win.answerBoxes({IDYES});
    play(wav.string());
    EXPECT_EQ(folderContents(disk.path()), (std::map<std::string, std::string>{{"song.mp3", "<end>"}}));
}

INSTANTIATE_TEST_SUITE_P(, ConvertOnAFullDisk, ::testing::Values(Cramp::SmallFileSystem, Cramp::FileSizeLimit),
                         crampName);

TEST_F(Convert, AModeChosenWhileConvertingIsShownIdleWhenTheWorkerEnds) {
    writeFileBytes(at("a.wav"), canonicalWav(pcmBytes(rampSamples(80))));
    struct Case {
        const char* what;
        int mode;
        int failEncodeAt;
        const char* playCaption;
    } cases[] = {
        {"Record from CD", ID_RECORD_FROM_CD, -1, "Play"},
        {"Record from Line In", ID_RECORD_FROM_LINE_IN, -1, "&Record"},
        {"Record from CD, then a failure", ID_RECORD_FROM_CD, 4, "Play"},
    };
    win.paint();
    for (auto& c : cases) {
        SCOPED_TRACE(c.what);
        win.click(ID_CONVERT_WAV_TO_MP3);
        lib.failEncodeAt = c.failEncodeAt;
        const int drawnBefore = progressDrawn();
        int drawnSoFar = drawnBefore;
        size_t invalidatedAtProgress = 0;
        win.afterServed = [&] {
            if (progressDrawn() == drawnSoFar) return;
            drawnSoFar = progressDrawn();
            invalidatedAtProgress = win.invalidated.size();
            if (drawnSoFar - drawnBefore == 2) win.click(c.mode);
        };
        play(at("a.wav"));
        win.afterServed = nullptr;
        EXPECT_EQ(prog.s().convertMode, 0);
        EXPECT_EQ(win.controls[ID_PLAY].text, c.playCaption);
        expectIdle();
        // The last progress drawn is painted over.
        ASSERT_GT(win.invalidated.size(), invalidatedAtProgress);
        EXPECT_EQ(win.invalidated.back(), std::optional<Rect>(prog.s().statusRect));
    }
}

TEST_F(Convert, OnTheWindowThreadTheRoutineConvertsTheFileUnderTheSaveFolder) {
    // As a saved recording or a rip hands it over: no worker, another mode.
    win.marshalCalls = false;
    prog.s().convertMode = 0;
    fs::create_directory(at("Out"));
    writeFileBytes(at("Out/take.wav"), canonicalWav(pcmBytes(rampSamples(16))));
    prog.s().savePath = (dir.path() / "Out/").string();
    win.setControlText(ID_SONG_NAME_EDIT, "/elsewhere/take.wav");
    prog.s().converting = 1;
    ConvertWavFile(prog.app);
    EXPECT_TRUE(win.boxes.empty());
    EXPECT_EQ(prog.s().converting, 0);
    EXPECT_EQ(prog.s().songName, at("Out/take.wav"));
    EXPECT_EQ(readFileBytes(at("Out/take.mp3")), repeat("<mp3>", 2) + "<end>");
    EXPECT_TRUE(win.isControlEnabled(ID_PLAYBACK));  // keepWav 1, single file
    EXPECT_EQ(win.controls[ID_SONG_NAME_EDIT].text, "/elsewhere/take.wav");  // the caller shows the MP3 name
}

TEST_F(Convert, ABatchEntryIsConvertedBesideItself) {
    win.marshalCalls = false;
    fs::create_directory(at("b"));
    writeFileBytes(at("b/one.wav"), canonicalWav(pcmBytes(rampSamples(8))));
    writeFileBytes(at("b/two.wav"), canonicalWav(pcmBytes(rampSamples(8))));
    prog.s().convertFiles = {at("b/one.wav"), at("b/two.wav")};
    prog.s().convertFileCount = 2;
    prog.s().convertFileIndex = 0;
    prog.s().converting = 1;
    ConvertWavFile(prog.app);
    EXPECT_TRUE(fs::exists(at("b/one.mp3")));
    EXPECT_FALSE(fs::exists(at("b/two.mp3")));
    EXPECT_NE(win.controls[ID_SONG_NAME_EDIT].text, at("b/one.mp3"));  // not the last file yet
    prog.s().convertFileIndex = 1;
    prog.s().converting = 1;
    ConvertWavFile(prog.app);
    EXPECT_EQ(win.controls[ID_SONG_NAME_EDIT].text, at("b/two.mp3"));
    EXPECT_EQ(mp3NameFor("/home/Ann/Music.d/Song.Wav"), "/home/Ann/Music.d/Song.mp3");
    EXPECT_EQ(mp3NameFor("/a.b/song"), "/a.b/song.mp3");
}

}  // namespace
