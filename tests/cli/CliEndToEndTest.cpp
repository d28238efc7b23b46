// The command line through the built program, as a script would run it: on the demo disc and
// on images generated here, against a local AccurateRip database, under SIGTERM, two at once.
#include <gmock/gmock.h>
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

using testing::AllOf;
using testing::HasSubstr;
using testing::Not;
using testing::StartsWith;

struct Result {
    int status = -1;
    std::string out, err;
};

std::string quoted(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// A shell command's status, standard output and error.
Result shell(std::string cmd) {
    Scratch io;
    cmd += " >" + quoted((io.dir / "out").string()) + " 2>" + quoted((io.dir / "err").string());
    Result r;
    const int raw = std::system(cmd.c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = readFile(io.dir / "out");
    r.err = readFile(io.dir / "err");
    return r;
}

// The built program with these arguments.
Result run(const std::vector<std::string>& args, const std::string& env = "") {
    std::string cmd = env + " " + quoted(WL_PROGRAM);
    for (const std::string& a : args) cmd += " " + quoted(a);
    return shell(cmd);
}

// What ffprobe shows of a file: these options after -show_entries.
Result probe(const fs::path& file, const std::string& entries) {
    return shell("ffprobe -v quiet -show_entries " + entries + " " + quoted(file.string()));
}

// A file with these bytes, its folders made.
void put(const fs::path& file, const std::string& bytes) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
}

struct Disc : wl::test::DiscAudio {
    fs::path cue;
};
using wl::test::arFile;
using wl::test::ArFile;

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
// against a local database that rejects one track, "not confirmed".
TEST(CliEndToEnd, RipWritesTheImagesAudioTheLogAndTheCueSheetAndSaysWhatTheDatabaseConfirms) {
    Scratch tmp;
    const Disc disc = demoDisc();
    const fs::path out = tmp.dir / "wav";
    Result r = run({"rip", "--disc", disc.cue.string(), "--out", out.string(), "--no-lookup"}, envFor(tmp.dir));
    ASSERT_EQ(r.status, 0) << r.err;
    const char* names[] = {"01 arpeggio.wav", "02 chorale.wav", "03 groove.wav", "04 bells.wav"};
    for (size_t t = 0; t < 4; ++t) {
        EXPECT_TRUE(wavAudio(out / names[t]) == trackAudio(disc, t)) << names[t];
        EXPECT_THAT(r.out, HasSubstr("Track " + std::to_string(t + 1) + ": " + (out / names[t]).string()));
    }
    const std::string log = readFile(out / "Wavelathe Demo.log");
    EXPECT_THAT(log, HasSubstr("\nTrack 4\n"));
    EXPECT_THAT(log, HasSubstr("0 tracks with read errors"));
    EXPECT_THAT(readFile(out / "Wavelathe Demo.cue"), HasSubstr("FILE \"02 chorale.wav\" WAVE"));
    EXPECT_THAT(r.out, HasSubstr("Not verified"));

    // The database knows the disc; track 3's checksum is not the one served.
    put(tmp.dir / "db" / arFile(disc).name, wl::test::dbarFor(disc, 2, 1));
    wl::test::LocalFileServer server(tmp.dir / "db");
    ASSERT_FALSE(server.url.empty());
    r = run({"rip", "--disc", disc.cue.string(), "--out", (tmp.dir / "checked").string()}, envFor(tmp.dir, server.url));
    EXPECT_EQ(r.status, 3) << r.out << r.err;
    EXPECT_THAT(r.out, HasSubstr("Track 1: " + (tmp.dir / "checked" / names[0]).string() + ": Accurately ripped (confidence 5"));
    EXPECT_THAT(r.out, HasSubstr("Track 3: " + (tmp.dir / "checked" / names[2]).string() + ": Not accurate"));
    // CTDB's verdict beside AccurateRip's (here its service does not answer).
    EXPECT_THAT(r.out, HasSubstr("; CTDB: "));
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
        bool asUser = false;   // root may write anywhere
        bool errOnly = false;  // said on standard error alone
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
        {{"rip", "--disc", demo, "--out", (tmp.dir / "locked").string()}, 1, "locked\"", true, true},
        {{"rip", "--disc", demo, "--no-lookup", "--release", "abc"}, 1, "release abc"},
        {{"convert", (tmp.dir / "nothing").string()}, 2, "nothing\": no such file or folder"},
        {{"convert", "--format", "wav", (tmp.dir / "file").string()}, 2, "nothing to do"},
        {{"rip", "--help"}, 0, "Exit status:"},
    };
    for (const Case& c : cases) {
        if (c.asUser && ::geteuid() == 0) continue;
        std::string line;
        for (const auto& a : c.args) line += a + " ";
        SCOPED_TRACE(line);
        const Result r = run(c.args, envFor(tmp.dir));
        EXPECT_EQ(r.status, c.status) << r.out << r.err;
        EXPECT_THAT(c.errOnly ? r.err : r.out + r.err, HasSubstr(c.says));
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
    EXPECT_THAT(log, HasSubstr("\nTrack 1\n"));
    EXPECT_THAT(log, Not(HasSubstr("\nTrack 2\n")));
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
        EXPECT_THAT(log, HasSubstr("of " + std::to_string(trackCount(*d)) + " tracks accurately ripped"));
        EXPECT_THAT(log, HasSubstr("==== Log checksum "));
        EXPECT_THAT(readFile(out / (album + ".cue")), HasSubstr("TRACK 0" + std::to_string(trackCount(*d))));
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

// A Wavelathe.ini as the window saves it: 16 bits, 44.1 kHz, stereo, this bit rate, rip mode,
// MP3s made, no drive chosen.
std::string settingsFile(int kbps) {
    std::string bytes(355, '\0');
    const std::string fields = "1644100" + std::string("2") + std::to_string(kbps) + "01199";
    bytes.replace(6, fields.size(), fields);
    return bytes;
}

// One table: what a rip's options make of its MP3s (names, tags, the bit rate of the settings
// named, the names of the release chosen from those a local MusicBrainz offers, all of which
// info lists).
TEST(CliEndToEnd, RipOptionsShapeTheMp3sAndInfoListsEveryReleaseFound) {
    Scratch tmp;
    std::ofstream(tmp.dir / "Wavelathe.ini", std::ios::binary) << settingsFile(32);
    std::ofstream(tmp.dir / "mine.ini", std::ios::binary) << settingsFile(320);
    wl::test::LocalService service;
    ASSERT_FALSE(service.url.empty());
    const std::string env = envFor(tmp.dir), online = envFor(tmp.dir, "http://127.0.0.1:9", service.url);
    // Settings come only from the file named, never from the working folder.
    const std::string here = "cd " + quoted(tmp.dir.string()) + " && " + env;
    const Result info = run({"info", "--disc", WL_DEMO_DISC, "--json"}, online);
    ASSERT_EQ(info.status, 0) << info.err;
    const auto j = nlohmann::json::parse(info.out);
    ASSERT_EQ(j["releases"].size(), 3u) << info.out;
    EXPECT_EQ(j["names"]["source"], "online");
    EXPECT_EQ(j["tracks"][0]["title"], "Online Track 1");
    std::string remaster;
    for (const auto& r : j["releases"])
        if (r["title"] == "Online Album Remaster") remaster = r["id"];
    ASSERT_FALSE(remaster.empty()) << info.out;

    struct Case {
        std::vector<std::string> options;
        std::string env;
        const char* file;
        const char* entries;  // what ffprobe shows of it
        testing::Matcher<std::string> shows;
    } cases[] = {
        {{"--no-lookup", "--tracks", "4,2", "--name-format", "%A - %n - %t"}, env, "wavelathe demo - 02 - chorale.mp3",
         "format_tags=title,album,track -of compact", AllOf(HasSubstr("title=Chorale"), HasSubstr("album=Wavelathe Demo"))},
        // The defaults' 128 kbit/s unless the file named says otherwise.
        {{"--no-lookup", "--tracks", "2"}, here, "02 chorale.mp3", "format=bit_rate -of csv=p=0", StartsWith("128")},
        {{"--no-lookup", "--tracks", "2", "--settings", "mine.ini"}, here, "02 chorale.mp3", "format=bit_rate -of csv=p=0",
         StartsWith("320")},
        {{"--release", remaster, "--tracks", "3"}, online, "03 remastered track 3.mp3", "format_tags -of compact",
         AllOf(HasSubstr("album=Online Album Remaster"), HasSubstr(remaster))},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        std::string line;
        for (const auto& a : c.options) line += a + " ";
        SCOPED_TRACE(line + (c.env == here ? "(in a folder with a Wavelathe.ini)" : ""));
        const fs::path out = tmp.dir / ("out" + std::to_string(i));
        std::vector<std::string> args = {"rip", "--disc", WL_DEMO_DISC, "--format", "mp3", "--out", out.string()};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const Result r = run(args, c.env);
        ASSERT_EQ(r.status, 0) << r.err;
        const fs::path mp3 = out / c.file;
        ASSERT_TRUE(fs::exists(mp3)) << r.out;
        EXPECT_FALSE(fs::exists(fs::path(mp3).replace_extension(".wav")));
        const Result shown = probe(mp3, c.entries);
        ASSERT_EQ(shown.status, 0);
        EXPECT_THAT(shown.out, c.shows);
    }
}

// FLAC and Opus through the program's encoders, ripped and converted: each file passes its
// format's own checker, and a FLAC decodes to the track's PCM exactly.
TEST(CliEndToEnd, RipAndConvertToFlacAndOpusMakeFilesTheFormatsOwnToolsAccept) {
    Scratch tmp;
    const Disc disc = writeImage(tmp.dir, "Codecs", {900, 1300});
    const fs::path src = tmp.dir / "wav";
    ASSERT_EQ(run({"rip", "--disc", disc.cue.string(), "--out", src.string(), "--no-lookup", "-q"}, envFor(tmp.dir)).status, 0);
    struct Case {
        std::string format;
        const char* check;  // the format's own checker
    } cases[] = {{"flac", "flac -s -t "}, {"opus", "opusinfo "}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        const fs::path out = tmp.dir / c.format;
        Result r = run({"rip", "--disc", disc.cue.string(), "--out", out.string(), "--no-lookup", "--format", c.format,
                        "--mode", "secure", "--test-and-copy"},
                       envFor(tmp.dir));
        ASSERT_EQ(r.status, 0) << r.out << r.err;
        for (size_t t = 0; t < trackCount(disc); ++t) {
            const fs::path file = out / ("0" + std::to_string(t + 1) + " codecs " + std::to_string(t + 1) + "." + c.format);
            ASSERT_TRUE(fs::exists(file)) << r.out;
            EXPECT_FALSE(fs::exists(fs::path(file).replace_extension(".wav")));
            EXPECT_THAT(r.out, HasSubstr("Track " + std::to_string(t + 1) + ": " + file.string()));
            const Result checked = shell(c.check + quoted(file.string()));
            EXPECT_EQ(checked.status, 0) << checked.out << checked.err;
            if (c.format == "flac") {
                const fs::path pcm = tmp.dir / "pcm.raw";
                ASSERT_EQ(shell("flac -s -d -f --force-raw-format --endian=little --sign=signed -o " + quoted(pcm.string()) +
                                " " + quoted(file.string()))
                              .status,
                          0);
                EXPECT_TRUE(readFile(pcm) == trackAudio(disc, t)) << file;
            }
        }
        // The log says how the tracks were read.
        EXPECT_THAT(readFile(out / "Codecs.log"), HasSubstr("Secure"));

        // The same through the program's output format, the WAVs kept.
        const fs::path converted = tmp.dir / ("converted-" + c.format);
        r = run({"convert", src.string(), "--format", c.format, "--out", converted.string(), "-q"}, envFor(tmp.dir));
        ASSERT_EQ(r.status, 0) << r.out << r.err;
        const fs::path file = converted / ("02 codecs 2." + c.format);
        EXPECT_THAT(r.out, HasSubstr(" -> " + file.string()));
        EXPECT_EQ(shell(c.check + quoted(file.string())).status, 0) << file;
        EXPECT_TRUE(fs::exists(src / "02 codecs 2.wav"));
    }
}

// A drive with a read offset delivers the disc's audio that many samples later: images shifted
// so, against a local database holding the unshifted audio's records, give exactly that offset.
TEST(CliEndToEnd, OffsetDetectProposesTheOffsetAnImagesAudioIsShiftedBy) {
    Scratch tmp;
    const Disc disc = writeImage(tmp.dir, "Reference", {1200, 900, 1500});
    const std::string name = arFile(disc).name, dbar = wl::test::dbarWithFrame450(disc, 7);
    // A database that knows the disc but none of whose records match: nothing proposed.
    std::string wrong = dbar;
    for (size_t t = 0; t < 3; ++t) wrong[13 + 9 * t + 5] ^= 1;
    const std::string unlisted = "\nThis drive is not in the drive offset list.";
    struct Case {
        int offset;
        std::string records;  // what the database serves
        int status;
        testing::Matcher<std::string> says;
    } cases[] = {
        {667, dbar, 0, AllOf(HasSubstr("Detected: +667 samples"), HasSubstr(unlisted))},
        {-1164, dbar, 0, AllOf(HasSubstr("Detected: -1164 samples"), HasSubstr(unlisted))},
        {0, dbar, 0, AllOf(HasSubstr("Detected: 0 samples"), HasSubstr(unlisted))},
        {0, wrong, 1, HasSubstr("Detected: none")},
    };
    fs::create_directories(tmp.dir / "db");
    wl::test::LocalFileServer server(tmp.dir / "db");
    ASSERT_FALSE(server.url.empty());
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.offset);
        put(tmp.dir / "db" / name, c.records);
        const fs::path folder = tmp.dir / ("shifted" + std::to_string(i));
        put(folder / "Reference.bin", wl::test::shiftedImage(disc.image, c.offset));
        fs::copy_file(disc.cue, folder / "Reference.cue");
        const Result r =
            run({"offset", "detect", "--disc", (folder / "Reference.cue").string(), "-q"}, envFor(tmp.dir, server.url));
        EXPECT_EQ(r.status, c.status) << r.out << r.err;
        EXPECT_THAT(r.out, c.says) << r.err;
    }
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
    EXPECT_THAT(text.out, HasSubstr("Catalog number (MCN): 0123456789012"));
    EXPECT_THAT(text.out, HasSubstr("  1. USXYZ2600001"));
    EXPECT_THAT(text.out, HasSubstr("CTDB: online lookups are off"));
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
        if (c.served) wl::test::serveDatabasesWith(root, disc, crc32, 1, c.change);
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
        EXPECT_THAT(said[2], HasSubstr(c.track2));
        for (int t : {1, 3, 4})
            EXPECT_THAT(said[t], HasSubstr(c.served ? "CTDB: accurately ripped (confidence 9 of 9)" : "CTDB: not in the database"));
        const Result info = run({"info", "--disc", disc.cue.string(), "--json"}, env);
        ASSERT_EQ(info.status, 0) << info.err;
        const auto j = nlohmann::json::parse(info.out);
        EXPECT_EQ(j["ctdb"]["known"], c.known) << info.out;
        EXPECT_EQ(j["ctdb"]["status"], c.known ? "known (2 entries)" : "not in the database") << info.out;
    }
}

}  // namespace
