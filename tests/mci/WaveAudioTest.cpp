// The waveaudio device over the loopback: recording the CD's stream and the line input in
// every format, saving, failures that keep the recording, and play back notifications.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "../audio/TestWav.h"
#include "FakeDrive.h"
#include "adapters/audio/AudioEngine.h"
#include "adapters/audio/Clock.h"
#include "adapters/audio/LoopbackBackend.h"
#include "adapters/mci/DeviceLayer.h"

namespace wl {
namespace {

namespace fs = std::filesystem;

struct Notices : MciNotifySink {
    std::vector<std::pair<uint32_t, uint32_t>> got;
    void postMciNotify(uint32_t flags, uint32_t id) override { got.emplace_back(flags, id); }
};

fs::path freshFolder(const std::string& name) {
    fs::path dir = fs::temp_directory_path() / ("wl-wave-" + name + "-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

struct Rig {
    explicit Rig(const std::string& lineIn = "")
        : drive({20 * 75, 30 * 75, 10 * 75}),
          backend(clock, {lineIn, 5'000'000, 100000}),
          engine(backend),
          layer(drive, drive, engine, clock) {}

    uint32_t code(const std::string& s) { return layer.sendString(s, nullptr, 0); }
    std::string ask(const std::string& s) {
        char reply[32] = "";
        EXPECT_EQ(layer.sendString(s, reply, sizeof reply), 0u) << s;
        return reply;
    }
    uint32_t send(uint32_t message, uint32_t flags, MciParams params = {}) {
        return layer.sendCommand(layer.deviceId("wave"), message, flags, params);
    }
    uint32_t setFormat(uint16_t bits, uint16_t channels, uint32_t rate) {
        MciWaveSetParms p;
        p.channels = channels;
        p.samplesPerSec = rate;
        p.bitsPerSample = bits;
        p.blockAlign = uint16_t(bits / 8 * channels);
        p.avgBytesPerSec = p.blockAlign * rate;
        return send(MCI_SET, 0x3F0400, p);
    }
    uint32_t save(const fs::path& file) { return send(MCI_SAVE, MCI_SAVE_FILE | MCI_WAIT, MciSaveParms{file.string()}); }

    test::FakeDrive drive;
    audio::VirtualClock clock;
    audio::LoopbackBackend backend;
    audio::AudioEngine engine;
    mci::DeviceLayer layer;
};

TEST(WaveAudio, RecordsTheCdTrackBitExactlyAtCdFormat) {
    Rig rig;
    fs::path dir = freshFolder("cd");
    ASSERT_EQ(rig.code("open cdaudio shareable alias cd"), 0u);
    rig.code("set cd time format tmsf");
    ASSERT_EQ(rig.code("open new type waveaudio alias wave"), 0u);
    ASSERT_EQ(rig.setFormat(16, 2, 44100), 0u);
    ASSERT_EQ(rig.send(MCI_RECORD, 0), 0u);
    EXPECT_EQ(rig.ask("status wave mode"), "recording");
    rig.clock.advance(300000);
    ASSERT_EQ(rig.code("play cd from 2:00:00:00 to 3:00:00:00"), 0u);
    rig.clock.advanceSeconds(31);
    EXPECT_EQ(rig.ask("status cd mode"), "stopped");
    ASSERT_EQ(rig.send(MCI_STOP, 0), 0u);
    EXPECT_EQ(rig.code("stop cd"), 0u);
    ASSERT_EQ(rig.save(dir / "track2.wav"), 0u);
    ASSERT_EQ(rig.send(MCI_CLOSE, 0), 0u);

    auto wav = test::readAll((dir / "track2.wav").string());
    ASSERT_GT(wav.size(), 44u);
    EXPECT_EQ(getLe32(&wav[40]), wav.size() - 44);
    EXPECT_EQ(getLe32(&wav[4]), wav.size() - 8);
    std::vector<uint8_t> data(wav.begin() + 44, wav.end());
    auto track = rig.drive.bytes(rig.drive.start(2), rig.drive.start(3));
    size_t lead = 0;
    while (lead < data.size() && data[lead] == 0) ++lead;
    EXPECT_GT(lead, 0u);  // the line input's silence before the play started
    ASSERT_GE(data.size() - lead, track.size());
    EXPECT_TRUE(std::equal(track.begin(), track.end(), data.begin() + long(lead)));
    EXPECT_TRUE(std::all_of(data.begin() + long(lead + track.size()), data.end(), [](uint8_t b) { return b == 0; }));
    fs::remove_all(dir);
}

TEST(WaveAudio, WithoutASetFormatItRecords8BitMono11025) {
    Rig rig;
    fs::path dir = freshFolder("default");
    ASSERT_EQ(rig.code("open new type waveaudio alias wave"), 0u);
    ASSERT_EQ(rig.code("record wave"), 0u);
    rig.clock.advanceSeconds(2);
    ASSERT_EQ(rig.code("stop wave"), 0u);
    EXPECT_EQ(rig.ask("status wave mode"), "stopped");
    ASSERT_EQ(rig.code("save wave " + (dir / "d.wav").string()), 0u);
    auto wav = test::readAll((dir / "d.wav").string());
    ASSERT_GE(wav.size(), 44u);
    EXPECT_EQ(getLe16(&wav[22]), 1);
    EXPECT_EQ(getLe32(&wav[24]), 11025u);
    EXPECT_EQ(getLe16(&wav[34]), 8);
    EXPECT_NEAR(double(wav.size() - 44), 22050.0, 1200.0);
    EXPECT_TRUE(std::all_of(wav.begin() + 44, wav.end(), [](uint8_t b) { return b == 128; }));
    fs::remove_all(dir);
}

TEST(WaveAudio, ConversionsKeepLengthHeaderAndFrequency) {
    fs::path dir = freshFolder("convert");
    test::writeFile((dir / "sine.wav").string(), test::sineWav(44100, 2, 1000, 4));
    struct Case { uint16_t bits, channels; uint32_t rate; };
    for (Case c : {Case{8, 1, 11025}, Case{16, 2, 22050}, Case{16, 1, 44100}, Case{8, 2, 22050}, Case{16, 1, 11025}}) {
        SCOPED_TRACE(std::to_string(c.bits) + "/" + std::to_string(c.channels) + "/" + std::to_string(c.rate));
        Rig rig((dir / "sine.wav").string());
        ASSERT_EQ(rig.code("open new type waveaudio alias wave"), 0u);
        ASSERT_EQ(rig.setFormat(c.bits, c.channels, c.rate), 0u);
        ASSERT_EQ(rig.send(MCI_RECORD, 0), 0u);
        rig.clock.advanceSeconds(3);
        ASSERT_EQ(rig.send(MCI_STOP, 0), 0u);
        fs::path out = dir / "out.wav";
        ASSERT_EQ(rig.save(out), 0u);
        auto wav = test::readAll(out.string());
        ASSERT_GE(wav.size(), 44u);
        EXPECT_EQ(getLe16(&wav[22]), c.channels);
        EXPECT_EQ(getLe32(&wav[24]), c.rate);
        EXPECT_EQ(getLe32(&wav[28]), c.rate * c.channels * c.bits / 8);
        EXPECT_EQ(getLe16(&wav[32]), c.channels * c.bits / 8);
        EXPECT_EQ(getLe16(&wav[34]), c.bits);
        double bytesPerSecond = double(c.rate) * c.channels * c.bits / 8;
        EXPECT_NEAR(double(wav.size() - 44) / bytesPerSecond, 3.0, 0.11);
        EXPECT_NEAR(test::measuredHz(wav), 1000.0, 10.0);
    }
    fs::remove_all(dir);
}

TEST(WaveAudio, AFailedSaveKeepsTheRecordingUntilClose) {
    Rig rig;
    fs::path dir = freshFolder("save");
    ASSERT_EQ(rig.code("open new type waveaudio alias wave"), 0u);
    EXPECT_EQ(rig.save(dir / "x.wav"), 516u);  // nothing recorded yet
    ASSERT_EQ(rig.send(MCI_RECORD, 0), 0u);
    rig.clock.advanceSeconds(1);
    rig.send(MCI_STOP, 0);
    uint32_t c = rig.save(dir / "missing" / "x.wav");
    EXPECT_EQ(c, 512u);
    EXPECT_NE(rig.layer.errorText(c, 128).find("folder does not exist"), std::string::npos);
    if (geteuid() != 0) {  // root writes anywhere
        fs::create_directories(dir / "locked");
        fs::permissions(dir / "locked", fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_EQ(rig.save(dir / "locked" / "x.wav"), 513u);
        fs::permissions(dir / "locked", fs::perms::owner_all);
    }
    EXPECT_FALSE(fs::exists(dir / "missing"));
    ASSERT_EQ(rig.save(dir / "x.wav"), 0u);
    EXPECT_GT(fs::file_size(dir / "x.wav"), 10000u);
    EXPECT_FALSE(fs::exists(dir / "x.wav.part"));
    uint32_t id = rig.layer.deviceId("wave");
    ASSERT_EQ(rig.code("close wave"), 0u);
    MciParams save = MciSaveParms{(dir / "y.wav").string()};
    EXPECT_EQ(rig.layer.sendCommand(id, MCI_SAVE, MCI_SAVE_FILE | MCI_WAIT, save), 257u);
    MciParams none;
    EXPECT_EQ(rig.layer.sendCommand(id, MCI_RECORD, 0, none), 257u);
    EXPECT_EQ(rig.code("record wave"), MCIERR_INVALID_DEVICE_NAME);
    EXPECT_EQ(rig.code("status wave mode"), MCIERR_INVALID_DEVICE_NAME);
    fs::remove_all(dir);
}

TEST(WaveAudio, OpenAndFormatErrors) {
    Rig rig;
    fs::path dir = freshFolder("open");
    test::writeFile((dir / "text.wav").string(), {'h', 'e', 'l', 'l', 'o'});
    MciParams open = MciOpenParms{nullptr, "waveaudio", (dir / "text.wav").string(), "newwave", 0};
    EXPECT_EQ(rig.layer.sendCommand(0, MCI_OPEN, 0x2600, open), 296u);
    open = MciOpenParms{nullptr, "waveaudio", (dir / "none.wav").string(), "newwave", 0};
    EXPECT_EQ(rig.layer.sendCommand(0, MCI_OPEN, 0x2600, open), 275u);
    EXPECT_EQ(rig.layer.deviceId("newwave"), 0u);
    EXPECT_EQ(rig.code("open new type waveaudio"), 299u);
    ASSERT_EQ(rig.code("open new type waveaudio alias wave"), 0u);
    EXPECT_EQ(rig.code("open new type waveaudio alias wave"), 289u);
    EXPECT_EQ(rig.setFormat(24, 2, 44100), 329u);
    MciWaveSetParms odd;
    odd.channels = 2;
    odd.samplesPerSec = 44100;
    odd.bitsPerSample = 16;
    odd.blockAlign = 4;
    odd.avgBytesPerSec = 1234;
    EXPECT_EQ(rig.send(MCI_SET, 0x3F0400, odd), 329u);
    fs::remove_all(dir);
}

TEST(WaveAudio, PlayBackNotifiesOnceAtTheEndOrAbortedOnStop) {
    fs::path dir = freshFolder("play");
    auto sine = test::sineWav(44100, 2, 440, 2);
    test::writeFile((dir / "s.wav").string(), sine);
    Rig rig;
    Notices window;
    MciParams open = MciOpenParms{&window, "waveaudio", (dir / "s.wav").string(), "newwave", 0};
    ASSERT_EQ(rig.layer.sendCommand(0, MCI_OPEN, 0x2600, open), 0u);
    uint32_t id = std::get<MciOpenParms>(open).deviceId;
    EXPECT_EQ(id, rig.layer.deviceId("newwave"));
    MciParams play = MciPlayParms{&window};
    ASSERT_EQ(rig.layer.sendCommand(id, MCI_PLAY, MCI_NOTIFY, play), 0u);
    EXPECT_EQ(rig.ask("status newwave mode"), "playing");
    rig.clock.advanceSeconds(1.9);
    EXPECT_TRUE(window.got.empty());
    rig.clock.advanceSeconds(0.2);
    ASSERT_EQ(window.got.size(), 1u);
    EXPECT_EQ(window.got[0], std::make_pair(MCI_NOTIFY_SUCCESSFUL, id));
    rig.clock.advanceSeconds(5);
    EXPECT_EQ(window.got.size(), 1u);
    auto heard = rig.backend.output();
    ASSERT_EQ(heard.size() * 2, sine.size() - 44);
    EXPECT_EQ(std::memcmp(heard.data(), sine.data() + 44, heard.size() * 2), 0);

    ASSERT_EQ(rig.layer.sendCommand(id, MCI_PLAY, MCI_NOTIFY, play), 0u);
    rig.clock.advanceSeconds(0.5);
    MciParams none;
    ASSERT_EQ(rig.layer.sendCommand(id, MCI_STOP, 0, none), 0u);
    ASSERT_EQ(rig.layer.sendCommand(id, MCI_CLOSE, 0, none), 0u);
    rig.clock.advanceSeconds(5);
    ASSERT_EQ(window.got.size(), 2u);
    EXPECT_EQ(window.got[1], std::make_pair(MCI_NOTIFY_ABORTED, id));
    fs::remove_all(dir);
}

}  // namespace
}  // namespace wl
