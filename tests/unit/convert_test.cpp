// WAV to MP3 conversion on the worker: Play in the convert mode, the routine's steps and
// failures, cancellation by the panel click, and the worker's end at exit.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include <filesystem>
#include <fstream>

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

TEST_F(Convert, OnlyTheDataChunkIsEncoded) {
    const auto samples = rampSamples(21);  // an odd number of samples: the last chunk is short
    WavFormat ext;
    ext.tag = kWaveFormatExtensible;
    ext.extra = le16(22) + std::string(22, '\x05');
    const std::string noise(64, '\x7F');
    writeFileBytes(at("long.wav"), riff(chunk("LIST", noise + "odd") + fmtChunk(ext) + chunk("data", pcmBytes(samples)) +
                                    chunk("id3 ", noise)));
    play(at("long.wav"));
    EXPECT_TRUE(win.boxes.empty());
    EXPECT_EQ(lib.samples, samples);
    EXPECT_EQ(readFileBytes(at("long.mp3")), repeat("<mp3>", 3) + "<end>");
    EXPECT_EQ(win.textsDrawn("Converting: 38 %").size(), 1u);  // 16 of 42 bytes, cut toward zero
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

TEST_F(Convert, AFileOfOnlyTheHeaderGivesTheFinalBytesAlone) {
    writeFileBytes(at("empty.wav"), canonicalWav(""));
    ASSERT_EQ(readFileBytes(at("empty.wav")).size(), 44u);
    play(at("empty.wav"));
    EXPECT_EQ(lib.chunks, 0);
    EXPECT_EQ(readFileBytes(at("empty.mp3")), "<end>");
    expectIdle(false);
}

TEST_F(Convert, PlayRefusesAMissingFileOrAWrongFormat) {
    play(at("nothere"));
    expectBox("I can't find this WAV file.", "File Error");
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

    // Not a RIFF file at all: no format to read, so the same refusal.
    prog.s().convertMode = 1;
    writeFileBytes(at("text.wav"), std::string(100, 'x'));
    play(at("text.wav"));
    EXPECT_EQ(win.lastBox()->caption, "Error");
    EXPECT_EQ(prog.s().samplesPerSec, 0);
}

TEST_F(Convert, AFileWhoseAudioRunsPastItsEndIsRefusedNotEncoded) {
    std::string bytes = canonicalWav(pcmBytes(rampSamples(40)));
    writeFileBytes(at("cut.wav"), bytes.substr(0, 60));
    play(at("cut.wav"));
    expectBox("I can't convert this file. The format is wrong.", "MP3 conversion Error");
    EXPECT_EQ(lib.chunks, 0);
    EXPECT_FALSE(fs::exists(at("cut.mp3")));
    EXPECT_TRUE(fs::exists(at("cut.wav")));
    expectIdle();
}

TEST_F(Convert, EachMissingEntryPointIsReported) {
    writeFileBytes(at("a.wav"), canonicalWav(pcmBytes(rampSamples(16))));
    for (const char* name : {"beInitStream", "beEncodeChunk", "beDeinitStream", "beCloseStream", "beVersion"}) {
        lib.install(prog.encoder, name);
        win.boxes.clear();
        play(at("a.wav"));
        expectBox("Unable to get Lame_Enc interface", "Message");
        expectIdle();
        EXPECT_FALSE(fs::exists(at("a.mp3"))) << name;
    }
}

TEST_F(Convert, EncoderRefusalsAreReportedAndTheStreamClosed) {
    writeFileBytes(at("a.wav"), canonicalWav(pcmBytes(rampSamples(40))));

    lib.initResult = 2;
    play(at("a.wav"));
    expectBox("Error opening encoding stream", "Message");
    EXPECT_EQ(lib.closes, 0);
    expectIdle();

    lib.initResult = 0;
    lib.failEncodeAt = 2;
    play(at("a.wav"));
    expectBox("beEncodeChunk() failed.", "Error");
    EXPECT_EQ(lib.closes, 1);
    EXPECT_FALSE(lib.streamOpen);
    EXPECT_EQ(readFileBytes(at("a.mp3")), repeat("<mp3>", 2));  // stays as far as it was written
    expectIdle();

    lib.failEncodeAt = -1;
    lib.deinitResult = 1;
    play(at("a.wav"));
    expectBox("beExitStream failed.", "Error");
    EXPECT_EQ(lib.closes, 2);
    expectIdle();
}

TEST_F(Convert, AFailedConversionNeverDeletesTheWav) {
    writeFileBytes(at("a.wav"), canonicalWav(pcmBytes(rampSamples(40))));
    prog.s().keepWav = 0;
    lib.failEncodeAt = 0;
    win.answerBoxes({IDYES});  // delete the WAV after conversion: yes
    play(at("a.wav"));
    EXPECT_EQ(win.boxes[0].caption, "MP3 Convert");
    expectBox("beEncodeChunk() failed.", "Error");
    EXPECT_TRUE(fs::exists(at("a.wav")));
}

TEST_F(Convert, UnwritableOrFullOutputIsReported) {
    writeFileBytes(at("a.wav"), canonicalWav(pcmBytes(rampSamples(40))));
    fs::create_directory(at("a.mp3"));
    play(at("a.wav"));
    expectBox("I can't create the MP3 output file. It may already exist.", at("a.mp3"));
    EXPECT_EQ(lib.chunks, 0);
    expectIdle();

    // A full disk: the chunks' bytes, then only the final bytes, cannot be written.
    fs::remove(at("a.mp3"));
    fs::create_symlink("/dev/full", at("a.mp3"));
    play(at("a.wav"));
    expectBox("Write error performing conversion.", "Error");
    EXPECT_EQ(lib.closes, 1);
    expectIdle();

    lib.chunkOutput = "";
    play(at("a.wav"));
    expectBox("Write error performing MP3 conversion.", "Error");
    expectIdle();
    EXPECT_TRUE(fs::exists(at("a.wav")));
}

TEST_F(Convert, ASourceThatShrinksWhileReadIsAReadError) {
    // Larger than what the reader may already hold in its buffer.
    writeFileBytes(at("a.wav"), canonicalWav(pcmBytes(rampSamples(20000))));
    lib.samplesPerChunk = 2000;
    lib.onEncode = [wav = at("a.wav")](int chunk) {
        if (chunk == 1) fs::resize_file(wav, 44 + 20);
    };
    play(at("a.wav"));
    expectBox("Read error performing conversion.", "Error");
    EXPECT_EQ(lib.closes, 1);
    expectIdle();
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

TEST_F(Convert, ExitStopsTheWorkerAfterItsChunkAndRemovesTheIncompleteMp3) {
    writeFileBytes(at("a.wav"), canonicalWav(pcmBytes(rampSamples(400))));
    prog.s().keepWav = 0;
    win.answerBoxes({IDYES});
    bool loadedAtClose = false;
    lib.onEncode = [&](int chunk) {
        loadedAtClose = prog.encoder.loaded;
        // Hold the worker mid-file until the exit asks it to stop, however slow the machine.
        if (chunk >= 5)
            for (int i = 0; i < 5000 && !prog.s().stopConversion; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
    };
    win.setControlText(ID_SONG_NAME_EDIT, at("a.wav"));
    win.click(ID_PLAY);
    ASSERT_TRUE(win.pumpUntil([&] { return progressDrawn() >= 3; }));
    win.destroy();  // TearDown checks the worker has been joined
    EXPECT_FALSE(prog.s().convertThread.joinable());
    EXPECT_LT(lib.chunks, 50);
    EXPECT_EQ(lib.closes, 1);
    EXPECT_TRUE(loadedAtClose);
    EXPECT_EQ(prog.encoder.unloads, 1);
    EXPECT_FALSE(fs::exists(at("a.mp3")));
    EXPECT_TRUE(fs::exists(at("a.wav")));
    EXPECT_EQ(win.boxes.size(), 1u);  // only the deletion question
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
