// Recording through the fakes with the virtual clock: naming, file checks, the CD play span,
// partial and line-in recordings, saving, MP3 chaining, batches, failures and the exit question.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "WavFiles.h"
#include "record/Recording.h"
#include "record_fixture.h"

using namespace wl;
using namespace wl::test;
namespace fs = std::filesystem;

namespace {

TEST(Recording, NamesAreForcedToWavWithTheFileNameLowerCasedAndATypedMp3TurnsChainingOn) {
    struct Case {
        std::string typed, recorded;
        int mp3;
    };
    for (const Case& c : {Case{"Music/My Song.MP3", "Music/my song.wav", 1}, Case{"Music/Tune", "Music/tune.wav", 0},
                          Case{"Music/A.Mp3", "Music/a.wav", 1}, Case{"Music/notes.TXT", "Music/notes.wav", 0},
                          Case{"Music/x.mP3", "Music/x.wav", 1}}) {
        SCOPED_TRACE(c.typed);
        Recorder t;
        t.begin(RecordFromLineIn);
        fs::create_directories(t.dir.path() / "Music");
        t.play(t.folder() + c.typed);
        EXPECT_EQ(t.s.songName.str(), t.folder() + c.recorded);
        EXPECT_EQ(t.s.lastRecordedFile.str(), t.folder() + c.recorded);
        EXPECT_EQ(t.win.controlText(ID_SONG_NAME_EDIT, 300), t.folder() + c.recorded);
        EXPECT_EQ(t.s.convertToMp3, c.mp3);
        EXPECT_EQ(t.s.recording, 1);
    }
}

TEST(Recording, OnlyTheExactNameUntitledAsksForABetterOneAndYesStartsNothing) {
    struct Case {
        const char* typed;
        int answer;
        bool asked, records;
    };
    for (const Case& c : {Case{"untitled", IDYES, true, false}, Case{"untitled", IDNO, true, true},
                          Case{"Untitled.wav", IDYES, false, true}}) {
        SCOPED_TRACE(std::string(c.typed) + (c.answer == IDYES ? " yes" : " no"));
        Recorder t;
        t.begin(RecordFromLineIn);
        t.win.answerBoxes({c.answer});
        t.play(c.typed);
        ASSERT_EQ(t.win.boxes.size(), c.asked ? 1u : 0u);
        if (c.asked) {
            EXPECT_EQ(t.win.boxes[0].text, "Don't you want to save this song using a more original name?");
            EXPECT_EQ(t.win.boxes[0].caption, "Question");
        }
        EXPECT_EQ(t.s.recording, c.records ? 1 : 0);
        EXPECT_EQ(t.mci.count("open new type waveaudio alias wave"), c.records ? 1u : 0u);
        EXPECT_EQ(t.s.songName.str(), "untitled.wav");
        EXPECT_EQ(t.win.controlText(ID_SONG_NAME_EDIT, 300), c.records ? "untitled.wav" : "");
    }
}

TEST(Recording, TheOverwriteCheckLooksForTheFileThatWillRemainAndOkReplacesIt) {
    struct Case {
        int convertToMp3, keepWav;
        std::string existing;
        bool asked, ok;
    };
    for (const Case& c : {Case{0, 1, "song.wav", true, false}, Case{0, 1, "song.wav", true, true},
                          Case{0, 1, "Song.wav", false, false}, Case{1, 0, "song.mp3", true, false},
                          Case{1, 0, "song.wav", false, false}, Case{1, 1, "song.wav", true, false},
                          Case{1, 1, "song.mp3", false, false}}) {
        SCOPED_TRACE(c.existing + " mp3 " + std::to_string(c.convertToMp3) + " keep " + std::to_string(c.keepWav) +
                     (c.ok ? " OK" : ""));
        Recorder t;
        t.begin(RecordFromLineIn, c.convertToMp3);
        t.s.keepWav = c.keepWav;
        fs::create_directories(t.dir.path() / "sub");
        writeFileBytes(t.dir.path() / "sub" / c.existing, "old");
        t.win.answerBoxes({c.ok ? IDOK : IDCANCEL});
        t.play(t.folder() + "sub/Song.WAV");
        const bool records = !c.asked || c.ok;
        ASSERT_EQ(t.win.boxes.size(), c.asked ? 1u : 0u);
        if (c.asked) {
            EXPECT_EQ(t.win.boxes[0].text, "File name already exists. Overwrite current file?");
            EXPECT_EQ(t.win.boxes[0].caption, c.existing);
            EXPECT_EQ(t.win.boxes[0].type, MB_OKCANCEL);
        }
        EXPECT_EQ(t.s.recording, records ? 1 : 0) << "Cancel starts nothing";
        EXPECT_EQ(t.mci.count("open new type waveaudio alias wave"), records ? 1u : 0u);
        EXPECT_EQ(fs::exists(t.dir.path() / "sub" / c.existing), !c.ok);
        if (c.ok) {
            EXPECT_EQ(t.s.statusText, "Recording WAV file...");
        }
    }
}

// A WAV refused by the convert mode leaves its path in the box of Record from CD: Play then
// asks only about the file the recording will replace, never about the refused one.
TEST(Recording, AfterARefusedConversionTheOverwriteCheckLooksInTheSaveFolder) {
    struct Case {
        const char* what;
        const char* savePath;
        bool savedCopyExists, asked;
    };
    for (const Case& c : {Case{"save folder set", "saved/", false, false},
                          Case{"same name in the save folder", "saved/", true, true},
                          Case{"save folder missing", "gone/", false, false}}) {
        SCOPED_TRACE(c.what);
        Recorder t;
        t.begin(RecordFromCd, 0);
        fs::create_directories(t.dir.path() / "other");
        fs::create_directories(t.dir.path() / "saved");
        const fs::path source = t.dir.path() / "other" / "hi2.wav";
        writeFileBytes(source, canonicalWav(std::string(48, 'a'), WavFormat{1, 2, 48000, 24, {}}));
        if (c.savedCopyExists) writeFileBytes(t.dir.path() / "saved" / "hi2.wav", "old");
        t.s.savePath = t.folder() + c.savePath;
        t.win.click(ID_CONVERT_WAV_TO_MP3);
        t.play(source.string());
        ASSERT_EQ(t.s.cdMode, 1) << "the refusal switches to Record from CD";
        t.win.boxes.clear();
        t.win.answerBoxes({IDOK});
        t.win.click(ID_PLAY);
        EXPECT_EQ(t.win.boxes.size(), c.asked ? 1u : 0u);
        EXPECT_TRUE(fs::exists(source));
        EXPECT_FALSE(fs::exists(t.dir.path() / "saved" / "hi2.wav"));
    }
}

// The name box gives back 254 characters: a longer name is cut so that, in the folder it is
// written to, it keeps its ".wav" and its MP3 takes the same name.
TEST(Recording, ANameTooLongForItsFolderIsCutBeforeItsExtension) {
    for (const bool toSaveFolder : {false, true}) {
        SCOPED_TRACE(toSaveFolder ? "save folder" : "typed folder");
        Recorder t;
        t.begin(RipFromCd, 1, {3, 3});
        const fs::path out = toSaveFolder ? t.dir.path() / std::string(40, 's') : t.dir.path() / "typed";
        fs::create_directories(out);
        fs::create_directories(t.dir.path() / "typed");
        if (toSaveFolder) t.s.savePath = out.string() + "/";
        t.play(t.folder() + "typed/" + std::string(300, 'a') + ".wav");
        const std::string base(254 - out.string().size() - 1 - 4, 'a');
        std::set<std::string> files;
        for (auto& e : fs::directory_iterator(out))
            if (e.path().extension() != ".log") files.insert(e.path().filename().string());  // the disc's rip log
        EXPECT_EQ(files, (std::set<std::string>{base + ".mp3", base + ".wav"}));
        EXPECT_EQ(t.boxTexts(), std::vector<std::string>{});
    }
}

TEST(Recording, TheCdPlaysExactlyTheOneTrackAndTheLastEndsAtItsLength) {
    struct Case {
        int track;
        std::string play;
    };
    for (const Case& c : {Case{1, "play cd from 1:00:00:00 to 2:00:00:00"}, Case{4, "play cd from 4:00:00:00 to 5:00:00:00"},
                          Case{5, "play cd from 5:00:00:00 to 5:05:01:00"}}) {
        SCOPED_TRACE(c.track);
        Recorder t;
        t.begin(RecordFromCd);
        t.s.currentTrack = c.track;
        t.s.currentTrackText = std::to_string(c.track);
        const size_t mark = t.mci.sent.size();
        t.play(t.folder() + "track");
        const auto sent = t.sentSince(mark);
        ASSERT_GE(sent.size(), 2u);
        EXPECT_EQ(sent[0], "seek cd to " + std::to_string(c.track));
        EXPECT_EQ(sent[1], "status cd length track " + std::to_string(c.track));
        EXPECT_EQ(sent.back(), c.play);
        EXPECT_EQ(t.s.cdPlaying, 1);
        EXPECT_EQ(t.s.statusText, "Recording WAV file...");
        EXPECT_TRUE(t.enabled(ID_SAVE));
        EXPECT_FALSE(t.enabled(ID_PLAY));
        for (int id : {ID_PLAYBACK, ID_STOP_PLAYBACK, ID_PREV_TRACK, ID_NEXT_TRACK, ID_FIRST_TRACK, ID_LAST_TRACK, ID_EJECT})
            EXPECT_FALSE(t.enabled(id)) << id;
        EXPECT_FALSE(t.win.isMenuItemEnabled(ID_RECORD_FROM_LINE_IN));
        EXPECT_FALSE(t.enabled(ID_SONG_NAME_EDIT));
        EXPECT_EQ(t.win.controlText(ID_EXIT, 10), "Exit");
        EXPECT_TRUE(t.win.timerRunning(RecordTimer));
        EXPECT_FALSE(t.win.timerRunning(PollTimer));
    }
}

TEST(Recording, TheWaveDeviceIsSetToTheRecordingFormatAndMp3ForcesCdFormat) {
    for (int mp3 : {0, 1}) {
        Recorder t;
        t.begin(RecordFromLineIn, mp3);
        t.s.bitsPerSample = 8;
        t.s.samplesPerSec = 22050;
        t.s.channels = 1;
        t.play(t.folder() + "voice");
        ASSERT_GE(t.mci.commands.size(), 2u);
        const SentCommand& set = t.mci.commands[0];
        EXPECT_EQ(set.message, MCI_SET);
        EXPECT_EQ(set.deviceId, uint32_t(kWaveId));
        EXPECT_EQ(set.flags, 0x3F0400u);
        const auto& p = std::get<MciWaveSetParms>(set.params);
        const uint32_t rate = mp3 ? 44100 : 22050;
        const uint16_t block = mp3 ? 4 : 1;
        EXPECT_EQ(p.samplesPerSec, rate);
        EXPECT_EQ(p.blockAlign, block);
        EXPECT_EQ(p.avgBytesPerSec, rate * block);
        EXPECT_EQ(p.bitsPerSample, mp3 ? 16 : 8);
        EXPECT_EQ(t.mci.commands[1].message, MCI_RECORD);
    }
}

TEST(Recording, LineInRecordsWithoutTheCdAndBlanksTheTime) {
    Recorder t;
    t.begin(RecordFromLineIn);
    t.s.trackTimeText = "03:05:00";
    const size_t mark = t.mci.sent.size();
    t.play(t.folder() + "live");
    for (const std::string& command : t.sentSince(mark)) {
        EXPECT_EQ(command.find("cd"), std::string::npos) << command;
    }
    EXPECT_TRUE(t.s.trackTimeText.empty());
    EXPECT_EQ(t.s.cdPlaying, 0);
    EXPECT_EQ(t.s.recording, 1);
    // The clock counts until Save; nothing ends the recording by itself.
    t.win.advance(5 * 990);
    EXPECT_EQ(t.s.elapsedSeconds, 5);
    EXPECT_EQ(t.sentCount(MCI_SAVE), 0u);
    t.win.click(ID_SAVE);
    EXPECT_EQ(t.savedNames(), std::vector<std::string>{t.folder() + "live.wav"});
    EXPECT_EQ(t.win.controlText(ID_PLAY, 10), "&Record");
    EXPECT_FALSE(t.enabled(ID_EJECT));
}

TEST(Recording, PartialRecordingArmsOnTheFirstPressAndCapturesOnTheSecond) {
    Recorder t;
    t.begin(PartialCdRecording);
    ASSERT_EQ(t.s.partialMode, 1);
    t.play(t.folder() + "part");
    EXPECT_EQ(t.win.controlText(ID_PLAY, 10), "Start");
    EXPECT_TRUE(t.enabled(ID_PLAY));
    EXPECT_FALSE(t.enabled(ID_SAVE));
    EXPECT_EQ(t.s.statusText, "Click on Start to record...");
    EXPECT_EQ(t.sentCount(MCI_RECORD), 0u);
    EXPECT_EQ(t.mci.count("play cd from 1:00:00:00 to 2:00:00:00"), 1u);
    t.cd.mode = "playing";
    t.win.advance(3 * 990);

    const size_t mark = t.mci.sent.size();
    t.win.click(ID_PLAY);
    EXPECT_EQ(t.sentSince(mark), std::vector<std::string>{}) << "no seek, no second play";
    EXPECT_EQ(t.sentCount(MCI_RECORD), 1u);
    EXPECT_EQ(t.s.statusText, "Click on Save to stop...");
    EXPECT_TRUE(t.enabled(ID_SAVE));
    EXPECT_FALSE(t.enabled(ID_PLAY));
    EXPECT_EQ(t.s.elapsedSeconds, 3) << "the clock is not reset by Start";
    t.win.click(ID_SAVE);
    EXPECT_EQ(t.savedNames(), std::vector<std::string>{t.folder() + "part.wav"});
    EXPECT_EQ(t.mci.count("stop cd"), 1u);
}

// The track ends while nothing is captured: the device's refusal is shown, and nothing is
// converted, reported as saved or offered for play back.
TEST(Recording, APartialRecordingThatCapturedNothingSavesNothingAndSaysNoMore) {
    for (const bool startFails : {false, true}) {
        SCOPED_TRACE(startFails ? "Start refused by the device" : "Start never pressed");
        Recorder t;
        t.begin(PartialCdRecording, 1);
        t.mci.commandCodes[MCI_SAVE] = 517;
        t.mci.commandCodes[MCI_RECORD] = 5;
        t.mci.on("status wave length", 0, "0");
        t.play(t.folder() + "nostart");
        if (startFails) t.win.click(ID_PLAY);
        t.cdPlaysToTheEnd();
        std::vector<std::string> expected{"MCI error 517."};
        if (startFails) expected.insert(expected.begin(), "MCI error 5.");
        EXPECT_EQ(t.boxTexts(), expected);
        EXPECT_EQ(t.win.lastBox()->caption, "Save Wave Error");
        EXPECT_TRUE(t.lib.config.empty()) << "no conversion";
        EXPECT_FALSE(t.enabled(ID_PLAYBACK));
        t.expectIdle();
    }
}

TEST(Recording, ACdRecordingSavesItselfAtTheEndOfTheTrackAndReturnsToIdle) {
    Recorder t;
    t.begin(RecordFromCd);
    t.play(t.folder() + "Whole Track");
    t.cdPlaysToTheEnd();
    EXPECT_EQ(t.savedNames(), std::vector<std::string>{t.folder() + "whole track.wav"});
    const auto messages = t.waveMessages();
    ASSERT_GE(messages.size(), 3u);
    EXPECT_EQ(std::vector<uint32_t>(messages.end() - 3, messages.end()),
              (std::vector<uint32_t>{MCI_STOP, MCI_SAVE, MCI_CLOSE}));
    ASSERT_EQ(t.win.boxes.size(), 1u);
    EXPECT_EQ(t.win.boxes[0].text, "I have saved the song to your hard drive.");
    EXPECT_EQ(t.win.boxes[0].caption, t.folder() + "whole track.wav");
    EXPECT_TRUE(t.enabled(ID_PLAYBACK));
    EXPECT_TRUE(t.enabled(ID_EJECT));
    EXPECT_EQ(t.win.controlText(ID_EXIT, 10), "E&xit");
    EXPECT_EQ(t.win.controlText(ID_PLAY, 10), "Play");
    EXPECT_FALSE(t.win.textsDrawn("Saving  as WAV file...                 ").empty());
    t.expectIdle();
}

TEST(Recording, ASavePathReceivesTheFileAndPlayBackNamesIt) {
    Recorder t;
    t.begin(RecordFromLineIn);
    fs::create_directories(t.dir.path() / "Saved");
    t.s.savePath = t.folder() + "Saved/";
    t.play(t.folder() + "typed/Song");
    t.win.click(ID_SAVE);
    const std::string expected = t.folder() + "Saved/song.wav";
    EXPECT_EQ(t.savedNames(), std::vector<std::string>{expected});
    EXPECT_EQ(t.s.lastRecordedFile.str(), expected);
    EXPECT_EQ(t.win.controlText(ID_SONG_NAME_EDIT, 300), expected);
}

TEST(Recording, Mp3ChainingWithoutKeepingTheWavShowsTheMp3AndDisablesPlayBack) {
    Recorder t;
    t.begin(RecordFromCd);
    fs::create_directories(t.dir.path() / "Music");
    t.play(t.folder() + "Music/My Song.MP3");
    t.s.keepWav = 0;
    // The device's file, as the real one would write it.
    writeFileBytes(t.dir.path() / "Music" / "my song.wav", musicWav(1));
    t.cdPlaysToTheEnd();
    const std::string mp3 = t.folder() + "Music/my song.mp3";
    EXPECT_TRUE(fs::exists(mp3));
    EXPECT_FALSE(fs::exists(t.dir.path() / "Music" / "my song.wav"));
    EXPECT_EQ(t.win.controlText(ID_SONG_NAME_EDIT, 300), mp3);
    ASSERT_NE(t.win.lastBox(), nullptr);
    EXPECT_EQ(t.win.lastBox()->caption, mp3);
    EXPECT_FALSE(t.enabled(ID_PLAYBACK));
    EXPECT_TRUE(t.win.isMenuItemEnabled(ID_MP3_PARAMETERS));
}

TEST(Recording, ABatchOfThreeRecordsEachTrackUnderItsNameWithOneFinalMessage) {
    Recorder t;
    t.begin(RecordFromCd);
    t.s.batchCount = 3;
    t.s.batchIndex = 0;
    t.s.selectionTracks[0] = 2;
    t.s.selectionTracks[1] = 4;
    t.s.selectionTracks[2] = 5;
    t.s.trackNames[2] = "Intro";
    t.s.trackNames[4] = "ballad";
    t.s.trackNames[5] = "finale";
    t.s.currentTrack = 2;
    t.s.currentTrackText = "2";
    t.win.answerBoxes({IDYES});  // a name question would take this answer and stop the batch
    t.play(t.folder() + "intro.wav");
    for (int i = 0; i < 3; ++i) t.cdPlaysToTheEnd();
    EXPECT_EQ(t.savedNames(), (std::vector<std::string>{t.folder() + "intro.wav", "ballad.wav", "finale.wav"}));
    EXPECT_EQ(t.mci.count("play cd from 2:00:00:00 to 3:00:00:00"), 1u);
    EXPECT_EQ(t.mci.count("play cd from 4:00:00:00 to 5:00:00:00"), 1u);
    EXPECT_EQ(t.mci.count("play cd from 5:00:00:00 to 5:05:01:00"), 1u);
    ASSERT_EQ(t.win.boxes.size(), 1u) << t.win.boxes[0].text;
    EXPECT_EQ(t.win.boxes[0].text, "I have saved the requested songs to your hard drive.");
    EXPECT_EQ(t.win.boxes[0].caption, "Saved!");
    EXPECT_EQ(t.s.batchCount, 0);
    t.expectIdle();
}

TEST(Recording, RequiredBytesAndTheThirtyPercentMargin) {
    struct Case {
        std::string length;
        int channels, rate, bits;
        uint32_t bytes;
    };
    for (const Case& c : {Case{"04:00:00", 2, 44100, 16, 42336000}, Case{"00:01:74", 1, 11025, 8, 11025},
                          Case{"10:30", 2, 22050, 8, 27783000}, Case{"", 2, 44100, 16, 0}}) {
        SCOPED_TRACE(c.length);
        EXPECT_EQ(RequiredRecordingBytes(c.length, c.channels, c.rate, c.bits), c.bytes);
    }
    const uint32_t fourMinutes = RequiredRecordingBytes("04:00:00", 2, 44100, 16);
    EXPECT_TRUE(HasRoomFor(55036800, fourMinutes));
    EXPECT_FALSE(HasRoomFor(55036799, fourMinutes));
}

TEST(Recording, AFullDiskRefusesACdRecordingButAPartialOneIsNeverChecked) {
    // A file system with no room at all: the process information folder.
    for (int partial : {0, 1}) {
        SCOPED_TRACE(partial);
        Recorder t;
        t.begin(partial ? PartialCdRecording : RecordFromCd);
        t.win.focusId = 0;
        t.play("/proc/song");
        EXPECT_EQ(t.s.recording, partial);
        if (partial) {
            EXPECT_TRUE(t.win.boxes.empty());
            continue;
        }
        ASSERT_EQ(t.win.boxes.size(), 1u);
        EXPECT_EQ(t.win.boxes[0].text,
                  "Either there is not enough available disk space to record this track, or this is a removeable "
                  "drive and you need to insert the disk.");
        EXPECT_EQ(t.win.boxes[0].caption, "Disk Space Error");
        EXPECT_EQ(t.mci.count("open new type waveaudio alias wave"), 0u);
        EXPECT_EQ(t.win.focusId, ID_SONG_NAME_EDIT);
    }
}

TEST(Recording, ABatchWhoseNextEntryFindsNoRoomEndsWithTheWindowUsable) {
    Recorder t;
    t.begin(RecordFromCd);
    fs::create_directories(t.dir.path() / "first");
    t.s.batchCount = 2;
    t.s.selectionTracks[0] = 1;
    t.s.selectionTracks[1] = 2;
    t.s.trackNames[1] = "one";
    t.s.trackNames[2] = "two";
    t.play(t.folder() + "first/one.wav");
    // The save folder fills up: the next entry is refused at its disk check.
    t.s.savePath = "/proc/";
    t.cdPlaysToTheEnd();
    ASSERT_EQ(t.win.boxes.size(), 1u);
    EXPECT_EQ(t.win.boxes[0].caption, "Disk Space Error");
    EXPECT_EQ(t.s.batchCount, 0);
    t.expectIdle();
}

}  // namespace
