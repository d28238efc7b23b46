// End to end with the real encoder library: the convert mode's Play turns a generated
// 10-second WAV into an MP3 that decodes to the input's length.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "FakeCdAudio.h"
#include "FakeCdrom.h"
#include "FakeDesktop.h"
#include "FakeMci.h"
#include "FakeWindow.h"
#include "TestProgram.h"
#include "WavFiles.h"
#include "adapters/dl/DlEncoderLoader.h"
#include "app/Commands.h"

using namespace wl;
using namespace wl::test;
namespace fs = std::filesystem;

namespace {

constexpr size_t kSeconds = 10;

// Bytes of 16-bit stereo PCM that mpg123 decodes the file to, or -1 when it cannot run.
long long decodedBytes(const fs::path& mp3) {
    const std::string cmd = "mpg123 -q -s '" + mp3.string() + "' 2>/dev/null";
    std::FILE* p = popen(cmd.c_str(), "r");
    if (!p) return -1;
    char buf[65536];
    long long total = 0;
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) total += (long long)n;
    return pclose(p) == 0 ? total : -1;
}

class ConvertEndToEnd : public ::testing::Test {
protected:
    TempWorkingDir dir;
    FakeWindow window;
    FakeMci mci;
    FakeCdrom cdrom;
    DlEncoderLoader encoder{fs::path(WL_LAMEENC_PATH).parent_path().string()};
    FakeDesktop desktop;
    FakeCdAudio cd{mci, cdrom};  // answers the drive's commands at start and exit
    App app{Platform{window, mci, cdrom, encoder, desktop}};
    MainWindowProc proc{app};

    std::string at(const char* name) const { return (dir.path() / name).string(); }

    void SetUp() override {
        app.s.workingDir = dir.path().string();
        if (std::system("mpg123 --version > /dev/null 2>&1") != 0) GTEST_SKIP() << "mpg123 is not installed";
        WavelatheMain(app, proc);
        ASSERT_NE(app.s.encoderModule, nullptr) << "cannot load " << WL_LAMEENC_PATH;
        app.s.convertMode = 1;
        app.s.mp3Kbps = 128;
        window.marshalCalls = true;
        writeFileBytes(at("tune.wav"), musicWav(kSeconds));
    }
    void TearDown() override { window.destroy(); }

    void convert(int keepWav, int answer) {
        app.s.keepWav = keepWav;
        window.boxes.clear();
        window.answerBoxes({answer});
        window.setControlText(ID_SONG_NAME_EDIT, at("tune.wav"));
        window.click(ID_PLAY);
        ASSERT_TRUE(window.pumpUntil([&] { return !app.s.workerRunning; }, 120000));
        app.s.convertThread.join();
        EXPECT_EQ(window.offThreadCalls, 0);
    }
};

TEST_F(ConvertEndToEnd, TheMp3DecodesToTheInputsLengthAndTheWavFollowsKeepWav) {
    convert(1, IDOK);
    EXPECT_TRUE(window.boxes.empty());
    EXPECT_TRUE(fs::exists(at("tune.wav")));
    ASSERT_TRUE(fs::exists(at("tune.mp3")));
    // 128 kbit/s for 10 s is about 160 kB.
    EXPECT_NEAR(double(fs::file_size(at("tune.mp3"))), 160000.0, 8000.0);
    const long long pcmBytes = (long long)(kSeconds * 44100 * 4);
    EXPECT_EQ(decodedBytes(at("tune.mp3")), pcmBytes);

    convert(0, IDYES);  // delete the WAV after conversion
    ASSERT_EQ(window.boxes.size(), 1u);
    EXPECT_EQ(window.boxes[0].caption, "MP3 Convert");
    EXPECT_FALSE(fs::exists(at("tune.wav")));
    EXPECT_EQ(decodedBytes(at("tune.mp3")), pcmBytes);
}

TEST_F(ConvertEndToEnd, AnInterruptedRecordingDecodesToAllOfItsAudio) {
    // The data size a recorder leaves at 0 when it is stopped before closing the file.
    std::string wav = musicWav(kSeconds);
    wav.replace(40, 4, le32(0));
    writeFileBytes(at("tune.wav"), wav);
    convert(0, IDYES);
    ASSERT_EQ(window.boxes.size(), 1u);  // only the deletion question
    EXPECT_EQ(decodedBytes(at("tune.mp3")), (long long)(kSeconds * 44100 * 4));
    EXPECT_FALSE(fs::exists(at("tune.wav")));
}

}  // namespace
