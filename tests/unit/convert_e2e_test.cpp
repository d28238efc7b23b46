// End to end with the real encoder library: the convert mode's Play turns a generated
// 10-second WAV into an MP3 that decodes to the input's length.
#include <gtest/gtest.h>

#include <filesystem>

#include "../integration/Mp3Decode.h"
#include "TestProgram.h"
#include "WavFiles.h"
#include "adapters/dl/DlEncoderLoader.h"
#include "app/Commands.h"

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

}  // namespace
