// Rips of the demo disc proved in its log and its Disc Information dialog against a local
// AccurateRip database: the served checksums are computed here from the image, independently
// of the program's own; and a drive's read offset applied to the audio of a real rip.
#include <gtest/gtest.h>

#include <QDialog>
#include <QListWidget>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <regex>

#include "LocalServer.h"
#include "Rig.h"
#include "app/Commands.h"

using namespace wl;
using namespace wl::e2e;

namespace {

struct Disc {
    std::vector<uint32_t> starts;  // every track's first frame, then the lead-out
    std::string image;
};
Disc demoDisc() {
    Disc d;
    d.image = test::readFileBytes(fs::path(WL_DEMO_DISC).replace_extension(".bin"));
    std::ifstream in(WL_DEMO_DISC);
    const std::regex index(R"(^\s*INDEX 01 (\d+):(\d+):(\d+))");
    std::smatch m;
    for (std::string line; std::getline(in, line);)
        if (std::regex_search(line, m, index))
            d.starts.push_back(uint32_t((std::stoi(m[1]) * 60 + std::stoi(m[2])) * 75 + std::stoi(m[3])));
    d.starts.push_back(uint32_t(d.image.size() / kCdFrameBytes));
    return d;
}

// AccurateRip's v1 and v2 CRCs of track t (from 0), straight from its definition.
struct Crcs {
    uint32_t v1 = 0, v2 = 0;
};
Crcs arCrcs(const Disc& d, size_t t) {
    const size_t tracks = d.starts.size() - 1;
    const uint64_t n = uint64_t(d.starts[t + 1] - d.starts[t]) * 588;
    const auto* pcm = reinterpret_cast<const uint8_t*>(d.image.data()) + size_t(d.starts[t]) * kCdFrameBytes;
    Crcs c;
    for (uint64_t m = 1; m <= n; ++m) {
        if ((t == 0 && m < 2940) || (t == tracks - 1 && m > n - 2940)) continue;
        const uint8_t* w = pcm + (m - 1) * 4;
        const uint64_t p = uint64_t(w[0] | w[1] << 8 | w[2] << 16 | uint32_t(w[3]) << 24) * m;
        c.v1 += uint32_t(p);
        c.v2 += uint32_t(p) + uint32_t(p >> 32);
    }
    return c;
}

std::string hex(uint32_t v) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", v);
    return text;
}

std::string le32(uint32_t v) { return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }

std::string logText(const fs::path& folder) {
    for (const auto& e : fs::directory_iterator(folder))
        if (e.path().extension() == ".log") return test::readFileBytes(e.path());
    return {};
}

