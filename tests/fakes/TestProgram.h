#pragma once
// One program wired to fakes, with a private folder for its settings file.
#include <filesystem>
#include <memory>
#include <string>

#include "FakeCdAudio.h"
#include "FakeCdrom.h"
#include "FakeDesktop.h"
#include "FakeEncoder.h"
#include "FakeMci.h"
#include "FakeWindow.h"
#include "app/App.h"
#include "app/MainWindow.h"

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

struct TestProgram {
    TempWorkingDir ownFolder;  // the settings folder unless the test names one
    FakeWindow window;
    FakeMci mci;
    FakeCdrom cdrom;
    FakeEncoderLoader encoder;
    FakeDesktop desktop;
    // The drive behind "cd", holding kDefaultDisc unless a test changes it.
    FakeCdAudio cd{mci, cdrom};
    App app{Platform{window, mci, cdrom, encoder, desktop}};
    MainWindowProc proc{app};

    static inline const std::vector<int> kDefaultDisc{185, 242, 199, 263, 301};
    TestProgram() {
        cd.insertDisc(kDefaultDisc);
        app.s.workingDir = ownFolder.path().string();
    }
    explicit TestProgram(const std::filesystem::path& settingsFolder) : TestProgram() {
        app.s.workingDir = settingsFolder.string();
    }

    // Runs the entry point (the fake's message loop returns at once). Returns WM_CREATE's result.
    int start();
    AppState& s() { return app.s; }
};

// Bytes of a file, or empty when it does not exist.
std::string readFileBytes(const std::filesystem::path& p);
void writeFileBytes(const std::filesystem::path& p, const std::string& bytes);

}  // namespace wl::test
