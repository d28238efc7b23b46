// The Path to Save Files dialog and the Save As / Open dialogs behind the status-line click.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "FakeDialogHost.h"
#include "cd_fixture.h"

using namespace wl;
using namespace wl::test;
namespace fs = std::filesystem;

namespace {

constexpr int kPathEdit = 134;
constexpr const char* kMissing = "I don't think this path exists. Better try again.";

class PathDialog : public ::testing::Test {
protected:
    CdScenario t;
    std::string cwd;
    void SetUp() override {
        t.start(RecordFromCd);
        t.s.settingsDirty = 0;
        cwd = fs::current_path().string();
        fs::create_directories(t.dir.path() / "Music" / "Live");
    }
    // Runs the dialog: types the entry (if any), presses OK, then Esc if it is still open.
    struct Run {
        std::string shown;
        int focusAtOpening = 0, focusAfterOk = 0;
        bool endedByOk = false;
    };
    Run enter(std::optional<std::string> entry) {
        Run r;
        scriptDialog(t.win, [&](FakeDialog& d) {
            r.shown = d.at(kPathEdit).text;
            r.focusAtOpening = d.focus;
            if (entry) {
                d.type(kPathEdit, *entry);
                d.click(IDOK);
                r.endedByOk = d.ended;
                r.focusAfterOk = d.focus;
            }
            d.pressEscape();
        });
        t.win.sendCommand(ID_PATH_TO_SAVE_FILES);
        return r;
    }
};

TEST_F(PathDialog, AcceptedFoldersKeepTheirCaseAndGainTheSeparator) {
    const std::string music = (t.dir.path() / "Music").string();
    struct Case {
        std::string entry, stored;
    } cases[] = {
        {music, music + "/"},
        {music + "/", music + "/"},
        {"Music/Live", "Music/Live/"},  // relative to the working folder, and kept relative
        {"", "/"},                     // the root folder
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entry);
        t.s.savePath = "/elsewhere/";
        t.s.settingsDirty = 0;
        Run r = enter(c.entry);
        EXPECT_TRUE(r.endedByOk);
        EXPECT_EQ(r.shown, "/elsewhere/");
        EXPECT_EQ(t.s.savePath, c.stored);
        EXPECT_EQ(t.s.settingsDirty, 1);
        EXPECT_TRUE(t.win.boxes.empty());
    }
    EXPECT_EQ(fs::current_path().string(), cwd);
}

TEST_F(PathDialog, RefusedEntriesKeepTheDialogOpenAndNeverReachTheSavePath) {
    struct Case {
        std::string entry, message;
    } cases[] = {
        {(t.dir.path() / "music").string(), kMissing},  // another folder on this file system
        {(t.dir.path() / "Music" / "missing").string(), kMissing},
        {"/" + std::string(258, 'a'), "This path is longer than 259 characters. Better try again."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entry);
        t.s.savePath = "/kept/";
        t.win.boxes.clear();
        Run r = enter(c.entry);
        EXPECT_FALSE(r.endedByOk);
        EXPECT_EQ(r.focusAfterOk, kPathEdit);
        ASSERT_EQ(t.win.boxes.size(), 1u);
        EXPECT_EQ(t.win.boxes[0].text, c.message);
        EXPECT_EQ(t.win.boxes[0].caption, "Path Error");
        EXPECT_EQ(t.win.boxes[0].type, MB_OK);
        EXPECT_EQ(t.s.savePath, "/kept/");  // also after the Cancel that followed
        EXPECT_EQ(t.s.settingsDirty, 0);
        EXPECT_EQ(fs::current_path().string(), cwd);
    }
}

TEST_F(PathDialog, AnEmptySavePathOpensOnTheWorkingFolderEvenWhenCancelled) {
    t.s.savePath = "";
    Run r = enter(std::nullopt);
    EXPECT_EQ(r.shown, t.s.workingDir.str() + "/");
    EXPECT_EQ(r.focusAtOpening, IDOK);  // the first control with a tab stop
    EXPECT_EQ(t.s.savePath, t.s.workingDir.str() + "/");
    EXPECT_EQ(t.s.settingsDirty, 0);
}

}  // namespace
