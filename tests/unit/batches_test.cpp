// The two batches: tracks chosen in the Tracks to Record dialog, and WAV files chosen in the
// WAV Files to Convert dialog and converted on the worker.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "FakeDialogHost.h"
#include "FakeEncoderLibrary.h"
#include "TestProgram.h"
#include "WavFiles.h"
#include "app/Commands.h"
#include "mp3/BatchConvert.h"
#include "record/TrackBatch.h"

using namespace wl;
using namespace wl::test;
namespace fs = std::filesystem;

namespace {

TEST(TrackBatch, TrackNumbersComeFromSixAndSevenCharacterLabelsOnly) {
    const std::pair<const char*, int> cases[] = {
        {"Track7", 7}, {"Track12", 12}, {"Track99", 99}, {"Track", 0}, {"Track123", 0}, {"Intro", 0}, {"TrackX", 0},
    };
    for (auto [label, n] : cases) EXPECT_EQ(parseTrackNumber(label), n) << label;
}

// A started program whose batch dialog `user` acts on.
class BatchDialog : public ::testing::Test {
protected:
    TempWorkingDir dir;
    TestProgram prog;
    FakeWindow& win = prog.window;
    void run(int command, const char* caption, const std::function<void(FakeDialog&)>& user) {
        scriptDialog(win, [&](FakeDialog& d) {
            EXPECT_EQ(d.caption, caption);
            user(d);
        });
        win.sendCommand(command);
        if (!win.dialogScript.empty()) ADD_FAILURE() << "no dialog opened";
        win.dialogScript.clear();
    }
};

class TracksDialog : public BatchDialog {
protected:
    void SetUp() override {
        ASSERT_EQ(prog.start(), 0);
        win.boxes.clear();
    }
    void run(const std::function<void(FakeDialog&)>& user) {
        BatchDialog::run(ID_TRACKS_TO_RECORD, "Select Tracks to Record", user);
    }
    void rename(FakeDialog& d, int entry, const std::string& name) {
        d.select(kChosenTracksList, entry);
        d.type(kRenameEdit, name);
        d.pressEnter();
        EXPECT_FALSE(d.ended) << "Enter closed the dialog";
    }
    std::vector<int> batch() {
        return {prog.s().selectionTracks.begin(), prog.s().selectionTracks.begin() + prog.s().batchCount};
    }
};

TEST_F(TracksDialog, EntriesMapToTheLowestTrackWithTheirTextWhenSaved) {
    run([&](FakeDialog& d) {
        EXPECT_EQ(d.items(kAvailableTracksList),
                  (std::vector<std::string>{"Track1", "Track2", "Track3", "Track4", "Track5"}));
        for (const char* t : {"Track3", "Track3", "Track2", "Track4", "Track5"}) d.doubleClickText(kAvailableTracksList, t);
        rename(d, 3, "Track2");  // onto another slot's text: maps to track 2
        rename(d, 4, "Outro");
        d.click(IDOK);
    });
    EXPECT_EQ(batch(), (std::vector<int>{3, 3, 2, 2, 5}));
    EXPECT_EQ(prog.s().batchIndex, 0);
    EXPECT_EQ(prog.s().trackNames[5], "Outro");
    EXPECT_EQ(win.controls[ID_SONG_NAME_EDIT].text, "Track3.wav");
    EXPECT_EQ(prog.s().currentTrack, 3);
    EXPECT_EQ(prog.s().trackTimeText, prog.cd.lengthText(3));

    // Reopening shows the saved entries with their names, in order.
    run([&](FakeDialog& d) {
        EXPECT_EQ(d.items(kChosenTracksList),
                  (std::vector<std::string>{"Track3", "Track3", "Track2", "Track2", "Outro"}));
        d.click(IDOK);
    });
    EXPECT_EQ(batch(), (std::vector<int>{3, 3, 2, 2, 5}));
}

TEST_F(TracksDialog, NoBatchAfterClearSaveOrCancelShowsUntitledOnTrackOne) {
    run([&](FakeDialog& d) {
        d.doubleClickText(kAvailableTracksList, "Track4");
        d.click(IDOK);
    });
    ASSERT_EQ(prog.s().batchCount, 1);
    EXPECT_EQ(prog.s().currentTrack, 4);

    run([&](FakeDialog& d) { d.click(IDCANCEL); });  // drops the earlier batch too
    EXPECT_EQ(prog.s().batchCount, 0);
    EXPECT_EQ(win.controls[ID_SONG_NAME_EDIT].text, "untitled");
    EXPECT_EQ(prog.s().currentTrack, 1);
    EXPECT_EQ(prog.s().currentTrackText, "1");

    run([&](FakeDialog& d) {
        d.doubleClickText(kAvailableTracksList, "Track2");
        d.click(kClearButton);
        EXPECT_TRUE(d.items(kChosenTracksList).empty());
        d.click(IDOK);
    });
    EXPECT_EQ(prog.s().batchCount, 0);
    EXPECT_EQ(win.controls[ID_SONG_NAME_EDIT].text, "untitled");
}

TEST_F(TracksDialog, SaveFolderPrefixesTheFirstNameAndEnterOnlyRenames) {
    prog.s().savePath = "/home/ann/Music/";
    run([&](FakeDialog& d) {
        d.doubleClickText(kAvailableTracksList, "Track3");
        d.doubleClickText(kAvailableTracksList, "Track1");
        d.type(kRenameEdit, "Intro");
        d.pressEnter();  // right after an add: renames the entry just added
        rename(d, 0, "");  // an empty box renames nothing
        rename(d, 0, "Intro " + std::string(60, 'x'));
        d.click(IDOK);
    });
    const std::string cut = "Intro " + std::string(43, 'x');
    EXPECT_EQ(prog.s().trackNames[3], cut);
    EXPECT_EQ(prog.s().trackNames[1], "Intro");
    EXPECT_EQ(batch(), (std::vector<int>{3, 1}));
    EXPECT_EQ(win.controls[ID_SONG_NAME_EDIT].text, "/home/ann/Music/" + cut + ".wav");
    EXPECT_EQ(win.listText(ID_SELECTION_LIST_BOX, 0), cut);
}

TEST_F(TracksDialog, RemovingClearsTheSlotAndABatchHoldsAtMostAHundredEntries) {
    run([&](FakeDialog& d) {
        for (int i = 0; i < 120; ++i) d.doubleClickText(kAvailableTracksList, "Track2");
        EXPECT_EQ(d.items(kChosenTracksList).size(), kMaxBatchEntries);
        d.doubleClick(kChosenTracksList, 0);
        EXPECT_EQ(d.items(kChosenTracksList).size(), kMaxBatchEntries - 1);
        EXPECT_EQ(prog.s().trackNames[2], "");
        d.click(IDOK);
    });
    // The slot was cleared, so the remaining entries map to no track and keep the old values.
    EXPECT_EQ(prog.s().batchCount, int(kMaxBatchEntries) - 1);
}

class WavBatch : public BatchDialog {
protected:
    FakeEncoderLibrary lib;
    fs::path folder;

