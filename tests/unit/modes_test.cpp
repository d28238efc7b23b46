// The five source modes, their rows of menu states, captions and texts, their fallbacks, and
// the Volume Control, Help Contents and About commands.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>

#include "modes/Modes.h"
#include "cd_fixture.h"

using namespace wl;
using namespace wl::test;

namespace {

constexpr const char* kPrompt = "Enter song name or click here:";
constexpr int kSourceItems[] = {ID_RECORD_FROM_CD, ID_RECORD_FROM_LINE_IN, ID_CONVERT_WAV_TO_MP3, ID_RIP_FROM_CD};
constexpr int kTrackButtonsAndEject[] = {ID_PREV_TRACK, ID_NEXT_TRACK, ID_FIRST_TRACK, ID_LAST_TRACK, ID_EJECT};

// Twelve tracks: track n lasts 3 minutes and n seconds.
std::vector<int> twelveTracks() {
    std::vector<int> v;
    for (int n = 1; n <= 12; ++n) v.push_back(180 + n);
    return v;
}

// Record from CD on a twelve-track disc that has been read, track 3 current.
struct ModeBench {
    CdScenario t;
    void prepare() {
        t.start(RecordFromCd, twelveTracks());
        t.win.advance(1000);
        ASSERT_EQ(t.s.discSeen, 1);
        t.win.click(ID_NEXT_TRACK);
        t.win.click(ID_NEXT_TRACK);
        ASSERT_EQ(t.s.currentTrack, 3);
    }
    void expectFlags(int rip, int cd, int lineIn, int convert, int partial) {
        EXPECT_EQ(t.s.ripMode, rip);
        EXPECT_EQ(t.s.cdMode, cd);
        EXPECT_EQ(t.s.lineInMode, lineIn);
        EXPECT_EQ(t.s.convertMode, convert);
        EXPECT_EQ(t.s.partialMode, partial);
    }
};

class Modes : public ::testing::Test, protected ModeBench {
protected:
    void SetUp() override { prepare(); }
};

TEST_F(Modes, EveryModeCommandSetsItsRow) {
    struct Row {
        int before;  // a mode command sent first, 0 = none
        int command;
        int sourceMode;
        int flags[5];  // rip, cd, line in, convert, partial
        const char* caption;
        const char* trackText;
        const char* timeText;
        bool trackButtons;
        const char* label;
        std::vector<int> enabled, greyed;
        bool unchecks118;
    } rows[] = {
        {0, ID_RIP_FROM_CD, 0, {1, 0, 0, 0, 0}, "Rip", "3", "03:03", true, "Stripping from CD",
         {112, 116, 117, 119, 121}, {114, 118}, true},
        {ID_RECORD_FROM_LINE_IN, ID_RECORD_FROM_CD, 1, {0, 1, 0, 0, 0}, "Play", "1", "03:01:00", true,
         "Playing time:", {112, 118, 121}, {114}, false},
        {0, ID_RECORD_FROM_LINE_IN, 2, {0, 0, 1, 0, 0}, "&Record", "L", "", false, "Source: External audio",
         {116, 117, 121}, {112, 114, 118}, true},
        {0, ID_CONVERT_WAV_TO_MP3, 3, {0, 0, 0, 1, 0}, "Start", "C", "", false, "Convert WAV to MP3",
         {114, 116, 117, 122}, {112, 118, 121}, true},
    };
    for (auto& r : rows) {
        SCOPED_TRACE(r.command);
        ModeBench fresh;
        fresh.prepare();
        CdScenario& t = fresh.t;
        if (r.before) t.win.click(r.before);
        t.win.checkMenuItem(ID_PARTIAL_CD_RECORDING, true);
        t.s.statusText = "something else";
        t.win.invalidated.clear();
        t.win.focusId = 0;
        t.win.click(r.command);

        EXPECT_EQ(t.s.sourceMode, r.sourceMode);
        fresh.expectFlags(r.flags[0], r.flags[1], r.flags[2], r.flags[3], r.flags[4]);
        EXPECT_EQ(t.win.controls[ID_PLAY].text, r.caption);
        EXPECT_EQ(t.s.currentTrackText, r.trackText);
        EXPECT_EQ(t.s.trackTimeText, r.timeText);
        EXPECT_EQ(t.s.statusText, kPrompt);
        for (int id : kTrackButtonsAndEject) EXPECT_EQ(t.enabled(id), r.trackButtons) << id;
        for (int id : r.enabled) EXPECT_TRUE(t.win.isMenuItemEnabled(id)) << id;
        for (int id : r.greyed) EXPECT_FALSE(t.win.isMenuItemEnabled(id)) << id;
        for (int id : kSourceItems) EXPECT_EQ(t.win.isMenuItemChecked(id), id == r.command) << id;
        EXPECT_EQ(t.win.isMenuItemChecked(ID_PARTIAL_CD_RECORDING), !r.unchecks118);
        ASSERT_FALSE(t.win.invalidated.empty());
        EXPECT_FALSE(t.win.invalidated.back().has_value());  // the whole client area
        EXPECT_EQ(t.win.focusId, ID_SONG_NAME_EDIT);
        t.win.paint();
        EXPECT_FALSE(t.win.textsDrawn(r.label).empty());
    }
}

TEST_F(Modes, PartialCdRecordingSwitchesOnFromRecordFromCdAndOffAgain) {
    t.s.statusText = "unchanged";
    t.win.focusId = 0;
    t.win.click(ID_PARTIAL_CD_RECORDING);
    EXPECT_EQ(t.s.sourceMode, PartialCdRecording);
    expectFlags(0, 1, 0, 0, 1);
    EXPECT_TRUE(t.win.isMenuItemChecked(ID_PARTIAL_CD_RECORDING));
    EXPECT_TRUE(t.win.isMenuItemChecked(ID_RECORD_FROM_CD));
    for (int id : {116, 117, 118, 120}) EXPECT_TRUE(t.win.isMenuItemEnabled(id)) << id;
    for (int id : {112, 114}) EXPECT_FALSE(t.win.isMenuItemEnabled(id)) << id;
    // Caption, texts, buttons and focus stay as Record from CD left them.
    EXPECT_EQ(t.win.controls[ID_PLAY].text, "Play");
    EXPECT_EQ(t.s.currentTrackText, "3");
    EXPECT_EQ(t.s.trackTimeText, "03:03:00");
    EXPECT_EQ(t.s.statusText, "unchanged");
    EXPECT_EQ(t.win.focusId, 0);

    t.win.click(ID_PARTIAL_CD_RECORDING);
    EXPECT_EQ(t.s.sourceMode, RecordFromCd);
    expectFlags(0, 1, 0, 0, 0);
    EXPECT_FALSE(t.win.isMenuItemChecked(ID_PARTIAL_CD_RECORDING));
    EXPECT_TRUE(t.win.isMenuItemEnabled(ID_TRACKS_TO_RECORD));
    EXPECT_FALSE(t.win.isMenuItemChecked(ID_RIP_FROM_CD));
    EXPECT_FALSE(t.win.isMenuItemChecked(ID_CONVERT_WAV_TO_MP3));

    // On once, then Rip from CD: partial recording is off.
    t.win.click(ID_PARTIAL_CD_RECORDING);
    t.win.click(ID_RIP_FROM_CD);
    EXPECT_EQ(t.s.partialMode, 0);
    EXPECT_FALSE(t.win.isMenuItemChecked(ID_PARTIAL_CD_RECORDING));
}

TEST_F(Modes, RecordFromCdKeepsPartialRecordingAndTheModeTheSettingsRemember) {
    t.win.click(ID_PARTIAL_CD_RECORDING);
    t.win.click(ID_RECORD_FROM_CD);  // as the poll does for a new disc
    EXPECT_EQ(t.s.partialMode, 1);
    EXPECT_TRUE(t.win.isMenuItemChecked(ID_PARTIAL_CD_RECORDING));
    EXPECT_EQ(t.s.sourceMode, PartialCdRecording);
}

TEST_F(Modes, WithoutMp3ConversionTheCdModesKeepTheWavFileAndGreyMp3Parameters) {
    t.s.convertToMp3 = 0;
    struct Case {
        int command;
        int keepWav;
        bool mp3Item;
    } cases[] = {{ID_RECORD_FROM_CD, 1, false}, {ID_RIP_FROM_CD, 1, false},
                 {ID_RECORD_FROM_LINE_IN, 0, false}, {ID_CONVERT_WAV_TO_MP3, 0, true}};
    for (auto& c : cases) {
        SCOPED_TRACE(c.command);
        t.s.keepWav = 0;
        t.win.enableMenuItem(ID_MP3_PARAMETERS, !c.mp3Item);
        t.win.click(c.command);
        EXPECT_EQ(t.s.keepWav, c.keepWav);
        EXPECT_EQ(t.win.isMenuItemEnabled(ID_MP3_PARAMETERS), c.mp3Item);
    }
}

TEST_F(Modes, RipFromCdForcesTheDiscFormatWithoutMarkingSettingsChanged) {
    t.s.samplesPerSec = 22050;
    t.s.bitsPerSample = 8;
    t.s.channels = 1;
    t.s.settingsDirty = 0;
    t.win.click(ID_RIP_FROM_CD);
    EXPECT_EQ(t.s.samplesPerSec, 44100);
    EXPECT_EQ(t.s.bitsPerSample, 16);
    EXPECT_EQ(t.s.channels, 2);
    EXPECT_EQ(t.s.settingsDirty, 0);
}

TEST(RipFromCd, Track12OnANineTrackDiscBecomesTrack9WithItsLength) {
    CdScenario t;
    t.start(RecordFromCd, {200, 210, 220, 230, 240, 250, 260, 270, 280});
    t.s.currentTrack = 12;
    t.s.currentTrackText = "12";
    t.win.click(ID_RIP_FROM_CD);
    EXPECT_EQ(t.s.currentTrack, 9);
    EXPECT_EQ(t.s.currentTrackText, "9");
    EXPECT_EQ(t.s.trackCount, 9);
    EXPECT_EQ(t.s.ripTrackCount, 9);
    EXPECT_EQ(t.s.trackTimeText, "04:40");  // to the lead-out
}

TEST(ModeFallbacks, FailedCdModesEndInConvertWavToMp3WithTheirMessage) {
    struct Case {
        const char* what;
        std::function<void(CdScenario&)> breakIt;
        int command;
        const char* text;
        const char* caption;
    } cases[] = {
        {"no tracks", [](CdScenario& t) { t.mci.on("status cd number of tracks", 0, "0"); }, ID_RECORD_FROM_CD,
         "Unable to read this audio CD. Try ejecting the CD and starting again.", "Record CD Error"},
        {"no drive handle", [](CdScenario& t) { t.s.cdHandle = 0; }, ID_RIP_FROM_CD,
         "Unable to get a handle to the CD player. Try ejecting the CD and starting again.", "Rip CD Error"},
        {"unreadable table", [](CdScenario& t) { t.prog.cdrom.failReadToc = true; }, ID_RIP_FROM_CD,
         "Unable to read TOC. Try ejecting the CD and starting again.", "Rip CD Error"},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.what);
        CdScenario t;
        t.start(RecordFromCd);
        t.win.advance(1000);
        c.breakIt(t);
        t.win.commandsSent.clear();
        t.win.click(c.command);
        ASSERT_EQ(t.win.boxes.size(), 1u);
        EXPECT_EQ(t.win.boxes[0].text, c.text);
        EXPECT_EQ(t.win.boxes[0].caption, c.caption);
        EXPECT_EQ(t.win.commandsSent, (std::vector<int>{c.command, ID_CONVERT_WAV_TO_MP3}));
        EXPECT_EQ(t.s.convertMode, 1);
        EXPECT_EQ(t.s.sourceMode, ConvertWavToMp3);
        EXPECT_EQ(t.win.controls[ID_PLAY].text, "Start");
    }
}

