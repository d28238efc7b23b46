// The cdaudio device as the program drives it: exact replies, door, time formats, the
// digital play paced by a virtual clock, and the layer's error codes.
#include <gtest/gtest.h>

#include "FakeDrive.h"
#include "adapters/audio/AudioEngine.h"
#include "adapters/audio/Clock.h"
#include "adapters/audio/LoopbackBackend.h"
#include "adapters/mci/DeviceLayer.h"

namespace wl {
namespace {

using audio::Micros;

struct Notices : MciNotifySink {
    std::vector<std::pair<uint32_t, uint32_t>> got;
    void postMciNotify(uint32_t flags, uint32_t id) override { got.emplace_back(flags, id); }
};

// Track 1 00:30:10, track 2 01:00:00, track 3 00:45:62.
const std::vector<uint32_t> kTracks = {30 * 75 + 10, 60 * 75, 45 * 75 + 62};

class CdAudio : public ::testing::Test {
protected:
    explicit CdAudio(std::vector<std::string> names = {"FAKE CD-ROM"}, mci::DeviceLayerOptions options = {})
        : drive(kTracks, std::move(names)),
          backend(clock, {"", 10'000'000, 100000}),
          engine(backend),
          layer(drive, drive, engine, clock, options) {}

    uint32_t code(const std::string& command) { return layer.sendString(command, nullptr, 0); }
    std::string ask(const std::string& command) {
        char reply[20] = "untouched";
        uint32_t c = layer.sendString(command, reply, sizeof reply);
        EXPECT_EQ(c, 0u) << command << ": " << layer.errorText(c, 256);
        return reply;
    }
    void openCd() {
        code("stop cdaudio");
        code("close cdaudio");
        ASSERT_EQ(code("open cdaudio shareable alias cd"), 0u);
    }
    std::vector<uint8_t> heard() {
        std::vector<uint8_t> out;
        for (int16_t s : backend.output()) {
            out.push_back(uint8_t(uint16_t(s)));
            out.push_back(uint8_t(uint16_t(s) >> 8));
        }
        return out;
    }
    static Micros framesTime(uint32_t frames) { return Micros(frames) * 1000000 / 75; }

