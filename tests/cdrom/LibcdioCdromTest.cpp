// The CD-ROM access library over generated disc images.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "ImageFixture.h"
#include "adapters/cdrom/DiscLayout.h"
#include "adapters/cdrom/LibcdioCdrom.h"

namespace wl::test {
namespace {

constexpr uint8_t kImageHa = 1;  // the library's numbers for the image drive

struct Drive {
    std::vector<std::string> messages;
    LibcdioCdrom cdrom;
    explicit Drive(const std::filesystem::path& image, bool verified = false)
        : cdrom(image.string(), [this](const std::string& m) { messages.push_back(m); }, verified) {}

    CdHandle open(uint8_t method = 0, uint8_t ha = kImageHa, uint8_t target = 0, uint8_t lun = 0) {
        uint8_t request[kHandleRequestSize] = {12, 1, ha, target, lun, method};
        return cdrom.GetCDHandle(request);
    }
    // One read; returns the result and leaves the data in buf.
    int read(CdHandle h, std::vector<uint8_t>& buf, uint32_t start, uint32_t count, uint32_t capacity) {
        putLe32(buf.data() + kReadBufStartFrame, start);
        putLe32(buf.data() + kReadBufFrameCount, count);
        putLe32(buf.data() + kReadBufCapacity, capacity);
        return cdrom.ReadCDAudioLBA(h, buf.data(), buf.size());
    }
    // Reads frames [start, end) in chunks of 26, as a rip does.
    std::vector<uint8_t> rip(CdHandle h, uint32_t start, uint32_t end) {
        std::vector<uint8_t> buf(kReadBufHeaderSize + 26 * kCdFrameBytes), out;
        for (uint32_t at = start; at < end;) {
            const uint32_t n = std::min<uint32_t>(26, end - at);
            if (read(h, buf, at, n, 26 * kCdFrameBytes) != 1) {
                ADD_FAILURE() << "read failed at " << at;
                return out;
            }
            const uint8_t* data = buf.data() + kReadBufHeaderSize + getLe32(buf.data() + kReadBufOffset);
            out.insert(out.end(), data, data + getLe32(buf.data() + kReadBufLength));
            at += n;
        }
        return out;
    }
};

bool listsImage(LibcdioCdrom& cdrom) {
    uint8_t list[kDriveListSize] = {};
    cdrom.GetCDList(list);
    for (size_t i = 0; i < list[1]; ++i)
        if (std::strncmp(reinterpret_cast<const char*>(driveEntry(list, i) + kDriveNameOffset), "Disc image:", 11) == 0)
            return true;
    return false;
}

std::vector<uint8_t> patternFrames(size_t from, size_t to) {
    std::vector<uint8_t> v;
    for (size_t f = from; f < to; ++f)
        for (size_t i = 0; i < kCdFrameBytes; ++i) v.push_back(patternByte(f, i));
    return v;
}

class ImageDrive : public ::testing::Test {
protected:
    TempFolder dir;
    std::filesystem::path cue = writeImage(dir, "tiny", {{27}, {5}, {40}});
};

TEST_F(ImageDrive, IsListedFirstUnderItsFileNameWithStableNumbers) {
    Drive d(cue);
    uint8_t list[kDriveListSize];
    std::memset(list, 0xEE, sizeof list);
    d.cdrom.GetCDList(list);
    ASSERT_GE(list[1], 1);
    EXPECT_EQ(list[0], 0xEE) << "bytes outside the count and entries are left alone";
    const uint8_t* e = driveEntry(list, 0);
    EXPECT_STREQ(reinterpret_cast<const char*>(e + kDriveNameOffset), "Disc image: tiny.cue");
    const uint8_t first[3] = {e[0], e[1], e[2]};
    if (list[1] < kMaxDrives) {
        EXPECT_EQ(driveEntry(list, list[1])[0], 0xEE);
    }

    uint8_t again[kDriveListSize] = {};
    d.cdrom.GetCDList(again);
    EXPECT_EQ(again[1], list[1]);
    for (size_t i = 0; i < list[1]; ++i)
        EXPECT_EQ(0, std::memcmp(driveEntry(list, i), driveEntry(again, i), 3)) << "entry " << i;
    EXPECT_EQ(first[0], kImageHa);
    EXPECT_TRUE(d.messages.empty());
}

TEST_F(ImageDrive, LongNameIsCutToFitWithItsTerminator) {
    const std::string longName = std::string(60, 'x') + "\xc3\xa9";  // ends in a two-byte character
    const auto longCue = writeImage(dir, longName, {{3}});
    Drive d(longCue);
    uint8_t list[kDriveListSize];
    std::memset(list, 0xEE, sizeof list);
    d.cdrom.GetCDList(list);
    const uint8_t* name = driveEntry(list, 0) + kDriveNameOffset;
    EXPECT_EQ(name[kDriveNameCapacity - 1], 0);
    EXPECT_EQ(std::strlen(reinterpret_cast<const char*>(name)), kDriveNameCapacity - 1);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(name)), ("Disc image: " + longName).substr(0, 42));
}

