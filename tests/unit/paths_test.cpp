#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "app/Paths.h"

using namespace wl;

TEST(Paths, SplitJoinAndLowerCaseOnlyTheFileName) {
    SplitPath p = splitPath("/home/Ann/Music/My.Song.WAV");
    EXPECT_EQ(p.drive, "");
    EXPECT_EQ(p.dir, "/home/Ann/Music/");
    EXPECT_EQ(p.base, "My.Song");
    EXPECT_EQ(p.ext, ".WAV");
    EXPECT_EQ(joinPath(p), "/home/Ann/Music/My.Song.WAV");
    EXPECT_EQ(lowerFileName("/home/Ann/Music/My.Song.WAV"), "/home/Ann/Music/my.song.wav");
    EXPECT_EQ(lowerFileName("Song"), "song");
    EXPECT_EQ(splitPath("noext").ext, "");
    EXPECT_EQ(splitPath("/a.b/c").ext, "");  // a dot in a folder is no extension
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
    };
    for (const Case& c : cases) EXPECT_EQ(findExistingFile(f / c.asked), f / c.found) << c.asked;
    EXPECT_EQ(findExistingFile(f / "missing/song.wav"), f / "missing/song.wav");
    EXPECT_EQ(findExistingFile(f.dir.string() + "/"), f.dir.string() + "/");
    EXPECT_EQ(findExistingFile(""), "");
}
