#include <gtest/gtest.h>

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