TEST_F(ImageDrive, HandlesForReadMethodsZeroAndOneOnly) {
    Drive d(cue);
    const CdHandle best = d.open(0), direct = d.open(1);
    EXPECT_NE(best, 0u);
    EXPECT_NE(direct, 0u);
    EXPECT_NE(best, direct);
    for (uint8_t m = 2; m <= 9; ++m) EXPECT_EQ(d.open(m), 0u) << "method " << int(m);
    EXPECT_EQ(d.open(0, 7, 7, 7), 0u) << "unknown drive";
    uint8_t badSize[kHandleRequestSize] = {11, 1, kImageHa, 0, 0, 0};
    EXPECT_EQ(d.cdrom.GetCDHandle(badSize), 0u);
}

TEST_F(ImageDrive, HandleZeroAndClosedHandlesFailEverywhereAndAreNeverReused) {
    Drive d(cue);
    const CdHandle h = d.open();
    d.cdrom.CloseCDHandle(h);
    const CdHandle next = d.open();
    EXPECT_NE(next, h);
    EXPECT_NE(next, 0u);
    for (CdHandle dead : {CdHandle(0), h}) {
        uint8_t toc[kTocSize];
        std::memset(toc, 0x5A, sizeof toc);
        d.cdrom.ModifyCDParms(dead, kCdParmAddressing, 1);
        EXPECT_EQ(d.cdrom.ReadTOC(dead, toc), 0);
        EXPECT_EQ(toc[3], 0x5A) << "a failed table read leaves the buffer as it was";
        std::vector<uint8_t> buf(kReadBufHeaderSize + kCdFrameBytes, 0x5A);
        EXPECT_EQ(d.read(dead, buf, 0, 1, kCdFrameBytes), 0);
        EXPECT_EQ(buf[kReadBufHeaderSize], 0x5A);
        d.cdrom.CloseCDHandle(dead);
    }
    uint8_t toc[kTocSize];
    EXPECT_EQ(d.cdrom.ReadTOC(next, toc), 1) << "closing a dead handle touched a live one";
}

TEST_F(ImageDrive, AnOpenTrayHidesTheDiscFromEveryHandleUntilClosed) {
    Drive d(cue);
    const CdHandle a = d.open(0), b = d.open(1);
    EXPECT_TRUE(d.cdrom.mediaPresent(a));
    EXPECT_FALSE(d.cdrom.trayOpen(b));
    ASSERT_TRUE(d.cdrom.openTray(a));
    EXPECT_TRUE(d.cdrom.trayOpen(b));
    EXPECT_FALSE(d.cdrom.mediaPresent(b));
    uint8_t toc[kTocSize];
    EXPECT_EQ(d.cdrom.ReadTOC(b, toc), 0);
    std::vector<uint8_t> buf(kReadBufHeaderSize + kCdFrameBytes);
    EXPECT_EQ(d.read(b, buf, 0, 1, kCdFrameBytes), 0);
    ASSERT_TRUE(d.cdrom.closeTray(b));
    EXPECT_TRUE(d.cdrom.mediaPresent(a));
    EXPECT_EQ(d.cdrom.ReadTOC(a, toc), 1);
    EXPECT_EQ(d.read(a, buf, 0, 1, kCdFrameBytes), 1);
    for (CdHandle dead : {CdHandle(0), CdHandle(999)}) {
        EXPECT_FALSE(d.cdrom.openTray(dead));
        EXPECT_FALSE(d.cdrom.mediaPresent(dead));
    }
}

