#pragma once
// Programs wired to fakes, and the files they work on.
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "FakeCdAudio.h"
#include "FakeCdrom.h"
#include "FakeDesktop.h"
#include "FakeEncoder.h"
#include "FakeMci.h"
#include "FakeWindow.h"
#include "app/App.h"
#include "window/MainWindow.h"

namespace wl::test {

// A fresh temporary folder, removed with its contents. The process's working folder is never
// changed: tests run side by side, and a program finds its settings through workingDir.
class TempWorkingDir {
public:
    TempWorkingDir();
    ~TempWorkingDir();
    const std::filesystem::path& path() const { return dir_; }

private:
    std::filesystem::path dir_;
};

// One program wired to fakes, with a private folder for its settings file. Window and Encoder
// may be real adapters instead (the Qt window, the encoder library).
template <class Window, class Encoder = FakeEncoderLoader>
struct ProgramOn {
    TempWorkingDir ownFolder;  // the settings folder unless the test names one
    Window window;
    FakeMci mci;
    FakeCdrom cdrom;
    Encoder encoder;
    FakeDesktop desktop;
    // The drive behind "cd", holding kDefaultDisc unless a test changes it.
    FakeCdAudio cd{mci, cdrom};
    App app{Platform{window, mci, cdrom, encoder, desktop}};
    MainWindowProc proc{app};

    static inline const std::vector<int> kDefaultDisc{185, 242, 199, 263, 301};
    ProgramOn() { init(); }
    template <class EncoderArg>
    explicit ProgramOn(EncoderArg&& encoderArg) : encoder(std::forward<EncoderArg>(encoderArg)) {
        init();
    }

    // Runs the entry point (a fake window's message loop returns at once). Returns WM_CREATE's result.
    int start() {
        WavelatheMain(app, proc);
        return window.createResult;
    }
    AppState& s() { return app.s; }

private:
    void init() {
        cd.insertDisc(kDefaultDisc);
        app.s.workingDir = ownFolder.path().string();
    }
};

struct TestProgram : ProgramOn<FakeWindow> {
    TestProgram() = default;
    explicit TestProgram(const std::filesystem::path& settingsFolder) { app.s.workingDir = settingsFolder.string(); }
};

// Bytes of a file, or empty when it does not exist.
std::string readFileBytes(const std::filesystem::path& p);
void writeFileBytes(const std::filesystem::path& p, const std::string& bytes);

}  // namespace wl::test
