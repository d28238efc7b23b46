// Ripping in the program on its real adapters, offscreen: every track of the demo disc through
// libcdio, checked byte for byte against the image and against bchunk, with the MP3 chained by
// the real encoder library; and the window alive during a rip.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "DiscSums.h"
#include "Mp3Decode.h"
#include "Rig.h"
#include "mp3/WavHeader.h"
#include "rip/RipEngine.h"

using namespace wl;
using namespace wl::e2e;

namespace {

// The audio of a WAV file, found by walking its chunks.
std::string wavAudio(const fs::path& file) {
    const std::string bytes = test::readFileBytes(file);
    const WavHeader h = readWavHeader(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    if (!h.hasData || h.malformed) return "<not a WAV file>";
    return bytes.substr(size_t(h.dataOffset), size_t(h.dataSize));
}

TEST(RipEndToEnd, EveryTrackOfTheDemoDiscIsRippedBitExactAndConvertedToMp3) {
    BoxAnswerer boxes;
    Rig prog(RipFromCd, {.convertToMp3 = true});
    ASSERT_TRUE(prog.start());
    ASSERT_EQ(prog.s().ripMode, 1);
    ASSERT_NE(prog.s().encoderModule, nullptr);

    const std::string bin = fs::path(WL_DEMO_DISC).replace_extension(".bin").string();
    const std::string image = test::readFileBytes(bin);
    const auto starts = test::cueStarts(WL_DEMO_DISC, image.size());
    ASSERT_EQ(starts.size(), 5u);
    ASSERT_EQ(prog.s().trackCount, 4);

    // The independent reader splits the same image.
    const fs::path split = prog.dir.path() / "bchunk";
    fs::create_directories(split);
    ASSERT_EQ(std::system(("bchunk -w '" + bin + "' '" WL_DEMO_DISC "' '" + (split / "t").string() + "' >/dev/null")
                              .c_str()),
              0);

    const bool canDecode = haveMpg123();
    for (int t = 1; t <= 4; ++t) {
        SCOPED_TRACE(t);
        if (t > 1) prog.window.sendCommand(ID_NEXT_TRACK);
        ASSERT_EQ(prog.s().currentTrack, t);
        const fs::path wav = prog.dir.path() / ("track " + std::to_string(t) + ".wav");
        prog.rip(wav.string());

        const std::string want =
            image.substr(starts[t - 1] * kCdFrameBytes, (starts[t] - starts[t - 1]) * kCdFrameBytes);
        const std::string bytes = test::readFileBytes(wav);
        ASSERT_EQ(bytes.size(), 44 + want.size());
        EXPECT_TRUE(bytes.compare(44, std::string::npos, want) == 0) << "the audio differs from the image";
        EXPECT_TRUE(wavAudio(wav) == wavAudio(split / ("t0" + std::to_string(t) + ".wav")))
            << "the audio differs from bchunk's";

        const fs::path mp3 = fs::path(wav).replace_extension(".mp3");
        EXPECT_EQ(prog.window.controlText(ID_SONG_NAME_EDIT, 300), mp3.string());
        if (canDecode) {
            // The encoder's delay and padding round the length to its frames.
            const long long decoded = decodedBytes(mp3.string());
            EXPECT_NEAR(double(decoded), double(want.size()), 1152 * 4 * 2) << mp3;
        }
        EXPECT_TRUE(prog.window.isControlEnabled(ID_PLAY));
    }
    EXPECT_EQ(prog.s().statusText, "Enter song name or click here:");
    EXPECT_TRUE(noBoxes(boxes));
}

// A Tracks to Record batch ripped to MP3: each track encodes on the worker while the next is
// read. The files are the ones ripping and converting track by track make; a conversion that
// fails is told for its own track and costs no other track anything.
TEST(RipEndToEnd, ATrackBatchToMp3EncodesWhileReadingAndLosesNoTrackToAFailedConversion) {
    BoxAnswerer boxes;
    Rig prog(RipFromCd, {.convertToMp3 = true});
    ASSERT_TRUE(prog.start());
    ASSERT_NE(prog.s().encoderModule, nullptr);
    const std::string image = test::readFileBytes(fs::path(WL_DEMO_DISC).replace_extension(".bin"));
    const auto starts = test::cueStarts(WL_DEMO_DISC, image.size());

    // As the Tracks to Record dialog leaves the batch: tracks 3, 1, 4, 2 under their labels.
    const int order[] = {3, 1, 4, 2};
    for (size_t i = 0; i < 4; ++i) {
        prog.s().selectionTracks[i] = order[i];
        prog.s().trackNames[size_t(order[i])] = "Track" + std::to_string(order[i]);
    }
    prog.s().batchCount = 4;
    prog.s().batchIndex = 0;
    prog.s().currentTrack = 3;
    // Track 1's MP3 cannot be made: a folder holds its name.
    fs::create_directories(prog.folder() + "track1.mp3/x");
    prog.rip(prog.folder() + "track3.wav");

    EXPECT_EQ(boxes.texts, std::vector<std::string>{"I can't create the MP3 output file. It may already exist."});
    EXPECT_EQ(boxes.captions, std::vector<std::string>{prog.folder() + "track1.mp3"});
    EXPECT_EQ(prog.s().batchCount, 0);
    EXPECT_FALSE(prog.s().workerRunning);
    EXPECT_EQ(prog.s().statusText, "Enter song name or click here:");
    EXPECT_EQ(prog.window.controlText(ID_SONG_NAME_EDIT, 300), prog.folder() + "track2.mp3");
    for (int t : order) {
        SCOPED_TRACE(t);
        const std::string wav = prog.folder() + "track" + std::to_string(t) + ".wav";
        const std::string want =
            image.substr(starts[t - 1] * kCdFrameBytes, (starts[t] - starts[t - 1]) * kCdFrameBytes);
        EXPECT_TRUE(wavAudio(wav) == want) << "the audio differs from the image";
        if (t == 1 || !haveMpg123()) continue;
        const long long decoded = decodedBytes(fs::path(wav).replace_extension(".mp3").string());
        EXPECT_NEAR(double(decoded), double(want.size()), 1152 * 4 * 2);
    }

    // The batch leaves a cue sheet naming each track's file in the batch's order (the disc has
    // no names here, so the sheet is named after its freedb ID); a cue sheet reader reads it.
    std::vector<fs::path> sheets;
    for (const auto& entry : fs::directory_iterator(prog.folder()))
        if (entry.path().extension() == ".cue") sheets.push_back(entry.path());
    ASSERT_EQ(sheets.size(), 1u);
    EXPECT_EQ(sheets[0].stem().string().size(), 8u) << sheets[0];
    const std::string sheet = test::readFileBytes(sheets[0].string());
    EXPECT_NE(sheet.find("FILE \"track3.wav\" WAVE\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"), std::string::npos)
        << sheet;
    if (std::system("command -v cueprint > /dev/null 2>&1") == 0) {
        std::string listed;
        if (std::FILE* p = popen(("cueprint -d '%N\n' -t '%n %f\n' '" + sheets[0].string() + "'").c_str(), "r")) {
            char buf[512];
            for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) listed.append(buf, n);
            pclose(p);
        }
        EXPECT_EQ(listed, "4\n1 track3.wav\n2 track1.wav\n3 track4.wav\n4 track2.wav\n");
    }
}

TEST(RipEndToEnd, TheWindowKeepsRunningDuringARipAndACloseWaitsForItsEnd) {
    BoxAnswerer boxes;
    Rig prog(RipFromCd);
    ASSERT_TRUE(prog.start());

    int ticks = 0;
    bool destroyedDuringRip = false;
    bool ripping = false;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (!ripping) return;
        ++ticks;
        if (ticks == 5) {
            prog.window.grabToPng(WL_SHOT_DIR "/program_ripping.png");
            QMetaObject::invokeMethod(prog.window.widget(), "close", Qt::QueuedConnection);
        }
        destroyedDuringRip = destroyedDuringRip || prog.app->destroyed;
    });
    probe.start(0);

    const fs::path wav = prog.dir.path() / "alive.wav";
    ripping = true;
    prog.rip(wav.string());
    ripping = false;

    EXPECT_GT(ticks, 5) << "the window served nothing during the rip";
    EXPECT_FALSE(destroyedDuringRip);
    EXPECT_FALSE(prog.app->destroyed);
    EXPECT_EQ(test::readFileBytes(wav).size(), 44 + 16 * 75 * kCdFrameBytes);
    prog.window.grabToPng(WL_SHOT_DIR "/program_ripped.png");
    // The held close arrives once the window is back in its loop.
    EXPECT_TRUE(QTest::qWaitFor([&] { return prog.app->destroyed; }, 5000));
    EXPECT_TRUE(noBoxes(boxes));
}

}  // namespace
