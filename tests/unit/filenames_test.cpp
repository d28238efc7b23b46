// Names to file names: titles from a disc or the service, albums, and what no file system
// takes, each to one fit component; the strict UTF-8 reader under them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/FileNames.h"
#include "disc/DiscNames.h"

using namespace wl;

namespace {

std::string repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

TEST(FileNames, EveryTitleBecomesOneFitFileName) {
    const std::string cjk = "\xE9\x9F\xB3";  // one character, three bytes
    struct Case {
        std::string title;
        std::string file;   // SafeFileName(title, ".log")
        std::string track;  // track 1's name as the box shows it, less ".wav"
    };
    const std::vector<Case> cases = {
        {"Mr. Blue Sky", "Mr. Blue Sky.log", "01 mr. blue sky"},
        {"../../../x", "_.._.._x.log", "01 .._.._.._x"},
        {"Sweet Song.mp3", "Sweet Song.mp3.log", "01 sweet song.mp3"},
        {"AC/DC", "AC_DC.log", "01 ac_dc"},
        {"a\\b:c*d?e\"f<g>h|i", "a_b_c_d_e_f_g_h_i.log", "01 a_b_c_d_e_f_g_h_i"},
        {"Vol. 2", "Vol. 2.log", "01 vol. 2"},
        {"\xE2\x80\xA6", "\xE2\x80\xA6.log", "01 \xE2\x80\xA6"},
        {repeat(cjk, 134), repeat(cjk, 83) + ".log", "01 " + repeat(cjk, 82)},  // 402 bytes
        {"\xE9t\xE9", "\xC3\xA9t\xC3\xA9.log", "01 \xC3\xA9t\xC3\xA9"},  // Latin-1, as CD-Text holds it
        // A surrogate, an overlong "/" and a value past U+10FFFF are no UTF-8: read as Latin-1.
        {"\xED\xA0\x80\xC0\xAF\xF4\x90\x80\x80", "\xC3\xAD\xC2\xA0\xC3\x80\xC2\xAF\xC3\xB4.log", "01 \xC3\xAD\xC2\xA0\xC3\x80\xC2\xAF\xC3\xB4"},
        {"CON", "CON_.log", "01 con"},
        {"nul.tar", "nul_.tar.log", "01 nul.tar"},
        {"LPT1", "LPT1_.log", "01 lpt1"},
        {"The End.", "The End.log", "01 the end"},
        {" .hidden ", "hidden.log", "01 .hidden"},
        {".", "_.log", "01"},
        {"..", "_.log", "01"},
        {"", "_.log", ""},
        // Bidirectional overrides and isolates, C1 and C0 controls, the byte order mark.
        {"abc\xE2\x80\xAEgpj.exe\xE2\x81\xA6x\xC2\x85y\x01z\xEF\xBB\xBF", "abcgpj.exexyz.log", "01 abcgpj.exexy z"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        const std::string file = SafeFileName(c.title, ".log");
        EXPECT_EQ(file, c.file);
        DiscNames names;
        names.tracks = {TrackName{c.title, "", ""}};
        const std::string track = TrackFileName(names, 1, kFileNameBytes - 4);
        EXPECT_EQ(track, c.track);
        for (const std::string& name : {file, track.empty() ? file : track + ".wav"}) {
            EXPECT_LE(name.size(), kFileNameBytes);
            EXPECT_TRUE(IsStrictUtf8(name));
            EXPECT_EQ(name.find('/'), std::string::npos);
            EXPECT_NE(name.front(), '.');
        }
    }
    // Cut at a character boundary so the whole name fits what the folder leaves.
    EXPECT_EQ(SafeFileName(repeat(cjk, 10), ".cue", 12), repeat(cjk, 2) + ".cue");
    EXPECT_EQ(SafeFileName("Vol. 2", ".cue", 9), "Vol.cue");  // no dot left before the extension
    EXPECT_EQ(SafeFileName("", "", 255, "0123ABCD"), "0123ABCD");
}

TEST(FileNames, OnlyWellFormedUtf8IsRead) {
    struct Case {
        const char* bytes;
        size_t length;  // of the sequence at the start; 0: none
    } cases[] = {
        {"A", 1},
        {"\xC2\x80", 2},          {"\xC1\xBF", 0},           {"\xC0\x80", 0},  // overlong two-byte forms
        {"\xE0\xA0\x80", 3},      {"\xE0\x9F\xBF", 0},       // overlong three-byte form
        {"\xED\x9F\xBF", 3},      {"\xED\xA0\x80", 0},       {"\xED\xBF\xBF", 0},  // surrogates
        {"\xEF\xBF\xBD", 3},      {"\xE2\x80", 0},           // cut short
        {"\xF0\x90\x80\x80", 4},  {"\xF0\x8F\xBF\xBF", 0},   // overlong four-byte form
        {"\xF4\x8F\xBF\xBF", 4},  {"\xF4\x90\x80\x80", 0},   {"\xF5\x80\x80\x80", 0},  // past U+10FFFF
        {"\x80", 0},              {"\xFF", 0},               {"\xC3\x28", 0},  // no continuation
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::string(c.bytes)));
        EXPECT_EQ(Utf8SequenceLength(c.bytes, 0), c.length);
        EXPECT_EQ(IsStrictUtf8(c.bytes), c.length == std::string(c.bytes).size());
        // Read as text: the valid kept, the rest as Latin-1, always valid after.
        EXPECT_TRUE(IsStrictUtf8(AsUtf8(c.bytes)));
        if (c.length == std::string(c.bytes).size()) {
            EXPECT_EQ(AsUtf8(c.bytes), c.bytes);
        }
    }
    EXPECT_EQ(CleanText("\xED\xA0\x80"), "\xC3\xAD\xC2\xA0\xC2\x80");  // a surrogate is no name
}

}  // namespace
