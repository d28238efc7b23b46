// Wires the real adapters into the ports and runs the program.
//   wavelathe                 the real drive and sound card
//   wavelathe --disc X.cue    a disc image as the CD drive
//   wavelathe info|rip|convert ...   the command line (src/cli/), no window
#include <QApplication>
#include <cstdlib>
#include <QIcon>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iostream>
#include <memory>
#include <string>

#include "adapters/audio/AudioEngine.h"
#include "adapters/hash/Hashing.h"
#include "adapters/musicbrainz/MusicBrainzLookup.h"
#include "adapters/net/CurlFetch.h"
#include "adapters/cdrom/ParanoiaReader.h"
#include "verify/CtdbCheck.h"
#include "verify/Verification.h"
#include "adapters/audio/Clock.h"
#include "adapters/audio/LoopbackBackend.h"
#include "adapters/audio/PortAudioBackend.h"
#include "adapters/cdrom/LibcdioCdLayout.h"
#include "adapters/cdrom/LibcdioCdText.h"
#include "adapters/cdrom/LibcdioCdrom.h"
#include "adapters/desktop/GioDesktop.h"
#include "adapters/discid/LibDiscId.h"
#include "adapters/dl/DlEncoderLoader.h"
#include "adapters/dl/InstallPaths.h"
#include "adapters/mci/DeviceLayer.h"
#include "adapters/qt/QtWindow.h"
#include "adapters/qt/QuitOnSignal.h"
#include "adapters/tags/TagLibWriter.h"
#include "adapters/codecs/CodecEncoders.h"
#include "adapters/loudness/Ebur128Loudness.h"
#include "app/App.h"
#include "cli/Cli.h"
#include "app/Commands.h"
#include "app/ServiceSite.h"
#include "cover/CoverArt.h"
#include "disc/DiscNames.h"
#include "window/MainWindow.h"

namespace {

struct Options {
    std::string disc;
    int exitNow = -1;  // 0 or more: end at once with this status
};

constexpr const char* kUsage =
    "usage: wavelathe [--disc IMAGE.cue]\n"
    "  --disc IMAGE   use a CUE/BIN or cdrdao TOC disc image as the CD drive\n"
    "  --help         show this text\n";

// Read before Qt starts, so that a mistyped option or --help needs no display.
Options parseOptions(int argc, char** argv) {
    Options out;
    auto refuse = [&](const std::string& why) {
        std::cerr << "wavelathe: " << why << "\n" << kUsage;
        out.exitNow = 2;
        return out;
    };
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--disc" || a.rfind("--disc=", 0) == 0) {
            if (a == "--disc" && i + 1 < argc)
                out.disc = argv[++i];
            else if (a != "--disc")
                out.disc = a.substr(7);
            if (out.disc.empty()) return refuse("--disc needs the name of a disc image");
        } else if (a == "--help" || a == "-h") {
            std::cout << kUsage;
            out.exitNow = 0;
            return out;
        } else {
            return refuse("unknown argument \"" + a + "\"");
        }
    }
    return out;
}

// The folder the program was started in holds its settings; a path too long for the
// program's 260-byte field stays unnamed, and the settings file is then found relative to
// the same folder (the program never changes its working folder).
std::string startFolder() {
    std::error_code ec;
    const std::string here = std::filesystem::current_path(ec).string();
    return ec || here.size() >= wl::kPathCapacity ? std::string() : here;
}

}  // namespace

int main(int argc, char** argv) {
    // A subcommand runs the program without its window and needs no display.
    if (wl::cli::IsSubcommand(argc, argv)) return wl::cli::Run(argc, argv);
    Options options = parseOptions(argc, argv);
    if (options.exitNow >= 0) return options.exitNow;
    if (!options.disc.empty()) {
        std::error_code ec;
        options.disc = std::filesystem::absolute(options.disc, ec).string();
    }
    // An image that cannot be used ends the run with its reason, instead of a program that
    // finds no drive at all.
    std::string refused;
    wl::LibcdioCdrom cdrom(options.disc, [&refused](const std::string& why) { refused = why; });
    if (!options.disc.empty() && !cdrom.imageUsable()) {
        std::cerr << "wavelathe: " << (refused.empty() ? "the disc image cannot be used" : refused) << "\n";
        return 2;
    }

    QApplication qtApp(argc, argv);
    const wl::InstallPaths paths = wl::findInstallPaths(wl::runningExecutableFolder());
    // The desktop entry's name lets a Wayland desktop match the window to its entry and icon.
    QGuiApplication::setDesktopFileName("wavelathe");
    if (!paths.icon.empty()) QApplication::setWindowIcon(QIcon(QString::fromStdString(paths.icon)));

    wl::QtWindow window;
    wl::DlEncoderLoader encoder(paths.encoderFolders);
    wl::GioDesktop desktop(paths.helpPage);

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

    wl::LibcdioCdText cdText(cdrom);
    wl::LibDiscId discId;
    wl::TagLibWriter tags;
    wl::LibraryHashing hashing;
    const std::string userAgent = wl::kServiceUserAgent;
    wl::CurlFetch accurateRip(window, {userAgent});
    const wl::ServiceSite musicBrainz =
        wl::ServiceSiteFromEnvironment("WAVELATHE_MUSICBRAINZ_URL", wl::MusicBrainzOptions{}.baseUrl, "musicbrainz");
    wl::MusicBrainzLookup discLookup(window, {musicBrainz.baseUrl, musicBrainz.cacheFolder, {userAgent}});
    wl::CurlFetch ctdb(window, {userAgent});
    wl::ParanoiaReader secureRead(cdrom);
    wl::CodecEncoders codecs;
    wl::Ebur128Loudness loudness;
    wl::CurlFetch coverArt(window, {userAgent});
    wl::App app(wl::Platform{window, mci, cdrom, encoder, desktop, &cdText, &discId, &tags, &hashing, &accurateRip,
                             &discLookup, &ctdb, &secureRead});
    wl::LibcdioCdLayout cdLayout(cdrom);
    app.p.cdLayout = &cdLayout;
    app.p.audioEncoders = &codecs;
    app.p.loudness = &loudness;
    app.p.coverArt = &coverArt;
    app.s.verify = wl::VerifyConfigFromEnvironment();
    app.s.ctdbConfig = wl::CtdbConfigFromEnvironment();
    wl::CoverArtConfigFromEnvironment(app.s);
    app.s.workingDir = startFolder();
    app.s.disc.editsFolder = wl::DefaultEditsFolder();
    wl::MainWindowProc proc(app);
    // A disc image has no tray to push in by hand: a click on the grey Eject button does that.
    if (!options.disc.empty())
        window.setDisabledClickAction(wl::ID_EJECT, [&mci] { mci.sendString("set cd door closed", nullptr, 0); });
    // A signal ends the session: open boxes and dialogs close with their safe answers, then
    // the window's destroy shuts everything down as the Exit button does (a recording under
    // way is kept, the desktop's AutoRun setting restored) and ends the message loop.
    std::function<void()> endRun = [&window] { window.endSession(); };
    wl::QuitOnSignal quitOnSignal(endRun);
    return wl::WavelatheMain(app, proc);
}
