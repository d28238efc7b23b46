// Choosing and opening the ripping drive.
#include <gtest/gtest.h>

#include "TestProgram.h"
#include "app/Commands.h"
#include "app/Settings.h"
#include "rip/RipDrive.h"

using namespace wl;
using namespace wl::test;

namespace {

// The Default CD Player dialog as its procedure sees it: a list box and an end.
struct ListDialog : Dialog {
    std::vector<std::string> items;
    int sel = -1, result = -1;
    void end(int r) override { result = r; }
    bool isChecked(int) override { return false; }
    void setChecked(int, bool) override {}
    std::string text(int, size_t) override { return {}; }
    void setText(int, const std::string&) override {}
    void enable(int, bool) override {}
    void setFocus(int) override {}
    int listAdd(int, const std::string& s) override { items.push_back(s); return int(items.size()) - 1; }
    void listClear(int) override { items.clear(); }
    int listCount(int) override { return int(items.size()); }
    std::string listText(int, int i) override { return items.at(size_t(i)); }
    void listDelete(int, int) override {}
    int listCurSel(int) override { return sel; }
    void listSetCurSel(int, int i) override { sel = i; }
    std::vector<int> listSelectedItems(int) override { return {sel}; }
    void listSetSel(int, int, bool) override {}
    void listSetHorizontalExtent(int, int) override {}
    int textWidth(const std::string&) override { return 0; }
};

class RipDrive : public ::testing::Test {
protected:
    TempWorkingDir dir;
    TestProgram prog{dir.path()};
    void twoDrives() { prog.cdrom.drives = {{0, 1, 0, "FIRST DRIVE"}, {1, 2, 0, "SECOND DRIVE"}}; }
    void storedIndex(const char* index) {
        std::string f(6, '\0');
        f += std::string("16441002128111") + std::string(index, 2);
        f.resize(355, '\0');
        writeFileBytes(dir.path() / kSettingsFileName, f);
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

TEST_F(RipDrive, TheDialogListsDrivesAndANewChoiceReopensAndEntersRipMode) {
    twoDrives();
    storedIndex("0\0");
    ASSERT_EQ(prog.start(), 0);
    CdHandle first = prog.s().cdHandle;
    prog.window.dialogScript.push_back([](const DialogTemplate& t, DialogProc& proc) {
        ListDialog d;
        EXPECT_EQ(t.caption, "Default CD Player");
        proc.onInit(d);
        EXPECT_EQ(d.items, (std::vector<std::string>{"FIRST DRIVE", "SECOND DRIVE"}));
        EXPECT_EQ(d.sel, 0);
        d.sel = 1;
        proc.onCommand(d, IDOK, 0);
        return d.result;
    });
    prog.window.commandsSent.clear();
    prog.window.sendCommand(ID_DEFAULT_RIPPING_PLAYER);
    EXPECT_EQ(prog.s().ripDriveIndex, 1);
    EXPECT_EQ(prog.s().settingsDirty, 1);
    EXPECT_EQ(prog.cdrom.closed.back(), first);
    EXPECT_EQ(prog.cdrom.handleRequests.back()[2], 1);
    EXPECT_NE(prog.s().cdHandle, first);
    EXPECT_EQ(prog.window.commandsSent.back(), ID_RIP_FROM_CD);
}

TEST_F(RipDrive, ChoosingTheSameDriveAgainReopensItAndEntersTheRipModeWithoutMarkingTheSettings) {
    twoDrives();
    storedIndex("1\0");
    ASSERT_EQ(prog.start(), 0);
    ASSERT_EQ(prog.s().ripMode, 0);  // started in Record from CD
    ASSERT_EQ(prog.s().settingsDirty, 0);
    const CdHandle before = prog.s().cdHandle;
    prog.s().currentTrack = 3;
    prog.window.dialogScript.push_back([](const DialogTemplate&, DialogProc& proc) {
        ListDialog d;
        proc.onInit(d);
        EXPECT_EQ(d.sel, 1);
        proc.onCommand(d, IDOK, 0);
        return d.result;
    });
    prog.window.sendCommand(ID_DEFAULT_RIPPING_PLAYER);
    EXPECT_EQ(prog.s().settingsDirty, 0);
    EXPECT_EQ(prog.cdrom.closed.back(), before);
    EXPECT_NE(prog.s().cdHandle, before);
    EXPECT_EQ(prog.cdrom.handleRequests.back()[2], 1);
    EXPECT_EQ(prog.s().ripMode, 1);
    EXPECT_EQ(prog.s().currentTrack, 1);
    EXPECT_EQ(prog.window.controlText(ID_PLAY, 9), "Rip");
    EXPECT_EQ(prog.window.focusId, ID_SONG_NAME_EDIT);
}

}  // namespace
