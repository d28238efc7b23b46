// Rip checksums and the AccurateRip database's answers.
#include <gtest/gtest.h>

#include <cstring>

#include "adapters/hash/Hashing.h"
#include "verify/AccurateRip.h"
#include "verify/ChecksumWorker.h"
#include "verify/Ctdb.h"
#include "verify/OffsetDetect.h"

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

// CTDB

void blockToc(uint8_t (&toc)[kTocSize], const std::vector<uint32_t>& starts, const std::vector<bool>& data, uint32_t leadOut) {
    std::memset(toc, 0, kTocSize);
    toc[2] = 1;
    toc[3] = uint8_t(starts.size());
    for (size_t k = 0; k <= starts.size(); ++k) {
        uint8_t* e = tocEntry(toc, k);
        const bool lead = k == starts.size();
        e[1] = !lead && k < data.size() && data[k] ? 0x14 : 0x10;
        e[2] = lead ? kLeadOutTrack : uint8_t(k + 1);
        putBe32(e + 4, lead ? leadOut : starts[k]);
    }
}

TEST(Ctdb, TheLookupNamesTheTracksStartsDataTracksMarkedThenTheLeadOut) {
    struct Case {
        std::vector<uint32_t> starts;
        std::vector<bool> data;
        uint32_t leadOut;
        const char* base;
        const char* url;
    } cases[] = {
        {{0, 11413, 25024, 45713}, {}, 55220, "http://db.cuetools.net",
         "http://db.cuetools.net/lookup2.php?version=3&ctdb=1&fuzzy=1&toc=0:11413:25024:45713:55220"},
        {{0, 11413, 25024}, {false, false, true}, 55220, "http://127.0.0.1:8/",
         "http://127.0.0.1:8/lookup2.php?version=3&ctdb=1&fuzzy=1&toc=0:11413:-25024:55220"},
        {{32, 5000}, {true, false}, 9000, "http://h", "http://h/lookup2.php?version=3&ctdb=1&fuzzy=1&toc=-32:5000:9000"},
        {{100, 50}, {}, 9000, "http://h", nullptr},  // starts going backwards: no disc's table
    };
    for (const Case& c : cases) {
        uint8_t toc[kTocSize];
        blockToc(toc, c.starts, c.data, c.leadOut);
        const std::string text = CtdbTocText(toc);
        if (c.url == nullptr) EXPECT_EQ(text, "");
        else EXPECT_EQ(CtdbLookupUrl(c.base, text), c.url);
    }
}

// The track CRCs of a 3-track disc whose stereo sample i (from the disc's first) is the ramp,
// fed in chunks that split samples; the whole disc as one track gives the disc's CRC.
TEST(Ctdb, TrackCrcsLeaveOutTheDiscsEdgesAndTheRemainderOfItsLastStride) {
    const std::vector<uint32_t> sectors = {30, 25, 40};
    const auto disc = rampAudio(95 * kSamplesPerFrame);
    uint8_t toc[kTocSize];
    blockToc(toc, {0, 30, 55}, {}, 95);
    const uint64_t discSamples = CtdbDiscSamples(toc);
    ASSERT_EQ(discSamples, 95u * kSamplesPerFrame);
    LibraryHashing hashing;
    struct Case {
        uint32_t from, sectors;
        bool first, last;
        uint32_t crc;
    } cases[] = {
        {0, 30, true, false, 0x7cb583e1},
        {30, 25, false, false, 0xd807a0de},
        {55, 40, false, true, 0x153c9a6f},
        {0, 95, true, true, 0x91fe2f4f},
    };
    for (const Case& c : cases) {
        const uint64_t n = uint64_t(c.sectors) * kSamplesPerFrame;
        TrackChecksums sums(n, c.first, c.last, &hashing);
        const CtdbSkips skips = CtdbSkipsFor(c.first, c.last, discSamples);
        sums.skipForCtdb(skips.front, skips.back);
        const uint8_t* pcm = disc.data() + size_t(c.from) * kSamplesPerFrame * 4;
        for (size_t at = 0; at < n * 4; at += 4099) sums.add(pcm + at, std::min<size_t>(4099, n * 4 - at));
        EXPECT_EQ(sums.ctdbCrc(), c.crc) << c.from;
    }
}