TEST(VerifyEndToEnd, TheDiscLogProvesARipAgainstALocalDatabaseOrSaysWhyNot) {
    const Disc disc = demoDisc();
    ASSERT_EQ(disc.starts.size(), 5u);
    const size_t tracks = disc.starts.size() - 1;
    uint32_t id1 = disc.starts.back(), id2 = disc.starts.back() * uint32_t(tracks + 1), digits = 0;
    for (size_t t = 0; t < tracks; ++t) {
        id1 += disc.starts[t];
        id2 += std::max<uint32_t>(disc.starts[t], 1) * uint32_t(t + 1);
        for (uint32_t s = (disc.starts[t] + 150) / 75; s > 0; s /= 10) digits += s % 10;
    }
    const uint32_t cddb = (digits % 255) << 24 | (disc.starts.back() / 75 - disc.starts[0] / 75) << 8 | uint32_t(tracks);
    char name[96];
    std::snprintf(name, sizeof name, "accuraterip/%x/%x/%x/dBAR-%03zu-%08x-%08x-%08x.bin", id1 & 15, id1 >> 4 & 15,
                  id1 >> 8 & 15, tracks, id1, id2, cddb);

    struct Case {
        const char* what;
        bool served;
        uint32_t change;  // added to track 2's served CRC
        const char* verdict;  // track 2's; the others are accurate when served
        bool portal = false;  // a network's sign-in page served instead, for every track
    } cases[] = {
        {"served", true, 0, "Accurately ripped (confidence 5, AccurateRip v2)"},
        {"one CRC changed", true, 1, "Not accurate"},
        {"not in the database", false, 0, "Not in the AccurateRip database"},
        {"a sign-in page", true, 0, "Not verified (AccurateRip sent an answer that is not in its expected format)", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempWorkingDir root;
        if (c.served) {
            std::string dbar = char(tracks) + le32(id1) + le32(id2) + le32(cddb);
            for (size_t t = 0; t < tracks; ++t) dbar += char(5) + le32(arCrcs(disc, t).v2 + (t == 1 ? c.change : 0)) + le32(0);
            fs::create_directories((root.path() / name).parent_path());
            test::writeFileBytes(root.path() / name, c.portal ? "<html><body>Sign in to the network</body></html>" : dbar);
        }
        test::LocalFileServer server(root.path());
        ASSERT_FALSE(server.url.empty());

        BoxAnswerer boxes;
        Rig prog(RipFromCd);
        prog.s().verify = {server.url, (root.path() / "cache").string()};
        ASSERT_TRUE(prog.start());
        // Every track, each verified as its rip ends.
        for (size_t t = 1; t <= tracks; ++t) {
            if (t > 1) prog.window.sendCommand(ID_NEXT_TRACK);
            prog.rip((prog.dir.path() / ("track" + std::to_string(t) + ".wav")).string());
            ASSERT_TRUE(QTest::qWaitFor([&] { return !prog.s().rippedTracks[int(t)].verdict.empty(); }, 15000));
        }
        const std::string log = logText(prog.dir.path());
        for (size_t t = 0; t < tracks; ++t) {
            const size_t at = log.find("\nTrack " + std::to_string(t + 1) + "\n");
            ASSERT_NE(at, std::string::npos) << log;
            const std::string entry = log.substr(at, log.find("\n\n", at + 1) - at);
            EXPECT_NE(entry.find("AccurateRip v1 CRC: " + hex(arCrcs(disc, t).v1)), std::string::npos) << entry;
            EXPECT_NE(entry.find("AccurateRip v2 CRC: " + hex(arCrcs(disc, t).v2)), std::string::npos) << entry;
            const std::string verdict =
                t == 1 || !c.served || c.portal ? c.verdict : "Accurately ripped (confidence 5, AccurateRip v2)";
            EXPECT_NE(entry.find(verdict), std::string::npos) << entry;
        }
        EXPECT_NE(log.find("==== Log checksum "), std::string::npos);
        EXPECT_NE(log.find("Read offset: 0 samples"), std::string::npos);

        // The Disc Information dialog's track list shows each track's verdict.
        std::string listed;
        QTimer::singleShot(200, [&] {
            auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (dlg == nullptr) return;
            for (QListWidget* list : dlg->findChildren<QListWidget*>())
                if (list->count() == int(tracks)) listed = list->item(1)->text().toStdString();
            dlg->reject();
        });
        prog.window.sendCommand(ID_DISC_INFORMATION);
        EXPECT_NE(listed.find(std::string("[") + c.verdict), std::string::npos) << listed;
        EXPECT_TRUE(noBoxes(boxes));
        // A found answer is kept: the same disc needs no network next time.
        EXPECT_EQ(fs::exists(root.path() / "cache" / fs::path(name).filename()), c.served && !c.portal);
    }
}

// A drive's read offset, forced on the image's drive (an image has none of its own): the
// first and last tracks are the image's audio that many samples later or earlier, with
// silence before the disc's first sector and from its lead-out on.
TEST(VerifyEndToEnd, AReadOffsetShiftsTheRippedAudioWithSilenceBeyondTheDisc) {
    const Disc disc = demoDisc();
    const size_t tracks = disc.starts.size() - 1;
    for (const int offset : {6, -1200}) {
        BoxAnswerer boxes;
        Rig prog(RipFromCd);
        ASSERT_TRUE(prog.start());
        const size_t slot = prog.s().ripDriveIndex == 99 ? 0 : size_t(prog.s().ripDriveIndex);
        char* drive = reinterpret_cast<char*>(driveEntry(prog.s().driveList, slot) + kDriveNameOffset);
        ASSERT_EQ(std::strncmp(drive, "Disc image:", 11), 0) << drive;
        drive[0] = 'd';  // no longer named as an image
        prog.s().readOffset = offset;
        for (const size_t t : {size_t(1), tracks}) {
            SCOPED_TRACE(std::to_string(offset) + " track " + std::to_string(t));
            while (prog.s().currentTrack != int(t)) prog.window.sendCommand(ID_NEXT_TRACK);
            const std::string wav = (prog.dir.path() / ("shifted" + std::to_string(t) + ".wav")).string();
            prog.rip(wav);
            const int64_t from = int64_t(disc.starts[t - 1]) * int64_t(kCdFrameBytes) + offset * 4;
            const int64_t length = int64_t(disc.starts[t] - disc.starts[t - 1]) * int64_t(kCdFrameBytes);
            std::string want(size_t(length), '\0');
            for (int64_t j = 0; j < length; ++j)
                if (from + j >= 0 && from + j < int64_t(disc.image.size())) want[size_t(j)] = disc.image[size_t(from + j)];
            EXPECT_TRUE(wavData(wav) == want) << "the ripped audio is not the image's shifted by " << offset;
        }
        EXPECT_NE(logText(prog.dir.path()).find("Read offset: " + std::to_string(offset) + " samples"), std::string::npos);
        EXPECT_TRUE(noBoxes(boxes));
    }
}

}  // namespace
