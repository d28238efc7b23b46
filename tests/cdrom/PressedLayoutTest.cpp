// Pregaps, ISRCs, flags and the catalog number as libcdio reads them from generated images.
#include <gtest/gtest.h>

#include "ImageFixture.h"
#include "adapters/cdrom/LibcdioCdLayout.h"
#include "adapters/cdrom/LibcdioCdrom.h"

namespace wl::test {
namespace {

CdHandle openImage(LibcdioCdrom& cdrom) {
    uint8_t request[kHandleRequestSize] = {12, 1, 1, 0, 0, 1};
    return cdrom.GetCDHandle(request);
}

const PressedSpec kPressed{"4006381333931", 225, false,
                           {{0, 100, "USRC17607839", "PRE"}, {150, 80, "GBAYE6700001", "DCP"}, {0, 60, "", "DCP PRE"}}};

struct Expected {
    int32_t pregap, start;
    const char* isrc;
    bool pre, dcp;
};

void expectTracks(const PressedLayout& got, const std::vector<Expected>& want) {
    ASSERT_EQ(got.tracks.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        SCOPED_TRACE("track " + std::to_string(i + 1));
        EXPECT_EQ(got.tracks[i].number, int(i + 1));
        EXPECT_EQ(got.tracks[i].pregapLsn, want[i].pregap);
        EXPECT_EQ(got.tracks[i].startLsn, want[i].start);
        EXPECT_EQ(got.tracks[i].isrc, want[i].isrc);
        EXPECT_EQ(got.tracks[i].preEmphasis, want[i].pre);
        EXPECT_EQ(got.tracks[i].copyPermitted, want[i].dcp);
    }
}

TEST(PressedLayout, CueSheetsGiveTheirPregapsCodesAndFlags) {
    TempFolder dir;
    struct Case {
        const char* name;
        PressedSpec spec;
        const char* mcn;
        std::vector<Expected> tracks;
    } cases[] = {
        {"pressed", kPressed, "4006381333931",
         {{0, 225, "USRC17607839", true, false}, {325, 475, "GBAYE6700001", false, true}, {555, 555, "", true, true}}},
        {"plain", {"", 0, false, {{0, 30, "", ""}, {0, 20, "", ""}}}, "", {{0, 0, "", false, false}, {30, 30, "", false, false}}},
        // A catalog of zeros is "no catalog" on a real disc.
        {"zeros", {"0000000000000", 0, false, {{0, 10, "", ""}}}, "", {{0, 0, "", false, false}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LibcdioCdrom cdrom(writePressedImage(dir, c.name, c.spec).string(), [](const std::string& m) { ADD_FAILURE() << m; });
        LibcdioCdLayout reader(cdrom);
        const PressedLayout got = reader.readLayout(openImage(cdrom));
        EXPECT_TRUE(got.known);
        EXPECT_TRUE(got.codesRead);
        EXPECT_EQ(got.mcn, c.mcn);
        expectTracks(got, c.tracks);
    }
}

TEST(PressedLayout, CdrdaoTocFilesGiveThemToo) {
    TempFolder dir;
    writePressedImage(dir, "disc", kPressed);
    // libcdio finds a TOC's data file from the working folder: the name is given whole.
    const std::string bin = (dir / "disc.bin").string();
    writeText(dir / "disc.toc",
              "CD_DA\nCATALOG \"4006381333931\"\n"
              "TRACK AUDIO\nPRE_EMPHASIS\nISRC \"USRC17607839\"\nFILE \"" + bin + "\" 0 00:04:25\nSTART 00:03:00\n"
              "TRACK AUDIO\nCOPY\nFILE \"" + bin + "\" 00:04:25 00:03:05\nSTART 00:02:00\n"
              // libcdio 2.1 counts a last track's START twice into the lead-out: the last has none.
              "TRACK AUDIO\nFILE \"" + bin + "\" 00:07:30 00:00:60\n");
    LibcdioCdrom cdrom((dir / "disc.toc").string(), [](const std::string& m) { ADD_FAILURE() << m; });
    LibcdioCdLayout reader(cdrom);
    const PressedLayout got = reader.readLayout(openImage(cdrom));
    EXPECT_EQ(got.mcn, "4006381333931");
    expectTracks(got, {{0, 225, "USRC17607839", true, false}, {325, 475, "", false, true}, {555, 555, "", false, false}});
}

TEST(PressedLayout, NoDiscGivesNothingAndTheHiddenTrackIsReadable) {
    TempFolder dir;
    LibcdioCdrom cdrom(writePressedImage(dir, "disc", kPressed).string());
    LibcdioCdLayout reader(cdrom);
    EXPECT_FALSE(reader.readLayout(0).known);
    const CdHandle h = openImage(cdrom);
    ASSERT_TRUE(cdrom.openTray(h));
    EXPECT_FALSE(reader.readLayout(h).known);
    ASSERT_TRUE(cdrom.closeTray(h));

    // Blocks before track 1 are its pregap, as a drive reads them.
    std::vector<uint8_t> buf(kReadBufHeaderSize + 2 * kCdFrameBytes);
    putLe32(buf.data() + kReadBufStartFrame, 0);
    putLe32(buf.data() + kReadBufFrameCount, 2);
    putLe32(buf.data() + kReadBufCapacity, 2 * kCdFrameBytes);
    ASSERT_EQ(cdrom.ReadCDAudioLBA(h, buf.data(), buf.size()), 1);
    for (size_t i = 0; i < 2 * kCdFrameBytes; ++i)
        ASSERT_EQ(buf[kReadBufHeaderSize + i], patternByte(i / kCdFrameBytes, i % kCdFrameBytes)) << i;
}

}  // namespace
}  // namespace wl::test
