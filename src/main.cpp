// Wires the real adapters into the ports and runs the program.
//   wavelathe                 the real drive and sound card
//   wavelathe --disc X.cue    a disc image as the CD drive
#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iostream>
#include <memory>
#include <string>

#include "adapters/audio/AudioEngine.h"
#include "adapters/audio/Clock.h"
#include "adapters/audio/LoopbackBackend.h"
#include "adapters/audio/PortAudioBackend.h"
#include "adapters/cdrom/LibcdioCdrom.h"
#include "adapters/desktop/GioDesktop.h"
#include "adapters/dl/DlEncoderLoader.h"
#include "adapters/mci/DeviceLayer.h"
#include "adapters/qt/QtWindow.h"
#include "adapters/qt/QuitOnSignal.h"
#include "app/App.h"
#include "app/MainWindow.h"

namespace {

struct Options {
    std::string disc;
};

bool parseOptions(int argc, char** argv, Options& out) {
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--disc" && i + 1 < argc) {
            out.disc = argv[++i];
        } else if (a.rfind("--disc=", 0) == 0) {
            out.disc = a.substr(7);
        } else if (a == "--help" || a == "-h") {
            std::cout << "usage: wavelathe [--disc IMAGE.cue]\n";
            return false;
        } else {
            std::cerr << "wavelathe: unknown argument \"" << a << "\" (try --help)\n";
            return false;
        }
    }
    return true;
}

// The folder the program was started in holds its settings; a path too long for the
// program's 260-byte field stays unnamed, and the settings file is then found relative to
// the same folder (the program never changes its working folder).
std::string startFolder() {
    std::error_code ec;
    const std::string here = std::filesystem::current_path(ec).string();
    return ec || here.size() >= wl::kPathCapacity ? std::string() : here;
}

std::string executableFolder() {
    std::error_code ec;
    auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string(".") : self.parent_path().string();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication qtApp(argc, argv);
    Options options;
    if (!parseOptions(argc, argv, options)) return 2;
    if (!options.disc.empty()) {
        std::error_code ec;
        options.disc = std::filesystem::absolute(options.disc, ec).string();
    }
    const std::string folder = executableFolder();

    wl::QtWindow window;
    wl::DlEncoderLoader encoder(folder);
    wl::GioDesktop desktop(folder + "/help/index.html");
    wl::LibcdioCdrom cdrom(options.disc);

    // The sound card when there is one; otherwise the loopback, so the CD still plays and
    // records (silently) and the line input records silence.
    wl::audio::SteadyClock clock;
    std::unique_ptr<wl::audio::AudioBackend> backend;
    if (wl::audio::PortAudioBackend::deviceAvailable())
        backend = std::make_unique<wl::audio::PortAudioBackend>();
    else
        backend = std::make_unique<wl::audio::LoopbackBackend>(clock, wl::audio::LoopbackOptions{});
    auto engine = std::make_unique<wl::audio::AudioEngine>(*backend);
    std::string why;
    if (!engine->start(why)) {
        std::cerr << "wavelathe: the sound card cannot be used (" << why << "); running without sound\n";
        engine.reset();
        backend = std::make_unique<wl::audio::LoopbackBackend>(clock, wl::audio::LoopbackOptions{});
        engine = std::make_unique<wl::audio::AudioEngine>(*backend);
        if (!engine->start(why)) std::cerr << "wavelathe: no audio at all (" << why << ")\n";
    }
    wl::mci::DeviceLayerOptions deviceOptions;
    if (!options.disc.empty()) deviceOptions.cd.namePrefix = "Disc image:";
    wl::mci::DeviceLayer mci(cdrom, cdrom, *engine, clock, deviceOptions);

    wl::App app(wl::Platform{window, mci, cdrom, encoder, desktop});
    app.s.workingDir = startFolder();
    wl::MainWindowProc proc(app);
    // A signal takes the way of the Exit button: the window's destroy shuts everything
    // down, restores the desktop's AutoRun setting and ends the message loop. A box opened
    // while the window is being created runs its own loop, where destroy cannot act yet:
    // then try again until it has.
    std::function<void()> endRun = [&] {
        window.destroy();
        if (!app.destroyed) QTimer::singleShot(100, &qtApp, endRun);
    };
    wl::QuitOnSignal quitOnSignal(endRun);
    return wl::WavelatheMain(app, proc);
}
