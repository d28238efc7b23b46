// Secure rips of the demo disc through libcdio-paranoia, with faults put under paranoia where
// the drive's own reads would be: what it corrects is bit-exact, what it cannot is reported by
// range and never proved by the local databases; Secure where needed reads again only what
// the databases reject.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "LocalServer.h"
#include "Rig.h"
#include "ServedDatabases.h"
#include "app/Commands.h"

using namespace wl;
using namespace wl::e2e;

namespace {

// The section of the log about track t (from 1).
std::string trackEntry(const std::string& log, size_t t) {
    const size_t at = log.find("\nTrack " + std::to_string(t) + "\n");
    return at == std::string::npos ? std::string() : log.substr(at, log.find("\n\n", at + 1) - at);
}

struct SecureRig {
    test::TempWorkingDir root;
    LibraryHashing hashing;
    Disc disc = demoDisc();
    std::unique_ptr<test::LocalFileServer> server;
    std::unique_ptr<Rig> prog;

    // Serves both databases (track `changed`'s CRCs off by `change`) and starts the program.
    bool start(int readMode, size_t changed = 99, uint32_t change = 0) {
        serveDatabases(root.path(), disc, hashing, changed, change);
        server = std::make_unique<test::LocalFileServer>(root.path());
        if (server->url.empty()) return false;
        prog = std::make_unique<Rig>(RipFromCd);
        prog->s().verify = {server->url, (root.path() / "ar-cache").string()};
        prog->s().ctdbConfig = {server->url, (root.path() / "ctdb-cache").string()};
        if (!prog->start()) return false;
        prog->s().readMode = readMode;
        return true;
    }
    // Rips track t (from 1) and waits for both verdicts.
    std::string rip(size_t t) {
        while (prog->s().currentTrack != int(t)) prog->window.sendCommand(ID_NEXT_TRACK);
        const std::string wav = (prog->dir.path() / ("track" + std::to_string(t) + ".wav")).string();
        prog->rip(wav);
        EXPECT_TRUE(QTest::qWaitFor([&] {
            const TrackRipRecord& r = prog->s().rippedTracks[int(t)];
            return !r.verdict.empty() && !r.ctdbVerdict.empty();
        }, 15000));
        return wav;
    }
    std::string trackAudio(size_t t) const {
        return disc.image.substr(size_t(disc.starts[t - 1]) * kCdFrameBytes,
                                 size_t(disc.starts[t] - disc.starts[t - 1]) * kCdFrameBytes);
    }
};

TEST(SecureRipEndToEnd, ParanoiaCorrectsWhatDiffersAndReportsWhatItCannotRead) {
    const Disc disc = demoDisc();
    ASSERT_EQ(disc.starts.size(), 5u);
    // A sector in the middle of track 2.
    const int32_t bad = int32_t(disc.starts[1] + (disc.starts[2] - disc.starts[1]) / 2);
    struct Case {
        const char* what;
        ParanoiaReader::ReadHook hook;
        bool exact;
    };
    auto firstReadOnly = [bad, seen = std::make_shared<bool>(false)](void* out, int32_t begin, long n,
                                                                    const ParanoiaReader::RealRead& real) {
        const long got = real(out, begin, n);
        if (out != nullptr && !*seen && bad >= begin && bad < begin + got) {
            *seen = true;
            std::memset(static_cast<uint8_t*>(out) + size_t(bad - begin) * kCdFrameBytes + 600, 0x5A, 64);
        }
        return got;
    };
    // Every other read lands 2 samples early, as a drive that loses its place does.
    auto jitter = [calls = std::make_shared<int>(0)](void* out, int32_t begin, long n, const ParanoiaReader::RealRead& real) {
        // (paranoia's reads without a buffer only move the drive)
        if (out == nullptr || begin == 0 || ++*calls % 2 == 0) return real(out, begin, n);
        std::vector<uint8_t> wide(size_t(n + 1) * kCdFrameBytes);
        const long got = real(wide.data(), begin - 1, n + 1);
        if (got != n + 1) return real(out, begin, n);
        std::memcpy(out, wide.data() + kCdFrameBytes - 8, size_t(n) * kCdFrameBytes);
        return n;
    };
    auto everyRead = [bad, calls = std::make_shared<uint8_t>(0)](void* out, int32_t begin, long n,
                                                               const ParanoiaReader::RealRead& real) {
        const long got = real(out, begin, n);
        if (out != nullptr && bad >= begin && bad < begin + got) {
            uint8_t* sector = static_cast<uint8_t*>(out) + size_t(bad - begin) * kCdFrameBytes;
            const uint8_t k = ++*calls;
            for (size_t i = 0; i < kCdFrameBytes; ++i) sector[i] = uint8_t(i * 31 + k * 97);
        }
        return got;
    };
    const Case cases[] = {
        {"a clean read", nullptr, true},
        {"a sector wrong on its first read", firstReadOnly, true},
        {"reads shifted by two samples", jitter, true},
        {"a sector wrong on every read", everyRead, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        BoxAnswerer boxes;
        SecureRig rig;
        ASSERT_TRUE(rig.start(1));
        rig.prog->secureRead.setOptions({c.hook, 0});
        const std::string wav = rig.rip(2);
        const TrackRipRecord& r = rig.prog->s().rippedTracks[2];
        const std::string entry = trackEntry(logText(rig.prog->dir.path()), 2);
        EXPECT_NE(entry.find("  Read in Secure: "), std::string::npos) << entry;
        EXPECT_EQ(wavData(wav) == rig.trackAudio(2), c.exact);
        if (c.exact) {
            EXPECT_TRUE(r.inexact.empty());
            EXPECT_NE(entry.find("Sectors not read exactly: none"), std::string::npos) << entry;
            EXPECT_NE(entry.find("Accurately ripped (confidence 5, AccurateRip v2)"), std::string::npos) << entry;
            EXPECT_NE(entry.find("CTDB: accurately ripped (confidence 9 of 9)"), std::string::npos) << entry;
        } else {
            ASSERT_FALSE(r.inexact.empty());
            bool named = false;
            for (const SectorRange& range : r.inexact) named = named || (range.first <= uint32_t(bad) && uint32_t(bad) <= range.last);
            EXPECT_TRUE(named) << "sector " << bad << ", named " << r.inexact[0].first << "-" << r.inexact[0].last;
            const std::string sectors = std::to_string(r.inexact[0].first) + "-" + std::to_string(r.inexact[0].last) + ")";
            EXPECT_NE(entry.find("Sectors not read exactly: "), std::string::npos) << entry;
            EXPECT_NE(entry.find(sectors), std::string::npos) << entry;
            EXPECT_NE(entry.find("Not accurate"), std::string::npos) << entry;
            EXPECT_NE(entry.find("CTDB: not accurate"), std::string::npos) << entry;
        }
    }
}

// Burst first; a track neither database confirms is read again in Secure, in its place.
TEST(SecureRipEndToEnd, SecureWhereNeededReadsAgainOnlyTheTrackTheDatabasesReject) {
    BoxAnswerer boxes;
    SecureRig rig;
    ASSERT_TRUE(rig.start(2, 2, 1));  // track 3's CRCs are not the disc's
    const size_t tracks = rig.disc.starts.size() - 1;
    for (size_t t = 1; t <= tracks; ++t) {
        const std::string wav = rig.rip(t);
        EXPECT_TRUE(wavData(wav) == rig.trackAudio(t)) << t;
    }
    const std::string log = logText(rig.prog->dir.path());
    EXPECT_NE(log.find("Read mode: Secure where needed"), std::string::npos);
    for (size_t t = 1; t <= tracks; ++t) {
        SCOPED_TRACE(t);
        const std::string entry = trackEntry(log, t);
        const bool again = t == 3;
        EXPECT_EQ(entry.find("  Ripped again in Secure: neither AccurateRip") != std::string::npos, again) << entry;
        EXPECT_EQ(entry.find("  Read in Secure: ") != std::string::npos, again) << entry;
        EXPECT_EQ(entry.find("  Read in Burst") != std::string::npos, !again) << entry;
    }
    EXPECT_TRUE(noBoxes(boxes));
}

}  // namespace
