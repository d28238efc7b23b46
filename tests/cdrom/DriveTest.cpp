// The library on a real drive; skipped on machines without one.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "adapters/cdrom/LibcdioCdrom.h"

namespace wl {
namespace {

class RealDrive : public ::testing::Test {
protected:
    LibcdioCdrom cdrom{{}, [](const std::string&) {}};
    uint8_t list[kDriveListSize] = {};

    void SetUp() override {
        cdrom.GetCDList(list);
        if (list[1] == 0) GTEST_SKIP() << "no CD drive on this machine";
    }
    CdHandle open(uint8_t method) {
        const uint8_t* e = driveEntry(list, 0);
        uint8_t request[kHandleRequestSize] = {12, 1, e[0], e[1], e[2], method};
        return cdrom.GetCDHandle(request);
    }
};

TEST_F(RealDrive, IsNamedAndOpensWithBothReadMethods) {
    EXPECT_GT(std::strlen(reinterpret_cast<const char*>(driveEntry(list, 0) + kDriveNameOffset)), 0u);
    const CdHandle best = open(0), direct = open(1);
    EXPECT_NE(best, 0u);
    EXPECT_NE(direct, 0u);
    cdrom.CloseCDHandle(best);
    cdrom.CloseCDHandle(direct);
}

TEST_F(RealDrive, VerifiedAndDirectReadsOfAnAudioDiscAgree) {
    const CdHandle best = open(0), direct = open(1);
    uint8_t toc[kTocSize];
    if (cdrom.ReadTOC(direct, toc) != 1) GTEST_SKIP() << "no disc in the drive";
    size_t k = 0;
    while (k < toc[3] && (tocEntry(toc, k)[1] & 0x04)) ++k;
    if (tocEntry(toc, k)[2] == kLeadOutTrack) GTEST_SKIP() << "no audio track on the disc";
    std::vector<uint8_t> a(kReadBufHeaderSize + 26 * kCdFrameBytes), b(a.size());
    for (auto* buf : {&a, &b}) {
        putLe32(buf->data() + kReadBufStartFrame, getBe32(tocEntry(toc, k) + 4));
        putLe32(buf->data() + kReadBufFrameCount, 26);
        putLe32(buf->data() + kReadBufCapacity, 26 * kCdFrameBytes);
    }
    ASSERT_EQ(cdrom.ReadCDAudioLBA(best, a.data(), a.size()), 1);
    ASSERT_EQ(cdrom.ReadCDAudioLBA(direct, b.data(), b.size()), 1);
    EXPECT_TRUE(std::equal(a.begin() + kReadBufHeaderSize, a.end(), b.begin() + kReadBufHeaderSize));
}

}  // namespace
}  // namespace wl
