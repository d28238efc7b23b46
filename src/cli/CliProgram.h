#pragma once
// The program as main.cpp wires it for the window, on the headless window instead of Qt's:
// the device layer over libcdio (a disc image or the drives), the loopback audio (nothing is
// played), the encoder library and the FLAC/Opus encoders, loudness, CD-Text, the pressed
// layout (pregaps, ISRCs, catalog number), disc IDs, tags, checksums, secure reads and the web
// services (AccurateRip, MusicBrainz, CTDB, the cover archive).
// The AutoRun policy of the desktop is left alone. Settings are read only from the file
// given: the program's working folder is a private one holding a copy of it.
#include <memory>
#include <string>

#include "adapters/audio/AudioEngine.h"
#include "adapters/audio/Clock.h"
#include "adapters/audio/LoopbackBackend.h"
#include "adapters/cdrom/LibcdioCdLayout.h"
#include "adapters/cdrom/LibcdioCdText.h"
#include "adapters/cdrom/LibcdioCdrom.h"
#include "adapters/cdrom/ParanoiaReader.h"
#include "adapters/codecs/CodecEncoders.h"
#include "adapters/discid/LibDiscId.h"
#include "adapters/dl/DlEncoderLoader.h"
#include "adapters/hash/Hashing.h"
#include "adapters/loudness/Ebur128Loudness.h"
#include "adapters/mci/DeviceLayer.h"
#include "adapters/musicbrainz/MusicBrainzLookup.h"
#include "adapters/net/CurlFetch.h"
#include "adapters/tags/TagLibWriter.h"
#include "app/App.h"
#include "cli/HeadlessWindow.h"
#include "window/MainWindow.h"

namespace wl::cli {

// The desktop of a command-line run: no AutoRun policy to turn off, no help, no mixer.
class NoDesktop : public Desktop {
public:
    bool openPolicyKey() override { return false; }
    std::optional<uint32_t> readPolicy() override { return std::nullopt; }
    bool writePolicy(uint32_t) override { return false; }
    void closePolicyKey() override {}
    std::optional<uint32_t> pendingPolicy() override { return std::nullopt; }
    bool keepPendingPolicy(uint32_t) override { return false; }
    void forgetPendingPolicy() override {}
    bool startVolumeControl() override { return false; }
    bool openHelpContents() override { return false; }
};

// A private folder, removed with everything in it at the end.
class PrivateFolder {
public:
    PrivateFolder();
    ~PrivateFolder();
    PrivateFolder(const PrivateFolder&) = delete;
    PrivateFolder& operator=(const PrivateFolder&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

struct ProgramOptions {
    std::string disc;          // a disc image; "" for the drives
    std::string settingsFile;  // "" for the defaults
    bool lookups = true;       // false: nothing asked online
    // The window will not start without a CD device: a run that needs no disc (a conversion)
    // gives it a silent two-track image of its own.
    bool standInDisc = false;
};

class CliProgram {
public:
    explicit CliProgram(const ProgramOptions& options);
    ~CliProgram();

    // Why the run cannot start (a refused image, an unreadable settings file); "" when it can.
    const std::string& refused() const { return refused_; }
    // Creates the window; false when the program would not start.
    bool create();
    // The rip mode on the given drive list entry (-1: the program's own choice) and the
    // start-up disc check done, at once rather than at the first timer tick; then the
    // online names waited for. False, with why, when there is no disc to rip.
    bool readDisc(int driveIndex, std::string& why);
    // Waits for the AccurateRip and CTDB answers asked for by the last rip (or by askAccurateRip()).
    void awaitVerification(int timeoutMs);
    // Asks the database for the disc's records, as a rip's verification does.
    void askAccurateRip();
    void shutDown();

    AppState& s() { return app->s; }

    PrivateFolder work;
    std::string refused_;
    std::unique_ptr<LibcdioCdrom> cdrom;
    audio::SteadyClock clock;
    std::unique_ptr<audio::LoopbackBackend> backend;
    std::unique_ptr<audio::AudioEngine> engine;
    std::unique_ptr<mci::DeviceLayer> mci;
    HeadlessWindow window;
    std::unique_ptr<DlEncoderLoader> encoder;
    NoDesktop desktop;
    std::unique_ptr<LibcdioCdText> cdText;
    LibDiscId discId;
    TagLibWriter tags;
    LibraryHashing hashing;
    std::unique_ptr<CurlFetch> accurateRip;
    std::unique_ptr<MusicBrainzLookup> discLookup;
    std::unique_ptr<CurlFetch> ctdb;
    std::unique_ptr<CurlFetch> coverArt;
    std::unique_ptr<ParanoiaReader> secureRead;
    std::unique_ptr<LibcdioCdLayout> cdLayout;
    CodecEncoders codecs;
    Ebur128Loudness loudness;
    std::unique_ptr<App> app;
    std::unique_ptr<MainWindowProc> proc;
};

}  // namespace wl::cli
