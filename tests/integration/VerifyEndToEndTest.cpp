// Rips of the demo disc proved in its log against a local AccurateRip database: the served
// checksums are computed here from the image, independently of the program's own.
#include <gtest/gtest.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <regex>

#include "Rig.h"

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

// AccurateRip's v2 CRC of track t (from 0), straight from its definition.
uint32_t arV2(const Disc& d, size_t t) {
    const size_t tracks = d.starts.size() - 1;
    const uint64_t n = uint64_t(d.starts[t + 1] - d.starts[t]) * 588;
    const auto* pcm = reinterpret_cast<const uint8_t*>(d.image.data()) + size_t(d.starts[t]) * kCdFrameBytes;
    uint32_t v2 = 0;
    for (uint64_t m = 1; m <= n; ++m) {
        if ((t == 0 && m < 2940) || (t == tracks - 1 && m > n - 2940)) continue;
        const uint8_t* w = pcm + (m - 1) * 4;
        const uint64_t p = uint64_t(w[0] | w[1] << 8 | w[2] << 16 | uint32_t(w[3]) << 24) * m;
        v2 += uint32_t(p) + uint32_t(p >> 32);
    }
    return v2;
}

std::string le32(uint32_t v) { return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }

uint16_t freePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(fd);
    return ntohs(a.sin_port);
}

// python3's file server over a folder, on 127.0.0.1.
struct FileServer {
    pid_t pid = 0;
    std::string url;
    explicit FileServer(const fs::path& root) {
        const uint16_t port = freePort();
        const fs::path pidFile = root / "server.pid";
        const std::string cmd = "python3 -m http.server " + std::to_string(port) + " --bind 127.0.0.1 --directory '" +
                                root.string() + "' >/dev/null 2>&1 & echo $! > '" + pidFile.string() + "'";
        if (std::system(cmd.c_str()) != 0) return;
        std::ifstream(pidFile) >> pid;
        url = "http://127.0.0.1:" + std::to_string(port);
        for (int i = 0; i < 100; ++i) {
            const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in a{};
            a.sin_family = AF_INET;
            a.sin_port = htons(port);
            a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            const bool up = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
            ::close(fd);
            if (up) return;
            ::usleep(50000);
        }
    }
    ~FileServer() {
        if (pid > 0) ::kill(pid, SIGTERM);
    }
};

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
    char v2hex[9];
    std::snprintf(v2hex, sizeof v2hex, "%08X", arV2(disc, 1));

    struct Case {
        const char* what;
        bool served;
        uint32_t change;  // added to track 2's served CRC
        const char* verdict;
    } cases[] = {
        {"served", true, 0, "Accurately ripped (confidence 5, AccurateRip v2)"},
        {"one CRC changed", true, 1, "Not accurate"},
        {"not in the database", false, 0, "Not in the AccurateRip database"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempWorkingDir root;
        if (c.served) {
            std::string dbar = char(tracks) + le32(id1) + le32(id2) + le32(cddb);
            for (size_t t = 0; t < tracks; ++t) dbar += char(5) + le32(arV2(disc, t) + (t == 1 ? c.change : 0)) + le32(0);
            fs::create_directories((root.path() / name).parent_path());
            test::writeFileBytes(root.path() / name, dbar);
        }
        FileServer server(root.path());
        ASSERT_FALSE(server.url.empty());

        BoxAnswerer boxes;
        Rig prog(RipFromCd);
        prog.s().verify = {server.url, (root.path() / "cache").string()};
        ASSERT_TRUE(prog.start());
        prog.window.sendCommand(ID_NEXT_TRACK);
        const std::string wav = (prog.dir.path() / "two.wav").string();
        prog.type(wav);
        prog.s().songName = wav;
        prog.window.sendCommand(ID_PLAY);
        ASSERT_TRUE(QTest::qWaitFor([&] { return logText(prog.dir.path()).find(c.verdict) != std::string::npos; }, 15000))
            << logText(prog.dir.path());
        const std::string log = logText(prog.dir.path());
        EXPECT_NE(log.find(std::string("AccurateRip v2 CRC: ") + v2hex), std::string::npos) << log;
        EXPECT_NE(log.find("==== Log checksum "), std::string::npos);
        EXPECT_TRUE(noBoxes(boxes));
        // A found answer is kept: the same disc needs no network next time.
        EXPECT_EQ(fs::exists(root.path() / "cache" / fs::path(name).filename()), c.served);
    }
}

}  // namespace