TEST_F(ImageDrive, TocInBlockFormByDefaultAndMsfAfterModify) {
    Drive d(cue);
    const CdHandle h = d.open();
    uint8_t toc[kTocSize];
    std::memset(toc, 0x77, sizeof toc);
    ASSERT_EQ(d.cdrom.ReadTOC(h, toc), 1);
    const uint8_t head[] = {0x00, 34, 1, 3};
    EXPECT_EQ(0, std::memcmp(toc, head, 4));
    const uint32_t starts[] = {0, 27, 32, 72};
    for (size_t k = 0; k < 4; ++k) {
        const uint8_t* e = tocEntry(toc, k);
        EXPECT_EQ(e[1], 0x10) << k;
        EXPECT_EQ(e[2], k < 3 ? k + 1 : kLeadOutTrack) << k;
        EXPECT_EQ(getBe32(e + 4), starts[k]) << k;
    }
    EXPECT_EQ(tocEntry(toc, 4)[2], 0) << "bytes after the lead-out are cleared";

    d.cdrom.ModifyCDParms(h, kCdParmAddressing, 1);
    ASSERT_EQ(d.cdrom.ReadTOC(h, toc), 1);
    const uint8_t msf[4][4] = {{0, 0, 2, 0}, {0, 0, 2, 27}, {0, 0, 2, 32}, {0, 0, 2, 72}};
    for (size_t k = 0; k < 4; ++k) EXPECT_EQ(0, std::memcmp(tocEntry(toc, k) + 4, msf[k], 4)) << k;

    const CdHandle other = d.open();
    ASSERT_EQ(d.cdrom.ReadTOC(other, toc), 1);
    EXPECT_EQ(getBe32(tocEntry(toc, 1) + 4), 27u) << "the address form belongs to its handle";
    d.cdrom.ModifyCDParms(h, kCdParmAddressing, 0);
    ASSERT_EQ(d.cdrom.ReadTOC(h, toc), 1);
    EXPECT_EQ(getBe32(tocEntry(toc, 3) + 4), 72u);
}

