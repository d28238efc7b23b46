#pragma once
// A program started in a recording mode with its disc read, and what tests ask of the wave
// device commands it sent.
#include <string>
#include <vector>

#include "FakeEncoderLibrary.h"
#include "cd_fixture.h"

namespace wl::test {

inline const std::string kPrompt = "Enter song name or click here:";
constexpr int kWaveId = 7;

struct Recorder : CdScenario {
    FakeEncoderLibrary lib;

    // Started in the mode with the disc read; boxes of the start-up are forgotten.
    void begin(int sourceMode, int convertToMp3 = 0, std::vector<int> disc = TestProgram::kDefaultDisc) {
        lib.install(prog.encoder);
        start(sourceMode == PartialCdRecording ? RecordFromCd : sourceMode, disc, convertToMp3);
        win.advance(1000);
        if (sourceMode == PartialCdRecording) win.click(ID_PARTIAL_CD_RECORDING);
        mci.aliases["wave"] = kWaveId;
        mci.acceptWaveRecords();
        win.boxes.clear();
    }
    std::string folder() const { return dir.path().string() + "/"; }
    void type(const std::string& name) { win.setControlText(ID_SONG_NAME_EDIT, name); }
    void play(const std::string& name) {
        type(name);
        win.click(ID_PLAY);
    }
    std::vector<uint32_t> waveMessages() const {
        std::vector<uint32_t> out;
        for (auto& c : mci.commands) out.push_back(c.message);
        return out;
    }
    size_t sentCount(uint32_t message) const {
        size_t n = 0;
        for (auto& c : mci.commands) n += c.message == message;
        return n;
    }
    std::vector<std::string> savedNames() const {
        std::vector<std::string> out;
        for (auto& c : mci.commands)
            if (c.message == MCI_SAVE) out.push_back(std::get<MciSaveParms>(c.params).fileName);
        return out;
    }
    // The CD plays the track under the recording, then reaches its end; the next tick saves.
    void cdPlaysToTheEnd() {
        cd.mode = "playing";
        win.advance(990);
        cd.mode = "stopped";
        win.advance(990);
    }
    // Waiting for the next recording: the drive watched again, Play ready, the menus usable.
    void expectIdle() {
        EXPECT_EQ(s.recording, 0);
        EXPECT_EQ(s.cdPlaying, 0);
        EXPECT_TRUE(win.timerRunning(PollTimer));
        EXPECT_FALSE(win.timerRunning(RecordTimer));
        EXPECT_TRUE(enabled(ID_PLAY));
        EXPECT_FALSE(enabled(ID_SAVE));
        EXPECT_EQ(s.statusText, kPrompt);
        expectIdleMenus();
    }
    void expectIdleMenus() {
        for (int id : {ID_RIP_FROM_CD, ID_RECORD_FROM_CD, ID_RECORD_FROM_LINE_IN, ID_CONVERT_WAV_TO_MP3,
                       ID_PARTIAL_CD_RECORDING, ID_TRACKS_TO_RECORD, ID_DEFAULT_RIPPING_PLAYER, ID_WAV_PARAMETERS})
            EXPECT_TRUE(win.isMenuItemEnabled(id)) << id;
        EXPECT_TRUE(enabled(ID_SONG_NAME_EDIT));
    }
};

}  // namespace wl::test
