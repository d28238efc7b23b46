// End to end with the real encoder library: the convert mode's Play turns a generated
// 10-second WAV into an MP3 that decodes to the input's length.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>

#include "../integration/Mp3Decode.h"
#include "TestProgram.h"
#include "WavFiles.h"
#include "adapters/dl/DlEncoderLoader.h"
#include "app/Commands.h"
#include "mp3/BatchConvert.h"
#include "mp3/Convert.h"

using namespace wl;
using namespace wl::test;
namespace fs = std::filesystem;

namespace {

constexpr int kSeconds = 10;

struct LameProgram : ProgramOn<FakeWindow, DlEncoderLoader> {
    LameProgram() : ProgramOn(fs::path(WL_LAMEENC_PATH).parent_path().string()) {}
    ~LameProgram() {
        if (!app.destroyed) window.destroy();
    }
};

TEST(ConvertEndToEnd, EachWavDecodesToAllOfItsAudioAndIsKeptOrDeletedAsAsked) {
    if (!e2e::haveMpg123()) GTEST_SKIP() << "mpg123 is not installed";
    LameProgram prog;
    prog.start();
    ASSERT_NE(prog.s().encoderModule, nullptr) << "cannot load " << WL_LAMEENC_PATH;
    prog.s().convertMode = 1;
    prog.s().mp3Kbps = 128;
    const std::string wav = (prog.ownFolder.path() / "tune.wav").string();
    const std::string mp3 = (prog.ownFolder.path() / "tune.mp3").string();

    // The data size a recorder leaves at 0 when it is stopped before closing the file.
    std::string interrupted = musicWav(kSeconds);
    interrupted.replace(40, 4, le32(0));
    const struct {
        const char* name;
        std::string wav;
        int keepWav;
        int answer;  // to the question whether to delete the WAV, when asked
    } cases[] = {
        {"kept", musicWav(kSeconds), 1, IDOK},
        {"deleted, the MP3 written over the last one", musicWav(kSeconds), 0, IDYES},
        {"an interrupted recording, deleted", interrupted, 0, IDYES},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeFileBytes(wav, c.wav);
        prog.s().keepWav = c.keepWav;
        prog.window.boxes.clear();
        prog.window.answerBoxes({c.answer});
        prog.window.setControlText(ID_SONG_NAME_EDIT, wav);
        prog.window.click(ID_PLAY);
        ASSERT_TRUE(prog.window.pumpUntil([&] { return !prog.s().workerRunning; }, 120000));
        prog.s().convertThread.join();
        EXPECT_EQ(prog.window.offThreadCalls, 0);

        if (c.keepWav) {
            EXPECT_TRUE(prog.window.boxes.empty());
        } else {
            ASSERT_EQ(prog.window.boxes.size(), 1u) << "only the deletion question";
            EXPECT_EQ(prog.window.boxes[0].caption, "MP3 Convert");
        }
        EXPECT_EQ(fs::exists(wav), c.keepWav == 1);
        ASSERT_TRUE(fs::exists(mp3));
        // 128 kbit/s for 10 s is about 160 kB.
        EXPECT_NEAR(double(fs::file_size(mp3)), 160000.0, 8000.0);
        EXPECT_EQ(e2e::decodedBytes(mp3), kSeconds * 44100LL * 4);
    }
}

// The WAV Files to Convert batch on one stream and on several: a click cancels what runs,
// failures are told in list order, and every other file ends as a single conversion makes it.
TEST(ParallelBatch, CancelsAndFailuresLeaveEveryOtherFileAsASingleConversionWould) {
    LameProgram prog;
    prog.start();
    ASSERT_NE(prog.s().encoderModule, nullptr) << "cannot load " << WL_LAMEENC_PATH;
    prog.s().mp3Kbps = 128;
    prog.s().keepWav = 0;
    const fs::path folder = prog.ownFolder.path();
    const std::string music = musicWav(4);

    // What a single conversion makes of the same WAV.
    writeFileBytes(folder / "single.wav", music);
    prog.window.setControlText(ID_SONG_NAME_EDIT, (folder / "single.wav").string());
    prog.s().converting = 1;
    ConvertWavFile(prog.app);
    const std::string whole = readFileBytes(folder / "single.mp3");
    ASSERT_GT(whole.size(), 30000u);

    const std::string wrongFormat = "I can't convert this file. The format is wrong.";
    const std::string unwritable = "I can't create the MP3 output file. It may already exist.";
    const struct {
        const char* name;
        int streams;
        std::vector<std::string> files;  // "wav", "mono" (a format it refuses), "blocked" (its MP3 name is a folder)
        int clickAt;                     // click once this entry has started; -1: no click
        // "whole", "cut" (cancelled), "none"; "cut?": cut, unless it ended before the click
        // reached its stream (a slow build, a short file)
        std::vector<std::string> outcome;
        std::vector<std::string> boxes;
    } cases[] = {
        {"one stream: the click cancels its file, the next ones convert", 1, {"wav", "wav", "wav"}, 0,
         {"cut", "whole", "whole"}, {}},
        {"two streams: the click cancels both running files", 2, {"wav", "wav", "wav", "wav"}, 1,
         {"cut", "cut?", "whole", "whole"}, {}},
        {"one stream: each failure told, no other file lost", 1, {"wav", "mono", "wav", "blocked"}, -1,
         {"whole", "none", "whole", "none"}, {wrongFormat, unwritable}},
        {"two streams: the failures told in list order", 2, {"blocked", "mono", "wav", "wav"}, -1,
         {"none", "none", "whole", "whole"}, {unwritable, wrongFormat}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path dir = folder / ("case" + std::to_string(&c - cases));
        fs::create_directories(dir);
        prog.s().convertFiles.clear();
        for (size_t i = 0; i < c.files.size(); ++i) {
            const fs::path wav = dir / ("f" + std::to_string(i) + ".wav");
            writeFileBytes(wav, c.files[i] == "mono" ? canonicalWav(music.substr(44), WavFormat{1, 1, 22050, 8, ""}) : music);
            if (c.files[i] == "blocked") fs::create_directories(fs::path(wav).replace_extension(".mp3") / "x");
            prog.s().convertFiles.push_back(wav.string());
        }
        prog.s().convertFileCount = int(c.files.size());
        prog.s().conversionStreams = c.streams;
        prog.window.boxes.clear();
        prog.window.marshalCalls = true;
        bool clicked = false;
        prog.window.afterServed = [&] {
            if (clicked || c.clickAt < 0 || prog.s().convertFileIndex < c.clickAt || prog.s().converting != 1) return;
            clicked = true;
            CancelConversion(prog.app);
        };
        StartBatchConversion(prog.app);
        ASSERT_TRUE(prog.window.pumpUntil([&] { return !prog.s().workerRunning; }, 240000));
        prog.s().convertThread.join();
        prog.window.afterServed = nullptr;
        prog.window.marshalCalls = false;

        EXPECT_EQ(clicked, c.clickAt >= 0);
        std::vector<std::string> boxes;
        for (const ShownBox& b : prog.window.boxes) boxes.push_back(b.text);
        EXPECT_EQ(boxes, c.boxes);
        std::vector<std::string> outcome = c.outcome;
        for (size_t i = 0; i < c.files.size(); ++i) {
            SCOPED_TRACE(i);
            const fs::path wav = prog.s().convertFiles[i];
            const fs::path mp3 = fs::path(wav).replace_extension(".mp3");
            if (outcome[i] == "cut?") outcome[i] = fs::exists(wav) ? "cut" : "whole";
            if (outcome[i] == "whole") {
                EXPECT_TRUE(readFileBytes(mp3) == whole) << "not the single conversion's bytes";
                EXPECT_FALSE(fs::exists(wav)) << "a whole MP3 replaces its WAV";
            } else {
                EXPECT_TRUE(fs::exists(wav)) << "kept: its MP3 is not whole";
                if (outcome[i] == "cut") EXPECT_LT(fs::file_size(mp3), whole.size());
                else EXPECT_FALSE(fs::is_regular_file(mp3));
            }
        }
        EXPECT_EQ(prog.s().converting, 0);
        EXPECT_EQ(prog.s().statusText, "Enter song name or click here:");
        EXPECT_EQ(prog.window.offThreadCalls, 0);
        // No temporary MP3 left beside the others.
        std::ptrdiff_t entries = 0;
        for (size_t i = 0; i < c.files.size(); ++i)
            entries += outcome[i] == "whole" ? 1 : outcome[i] == "cut" ? 2 : 1 + (c.files[i] == "blocked");
        EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), entries);
    }
}

}  // namespace