TEST(ModeFallbacks, StartingInPartialRecordingWithoutADiscStaysInTheConvertMode) {
    CdScenario t;
    t.start(PartialCdRecording, {});
    EXPECT_EQ(t.s.convertMode, 1);
    EXPECT_EQ(t.s.cdMode, 0);
    EXPECT_EQ(t.s.partialMode, 0);
    EXPECT_EQ(t.s.sourceMode, ConvertWavToMp3);
    EXPECT_FALSE(t.win.isMenuItemChecked(ID_PARTIAL_CD_RECORDING));
    EXPECT_FALSE(t.win.isMenuItemEnabled(ID_PARTIAL_CD_RECORDING));

    CdScenario withDisc;
    withDisc.start(PartialCdRecording);
    EXPECT_EQ(withDisc.s.partialMode, 1);
    EXPECT_EQ(withDisc.s.sourceMode, PartialCdRecording);
}

TEST(SmallCommands, VolumeControlAndHelpGoToTheDesktopAndSayWhatToInstallWhenTheyFail) {
    struct Case {
        int command;
        bool FakeDesktop::*result;
        const char* caption;
        const char* names;  // what the box must tell the user to install
    };
    const Case cases[] = {
        {ID_VOLUME_CONTROL, &FakeDesktop::volumeResult, "Volume Control", "pavucontrol"},
        {ID_HELP_CONTENTS, &FakeDesktop::helpResult, "Help Contents", "web browser"},
    };
    for (const Case& c : cases) {
        CdScenario t;
        t.start(RecordFromCd);
        const size_t before = t.win.boxes.size();
        t.win.focusId = 0;
        t.win.click(c.command);
        EXPECT_EQ(t.win.boxes.size(), before) << c.caption << ": started, so nothing to say";
        EXPECT_EQ(t.win.focusId, ID_SONG_NAME_EDIT);

        t.prog.desktop.*c.result = false;
        t.win.focusId = 0;
        t.win.click(c.command);
        ASSERT_EQ(t.win.boxes.size(), before + 1) << c.caption;
        const ShownBox& box = t.win.boxes.back();
        EXPECT_EQ(box.caption, c.caption);
        EXPECT_EQ(box.type, MB_OK);
        EXPECT_NE(box.text.find(c.names), std::string::npos) << box.text;
        EXPECT_EQ(t.win.focusId, ID_SONG_NAME_EDIT);
    }
}

