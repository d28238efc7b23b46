// Choosing and opening the ripping drive.
#include <gtest/gtest.h>

#include "FakeDialogHost.h"
#include "cd_fixture.h"
#include "rip/RipDrive.h"

using namespace wl;
using namespace wl::test;

namespace {

constexpr int kDriveListBox = 127;  // the Default CD Player dialog's list of drives

class RipDrive : public ::testing::Test {
protected:
    TempWorkingDir dir;
    TestProgram prog{dir.path()};
    void twoDrives() { prog.cdrom.drives = {{0, 1, 0, "FIRST DRIVE"}, {1, 2, 0, "SECOND DRIVE"}}; }
    void storedIndex(const char* index) {
        writeFileBytes(dir.path() / kSettingsFileName, settingsWithMode(RecordFromCd, 1, std::string(index, 2)));
    }
};

TEST_F(RipDrive, OneDriveOpensEntryZeroWithoutAQuestion) {
    ASSERT_EQ(prog.start(), 0);
    EXPECT_NE(prog.s().cdHandle, 0u);
    EXPECT_EQ(prog.s().ripDriveIndex, 99);
    ASSERT_EQ(prog.cdrom.handleRequests.size(), 1u);
    auto& r = prog.cdrom.handleRequests[0];
    EXPECT_EQ(r, (std::vector<uint8_t>{12, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(prog.window.boxes.empty());
}

TEST_F(RipDrive, SeveralDrivesWithNoChoiceAskAndNoOpensTheFirst) {
    twoDrives();
    storedIndex("99");
    prog.window.answerBoxes({IDNO});
    ASSERT_EQ(prog.start(), 0);
    ASSERT_EQ(prog.window.boxes.size(), 1u);
    EXPECT_EQ(prog.window.boxes[0].text,
              "You have 2 CD players on your system. Would you like to select a default one for ripping?");
    EXPECT_EQ(prog.window.boxes[0].caption, "Message");
    EXPECT_TRUE(prog.window.boxes[0].ownerless);
    EXPECT_EQ(prog.s().ripDriveIndex, 99);
    EXPECT_EQ(prog.cdrom.handleRequests.back()[2], 0);
    EXPECT_TRUE(prog.window.dialogsRun.empty());
}

TEST_F(RipDrive, ADriveRefusingMethodZeroIsOpenedOnTheFifthCall) {
    prog.cdrom.acceptedReadMethods = {3};
    ASSERT_EQ(prog.start(), 0);
    EXPECT_NE(prog.s().cdHandle, 0u);
    EXPECT_EQ(prog.cdrom.handleRequests.size(), 5u);
}

TEST_F(RipDrive, NoDriveSaysSoAndAStaleIndexFallsBackToTheFirstDrive) {
    prog.cdrom.drives.clear();
    ASSERT_EQ(prog.start(), 0);
    EXPECT_EQ(prog.s().cdHandle, 0u);
    EXPECT_EQ(prog.window.boxes.at(0).text, "Could not get a CD handle.");

    TempWorkingDir own;
    TestProgram stale{own.path()};
    stale.cdrom.drives = {{0, 1, 0, "A"}, {1, 2, 0, "B"}};
    stale.s().ripDriveIndex = 5;  // a drive since removed
    stale.s().cdHandle = 0;
    stale.s().bitsPerSample = 16;
    EXPECT_NE(OpenRipDrive(stale.app), 0u);
    EXPECT_EQ(stale.cdrom.handleRequests.back()[2], 0);
}

TEST(RipDriveDialog, ListsTheDrivesAndItsChoiceReopensTheDriveInTheRipMode) {
    struct Case {
        const char* what;
        const char* stored;
        int pick;  // -1: the stored choice is kept
        int index, dirty;
    };
    for (const Case& c : {Case{"a new choice", "0\0", 1, 1, 1}, Case{"the same drive again", "1\0", -1, 1, 0}}) {
        SCOPED_TRACE(c.what);
        TestProgram prog;
        prog.cdrom.drives = {{0, 1, 0, "FIRST DRIVE"}, {1, 2, 0, "SECOND DRIVE"}};
        writeFileBytes(prog.ownFolder.path() / kSettingsFileName,
                       settingsWithMode(RecordFromCd, 1, std::string(c.stored, 2)));
        ASSERT_EQ(prog.start(), 0);
        ASSERT_EQ(prog.s().ripMode, 0);
        ASSERT_EQ(prog.s().settingsDirty, 0);
        const CdHandle before = prog.s().cdHandle;
        prog.s().currentTrack = 3;
        scriptDialog(prog.window, [&](FakeDialog& d) {
            EXPECT_EQ(d.caption, "Default CD Player");
            EXPECT_EQ(d.controls.at(kDriveListBox).items, (std::vector<std::string>{"FIRST DRIVE", "SECOND DRIVE"}));
            EXPECT_EQ(d.listCurSel(kDriveListBox), c.stored[0] - '0');
            if (c.pick >= 0) d.select(kDriveListBox, c.pick);
            d.click(IDOK);
        });
        prog.window.sendCommand(ID_DEFAULT_RIPPING_PLAYER);
        EXPECT_EQ(prog.s().ripDriveIndex, c.index);
        EXPECT_EQ(prog.s().settingsDirty, c.dirty);
        EXPECT_EQ(prog.cdrom.closed.back(), before);
        EXPECT_EQ(prog.cdrom.handleRequests.back()[2], c.index);
        EXPECT_NE(prog.s().cdHandle, before);
        EXPECT_EQ(prog.window.commandsSent.back(), ID_RIP_FROM_CD);
        EXPECT_EQ(prog.s().ripMode, 1);
        EXPECT_EQ(prog.s().currentTrack, 1);
        EXPECT_EQ(prog.window.controlText(ID_PLAY, 9), "Rip");
        EXPECT_EQ(prog.window.focusId, ID_SONG_NAME_EDIT);
    }
}

}  // namespace
