#pragma once
// The program on its real adapters for end-to-end runs on the demo disc, with a virtual audio
// clock that the window's event loop drives twenty times faster than real time, on the
// offscreen Qt window. Message boxes are answered with their default button and remembered.
#include <gtest/gtest.h>

#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>

#include "RealProgram.h"
#include "WavFiles.h"
#include "app/Commands.h"

namespace wl::e2e {

namespace fs = std::filesystem;

// Passes when no message box opened; names the first one that did.
inline ::testing::AssertionResult noBoxes(const BoxAnswerer& boxes) {
    if (boxes.texts.empty()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << boxes.texts.size() << " message boxes, the first: " << boxes.texts.front();
}

// Counts how often the window's event loop served a 5 ms timer.
struct LoopTicks {
    int count = 0;
    QTimer timer;
    LoopTicks() {
        QObject::connect(&timer, &QTimer::timeout, [this] { ++count; });
        timer.start(5);
    }
};

struct RigOptions {
    bool convertToMp3 = false;  // the WAV is kept either way
    int lineInSeconds = 0;      // music on the line input; 0 leaves it silent
    std::string disc = "";      // a disc image's cue sheet; empty: the demo disc
};

// What the rig's program stands on, made before it and gone after it.
struct RigGround {
    test::TempWorkingDir dir, sourceDir;
    audio::VirtualClock clock;
    std::string lineIn;  // the line input's WAV file; empty when it is silent

    explicit RigGround(int lineInSeconds) {
        if (lineInSeconds <= 0) return;
        lineIn = (sourceDir.path() / "input.wav").string();
        test::writeFileBytes(lineIn, test::musicWav(lineInSeconds));
    }
};

struct Rig : RigGround, RealProgram {
    QTimer pace;

    explicit Rig(int sourceMode, RigOptions options = {})
        : RigGround(options.lineInSeconds),
          RealProgram(options.disc.empty() ? WL_DEMO_DISC : options.disc, clock, {WL_BIN_DIR}, dir.path().string(),
                      lineIn) {
        EXPECT_EQ(engineError, "");
        writeSettings(sourceMode, options.convertToMp3);
        // 100 ms of audio time every 5 ms.
        QObject::connect(&pace, &QTimer::timeout, [this] { clock.advance(100000); });
    }
    ~Rig() { pace.stop(); }
    // Creates the window and waits for its start-up disc check.
    bool start() {
        if (!create()) return false;
        pace.start(5);
        return QTest::qWaitFor([&] { return s().discCheckDone == 1; }, 10000);
    }
    std::string folder() const { return dir.path().string() + "/"; }
    void type(const std::string& text) { window.setControlText(ID_SONG_NAME_EDIT, text); }
    // Play in the rip mode under this name, on the window's thread.
    void rip(const std::string& name) {
        type(name);
        s().songName = name;
        window.sendCommand(ID_PLAY);
    }
    // Waits until `seconds` of audio time have passed.
    bool waitAudio(double seconds) {
        const audio::Micros until = clock.now() + audio::Micros(seconds * 1e6);
        return QTest::qWaitFor([&] { return clock.now() >= until; }, 20000);
    }
    // The samples the line input plays.
    std::string lineInPcm() const { return test::readFileBytes(lineIn).substr(44); }
};

// The audio bytes of a canonical WAV file written by the device.
inline std::string wavData(const std::string& path) {
    std::string wav = test::readFileBytes(path);
    EXPECT_GE(wav.size(), 44u) << path;
    return wav.size() >= 44 ? wav.substr(44) : std::string();
}

inline std::string imageBytes(size_t fromFrame, size_t toFrame) {
    std::string bin = test::readFileBytes(fs::path(WL_DEMO_DISC).replace_extension(".bin").string());
    toFrame = std::min(toFrame, bin.size() / kCdFrameBytes);
    return bin.substr(fromFrame * kCdFrameBytes, (toFrame - fromFrame) * kCdFrameBytes);
}

// Where `part` (from its first sound on) lies in `whole` exactly; npos when it does not.
inline size_t exactOffset(const std::string& whole, const std::string& part) {
    const size_t partLead = part.find_first_not_of('\0');
    const size_t wholeLead = whole.find_first_not_of('\0');
    if (partLead == std::string::npos || wholeLead == std::string::npos || wholeLead < partLead) return std::string::npos;
    const size_t at = wholeLead - partLead;
    if (whole.size() < at + part.size() || whole.compare(at, part.size(), part) != 0) return std::string::npos;
    return at;
}

}  // namespace wl::e2e
