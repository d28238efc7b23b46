// One CD-ROM library shared as the program wires it: the device layer's CD player reads audio
// on its clock thread while the window's thread polls the drive and reads tables of contents.
// Run under ThreadSanitizer in CI, where an unguarded library shows as a data race.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

#include "ImageFixture.h"
#include "adapters/audio/AudioEngine.h"
#include "adapters/audio/Clock.h"
#include "adapters/audio/LoopbackBackend.h"
#include "adapters/cdrom/LibcdioCdrom.h"
#include "adapters/mci/DeviceLayer.h"

namespace wl::test {
namespace {

TEST(SharedLibrary, WindowThreadPollsWhileTheCdPlayerReadsAudio) {
    TempFolder dir;
    const auto cue = writeImage(dir, "shared", {{150}, {300}});
    LibcdioCdrom cdrom(cue.string(), [](const std::string& m) { ADD_FAILURE() << m; });
    audio::SteadyClock clock;
    audio::LoopbackBackend backend(clock, {"", 44100 * 4, 100000});
    audio::AudioEngine engine(backend);
    std::string why;
    ASSERT_TRUE(engine.start(why)) << why;
    mci::DeviceLayerOptions options;
    options.cd.namePrefix = "Disc image:";
    options.cd.tickMicros = 10000;
    options.cd.readChunkFrames = 2;  // many small reads: more chances to meet the poll
    mci::DeviceLayer layer(cdrom, cdrom, engine, clock, options);
    const auto send = [&](const std::string& command) { return layer.sendString(command, nullptr, 0); };
    ASSERT_EQ(send("open cdaudio shareable alias cd"), 0u);
    ASSERT_EQ(send("set cd time format tmsf"), 0u);
    ASSERT_EQ(send("play cd from 2:00:00:00"), 0u);

    // What the window's thread does: it holds the rip drive's handle for the whole run and
    // opens and closes others as it polls, so the library's handle table changes shape
    // while the player looks its own handle up.
    const auto openFirstDrive = [&] {
        uint8_t list[kDriveListSize] = {};
        cdrom.GetCDList(list);
        const uint8_t* e = driveEntry(list, 0);
        const uint8_t request[kHandleRequestSize] = {12, 1, e[0], e[1], e[2], 1};
        return cdrom.GetCDHandle(request);
    };
    const CdHandle ripHandle = openFirstDrive();
    ASSERT_NE(ripHandle, 0u);
    int polls = 0;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(700);
    std::vector<uint8_t> buf(kReadBufHeaderSize + 4 * kCdFrameBytes);
    while (std::chrono::steady_clock::now() < until) {
        const CdHandle h = openFirstDrive(), other = openFirstDrive();
        ASSERT_NE(h, 0u);
        ASSERT_NE(other, 0u);
        cdrom.ModifyCDParms(h, kCdParmAddressing, uint32_t(polls % 2));
        uint8_t toc[kTocSize] = {};
        ASSERT_EQ(cdrom.ReadTOC(h, toc), 1);
        EXPECT_EQ(toc[3], 2);
        putLe32(buf.data() + kReadBufStartFrame, uint32_t(polls % 140));
        putLe32(buf.data() + kReadBufFrameCount, 4);
        putLe32(buf.data() + kReadBufCapacity, 4 * kCdFrameBytes);
        cdrom.CloseCDHandle(h);
        cdrom.CloseCDHandle(other);
        ASSERT_EQ(cdrom.ReadCDAudioLBA(ripHandle, buf.data(), buf.size()), 1);
        EXPECT_EQ(buf[kReadBufHeaderSize], patternByte(size_t(polls % 140), 0));
        char mode[20] = {};
        ASSERT_EQ(layer.sendString("status cd mode", mode, sizeof mode), 0u);
        ++polls;
    }
    send("stop cd");
    send("close all");
    cdrom.CloseCDHandle(ripHandle);

    // The player read the second track all along: what was heard is its frames, in order.
    const std::vector<int16_t> heard = backend.output();
    ASSERT_GT(heard.size(), 0u);
    ASSERT_GT(polls, 5);
    std::vector<uint8_t> bytes(heard.size() * 2);
    for (size_t i = 0; i < heard.size(); ++i) putLe16(bytes.data() + 2 * i, uint16_t(heard[i]));
    size_t from = 0;  // the engine may start with silence before the first frames arrive
    while (from < bytes.size() && bytes[from] == 0) ++from;
    from -= from % 4;
    ASSERT_LT(from, bytes.size());
    for (size_t i = from, k = 0; i < bytes.size(); ++i, ++k) {
        const size_t frame = 150 + k / kCdFrameBytes;
        if (frame >= 450) break;
        ASSERT_EQ(bytes[i], patternByte(frame, k % kCdFrameBytes)) << "byte " << k << " of the track";
    }
}

}  // namespace
}  // namespace wl::test