    void SetUp() override {
        lib.install(prog.encoder);
        prog.cdrom.failReadToc = true;
        ASSERT_EQ(prog.start(), 0);
        prog.s().keepWav = 1;
        prog.s().mp3Kbps = 128;
        // The scripted library holds one stream at a time.
        prog.s().conversionStreams = 1;
        win.boxes.clear();
        folder = dir.path() / "Music";
        fs::create_directories(folder / "Live");
        prog.s().convertFolder = folder.string();
        writeFileBytes(folder / "b.wav", canonicalWav(pcmBytes(rampSamples(40))));
        writeFileBytes(folder / "A.WAV", canonicalWav(pcmBytes(rampSamples(40))));
        writeFileBytes(folder / "empty.wav", "");
        writeFileBytes(folder / "notes.txt", "x");
    }
    void TearDown() override { win.destroy(); }
    void run(const std::function<void(FakeDialog&)>& user) {
        BatchDialog::run(ID_WAV_FILES_TO_CONVERT, "Convert WAV to MP3", user);
    }
};

TEST_F(WavBatch, TheDialogListsNonEmptyWavFilesAndBrowsesFolders) {
    run([&](FakeDialog& d) {
        // Folders and the machine's drives in brackets, then the files sorted ignoring case: no
        // empty file, no other kind.
        std::vector<std::string> files;
        for (const std::string& e : d.items(kAvailableFilesList))
            if (e[0] != '[') files.push_back(e);
            else EXPECT_TRUE(files.empty()) << e << " after a file";
        EXPECT_EQ(files, (std::vector<std::string>{"A.WAV", "b.wav"}));
        for (const char* place : {"[..]", "[Live]", "[-/-]"}) EXPECT_NE(d.indexOf(kAvailableFilesList, place), -1) << place;
        EXPECT_EQ(d.at(kAvailableFilesList).extent, 6 * 5);
        EXPECT_TRUE(d.at(kAddFilesButton).enabled);
        EXPECT_FALSE(d.at(kStartButton).enabled);

        d.click(kAddFilesButton);  // nothing selected
        EXPECT_EQ(win.lastBox()->text, "You must first select a file with your mouse.");
        EXPECT_TRUE(d.items(kChosenFilesList).empty());

        d.doubleClickText(kAvailableFilesList, "[Live]");
        EXPECT_EQ(prog.s().convertFolder, (folder / "Live").string());
        EXPECT_FALSE(d.at(kAddFilesButton).enabled);
        EXPECT_EQ(d.indexOf(kAvailableFilesList, "A.WAV"), -1);
        d.doubleClickText(kAvailableFilesList, "[..]");
        EXPECT_EQ(prog.s().convertFolder, folder.string());

        d.selectMany(kAvailableFilesList, {d.indexOf(kAvailableFilesList, "[Live]"),
                                           d.indexOf(kAvailableFilesList, "b.wav")});
        d.click(kAddFilesButton);  // folders among the selection are passed over
        d.doubleClickText(kAvailableFilesList, "b.wav");
        EXPECT_EQ(d.items(kChosenFilesList),
                  (std::vector<std::string>{(folder / "b.wav").string(), (folder / "b.wav").string()}));
        EXPECT_TRUE(d.at(kStartButton).enabled);
        d.click(IDCANCEL);
    });
    EXPECT_EQ(prog.s().convertFileCount, 0);
    EXPECT_FALSE(prog.s().convertThread.joinable());
}

TEST_F(WavBatch, ThreeFilesWithTheSecondFailingGiveTwoMp3sAndOneMessage) {
    writeFileBytes(folder / "c.wav", canonicalWav(pcmBytes(rampSamples(40)), WavFormat{1, 1, 22050, 8, ""}));
    win.marshalCalls = true;
    run([&](FakeDialog& d) {
        for (const char* f : {"A.WAV", "c.wav", "b.wav"}) d.doubleClickText(kAvailableFilesList, f);
        d.click(kStartButton);
    });
    ASSERT_EQ(prog.s().convertFileCount, 3);
    ASSERT_TRUE(win.pumpUntil([&] { return !prog.s().workerRunning; }));
    prog.s().convertThread.join();
    EXPECT_TRUE(fs::exists(folder / "A.mp3"));
    EXPECT_TRUE(fs::exists(folder / "b.mp3"));
    EXPECT_FALSE(fs::exists(folder / "c.mp3"));
    EXPECT_EQ(win.boxes.size(), 1u);
    EXPECT_EQ(prog.s().statusText, "Enter song name or click here:");
    EXPECT_TRUE(win.timerRunning(PollTimer));
    EXPECT_TRUE(win.isControlEnabled(ID_SONG_NAME_EDIT));
    EXPECT_EQ(win.offThreadCalls, 0);
}

TEST_F(WavBatch, ANewBatchIsRefusedWhileAConversionRuns) {
    prog.s().converting = 1;
    win.sendCommand(ID_WAV_FILES_TO_CONVERT);
    EXPECT_TRUE(win.dialogsRun.empty());
    ASSERT_NE(win.lastBox(), nullptr);
    EXPECT_EQ(win.lastBox()->caption, "Convert WAV to MP3");
    prog.s().converting = 0;
}

}  // namespace