    test::FakeDrive drive;
    audio::VirtualClock clock;
    audio::LoopbackBackend backend;
    audio::AudioEngine engine;
    mci::DeviceLayer layer;
};

TEST_F(CdAudio, StartUpSequenceGivesTheRepliesOfARealDevice) {
    EXPECT_EQ(code("stop cdaudio"), MCIERR_INVALID_DEVICE_NAME);
    EXPECT_EQ(code("close cdaudio"), MCIERR_INVALID_DEVICE_NAME);
    ASSERT_EQ(code("open cdaudio shareable alias cd"), 0u);
    EXPECT_NE(layer.deviceId("cd"), 0u);
    EXPECT_EQ(layer.deviceId("CD"), layer.deviceId("cd"));
    EXPECT_EQ(ask("status cd ready"), "true");
    EXPECT_EQ(ask("status cd media present"), "true");
    EXPECT_EQ(code("set cd time format tmsf"), 0u);
    EXPECT_EQ(ask("status cd number of tracks"), "3");
    EXPECT_EQ(ask("status cd start position"), "01:00:00:00");
    EXPECT_EQ(ask("status cd length track 1"), "00:30:10");
    EXPECT_EQ(ask("status cd length track 2"), "01:00:00");
    EXPECT_EQ(ask("status cd length track 3"), "00:45:62");
    EXPECT_EQ(ask("set cd audio all on"), "");
    EXPECT_EQ(ask("status cd mode"), "stopped");
    EXPECT_EQ(ask("STATUS Cd Mode"), "stopped");
}

TEST_F(CdAudio, TimeFormatsChangeHowPositionsAndLengthsRead) {
    openCd();
    EXPECT_EQ(ask("status cd time format"), "msf");
    EXPECT_EQ(ask("status cd start position"), "00:02:00");
    EXPECT_EQ(ask("status cd position track 2"), "00:32:10");
    EXPECT_EQ(ask("status cd length"), "02:15:72");
    EXPECT_EQ(code("set cd time format milliseconds"), 0u);
    EXPECT_EQ(ask("status cd start position"), "2000");
    EXPECT_EQ(ask("status cd length track 2"), "60000");
    EXPECT_EQ(code("set cd time format tmsf"), 0u);
    EXPECT_EQ(ask("status cd position track 3"), "03:00:00:00");
    EXPECT_EQ(code("seek cd to 2"), 0u);
    EXPECT_EQ(ask("status cd position"), "02:00:00:00");
    EXPECT_EQ(ask("status cd current track"), "2");
    EXPECT_EQ(code("set cd time format frames"), 293u);
}

TEST_F(CdAudio, DoorOpenMakesTheDriveNotReadyUntilClosed) {
    openCd();
    ASSERT_EQ(code("set cd door open"), 0u);
    EXPECT_EQ(ask("status cd ready"), "false");
    EXPECT_EQ(ask("status cd media present"), "false");
    EXPECT_EQ(ask("status cd mode"), "open");
    EXPECT_EQ(code("status cd number of tracks"), 276u);
    ASSERT_EQ(code("set cd door closed"), 0u);
    EXPECT_EQ(ask("status cd ready"), "true");
    drive.refuseTray = true;
    uint32_t c = code("set cd door open");
    EXPECT_GT(c, 0u);
    EXPECT_FALSE(layer.errorText(c, 128).empty());
}

TEST_F(CdAudio, PlayingOneTrackStreamsItsFramesAndStopsAfterItsLength) {
    openCd();
    code("set cd time format tmsf");
    ASSERT_EQ(code("play cd from 2:00:00:00 to 3:00:00:00"), 0u);
    EXPECT_EQ(ask("status cd mode"), "playing");
    clock.advance(framesTime(kTracks[1]) - 20000);
    EXPECT_EQ(ask("status cd mode"), "playing");
    clock.advance(20000);
    EXPECT_EQ(ask("status cd mode"), "stopped");
    EXPECT_EQ(heard(), drive.bytes(drive.start(2), drive.start(3)));
    EXPECT_EQ(ask("status cd position"), "03:00:00:00");
}

TEST_F(CdAudio, LastTrackPlaysToTheLeadOutWhenTheEndIsItsLength) {
    openCd();
    code("set cd time format tmsf");
    std::string length = ask("status cd length track 3");
    ASSERT_EQ(code("play cd from 3:00:00:00 to 3:" + length), 0u);
    clock.advance(framesTime(kTracks[2]) + 1000);
    EXPECT_EQ(ask("status cd mode"), "stopped");
    EXPECT_EQ(heard(), drive.bytes(drive.start(3), drive.leadOut()));
}

TEST_F(CdAudio, StopAndDoorEndThePlayAndNotifyAborted) {
    openCd();
    code("set cd time format tmsf");
    Notices notices;
    ASSERT_EQ(layer.sendString("play cd from 1:00:00:00 to 2:00:00:00 notify", nullptr, 0, &notices), 0u);
    clock.advance(5'000'000);
    EXPECT_EQ(code("stop cd"), 0u);
    EXPECT_EQ(ask("status cd mode"), "stopped");
    EXPECT_EQ(ask("status cd position"), "01:00:05:00");
    ASSERT_EQ(notices.got.size(), 1u);
    EXPECT_EQ(notices.got[0].first, MCI_NOTIFY_ABORTED);
    uint64_t played = backend.framesPlayed();
    clock.advance(10'000'000);
    EXPECT_EQ(backend.framesPlayed(), played);

    ASSERT_EQ(layer.sendString("play cd from 1:00:00:00 to 1:00:01:00 notify", nullptr, 0, &notices), 0u);
    clock.advance(2'000'000);
    ASSERT_EQ(notices.got.size(), 2u);
    EXPECT_EQ(notices.got[1], std::make_pair(MCI_NOTIFY_SUCCESSFUL, layer.deviceId("cd")));

    code("play cd from 2");
    code("set cd door open");
    EXPECT_EQ(ask("status cd mode"), "open");
}

TEST_F(CdAudio, AReadFailureStopsThePlay) {
    openCd();
    code("set cd time format tmsf");
    code("play cd from 2:00:00:00 to 3:00:00:00");
    clock.advance(1'000'000);
    drive.failReads = true;
    clock.advance(1'000'000);
    EXPECT_EQ(ask("status cd mode"), "stopped");
}

TEST_F(CdAudio, BadCommandsGetTheirCodesAndTexts) {
    openCd();
    code("set cd time format tmsf");
    EXPECT_EQ(code("status wave mode"), MCIERR_INVALID_DEVICE_NAME);
    EXPECT_EQ(code("frobnicate cd"), 261u);
    EXPECT_EQ(code("status cd colour"), 259u);
    EXPECT_EQ(code("status cd length track x"), 270u);
    EXPECT_EQ(code("status cd length track 4"), 282u);
    EXPECT_EQ(code("status cd length track"), 273u);
    EXPECT_EQ(code("play cd from 4:00:00:00"), 282u);
    EXPECT_EQ(code("play cd from 2:00:00:00 to 1:00:00:00"), 282u);
    EXPECT_EQ(code("seek cd to 2:00:61:00"), 282u);
    EXPECT_EQ(code("open cdaudio alias cd"), 289u);
    EXPECT_EQ(code("open cdaudio alias cd2"), 291u);
    EXPECT_EQ(code("open \"unterminated alias x"), 294u);
    EXPECT_EQ(code(""), 267u);
    EXPECT_EQ(code("status"), 292u);
    EXPECT_EQ(code("set all time format tmsf"), 279u);
    EXPECT_EQ(layer.errorText(MCIERR_INVALID_DEVICE_NAME, 256), "No device with that name or alias is open.");
    EXPECT_EQ(layer.errorText(MCIERR_INVALID_DEVICE_NAME, 6), "No de");
    EXPECT_EQ(layer.errorText(263, 0), "");
}

TEST_F(CdAudio, RepliesAreCutToTheCallersBuffer) {
    openCd();
    code("set cd time format tmsf");
    char reply[6];
    ASSERT_EQ(layer.sendString("status cd start position", reply, sizeof reply), 0u);
    EXPECT_STREQ(reply, "01:00");
}

TEST_F(CdAudio, StopAllAndCloseAllEndEveryDevice) {
    openCd();
    ASSERT_EQ(code("open cdaudio shareable alias cd2"), 0u);
    code("set cd time format tmsf");
    code("play cd from 1:00:00:00");
    EXPECT_EQ(code("stop all"), 0u);
    EXPECT_EQ(ask("status cd mode"), "stopped");
    EXPECT_EQ(code("close all"), 0u);
    EXPECT_EQ(code("status cd mode"), MCIERR_INVALID_DEVICE_NAME);
    EXPECT_EQ(code("status cd2 mode"), MCIERR_INVALID_DEVICE_NAME);
    EXPECT_EQ(layer.deviceId("cd"), 0u);
    ASSERT_EQ(code("open cdaudio shareable alias cd"), 0u);
    EXPECT_EQ(ask("status cd ready"), "true");
}

class CdAudioOnImage : public CdAudio {
protected:
    CdAudioOnImage()
        : CdAudio({"REAL DRIVE", "Disc image: demo.cue"}, [] {
              mci::DeviceLayerOptions o;
              o.cd.namePrefix = "Disc image:";
              return o;
          }()) {}
};

TEST_F(CdAudioOnImage, TheImageIsChosenOverTheFirstDrive) {
    ASSERT_EQ(code("open cdaudio shareable alias cd"), 0u);
    ASSERT_EQ(drive.lastRequest.size(), kHandleRequestSize);
    EXPECT_EQ(drive.lastRequest[2], 1u);
}

class CdAudioWithoutDrive : public CdAudio {
protected:
    CdAudioWithoutDrive() : CdAudio({}) {}
};

TEST_F(CdAudioWithoutDrive, OpenFailsWithAReadableReason) {
    uint32_t c = code("open cdaudio shareable alias cd");
    EXPECT_EQ(c, 306u);
    EXPECT_EQ(layer.errorText(c, 256), "No CD drive was found on this computer.");
    EXPECT_EQ(layer.deviceId("cd"), 0u);
}

}  // namespace
}  // namespace wl