TEST(SmallCommands, AboutNamesTheProgramAndItsVersion) {
    CdScenario t;
    t.start(RecordFromCd);
    t.win.click(ID_ABOUT);
    ASSERT_EQ(t.win.boxes.size(), 1u);
    const ShownBox& box = t.win.boxes[0];
    EXPECT_EQ(box.caption, "About Wavelathe");
    EXPECT_EQ(box.type, MB_OK);
    EXPECT_EQ(box.text.rfind("Wavelathe\nVersion " WL_VERSION "\n", 0), 0u);
    EXPECT_GT(box.text.size(), std::string("Wavelathe\nVersion " WL_VERSION "\n").size() + 10);
    EXPECT_EQ(t.win.focusId, ID_SONG_NAME_EDIT);
}

TEST(SmallCommands, TheHelpPageShipsBesideTheProgramAndCoversEveryMode) {
    std::ifstream in(WL_HELP_PAGE);
    ASSERT_TRUE(in) << WL_HELP_PAGE;
    std::string page{std::istreambuf_iterator<char>(in), {}};
    for (const char* topic : {"Rip from CD", "Record from CD", "Partial CD Recording", "Record from Line In",
                              "Convert WAV to MP3", "WAV Parameters", "MP3 Parameters", "Tracks to Record",
                              "Path to Save Files", "Eject"})
        EXPECT_NE(page.find(topic), std::string::npos) << topic;
}

}  // namespace
