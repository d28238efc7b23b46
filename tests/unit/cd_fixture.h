#pragma once
// A program started in a chosen source mode with a disc of chosen tracks, for the CD session,
// track and mode scenarios.
#include <string>
#include <vector>

#include "TestProgram.h"
#include "app/Commands.h"
#include "app/Settings.h"

namespace wl::test {

// A settings file: 16 bits, 44100 Hz, stereo, 128 kbit/s, the given mode, keep WAV, MP3 on,
// the ripping drive's two bytes.
inline std::string settingsWithMode(int sourceMode, int convertToMp3 = 1, const std::string& driveIndex = "99") {
    std::string f(6, '\0');
    f += "16441002128" + std::to_string(sourceMode) + "1" + std::to_string(convertToMp3) + driveIndex;
    f.resize(kSettingsFileSize, '\0');
    return f;
}

struct CdScenario {
    TempWorkingDir dir;
    TestProgram prog{dir.path()};
    AppState& s = prog.s();
    FakeWindow& win = prog.window;
    FakeMci& mci = prog.mci;
    FakeCdAudio& cd = prog.cd;

    // Starts in the mode; an empty disc list means no disc in the drive.
    void start(int sourceMode, std::vector<int> disc = TestProgram::kDefaultDisc, int convertToMp3 = 1) {
        writeFileBytes(dir.path() / kSettingsFileName, settingsWithMode(sourceMode, convertToMp3));
        if (disc.empty())
            cd.removeDisc();
        else
            cd.insertDisc(disc);
        mci.acceptWaveRecords();
        prog.start();
    }
    // Commands sent since the mark.
    std::vector<std::string> sentSince(size_t mark) const {
        return std::vector<std::string>(mci.sent.begin() + long(mark), mci.sent.end());
    }
    bool enabled(int id) { return win.isControlEnabled(id); }
    std::vector<std::string> boxTexts() const {
        std::vector<std::string> out;
        for (auto& b : win.boxes) out.push_back(b.text);
        return out;
    }
};

}  // namespace wl::test
