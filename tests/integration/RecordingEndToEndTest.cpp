// Recording and play back through the program's own window on the real adapters.
#include <gtest/gtest.h>

#include "Rig.h"

using namespace wl;
using namespace wl::e2e;

namespace {

TEST(RecordingEndToEnd, ACdRecordingEndsWithTheTrackAndHoldsTheImagesSamples) {
    BoxAnswerer boxes;
    Rig rig(RecordFromCd);
    ASSERT_TRUE(rig.start());
    rig.window.sendCommand(ID_LAST_TRACK);  // track 4, the last: 50 s to the end of the disc
    ASSERT_EQ(rig.s().currentTrack, 4);
    rig.type(rig.folder() + "Bells");
    rig.window.sendCommand(ID_PLAY);
    ASSERT_EQ(rig.s().recording, 1) << (boxes.texts.empty() ? "" : boxes.texts.back());
    EXPECT_EQ(rig.s().mciCommand.str(), "play cd from 4:00:00:00 to 4:" + rig.s().trackTimeText.str());
    rig.window.grabToPng(WL_SHOT_DIR "/recording_from_cd.png");
    ASSERT_TRUE(QTest::qWaitFor([&] { return rig.s().recording == 0; }, 30000));

    const std::string file = rig.folder() + "bells.wav";
    ASSERT_TRUE(fs::exists(file));
    const std::string data = wavData(file);
    const std::string track = imageBytes(50 * 75, SIZE_MAX);
    ASSERT_EQ(track.size(), 12u * 75 * kCdFrameBytes);
    const size_t at = exactOffset(data, track);
    ASSERT_NE(at, std::string::npos) << "the track's samples, every one, in order";
    // Around it only the silent line input before the play and after its end.
    EXPECT_EQ(data.find_first_not_of('\0', at + track.size()), std::string::npos);
    ASSERT_FALSE(boxes.texts.empty());
    EXPECT_EQ(boxes.texts.back(), "I have saved the song to your hard drive.");
    EXPECT_EQ(boxes.captions.back(), file);
    EXPECT_EQ(rig.s().lastRecordedFile.str(), file);
    EXPECT_TRUE(rig.window.isControlEnabled(ID_PLAYBACK));
    EXPECT_TRUE(rig.window.isControlEnabled(ID_PLAY));
    EXPECT_FALSE(fs::exists(file + ".part"));
}

TEST(RecordingEndToEnd, APartialRecordingCapturesFromStartToSave) {
    BoxAnswerer boxes;
    Rig rig(PartialCdRecording);
    ASSERT_TRUE(rig.start());
    ASSERT_EQ(rig.s().partialMode, 1);
    ASSERT_EQ(rig.s().currentTrack, 1);
    rig.type(rig.folder() + "part");
    rig.window.sendCommand(ID_PLAY);
    EXPECT_EQ(rig.window.controlText(ID_PLAY, 10), "Start");
    ASSERT_TRUE(rig.waitAudio(3));
    rig.window.sendCommand(ID_PLAY);
    EXPECT_EQ(rig.s().statusText, "Click on Save to stop...");
    ASSERT_TRUE(rig.waitAudio(4));
    rig.window.sendCommand(ID_SAVE);
    EXPECT_EQ(rig.s().recording, 0);

    const std::string data = wavData(rig.folder() + "part.wav");
    const std::string track = imageBytes(0, 16 * 75);
    // About four seconds from somewhere after the third, all of it the track's own bytes.
    EXPECT_GT(data.size(), 3u * 176400);
    EXPECT_LT(data.size(), 6u * 176400);
    ASSERT_EQ(data.size() % 4, 0u);
    const size_t at = track.find(data.substr(0, 4096));
    ASSERT_NE(at, std::string::npos);
    EXPECT_GE(at, 2u * 176400);
    EXPECT_EQ(track.compare(at, data.size(), data), 0);
    EXPECT_EQ(boxes.texts.back(), "I have saved the song to your hard drive.");
}

TEST(RecordingEndToEnd, LineInRecordsTheInputAndPlaysItBack) {
    BoxAnswerer boxes;
    Rig rig(RecordFromLineIn, {.lineInSeconds = 3});
    const std::string pcm = rig.lineInPcm();
    ASSERT_TRUE(rig.start());
    ASSERT_EQ(rig.s().lineInMode, 1);
    rig.type(rig.folder() + "Live Take");
    ASSERT_TRUE(QTest::qWaitFor([&] { return rig.window.isControlEnabled(ID_PLAY); }, 5000));
    rig.window.sendCommand(ID_PLAY);
    ASSERT_EQ(rig.s().recording, 1);
    EXPECT_TRUE(rig.s().trackTimeText.empty());
    ASSERT_TRUE(rig.waitAudio(4));
    rig.window.sendCommand(ID_SAVE);
    const std::string file = rig.folder() + "live take.wav";
    const std::string data = wavData(file);
    EXPECT_EQ(data.compare(0, pcm.size(), pcm), 0) << "the input from its first sample";
    EXPECT_EQ(data.find_first_not_of('\0', pcm.size()), std::string::npos);
    EXPECT_EQ(boxes.texts.back(), "I have saved the song to your hard drive.");

    // Played back to its end: the notification brings the idle buttons back.
    const uint64_t before = rig.backend.framesPlayed();
    rig.window.sendCommand(ID_PLAYBACK);
    ASSERT_EQ(rig.s().playbackActive, 1);
    EXPECT_TRUE(rig.window.isControlEnabled(ID_STOP_PLAYBACK));
    rig.window.grabToPng(WL_SHOT_DIR "/recording_playback.png");
    ASSERT_TRUE(QTest::qWaitFor([&] { return rig.s().playbackActive == 0; }, 20000));
    EXPECT_GE(rig.backend.framesPlayed() - before, data.size() / 4);
    EXPECT_FALSE(rig.window.isControlEnabled(ID_STOP_PLAYBACK));
    EXPECT_TRUE(rig.window.isControlEnabled(ID_PLAYBACK));
    EXPECT_EQ(rig.mci->deviceId("newwave"), 0u);

    // Stopped early: the device closes at once and its notification changes nothing.
    const uint64_t again = rig.backend.framesPlayed();
    rig.window.sendCommand(ID_PLAYBACK);
    ASSERT_TRUE(rig.waitAudio(1));
    rig.window.sendCommand(ID_STOP_PLAYBACK);
    EXPECT_EQ(rig.mci->deviceId("newwave"), 0u);
    EXPECT_LT(rig.backend.framesPlayed() - again, data.size() / 4);
    ASSERT_TRUE(rig.waitAudio(1));
    EXPECT_EQ(rig.s().playbackActive, 0);
    EXPECT_TRUE(rig.window.isControlEnabled(ID_PLAY));
    EXPECT_TRUE(rig.window.isControlEnabled(ID_PLAYBACK));
    EXPECT_EQ(std::count(boxes.texts.begin(), boxes.texts.end(), std::string("I have saved the song to your hard drive.")), 1);
    EXPECT_EQ(boxes.texts.size(), 1u);
}

TEST(RecordingEndToEnd, ExitDuringALineInRecordingAsksAndKeepsIt) {
    BoxAnswerer boxes;  // answers Yes, the question's default button
    Rig rig(RecordFromLineIn, {.lineInSeconds = 2});
    ASSERT_TRUE(rig.start());
    rig.type(rig.folder() + "kept");
    ASSERT_TRUE(QTest::qWaitFor([&] { return rig.window.isControlEnabled(ID_PLAY); }, 5000));
    rig.window.sendCommand(ID_PLAY);
    ASSERT_TRUE(rig.waitAudio(3));
    rig.window.sendCommand(ID_EXIT);
    EXPECT_TRUE(rig.app->destroyed);
    ASSERT_GE(boxes.texts.size(), 2u);
    EXPECT_EQ(boxes.captions[0], "Recording");
    EXPECT_EQ(boxes.texts[1], "I have saved the song to your hard drive.");
    const std::string data = wavData(rig.folder() + "kept.wav");
    EXPECT_GE(data.size(), 2u * 176400) << "the input that had been recorded";
}

}  // namespace