TEST(TocLayout, MsfCrossesSecondsAndMinutesAndDataTracksCarryDataControl) {
    cdrom::DiscLayout disc;
    disc.tracks = {{1, 0, true}, {2, 4578, true}, {3, 299'850, false}};
    disc.leadOutLsn = 333'000;
    uint8_t toc[kTocSize];
    cdrom::writeToc(disc, true, toc);
    const uint8_t expect[4][4] = {{0, 0, 2, 0}, {0, 1, 3, 3}, {0, 66, 40, 0}, {0, 74, 2, 0}};
    for (size_t k = 0; k < 4; ++k) EXPECT_EQ(0, std::memcmp(tocEntry(toc, k) + 4, expect[k], 4)) << k;
    EXPECT_EQ(tocEntry(toc, 2)[1], 0x14);
    EXPECT_EQ(tocEntry(toc, 1)[1], 0x10);
    cdrom::writeToc(disc, false, toc);
    EXPECT_EQ(getBe32(tocEntry(toc, 2) + 4), 299'850u);
    EXPECT_EQ(getBe32(tocEntry(toc, 3) + 4), 333'000u);
}

TEST_F(ImageDrive, ChunkedReadsReturnExactlyTheImageBytes) {
    Drive d(cue);
    for (uint8_t method : {0, 1}) {
        const CdHandle h = d.open(method);
        const auto all = d.rip(h, 0, 72);
        EXPECT_TRUE(all == readAll(dir / "tiny.bin")) << "method " << int(method);
        EXPECT_TRUE(d.rip(h, 27, 32) == patternFrames(27, 32)) << "a track on its own";
    }
}

TEST_F(ImageDrive, VerifiedReadsGiveTheSameBytesInAnyOrder) {
    Drive d(cue, true);
    const CdHandle h = d.open(0);
    EXPECT_TRUE(d.rip(h, 0, 72) == readAll(dir / "tiny.bin"));
    EXPECT_TRUE(d.rip(h, 40, 46) == patternFrames(40, 46)) << "a jump back";
    EXPECT_TRUE(d.rip(h, 3, 5) == patternFrames(3, 5));
    EXPECT_TRUE(d.rip(h, 60, 72) == patternFrames(60, 72)) << "up to the lead-out";
    std::vector<uint8_t> buf(kReadBufHeaderSize + 2 * kCdFrameBytes);
    EXPECT_EQ(d.read(h, buf, 71, 2, 2 * kCdFrameBytes), 0);
}

TEST(VerifiedReads, NoiseLikeAudioIsNotByteSwapped) {
    // paranoia guesses the byte order from the signal; on noise it guesses wrong.
    TempFolder dir;
    const auto cue = writeImage(dir, "noise", {{100}});
    auto bin = readAll(dir / "noise.bin");
    uint32_t x = 1;
    for (auto& b : bin) b = uint8_t((x = x * 1664525u + 1013904223u) >> 24);
    std::ofstream(dir / "noise.bin", std::ios::binary).write(reinterpret_cast<const char*>(bin.data()),
                                                             std::streamsize(bin.size()));
    Drive d(cue, true);
    EXPECT_TRUE(d.rip(d.open(0), 0, 100) == bin);
}

TEST_F(ImageDrive, TracksMatchAnIndependentReader) {
    if (std::system("command -v bchunk >/dev/null 2>&1") != 0) GTEST_SKIP() << "bchunk is not installed";
    const std::string cmd = "cd '" + dir.path().string() + "' && bchunk -w tiny.bin tiny.cue out >/dev/null 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    Drive d(cue);
    const CdHandle h = d.open();
    const uint32_t bounds[] = {0, 27, 32, 72};
    for (int t = 0; t < 3; ++t) {
        auto wav = readAll(dir / ("out0" + std::to_string(t + 1) + ".wav"));
        ASSERT_GE(wav.size(), 44u);
        wav.erase(wav.begin(), wav.begin() + 44);
        EXPECT_TRUE(d.rip(h, bounds[t], bounds[t + 1]) == wav) << "track " << t + 1;
    }
}

TEST_F(ImageDrive, ReadsOutsideTheDiscOrBeyondTheBufferFail) {
    Drive d(cue);
    const CdHandle h = d.open();
    std::vector<uint8_t> buf(kReadBufHeaderSize + 4 * kCdFrameBytes);
    EXPECT_EQ(d.read(h, buf, 70, 2, 4 * kCdFrameBytes), 1) << "the last two frames";
    EXPECT_EQ(getLe32(buf.data() + kReadBufLength), 2 * kCdFrameBytes);
    EXPECT_EQ(d.read(h, buf, 71, 2, 4 * kCdFrameBytes), 0) << "runs into the lead-out";
    EXPECT_EQ(getLe32(buf.data() + kReadBufLength), 0u);
    EXPECT_EQ(d.read(h, buf, 72, 1, 4 * kCdFrameBytes), 0);
    EXPECT_EQ(d.read(h, buf, 0xFFFFFFFFu, 1, 4 * kCdFrameBytes), 0);
    EXPECT_EQ(d.read(h, buf, 1, 0xFFFFFFFFu, 4 * kCdFrameBytes), 0) << "a frame count that overflows";

    EXPECT_EQ(d.read(h, buf, 0, 3, 2 * kCdFrameBytes), 0) << "more than the declared capacity";
    EXPECT_EQ(d.read(h, buf, 0, 5, 0xFFFFFFFFu), 0) << "more than the buffer really holds";
    EXPECT_EQ(d.cdrom.ReadCDAudioLBA(h, buf.data(), kReadBufHeaderSize - 1), 0);

    // The real size bounds the write even when the capacity field claims more.
    std::vector<uint8_t> guarded(kReadBufHeaderSize + 2 * kCdFrameBytes + 64, 0xC3);
    putLe32(guarded.data() + kReadBufStartFrame, 10);
    putLe32(guarded.data() + kReadBufFrameCount, 2);
    putLe32(guarded.data() + kReadBufCapacity, 100 * kCdFrameBytes);
    EXPECT_EQ(d.cdrom.ReadCDAudioLBA(h, guarded.data(), guarded.size() - 64), 1);
    for (size_t i = guarded.size() - 64; i < guarded.size(); ++i) ASSERT_EQ(guarded[i], 0xC3) << i;
    EXPECT_TRUE(std::equal(guarded.begin() + kReadBufHeaderSize, guarded.end() - 64, patternFrames(10, 12).begin()));
}

TEST(ImageWithDataTrack, DataTrackIsListedAsDataAndItsFramesAreNotReadAsAudio) {
    TempFolder dir;
    const auto cue = writeImage(dir, "mixed", {{10}, {8, "MODE1/2352"}});
    Drive d(cue);
    const CdHandle h = d.open();
    ASSERT_NE(h, 0u);
    uint8_t toc[kTocSize];
    ASSERT_EQ(d.cdrom.ReadTOC(h, toc), 1);
    EXPECT_EQ(tocEntry(toc, 0)[1], 0x10);
    EXPECT_EQ(tocEntry(toc, 1)[1], 0x14);
    EXPECT_EQ(getBe32(tocEntry(toc, 1) + 4), 10u);
    std::vector<uint8_t> buf(kReadBufHeaderSize + 26 * kCdFrameBytes);
    EXPECT_EQ(d.read(h, buf, 0, 10, 26 * kCdFrameBytes), 1);
    EXPECT_EQ(d.read(h, buf, 10, 8, 26 * kCdFrameBytes), 0);
    EXPECT_EQ(d.read(h, buf, 8, 4, 26 * kCdFrameBytes), 0) << "a read reaching into the data track";
}

class BrokenImage : public ::testing::Test {
protected:
    TempFolder dir;
    // Builds a library over the image and checks it is refused with one message naming it.
    void expectRefused(const std::filesystem::path& image, const std::string& why) {
        Drive d(image);
        ASSERT_EQ(d.messages.size(), 1u);
        EXPECT_NE(d.messages[0].find("\"" + image.string() + "\""), std::string::npos) << d.messages[0];
        EXPECT_NE(d.messages[0].find(why), std::string::npos) << d.messages[0];
        EXPECT_FALSE(listsImage(d.cdrom));
        EXPECT_EQ(d.open(), 0u);
    }
};

TEST_F(BrokenImage, MissingFileOrFolder) {
    expectRefused(dir / "nothing.cue", "does not exist");
    expectRefused(dir.path(), "folder");
}

// Sheets as other tools write them: the data read is the file the sheet means, found as a
// case-blind file system finds it, else the one named like the sheet (as libcdio reads);
// what still cannot be read (another kind of file, a data file missing or too short for its
// tracks, no sheet at all) is refused with its reason.
TEST_F(BrokenImage, SheetsAreReadFromTheFileTheyMeanOrRefusedWithTheReason) {
    const auto bytes = [](size_t from) {
        std::vector<uint8_t> v = patternFrames(from, from + 10);
        return std::string(v.begin(), v.end());
    };
    const std::string tracks = "  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n    INDEX 01 00:00:04\n";
    const char garbage[] = "\x01\x02 TRACK 99 NONSENSE\n\xff\xfe";
    struct Case {
        const char* sheet;
        std::string text;
        std::vector<std::pair<const char*, std::string>> files;
        size_t readsPattern;  // the frames read start with this pattern frame
        const char* refusal;  // or the reason given
    };
    const Case cases[] = {
        {"cdda.cue", "FILE \"CDDA.BIN\" BINARY\n" + tracks, {{"cdda.bin", bytes(0)}}, 0, nullptr},
        {"p1.cue", "FILE \"BOING.BIN\" BINARY\n" + tracks, {{"p1.bin", bytes(0)}}, 0, nullptr},
        {"Mixed.Cue", "file \"mixed.bin\" binary\n" + tracks, {{"mixed.bin", bytes(0)}}, 0, nullptr},
        {"other.cue", "FILE \"real.bin\" BINARY\n" + tracks, {{"real.bin", bytes(0)}, {"other.bin", bytes(50)}}, 0, nullptr},
        {"two.cue", "FILE \"a.bin\" BINARY\n" + tracks + "FILE \"b.bin\" BINARY\n",
         {{"a.bin", bytes(0)}, {"b.bin", bytes(0)}}, 0, "several data files"},
        {"wave.cue", "FILE \"wave.wav\" WAVE\n" + tracks, {{"wave.wav", bytes(0)}}, 0, "\"WAVE\"; only BINARY"},
        {"moto.cue", "FILE \"moto.bin\" MOTOROLA\n" + tracks, {{"moto.bin", bytes(0)}}, 0, "MOTOROLA"},
        {"cut.cue", "FILE \"cut.bin\" BINARY\n" + tracks, {{"cut.bin", bytes(0).substr(0, 3 * kCdFrameBytes)}}, 0,
         "\"cut.bin\" is shorter than its track list"},
        {"lost.cue", "FILE \"gone.bin\" BINARY\n" + tracks, {}, 0, "does not exist"},
        {"garbage.cue", std::string(garbage, sizeof garbage - 1), {}, 0, "not a CD image"},
        {"empty.cue", "", {}, 0, "not a CD image"},
        {"notes.txt", "hello\n", {}, 0, "not a CD image"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sheet);
        TempFolder here;
        writeText(here / c.sheet, c.text);
        for (const auto& [name, data] : c.files) writeText(here / name, data);
        if (c.refusal) {
            expectRefused(here / c.sheet, c.refusal);
            continue;
        }
        Drive d(here / c.sheet);
        EXPECT_TRUE(d.messages.empty()) << d.messages.front();
        const CdHandle h = d.open();
        ASSERT_NE(h, 0u);
        EXPECT_TRUE(d.rip(h, 0, 10) == patternFrames(c.readsPattern, c.readsPattern + 10));
    }

    // The sheet Windows tools write, read as an independent reader reads its track.
    if (std::system("command -v bchunk >/dev/null 2>&1") != 0) GTEST_SKIP() << "bchunk is not installed";
    TempFolder here;
    writeText(here / "cdda.cue", cases[0].text);
    writeText(here / "cdda.bin", bytes(0));
    const std::string cmd = "cd '" + here.path().string() + "' && bchunk -w cdda.bin cdda.cue out >/dev/null 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    auto wav = readAll(here / "out02.wav");
    ASSERT_GE(wav.size(), 44u);
    wav.erase(wav.begin(), wav.begin() + 44);
    Drive d(here / "cdda.cue");
    EXPECT_TRUE(d.rip(d.open(), 4, 10) == wav);
}

TEST_F(BrokenImage, UnreadableFile) {
    const auto cue = writeImage(dir, "locked", {{2}});
    std::filesystem::permissions(cue, std::filesystem::perms::none);
    if (std::ifstream(cue).good()) GTEST_SKIP() << "running with rights that read any file";
    expectRefused(cue, "cannot be read");
}

TEST_F(BrokenImage, LibcdioChatterStaysOffStandardErrorAndTheDefaultReportGoesThere) {
    writeText(dir / "bad.cue", "FILE \"x.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
    ::testing::internal::CaptureStderr();
    { LibcdioCdrom quiet((dir / "bad.cue").string(), [](const std::string&) {}); }
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    ::testing::internal::CaptureStderr();
    { LibcdioCdrom loud((dir / "bad.cue").string()); }
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Disc image \""), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
}

TEST(NoImage, OnlyDrivesAreListedAndNothingIsReported) {
    std::vector<std::string> messages;
    LibcdioCdrom cdrom({}, [&](const std::string& m) { messages.push_back(m); });
    EXPECT_FALSE(listsImage(cdrom));
    uint8_t request[kHandleRequestSize] = {12, 1, kImageHa, 0, 0, 0};
    EXPECT_EQ(cdrom.GetCDHandle(request), 0u);
    EXPECT_TRUE(messages.empty());
}

}  // namespace
}  // namespace wl::test