TEST(Ctdb, AnAnswersEntriesGiveEachTrackItsVerdictAndAnythingElseIsNoAnswer) {
    // The service's layout: a namespaced root, entries with their attributes, other elements beside.
    const std::string answer =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
        "<ctdb xmlns=\"http://db.cuetools.net/ns/mmd-1.0#\" xmlns:ext=\"http://db.cuetools.net/ns/mmd-1.0#ext\">\n"
        "  <entry confidence=\"7\" crc32=\"b1a2c3d4\" id=\"2c6d1a99\" npar=\"8\" stride=\"5880\" "
        "toc=\"0:30:55:95\" trackcrcs=\"7cb583e1 d807a0de 153c9a6f\"/>\n"
        "  <entry id='1' trackcrcs='7cb583e1 00000001 153c9a6f' confidence='3' />\n"
        "  <metadata source=\"musicbrainz\" artist=\"A\" album=\"B\"><track name=\"entry\"/></metadata>\n"
        "</ctdb>\n";
    const auto entries = ParseCtdbAnswer(answer);
    ASSERT_TRUE(entries.has_value());
    ASSERT_EQ(entries->size(), 2u);
    struct Case {
        size_t track;
        uint32_t crc;
        const char* verdict;
    } cases[] = {
        {0, 0x7cb583e1, "accurately ripped (confidence 10 of 10)"},
        {1, 0xd807a0de, "accurately ripped (confidence 7 of 10)"},
        {1, 0x00000001, "accurately ripped (confidence 3 of 10)"},
        {2, 0x153c9a6e, "not accurate"},
        {3, 0x7cb583e1, "not in the database"},
    };
    for (const Case& c : cases) EXPECT_EQ(CtdbVerdictText(CtdbVerdictFor(*entries, c.track, c.crc)), c.verdict);

    const auto none = ParseCtdbAnswer("<?xml version=\"1.0\"?><ctdb xmlns=\"http://db.cuetools.net/ns/mmd-1.0#\"/>");
    ASSERT_TRUE(none.has_value());
    EXPECT_EQ(CtdbVerdictText(CtdbVerdictFor(*none, 0, 1)), "not in the database");
    for (const char* bad : {"<html><body>Not here</body></html>", "<ctdb><entry confidence=\"7\" trackcrcs=\"7cb5",
                            "<ctdb><entry confidence=\"x\" trackcrcs=\"1\"/></ctdb>",
                            "<ctdb><entry confidence=\"1\" trackcrcs=\"123456789\"/></ctdb>", ""})
        EXPECT_FALSE(ParseCtdbAnswer(bad).has_value()) << bad;
}

// Offset detection: the disc's audio as a drive with a read offset delivers it (that many
// samples later), against records made from the audio itself.
TEST(OffsetDetect, AShiftedReadGivesExactlyItsOffsetOnceTwoTracksAgree) {
    const std::vector<uint32_t> starts = {0, 600, 1200};
    const uint32_t leadOut = 1670;
    uint8_t toc[kTocSize];
    blockToc(toc, starts, {}, leadOut);
    std::vector<uint8_t> disc(size_t(leadOut) * kCdFrameBytes);
    uint32_t x = 12345;
    for (uint8_t& b : disc) b = uint8_t((x = x * 1103515245u + 12345u) >> 24);
    DbarRecord record;
    for (uint32_t s : starts) record.tracks.push_back({3, 0, Crc450(disc.data() + size_t(s + 450) * kCdFrameBytes)});
    struct Case {
        int offset;
        std::vector<DbarRecord> records;
        std::vector<int> tracks;  // empty: no proposal
    } cases[] = {
        {667, {record}, {1, 2}},
        {-1164, {record}, {1, 2}},
        {0, {record}, {1, 2}},
        {5000, {record}, {1, 2}},
        {5001, {record}, {}},  // beyond the candidates
        {667, {DbarRecord{0, 0, 0, {{3, 0, 0}, {3, 0, 0}, {3, 0, 0}}}}, {}},  // no frame-450 CRCs to match
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.offset);
        const RawSectorRead read = [&](uint32_t start, uint32_t count, std::vector<uint8_t>& out) {
            out.assign(size_t(count) * kCdFrameBytes, 0);
            for (size_t b = 0; b < out.size(); ++b) {
                const int64_t at = int64_t(start) * int64_t(kCdFrameBytes) + int64_t(b) - 4 * int64_t(c.offset);
                if (at >= 0 && at < int64_t(disc.size())) out[b] = disc[size_t(at)];
            }
            return true;
        };
        const OffsetProposal p = DetectReadOffset(toc, c.records, read);
        EXPECT_EQ(p.offset.has_value(), !c.tracks.empty()) << p.why;
        if (p.offset) {
            EXPECT_EQ(*p.offset, c.offset);
            EXPECT_EQ(p.tracks, c.tracks);
        }
    }
}

TEST(OffsetDetect, TheDriveOffsetListNamesADriveByVendorAndModelSpacesAndCaseAside) {
    const auto entry = [](int16_t offset, const std::string& name) {
        std::string r = {char(uint16_t(offset) & 0xFF), char(uint16_t(offset) >> 8)};
        r += name;
        r.resize(35, '\0');
        return r + std::string(34, 'x');
    };
    const std::string list = entry(6, "PLEXTOR - DVDR   PX-716A") + entry(-1164, "HL-DT-ST - DVDRAM GH24NSD1") +
                             entry(667, "ASUS - DRW-24D5MT");
    ASSERT_EQ(list.size(), 3u * 69);
    struct Case {
        const char* drive;
        std::optional<int> offset;
    } cases[] = {
        {"PLEXTOR DVDR PX-716A", 6},     {"hl-dt-st dvdram gh24nsd1", -1164}, {"ASUS DRW-24D5MT", 667},
        {"ASUS DRW-24B1ST", std::nullopt}, {"", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(ListedDriveOffset(list, c.drive), c.offset) << c.drive;
    EXPECT_EQ(ListedDriveOffset(list.substr(0, 100), "ASUS DRW-24D5MT"), std::nullopt);  // a cut record is none
}

}  // namespace
}  // namespace wl
