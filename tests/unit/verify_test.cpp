// Rip checksums and the AccurateRip database's answers.
#include <gtest/gtest.h>

#include <cstring>

#include "adapters/hash/Hashing.h"
#include "verify/AccurateRip.h"
#include "verify/ChecksumWorker.h"

namespace wl {
namespace {

std::vector<uint8_t> rampAudio(uint32_t frames) {
    std::vector<uint8_t> pcm(size_t(frames) * 4);
    for (uint32_t i = 0; i < frames; ++i) {
        const uint32_t w = (i & 0xFFFF) | (((3 * i + 7) & 0xFFFF) << 16);
        for (int b = 0; b < 4; ++b) pcm[size_t(i) * 4 + b] = uint8_t(w >> (8 * b));
    }
    return pcm;
}

// Fed in chunks that split stereo samples, as reads of any size do.
TEST(TrackChecksums, MatchTheDefinitionsVectorsWhereverTheTrackSitsOnTheDisc) {
    const auto pcm = rampAudio(5880);
    struct Case {
        bool first, last;
        uint32_t v1, v2;
    } cases[] = {
        {false, false, 0xb7746258, 0xb7a3b3d2},
        {true, false, 0xb6853180, 0xb6ae9da4},
        {false, true, 0xdb93096c, 0xdb98f04d},
        {true, true, 0xdaa3d894, 0xdaa3da1f},
    };
    LibraryHashing hashing;
    for (const Case& c : cases) {
        TrackChecksums sums(5880, c.first, c.last, &hashing);
        for (size_t at = 0; at < pcm.size(); at += 4099) sums.add(pcm.data() + at, std::min<size_t>(4099, pcm.size() - at));
        EXPECT_EQ(sums.v1(), c.v1) << c.first << c.last;
        EXPECT_EQ(sums.v2(), c.v2) << c.first << c.last;
        EXPECT_EQ(sums.copyCrc(), hashing.crc32(0, pcm.data(), pcm.size()));
        EXPECT_EQ(sums.peak(), 3 * 5879 + 7);  // the right channel's last sample
    }
    const char check[] = "123456789";
    EXPECT_EQ(hashing.crc32(0, reinterpret_cast<const uint8_t*>(check), 9), 0xCBF43926u);
    EXPECT_EQ(hashing.sha256Hex("abc"), "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD");
}

std::string le32(uint32_t v) {
    return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
}
std::string record(unsigned tracks, uint32_t id1, uint32_t id2, uint32_t cddb,
                   const std::vector<std::pair<int, uint32_t>>& entries) {
    std::string r(1, char(tracks));
    r += le32(id1) + le32(id2) + le32(cddb);
    for (auto [confidence, crc] : entries) r += char(confidence) + le32(crc) + le32(0);
    return r;
}

TEST(Dbar, OnlyWellFormedRecordsOfThisDiscAreAnAnswerAndTheyGiveEachTrackItsVerdict) {
    const uint32_t a = 0x0013bd5a, b = 0x00b8d489, c = 0xc60af50d;
    EXPECT_EQ(AccurateRipPath(12, a, b, c), "accuraterip/a/5/d/dBAR-012-0013bd5a-00b8d489-c60af50d.bin");
    const std::string good = record(2, a, b, c, {{7, 0x11111111}, {3, 0x22222222}}) +
                             record(2, a, b, c, {{12, 0x33333333}, {0, 0}});
    struct Case {
        const char* what;
        std::string bytes;
        bool parsed;
    } cases[] = {
        {"two records", good, true},
        {"empty", "", false},
        {"an HTML page", "<html><body>Not Found</body></html>", false},
        {"cut short", good.substr(0, good.size() - 1), false},
        {"another disc's IDs", record(2, a + 1, b, c, {{1, 1}, {1, 1}}), false},
        {"another track count", record(3, a, b, c, {{1, 1}, {1, 1}, {1, 1}}).substr(0, 31), false},
    };
    for (const Case& k : cases) EXPECT_EQ(ParseDbar(k.bytes, 2, a, b, c).has_value(), k.parsed) << k.what;

    const auto records = *ParseDbar(good, 2, a, b, c);
    struct Verdict {
        size_t track;
        uint32_t v1, v2;
        ArVerdict::Kind kind;
        int confidence, version;
    } verdicts[] = {
        {0, 0x11111111, 0x99999999, ArVerdict::Accurate, 7, 1},
        {0, 0x00000000, 0x33333333, ArVerdict::Accurate, 12, 2},
        {0, 0x11111111, 0x33333333, ArVerdict::Accurate, 12, 2},  // the highest confidence wins
        {0, 0x44444444, 0x55555555, ArVerdict::NotAccurate, 0, 0},
        {1, 0x22222222, 0x00000000, ArVerdict::Accurate, 3, 1},
        {1, 0x00000000, 0x00000000, ArVerdict::NotAccurate, 0, 0},  // an empty entry is no match
    };
    for (const Verdict& v : verdicts) {
        const ArVerdict got = VerdictFor(records, v.track, v.v1, v.v2);
        EXPECT_EQ(got.kind, v.kind) << v.track << " " << std::hex << v.v1;
        EXPECT_EQ(got.confidence, v.confidence) << v.track << " " << std::hex << v.v1;
        EXPECT_EQ(got.version, v.version) << v.track << " " << std::hex << v.v1;
    }
    EXPECT_EQ(VerdictFor({}, 0, 1, 2).kind, ArVerdict::NotInDatabase);
}

// Several megabytes through the summing thread, so that it falls behind and the rip waits;
// a loud negative sample sets the peak. A worker dropped half way must end without a wait.
TEST(ChecksumWorker, SumsOnItsThreadWhatTheRipThreadWouldAndLetsARipBeGivenUp) {
    auto pcm = rampAudio(3'000'000);
    pcm[4 * 1'234'567 + 2] = 0x00;
    pcm[4 * 1'234'567 + 3] = 0x80;  // -32768 in the right channel
    LibraryHashing hashing;
    TrackChecksums direct(3'000'000, true, true, &hashing);
    direct.add(pcm.data(), pcm.size());
    ChecksumWorker worker(TrackChecksums(3'000'000, true, true, &hashing));
    for (size_t at = 0; at < pcm.size(); at += 61'151) worker.add(pcm.data() + at, std::min<size_t>(61'151, pcm.size() - at));
    const TrackChecksums threaded = worker.finish();
    EXPECT_EQ(threaded.v1(), direct.v1());
    EXPECT_EQ(threaded.v2(), direct.v2());
    EXPECT_EQ(threaded.copyCrc(), hashing.crc32(0, pcm.data(), pcm.size()));
    EXPECT_EQ(threaded.peak(), 32768);
    EXPECT_EQ(direct.peak(), 32768);

    ChecksumWorker dropped(TrackChecksums(3'000'000, false, false, &hashing));
    dropped.add(pcm.data(), pcm.size() / 2);
}

}  // namespace
}  // namespace wl
