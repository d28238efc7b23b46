// The command line through the built program, as a script would run it: on the demo disc and
// on images generated here, against a local AccurateRip database, under SIGTERM, two at once.
#include <gtest/gtest.h>

#include <discid/discid.h>
#include <nlohmann/json.hpp>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <thread>

#include "DiscSums.h"
#include "LocalMusicBrainz.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
constexpr size_t kFrame = 2352;

std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Scratch {
    fs::path dir = fs::temp_directory_path() / ("wl-cli-" + std::to_string(::getpid()) + "-" + std::to_string(count()++));
    Scratch() { fs::create_directories(dir); }
    ~Scratch() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    static int& count() {
        static int n = 0;
        return n;
    }
};

struct Result {
    int status = -1;
    std::string out, err;
};

std::string quoted(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// The built program with these arguments; its status, standard output and error.
Result run(const std::vector<std::string>& args, const std::string& env = "") {
    Scratch io;
    std::string cmd = env + " " + quoted(WL_PROGRAM);
    for (const std::string& a : args) cmd += " " + quoted(a);
    cmd += " >" + quoted((io.dir / "out").string()) + " 2>" + quoted((io.dir / "err").string());
    Result r;
    const int raw = std::system(cmd.c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = readFile(io.dir / "out");
    r.err = readFile(io.dir / "err");
    return r;
}

struct Disc : wl::test::DiscAudio {
    fs::path cue;
};
using wl::test::arCrcs;
using wl::test::arFile;
using wl::test::ArFile;
using wl::test::le32;

// An image of tracks of these lengths (frames), each a different noise, with CD-Text names.
Disc writeImage(const fs::path& folder, const std::string& album, const std::vector<uint32_t>& frames) {
    Disc d;
    d.cue = folder / (album + ".cue");
    std::string cue = "TITLE \"" + album + "\"\nPERFORMER \"Generated\"\nFILE \"" + album + ".bin\" BINARY\n";
    uint32_t at = 0, seed = uint32_t(std::hash<std::string>{}(album));
    for (size_t t = 0; t < frames.size(); ++t) {
        d.starts.push_back(at);
        char line[160];
        std::snprintf(line, sizeof line, "  TRACK %02zu AUDIO\n    TITLE \"%s %zu\"\n    INDEX 01 %02u:%02u:%02u\n", t + 1,
                      album.c_str(), t + 1, at / 4500, at / 75 % 60, at % 75);
        cue += line;
        at += frames[t];
    }
    d.starts.push_back(at);
    d.image.resize(size_t(at) * kFrame);
    for (char& c : d.image) c = char((seed = seed * 1664525u + 1013904223u) >> 24);
    std::ofstream(folder / (album + ".bin"), std::ios::binary) << d.image;
    std::ofstream(d.cue) << cue;
    return d;
}

Disc demoDisc() {
    Disc d;
    d.cue = WL_DEMO_DISC;
    d.image = readFile(fs::path(WL_DEMO_DISC).replace_extension(".bin"));
    d.starts = wl::test::cueStarts(d.cue, d.image.size());
    return d;
}

size_t trackCount(const Disc& d) { return d.starts.size() - 1; }
std::string trackAudio(const Disc& d, size_t t) {
    return d.image.substr(d.starts[t] * kFrame, (d.starts[t + 1] - d.starts[t]) * kFrame);
}


// The environment of a run: its own cache, the services where nothing answers unless given.
std::string envFor(const fs::path& home, const std::string& arUrl = "http://127.0.0.1:9",
                   const std::string& mbUrl = "http://127.0.0.1:9", const std::string& ctdbUrl = "http://127.0.0.1:9") {
    return "HOME=" + quoted(home.string()) + " XDG_CACHE_HOME=" + quoted((home / "cache").string()) +
           " XDG_DATA_HOME=" + quoted((home / "data").string()) + " WAVELATHE_ACCURATERIP_URL=" + quoted(arUrl) +
           " WAVELATHE_MUSICBRAINZ_URL=" + quoted(mbUrl) +
           " WAVELATHE_CTDB_URL=" + quoted(ctdbUrl) + " WAVELATHE_COVERART_URL=http://127.0.0.1:9"
           " DISPLAY= WAYLAND_DISPLAY= QT_QPA_PLATFORM=";
}

std::string wavAudio(const fs::path& p) {
    const std::string w = readFile(p);
    return w.size() >= 44 ? w.substr(44) : std::string();
}

TEST(CliEndToEnd, InfoJsonGivesTheIdsOfLibdiscidAndTheAccurateRipFormula) {
    Scratch tmp;
    const Disc generated = writeImage(tmp.dir, "Odd Lengths", {333, 4567, 12, 800, 77777});
    for (const Disc& disc : {demoDisc(), generated}) {
        SCOPED_TRACE(disc.cue.string());
        const Result r = run({"info", "--disc", disc.cue.string(), "--json", "--no-lookup"}, envFor(tmp.dir));
        ASSERT_EQ(r.status, 0) << r.err;
        const auto j = nlohmann::json::parse(r.out);
        const size_t n = trackCount(disc);
        int offsets[100] = {};
        offsets[0] = int(disc.starts.back()) + 150;
        for (size_t t = 0; t < n; ++t) offsets[t + 1] = int(disc.starts[t]) + 150;
        DiscId* id = discid_new();
        ASSERT_TRUE(discid_put(id, 1, int(n), offsets));
        EXPECT_EQ(j["ids"]["musicbrainz"], discid_get_id(id));
        EXPECT_EQ(j["ids"]["freedb"], discid_get_freedb_id(id));
        discid_free(id);
        const ArFile ar = arFile(disc);
        char want[40];
        std::snprintf(want, sizeof want, "%03zu-%08x-%08x-%08x", n, ar.id1, ar.id2, ar.cddb);
        EXPECT_EQ(j["ids"]["accuraterip"], want);
        EXPECT_EQ(j["tracks"].size(), n);
        EXPECT_EQ(j["lead_out"], disc.starts.back());
        EXPECT_EQ(j["accuraterip"]["known"], false);
    }
}

// Every track as the image holds it, named from its CD-Text, with the log and the cue sheet;
// as MP3s, tagged; against a local database that rejects one track, "not confirmed".
TEST(CliEndToEnd, RipWritesTheImagesAudioTheLogAndTheCueSheetAndSaysWhatTheDatabaseConfirms) {
    Scratch tmp;
    const Disc disc = demoDisc();
    const fs::path out = tmp.dir / "wav";
    Result r = run({"rip", "--disc", disc.cue.string(), "--out", out.string(), "--no-lookup"}, envFor(tmp.dir));
    ASSERT_EQ(r.status, 0) << r.err;
    const char* names[] = {"01 arpeggio.wav", "02 chorale.wav", "03 groove.wav", "04 bells.wav"};
    for (size_t t = 0; t < 4; ++t) {
        EXPECT_TRUE(wavAudio(out / names[t]) == trackAudio(disc, t)) << names[t];
        EXPECT_NE(r.out.find("Track " + std::to_string(t + 1) + ": " + (out / names[t]).string()), std::string::npos) << r.out;
    }
    const std::string log = readFile(out / "Wavelathe Demo.log");
    EXPECT_NE(log.find("\nTrack 4\n"), std::string::npos) << log;
    EXPECT_NE(log.find("0 tracks with read errors"), std::string::npos) << log;
    EXPECT_NE(readFile(out / "Wavelathe Demo.cue").find("FILE \"02 chorale.wav\" WAVE"), std::string::npos);
    EXPECT_NE(r.out.find("Not verified"), std::string::npos) << r.out;

    // MP3s of two tracks under a pattern, tagged with the disc's names.
    const fs::path mp3s = tmp.dir / "mp3";
    r = run({"rip", "--disc", disc.cue.string(), "--out", mp3s.string(), "--no-lookup", "--format", "mp3", "--tracks",
             "4,2", "--name-format", "%A - %n - %t"},
            envFor(tmp.dir));
    ASSERT_EQ(r.status, 0) << r.err;
    const fs::path chorale = mp3s / "wavelathe demo - 02 - chorale.mp3";
    ASSERT_TRUE(fs::exists(chorale)) << r.out;
    EXPECT_FALSE(fs::exists(mp3s / "wavelathe demo - 02 - chorale.wav"));
    const std::string probe = "ffprobe -v quiet -show_entries format_tags=title,album,track -of compact " +
                              quoted(chorale.string()) + " > " + quoted((tmp.dir / "tags").string());
    ASSERT_EQ(std::system(probe.c_str()), 0);
    const std::string tagText = readFile(tmp.dir / "tags");
    EXPECT_NE(tagText.find("title=Chorale"), std::string::npos) << tagText;
    EXPECT_NE(tagText.find("album=Wavelathe Demo"), std::string::npos) << tagText;

    // The database knows the disc; track 3's checksum is not the one served.
    const ArFile ar = arFile(disc);
    const std::string dbar = wl::test::dbarFor(disc, 2, 1);
    fs::create_directories((tmp.dir / "db" / ar.name).parent_path());
    std::ofstream(tmp.dir / "db" / ar.name, std::ios::binary) << dbar;
    wl::test::LocalFileServer server(tmp.dir / "db");
    ASSERT_FALSE(server.url.empty());
    r = run({"rip", "--disc", disc.cue.string(), "--out", (tmp.dir / "checked").string()}, envFor(tmp.dir, server.url));
    EXPECT_EQ(r.status, 3) << r.out << r.err;
    EXPECT_NE(r.out.find("Track 1: " + (tmp.dir / "checked" / names[0]).string() + ": Accurately ripped (confidence 5"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("Track 3: " + (tmp.dir / "checked" / names[2]).string() + ": Not accurate"), std::string::npos)
        << r.out;
    // CTDB's verdict beside AccurateRip's (here its service does not answer).
    EXPECT_NE(r.out.find("; CTDB: "), std::string::npos) << r.out;
    const Result info = run({"info", "--disc", disc.cue.string(), "--json"}, envFor(tmp.dir, server.url));
    EXPECT_EQ(nlohmann::json::parse(info.out)["accuraterip"]["known"], true) << info.out;
}

// One table: what is refused before anything is read, with its status and its reason.
TEST(CliEndToEnd, OptionsAndTheirExitStatuses) {
    Scratch tmp;
    const std::string demo = WL_DEMO_DISC;
    fs::create_directories(tmp.dir / "locked");
    fs::permissions(tmp.dir / "locked", fs::perms::owner_read | fs::perms::owner_exec);
    std::ofstream(tmp.dir / "file") << "x";
    struct Case {
        std::vector<std::string> args;
        int status;
        const char* says;
    } cases[] = {
        {{"rip", "--frobnicate"}, 2, "--frobnicate"},
        {{"rip", "--disc", (tmp.dir / "missing.cue").string()}, 2, "missing.cue\" refused: the file does not exist"},
        {{"info", "--disc", demo, "--drive", "/dev/sr0"}, 2, "excludes"},
        {{"rip", "--disc", demo, "--format", "ogg"}, 2, "--format"},
        {{"rip", "--disc", demo, "--mode", "fast"}, 2, "--mode"},
        {{"rip", "--disc", demo, "--format", "ogg", "--mode", "secure"}, 2, "--format"},
        {{"convert", "--format", "ogg", (tmp.dir / "file").string()}, 2, "--format"},
        {{"offset", "detect", "--disc", (tmp.dir / "missing.cue").string()}, 2, "missing.cue\" refused"},
        {{"offset", "detect", "--disc", demo, "--no-lookup"}, 1, "online lookups are off"},
        {{"offset", "detect", "--disc", demo}, 1, "AccurateRip does not know this disc"},
        {{"offset", "detect", "--help"}, 0, "offset detect: an offset proposed"},
        {{"rip", "--disc", demo, "--offset", "9000"}, 2, "--offset"},
        {{"rip", "--disc", demo, "--no-lookup", "--tracks", "2-7"}, 2, "the disc has tracks 1 to 4"},
        {{"rip", "--disc", demo, "--no-lookup", "--tracks", "x"}, 2, "\"x\" in --tracks"},
        {{"rip", "--disc", demo, "--no-lookup", "--name-format", "%A"}, 2, "another track has"},
        {{"rip", "--disc", demo, "--settings", (tmp.dir / "none.ini").string()}, 2, "none.ini\" cannot be read"},
        {{"rip", "--disc", demo, "--out", (tmp.dir / "file" / "x").string()}, 1, "file/x\""},
        {{"rip", "--disc", demo, "--no-lookup", "--release", "abc"}, 1, "release abc"},
        {{"convert", (tmp.dir / "nothing").string()}, 2, "nothing\": no such file or folder"},
        {{"convert", "--format", "wav", (tmp.dir / "file").string()}, 2, "nothing to do"},
        {{"rip", "--help"}, 0, "Exit status:"},
    };
    if (::geteuid() != 0) {
        // A folder the user may not write in (root may write anywhere).
        static std::vector<std::string> locked = {"rip", "--disc", demo, "--out", (tmp.dir / "locked").string()};
        const Result r = run(locked, envFor(tmp.dir));
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_NE(r.err.find("locked\""), std::string::npos) << r.err;
    }
    for (const Case& c : cases) {
        std::string line;
        for (const auto& a : c.args) line += a + " ";
        SCOPED_TRACE(line);
        const Result r = run(c.args, envFor(tmp.dir));
        EXPECT_EQ(r.status, c.status) << r.out << r.err;
        EXPECT_NE((r.out + r.err).find(c.says), std::string::npos) << r.out << r.err;
    }
    fs::permissions(tmp.dir / "locked", fs::perms::owner_all);
}

pid_t spawn(const std::vector<std::string>& args, const fs::path& home, const fs::path& errFile) {
    std::vector<std::string> all = {"/bin/sh", "-c", "exec env " + envFor(home) + " \"$@\" 2>" + quoted(errFile.string()) + " >&2", "sh", WL_PROGRAM};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    return posix_spawn(&pid, "/bin/sh", nullptr, nullptr, argv.data(), environ) == 0 ? pid : -1;
}

int waitFor(pid_t pid) {
    int raw = 0;
    ::waitpid(pid, &raw, 0);
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

TEST(CliEndToEnd, SigtermMidRipKeepsTheFinishedTracksRemovesTheUnfinishedOneAndWritesTheLog) {
    Scratch tmp;
    // A long second track, so that the signal finds it under way.
    const Disc disc = writeImage(tmp.dir, "Long Middle", {300, 45000, 300});
    const fs::path out = tmp.dir / "out";
    const pid_t pid = spawn({"rip", "--disc", disc.cue.string(), "--out", out.string(), "--no-lookup"}, tmp.dir,
                            tmp.dir / "err");
    ASSERT_GT(pid, 0);
    const fs::path second = out / "02 long middle 2.wav";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!fs::exists(second) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    ::kill(pid, SIGTERM);
    EXPECT_EQ(waitFor(pid), 130) << readFile(tmp.dir / "err");
    EXPECT_TRUE(wavAudio(out / "01 long middle 1.wav") == trackAudio(disc, 0));
    EXPECT_FALSE(fs::exists(second));
    EXPECT_FALSE(fs::exists(out / "03 long middle 3.wav"));
    const std::string log = readFile(out / "Long Middle.log");
    EXPECT_NE(log.find("\nTrack 1\n"), std::string::npos) << log;
    EXPECT_EQ(log.find("\nTrack 2\n"), std::string::npos) << log;
}

TEST(CliEndToEnd, TwoRipsOfTwoImagesIntoOneFolderAtOnceLeaveBothWhole) {
    Scratch tmp;
    const Disc a = writeImage(tmp.dir, "First", {9000, 9000, 6000});
    const Disc b = writeImage(tmp.dir, "Second", {7000, 11000});
    const fs::path out = tmp.dir / "shared";
    const pid_t pa = spawn({"rip", "--disc", a.cue.string(), "--out", out.string()}, tmp.dir, tmp.dir / "a.err");
    const pid_t pb = spawn({"rip", "--disc", b.cue.string(), "--out", out.string()}, tmp.dir, tmp.dir / "b.err");
    EXPECT_EQ(waitFor(pa), 0) << readFile(tmp.dir / "a.err");
    EXPECT_EQ(waitFor(pb), 0) << readFile(tmp.dir / "b.err");
    for (const Disc* d : {&a, &b}) {
        const std::string album = d->cue.stem().string();
        std::string lower = album;
        lower[0] = char(std::tolower(lower[0]));
        for (size_t t = 0; t < trackCount(*d); ++t) {
            const fs::path wav = out / ("0" + std::to_string(t + 1) + " " + lower + " " + std::to_string(t + 1) + ".wav");
            EXPECT_TRUE(wavAudio(wav) == trackAudio(*d, t)) << wav;
        }
        const std::string log = readFile(out / (album + ".log"));
        EXPECT_NE(log.find("of " + std::to_string(trackCount(*d)) + " tracks accurately ripped"), std::string::npos) << log;
        EXPECT_NE(log.find("==== Log checksum "), std::string::npos);
        EXPECT_NE(readFile(out / (album + ".cue")).find("TRACK 0" + std::to_string(trackCount(*d))), std::string::npos);
    }
    // Nothing half-written is left behind.
    for (const auto& e : fs::directory_iterator(out)) EXPECT_NE(e.path().extension(), ".part") << e.path();
}

TEST(CliEndToEnd, ConvertMirrorsAFolderTreeAndKeepsTheWavs) {
    Scratch tmp;
    const Disc d = writeImage(tmp.dir, "Tree", {750, 375});
    const fs::path src = tmp.dir / "music";
    ASSERT_EQ(run({"rip", "--disc", d.cue.string(), "--out", (src / "a" / "b").string(), "--no-lookup", "-q"},
                  envFor(tmp.dir)).status, 0);
    fs::copy_file(src / "a" / "b" / "01 tree 1.wav", src / "top.wav");
    std::ofstream(src / "a" / "notes.txt") << "not audio";
    const fs::path out = tmp.dir / "mp3";
    const Result r = run({"convert", src.string(), "--out", out.string(), "--jobs", "2"}, envFor(tmp.dir));
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::string> made;
    for (const auto& e : fs::recursive_directory_iterator(out))
        if (e.is_regular_file()) made.push_back(fs::relative(e.path(), out).string());
    std::sort(made.begin(), made.end());
    EXPECT_EQ(made, (std::vector<std::string>{"a/b/01 tree 1.mp3", "a/b/02 tree 2.mp3", "top.mp3"}));
    EXPECT_TRUE(fs::exists(src / "top.wav"));
    EXPECT_FALSE(fs::exists(src / "top.mp3"));
}

}  // namespace

namespace {

// A Wavelathe.ini as the window saves it: 16 bits, 44.1 kHz, stereo, this bit rate, rip mode,
// MP3s made, no drive chosen.
std::string settingsFile(int kbps) {
    std::string bytes(355, '\0');
    const std::string fields = "1644100" + std::string("2") + std::to_string(kbps) + "01199";
    bytes.replace(6, fields.size(), fields);
    return bytes;
}

std::string bitRate(const fs::path& mp3, const fs::path& scratch) {
    const std::string probe = "ffprobe -v quiet -show_entries format=bit_rate -of csv=p=0 " + quoted(mp3.string()) +
                              " > " + quoted((scratch / "rate").string());
    return std::system(probe.c_str()) == 0 ? readFile(scratch / "rate") : "";
}

TEST(CliEndToEnd, SettingsComeOnlyFromTheFileNamed) {
    Scratch tmp;
    std::ofstream(tmp.dir / "Wavelathe.ini", std::ios::binary) << settingsFile(32);
    std::ofstream(tmp.dir / "mine.ini", std::ios::binary) << settingsFile(320);
    const std::string here = "cd " + quoted(tmp.dir.string()) + " && " + envFor(tmp.dir);
    for (const bool named : {false, true}) {
        SCOPED_TRACE(named ? "--settings mine.ini" : "a Wavelathe.ini in the working folder");
        const fs::path out = tmp.dir / (named ? "named" : "unnamed");
        std::vector<std::string> args = {"rip", "--disc", WL_DEMO_DISC, "--no-lookup", "--tracks", "2", "--format", "mp3",
                                         "--out", out.string()};
        if (named) args.insert(args.end(), {"--settings", "mine.ini"});
        const Result r = run(args, here);
        ASSERT_EQ(r.status, 0) << r.err;
        const std::string rate = bitRate(out / "02 chorale.mp3", tmp.dir);
        // The defaults' 128 kbit/s unless the file named says otherwise.
        EXPECT_EQ(rate.substr(0, 3), named ? "320" : "128") << rate;
    }
}

}  // namespace

namespace {

// The releases a local MusicBrainz offers for the demo disc: every one in info, the one chosen
// with --release in the files' names and tags.
TEST(CliEndToEnd, InfoListsEveryReleaseFoundAndRipTakesTheNamesOfTheOneChosen) {
    Scratch tmp;
    wl::test::LocalService service;
    ASSERT_FALSE(service.url.empty());
    const std::string env = envFor(tmp.dir, "http://127.0.0.1:9", service.url);
    const Result info = run({"info", "--disc", WL_DEMO_DISC, "--json"}, env);
    ASSERT_EQ(info.status, 0) << info.err;
    const auto j = nlohmann::json::parse(info.out);
    ASSERT_EQ(j["releases"].size(), 3u) << info.out;
    EXPECT_EQ(j["names"]["source"], "online");
    EXPECT_EQ(j["tracks"][0]["title"], "Online Track 1");
    std::string remaster;
    for (const auto& r : j["releases"])
        if (r["title"] == "Online Album Remaster") remaster = r["id"];
    ASSERT_FALSE(remaster.empty()) << info.out;

    const fs::path out = tmp.dir / "out";
    const Result r = run({"rip", "--disc", WL_DEMO_DISC, "--release", remaster, "--tracks", "3", "--format", "mp3",
                          "--out", out.string()},
                         env);
    ASSERT_EQ(r.status, 0) << r.err;
    const fs::path mp3 = out / "03 remastered track 3.mp3";
    ASSERT_TRUE(fs::exists(mp3)) << r.out;
    const std::string probe = "ffprobe -v quiet -show_entries format_tags -of compact " + quoted(mp3.string()) + " > " +
                              quoted((tmp.dir / "tags").string());
    ASSERT_EQ(std::system(probe.c_str()), 0);
    const std::string tags = readFile(tmp.dir / "tags");
    EXPECT_NE(tags.find("album=Online Album Remaster"), std::string::npos) << tags;
    EXPECT_NE(tags.find(remaster), std::string::npos) << tags;
}

}  // namespace

namespace {

// FLAC and Opus through the program's encoders: each file passes its format's own checker,
// and a FLAC decodes to the track's PCM exactly.
TEST(CliEndToEnd, RipToFlacAndOpusMakesFilesTheFormatsOwnToolsAccept) {
    Scratch tmp;
    const Disc disc = writeImage(tmp.dir, "Codecs", {900, 1300});
    for (const std::string format : {"flac", "opus"}) {
        SCOPED_TRACE(format);
        const fs::path out = tmp.dir / format;
        const Result r = run({"rip", "--disc", disc.cue.string(), "--out", out.string(), "--no-lookup", "--format", format,
                              "--mode", "secure", "--test-and-copy"},
                             envFor(tmp.dir));
        ASSERT_EQ(r.status, 0) << r.out << r.err;
        for (size_t t = 0; t < trackCount(disc); ++t) {
            const fs::path file = out / ("0" + std::to_string(t + 1) + " codecs " + std::to_string(t + 1) + "." + format);
            ASSERT_TRUE(fs::exists(file)) << r.out;
            EXPECT_FALSE(fs::exists(fs::path(file).replace_extension(".wav")));
            EXPECT_NE(r.out.find("Track " + std::to_string(t + 1) + ": " + file.string()), std::string::npos) << r.out;
            const fs::path log = tmp.dir / "tool.log";
            if (format == "flac") {
                EXPECT_EQ(std::system(("flac -s -t " + quoted(file.string()) + " 2>" + quoted(log.string())).c_str()), 0)
                    << readFile(log);
                const fs::path pcm = tmp.dir / "pcm.raw";
                ASSERT_EQ(std::system(("flac -s -d -f --force-raw-format --endian=little --sign=signed -o " +
                                       quoted(pcm.string()) + " " + quoted(file.string()))
                                          .c_str()),
                          0);
                EXPECT_TRUE(readFile(pcm) == trackAudio(disc, t)) << file;
            } else {
                EXPECT_EQ(std::system(("opusinfo " + quoted(file.string()) + " >" + quoted(log.string()) + " 2>&1").c_str()), 0)
                    << readFile(log);
            }
        }
        // The log says how the tracks were read.
        EXPECT_NE(readFile(out / "Codecs.log").find("Secure"), std::string::npos);
    }
}

TEST(CliEndToEnd, ConvertToFlacAndOpusThroughTheProgramsOutputFormat) {
    Scratch tmp;
    const Disc d = writeImage(tmp.dir, "Plain", {450, 300});
    const fs::path src = tmp.dir / "wav";
    ASSERT_EQ(run({"rip", "--disc", d.cue.string(), "--out", src.string(), "--no-lookup", "-q"}, envFor(tmp.dir)).status, 0);
    for (const std::string format : {"flac", "opus"}) {
        SCOPED_TRACE(format);
        const fs::path out = tmp.dir / format;
        const Result r = run({"convert", src.string(), "--format", format, "--out", out.string(), "-q"}, envFor(tmp.dir));
        ASSERT_EQ(r.status, 0) << r.out << r.err;
        const fs::path file = out / ("02 plain 2." + format);
        EXPECT_NE(r.out.find(" -> " + file.string()), std::string::npos) << r.out;
        const std::string check = format == "flac" ? "flac -s -t " : "opusinfo ";
        EXPECT_EQ(std::system((check + quoted(file.string()) + " >/dev/null 2>&1").c_str()), 0) << file;
        EXPECT_TRUE(fs::exists(src / "02 plain 2.wav"));
    }
}

uint32_t crc450(const std::string& audio, size_t frame) {
    uint32_t crc = 0;
    for (uint32_t j = 0; j < 588; ++j) {
        const auto* w = reinterpret_cast<const uint8_t*>(audio.data()) + frame * kFrame + 4 * j;
        crc += uint32_t(w[0] | w[1] << 8 | w[2] << 16 | uint32_t(w[3]) << 24) * (j + 1);
    }
    return crc;
}

// A drive with a read offset delivers the disc's audio that many samples later: images shifted
// so, against a local database holding the unshifted audio's records, give exactly that offset.
TEST(CliEndToEnd, OffsetDetectProposesTheOffsetAnImagesAudioIsShiftedBy) {
    Scratch tmp;
    const Disc disc = writeImage(tmp.dir, "Reference", {1200, 900, 1500});
    const ArFile ar = arFile(disc);
    std::string dbar = char(3) + le32(ar.id1) + le32(ar.id2) + le32(ar.cddb);
    for (size_t t = 0; t < 3; ++t) dbar += char(7) + le32(arCrcs(disc, t).v2) + le32(crc450(disc.image, disc.starts[t] + 450));
    fs::create_directories((tmp.dir / "db" / ar.name).parent_path());
    std::ofstream(tmp.dir / "db" / ar.name, std::ios::binary) << dbar;
    wl::test::LocalFileServer server(tmp.dir / "db");
    ASSERT_FALSE(server.url.empty());
    for (const int offset : {667, -1164, 0}) {
        SCOPED_TRACE(offset);
        const size_t bytes = size_t(std::abs(offset)) * 4;
        std::string shifted = offset >= 0 ? std::string(bytes, '\0') + disc.image.substr(0, disc.image.size() - bytes)
                                          : disc.image.substr(bytes) + std::string(bytes, '\0');
        const fs::path folder = tmp.dir / ("shifted" + std::to_string(offset));
        fs::create_directories(folder);
        std::ofstream(folder / "Reference.bin", std::ios::binary) << shifted;
        fs::copy_file(disc.cue, folder / "Reference.cue");
        const Result r =
            run({"offset", "detect", "--disc", (folder / "Reference.cue").string(), "-q"}, envFor(tmp.dir, server.url));
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        const std::string said = std::string("Detected: ") + (offset > 0 ? "+" : "") + std::to_string(offset) + " samples";
        EXPECT_NE(r.out.find(said), std::string::npos) << r.out << r.err;
        EXPECT_NE(r.out.find("\nThis drive is not in the drive offset list."), std::string::npos) << r.out;
    }
    // A database that knows the disc but none of whose records match: nothing proposed.
    std::string wrong = dbar;
    for (size_t t = 0; t < 3; ++t) wrong[13 + 9 * t + 5] ^= 1;
    std::ofstream(tmp.dir / "db" / ar.name, std::ios::binary) << wrong;
    const Result none = run({"offset", "detect", "--disc", disc.cue.string(), "-q"}, envFor(tmp.dir, server.url));
    EXPECT_EQ(none.status, 1) << none.out << none.err;
    EXPECT_NE(none.out.find("Detected: none"), std::string::npos) << none.out;
}

// The catalog number and ISRCs of the image's sheet, and CTDB's answer, in the text and JSON.
TEST(CliEndToEnd, InfoShowsTheCatalogNumberIsrcsAndWhetherCtdbKnowsTheDisc) {
    Scratch tmp;
    const Disc disc = writeImage(tmp.dir, "Coded", {600, 700});
    std::string cue = readFile(disc.cue);
    cue.insert(0, "CATALOG 0123456789012\n");
    const std::string first = "  TRACK 01 AUDIO\n";
    cue.insert(cue.find(first) + first.size(), "    ISRC USXYZ2600001\n");
    std::ofstream(disc.cue) << cue;
    const Result j = run({"info", "--disc", disc.cue.string(), "--json", "--no-lookup"}, envFor(tmp.dir));
    ASSERT_EQ(j.status, 0) << j.err;
    const auto info = nlohmann::json::parse(j.out);
    EXPECT_EQ(info["mcn"], "0123456789012") << j.out;
    EXPECT_EQ(info["tracks"][0]["isrc"], "USXYZ2600001") << j.out;
    EXPECT_TRUE(info["tracks"][1]["isrc"].is_null()) << j.out;
    EXPECT_EQ(info["ctdb"]["known"], false);
    EXPECT_EQ(info["ctdb"]["status"], "online lookups are off");
    const Result text = run({"info", "--disc", disc.cue.string(), "--no-lookup"}, envFor(tmp.dir));
    EXPECT_NE(text.out.find("Catalog number (MCN): 0123456789012"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("  1. USXYZ2600001"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("CTDB: online lookups are off"), std::string::npos) << text.out;
}

}  // namespace

namespace {

// CRC-32 (reflected, 0xEDB88320) from its definition, independent of the program's.
uint32_t crc32(const uint8_t* data, size_t size) {
    uint32_t table[256];
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int b = 0; b < 8; ++b) c = c >> 1 ^ (0xEDB88320u & (0u - (c & 1)));
        table[i] = c;
    }
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) crc = crc >> 8 ^ table[(crc ^ data[i]) & 0xFF];
    return ~crc;
}

// Both databases under root, as the file server serves them (CTDB's answer to every
// lookup2.php query); track `changed` (from 0) has its CRCs off by `change`.
void serveBoth(const fs::path& root, const Disc& disc, size_t changed, uint32_t change) {
    const ArFile ar = arFile(disc);
    fs::create_directories((root / ar.name).parent_path());
    std::ofstream(root / ar.name, std::ios::binary) << wl::test::dbarFor(disc, changed, change);
    std::vector<uint32_t> crcs;
    for (size_t t = 0; t < trackCount(disc); ++t)
        crcs.push_back(wl::test::ctdbCrcWith(disc, t, crc32) + (t == changed ? change : 0));
    std::ofstream(root / "lookup2.php", std::ios::binary) << wl::test::ctdbAnswer(crcs);
}

// CTDB's verdict on each track of a rip, from a local CTDB answering with CRCs made here from
// the disc's audio; the exit status follows AccurateRip, which is served the same change.
TEST(CliEndToEnd, RipSaysCtdbsVerdictOnEachTrackAndInfoWhetherCtdbKnowsTheDisc) {
    Scratch tmp;
    const Disc disc = demoDisc();
    struct Case {
        const char* what;
        bool served;
        uint32_t change;  // added to track 2's CRCs in both answers
        int status;
        const char* track2;  // track 2's verdicts; the others are accurate when served
        bool known;
    } cases[] = {
        {"served", true, 0, 0, "Accurately ripped (confidence 5, AccurateRip v2); CTDB: accurately ripped (confidence 9 of 9)",
         true},
        {"one CRC changed", true, 1, 3,
         "Not accurate (the database holds other rips of this track, confidence up to 5); CTDB: not accurate", true},
        {"not found", false, 0, 0, "; CTDB: not in the database", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path home = tmp.dir / c.what, root = home / "db", out = home / "out";
        fs::create_directories(root);
        if (c.served) serveBoth(root, disc, 1, c.change);
        wl::test::LocalFileServer server(root);
        ASSERT_FALSE(server.url.empty());
        const std::string env = envFor(home, server.url, "http://127.0.0.1:9", server.url);
        const Result r = run({"rip", "--disc", disc.cue.string(), "--out", out.string()}, env);
        EXPECT_EQ(r.status, c.status) << r.out << r.err;
        const std::regex line(R"(Track (\d): [^\n]*\.wav: ([^\n]*))");
        std::map<int, std::string> said;
        for (std::sregex_iterator m(r.out.begin(), r.out.end(), line), end; m != end; ++m)
            said[std::stoi((*m)[1])] = (*m)[2];
        ASSERT_EQ(said.size(), trackCount(disc)) << r.out;
        EXPECT_NE(said[2].find(c.track2), std::string::npos) << said[2];
        for (int t : {1, 3, 4})
            EXPECT_NE(said[t].find(c.served ? "CTDB: accurately ripped (confidence 9 of 9)" : "CTDB: not in the database"),
                      std::string::npos)
                << said[t];
        const Result info = run({"info", "--disc", disc.cue.string(), "--json"}, env);
        ASSERT_EQ(info.status, 0) << info.err;
        const auto j = nlohmann::json::parse(info.out);
        EXPECT_EQ(j["ctdb"]["known"], c.known) << info.out;
        EXPECT_EQ(j["ctdb"]["status"], c.known ? "known (2 entries)" : "not in the database") << info.out;
    }
}

}  // namespace
