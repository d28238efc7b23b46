#pragma once
// One program wired to fakes, with a private working folder for its settings file.
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

// Switches into a fresh temporary folder for the program's settings file and back.
class TempWorkingDir {
public:
    TempWorkingDir();
    ~TempWorkingDir();
    const std::filesystem::path& path() const { return dir_; }

private:
    std::filesystem::path dir_, previous_;
};

struct TestProgram {
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
    TestProgram() { cd.insertDisc(kDefaultDisc); }

    // Runs the entry point (the fake's message loop returns at once). Returns WM_CREATE's result.
    int start();
    AppState& s() { return app.s; }
};

// Bytes of a file, or empty when it does not exist.
std::string readFileBytes(const std::filesystem::path& p);
void writeFileBytes(const std::filesystem::path& p, const std::string& bytes);

}  // namespace wl::test
