#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>

#include "app/Paths.h"
#include "app/ServiceSite.h"

using namespace wl;

TEST(Paths, SplitJoinAndLowerCaseOnlyTheFileName) {
    struct Case {
        const char *path, *dir, *base, *ext, *lowered;
    } cases[] = {
        {"/home/Ann/Music/My.Song.WAV", "/home/Ann/Music/", "My.Song", ".WAV", "/home/Ann/Music/my.song.wav"},
        {"Song", "", "Song", "", "song"},
        {"/a.b/C", "/a.b/", "C", "", "/a.b/c"},  // a dot in a folder is no extension
        // A-Z only: the bytes of a UTF-8 name stay whole whatever the locale.
        {"/Été/\xC3\x89T\xC3\x89 Song.WAV", "/Été/", "\xC3\x89T\xC3\x89 Song", ".WAV", "/Été/\xC3\x89t\xC3\x89 song.wav"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const SplitPath p = splitPath(c.path);
        EXPECT_EQ(p.drive, "");
        EXPECT_EQ(p.dir, c.dir);
        EXPECT_EQ(p.base, c.base);
        EXPECT_EQ(p.ext, c.ext);
        EXPECT_EQ(joinPath(p), c.path);
        EXPECT_EQ(lowerFileName(c.path), c.lowered);
    }
    EXPECT_EQ(withTrailingSeparator("/music"), "/music/");
    EXPECT_EQ(withTrailingSeparator("/music/"), "/music/");
}

namespace {

// A fresh folder with the given empty files, removed at the end.
struct Folder {
    std::filesystem::path dir;
    explicit Folder(std::initializer_list<const char*> files) {
        std::random_device rd;
        dir = std::filesystem::temp_directory_path() / ("wl-paths-" + std::to_string(rd()) + std::to_string(rd()));
        std::filesystem::create_directories(dir / "Sub");
        for (const char* f : files) std::ofstream(dir / f) << "";
    }
    ~Folder() {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    std::string operator/(const std::string& name) const { return (dir / name).string(); }
};

}  // namespace

TEST(Paths, AnExistingFileIsFoundIgnoringCaseOnlyWhenTheMatchIsUnambiguous) {
    const Folder f{"song.wav", "Twice.wav", "TWICE.wav", "Sub/inner.wav"};
    struct Case {
        const char* asked;
        const char* found;
    } cases[] = {
        {"song.wav", "song.wav"},        // exact
        {"Song.wav", "song.wav"},        // the one entry that differs in case only
        {"SONG.WAV", "song.wav"},
        {"twice.wav", "twice.wav"},      // two candidates: the name as given
        {"TWICE.wav", "TWICE.wav"},      // ... and the exact one wins among them
        {"songs.wav", "songs.wav"},      // none
        {"Sub/INNER.wav", "Sub/inner.wav"},
        {"sub/inner.wav", "sub/inner.wav"},  // folders are spelt exactly
        {"missing/song.wav", "missing/song.wav"},
    };
    for (const Case& c : cases) EXPECT_EQ(findExistingFile(f / c.asked), f / c.found) << c.asked;
    EXPECT_EQ(findExistingFile(f.dir.string() + "/"), f.dir.string() + "/");
    EXPECT_EQ(findExistingFile(""), "");
}

namespace {

// Sets (or, with nullopt, unsets) a variable for the test's length, then puts it back.
class ScopedVariable {
public:
    ScopedVariable(const char* name, std::optional<std::string> value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        put(name_, value);
    }
    ~ScopedVariable() { put(name_, old_); }

private:
    static void put(const char* name, const std::optional<std::string>& value) {
        if (value)
            setenv(name, value->c_str(), 1);
        else
            unsetenv(name);
    }

    const char* name_;
    std::optional<std::string> old_;
};

}  // namespace

TEST(Paths, AServiceSiteComesFromTheEnvironmentOrItsDefaults) {
    using V = std::optional<std::string>;
    struct Case {
        V url, cache, home;
        const char *baseUrl, *cacheFolder;
    } cases[] = {
        {"http://127.0.0.1:8080//", "/c", "/h", "http://127.0.0.1:8080", "/c/wavelathe/ctdb"},
        {"", "/c", "/h", "http://db.example/x", "/c/wavelathe/ctdb"},  // empty: the default
        {std::nullopt, "", "/h", "http://db.example/x", "/h/.cache/wavelathe/ctdb"},
        {std::nullopt, std::nullopt, "", "http://db.example/x", ""},  // nowhere to keep answers
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.baseUrl + std::string(" ") + c.cacheFolder);
        const ScopedVariable url("WAVELATHE_SITE_TEST_URL", c.url), cache("XDG_CACHE_HOME", c.cache),
            home("HOME", c.home);
        const ServiceSite site = ServiceSiteFromEnvironment("WAVELATHE_SITE_TEST_URL", "http://db.example/x/", "ctdb");
        EXPECT_EQ(site.baseUrl, c.baseUrl);
        EXPECT_EQ(site.cacheFolder, c.cacheFolder);
    }
}
