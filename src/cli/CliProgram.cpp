#include "cli/CliProgram.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "adapters/dl/InstallPaths.h"
#include "app/Commands.h"
#include "app/ServiceSite.h"
#include "app/Settings.h"
#include "cover/CoverArt.h"
#include "disc/DiscNames.h"
#include "rip/RipDrive.h"
#include "verify/CtdbCheck.h"
#include "verify/Verification.h"

namespace wl::cli {

namespace fs = std::filesystem;

PrivateFolder::PrivateFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/wavelathe-XXXXXX";
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
}

PrivateFolder::~PrivateFolder() {
    std::error_code ec;
    if (!path_.empty()) fs::remove_all(path_, ec);
}

CliProgram::CliProgram(const ProgramOptions& options) {
    if (work.path().empty()) {
        refused_ = std::string("no private folder could be made for the run: ") + std::strerror(errno);
        return;
    }
    if (!options.settingsFile.empty()) {
        std::error_code ec;
        if (!fs::is_regular_file(options.settingsFile, ec)) {
            refused_ = "the settings file \"" + options.settingsFile + "\" cannot be read: " +
                       (fs::exists(options.settingsFile, ec) ? "it is not a regular file" : "it does not exist");
            return;
        }
        if (!fs::copy_file(options.settingsFile, fs::path(work.path()) / kSettingsFileName, ec)) {
            refused_ = "the settings file \"" + options.settingsFile + "\" cannot be read: " + ec.message();
            return;
        }
    }
    std::string disc = options.disc;
    if (options.standInDisc && disc.empty()) {
        constexpr size_t kSecond = 75 * 2352;
        const fs::path bin = fs::path(work.path()) / "standin.bin", cue = fs::path(work.path()) / "standin.cue";
        std::ofstream(bin, std::ios::binary) << std::string(2 * kSecond, '\0');
        std::ofstream(cue) << "FILE \"standin.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"
                              "  TRACK 02 AUDIO\n    INDEX 01 00:01:00\n";
        disc = cue.string();
    }
    if (!disc.empty()) {
        std::error_code ec;
        disc = fs::absolute(disc, ec).string();
    }
    std::string why;
    cdrom = std::make_unique<LibcdioCdrom>(disc, [&why](const std::string& reason) { why = reason; });
    if (!disc.empty() && !cdrom->imageUsable()) {
        refused_ = why.empty() ? "the disc image \"" + disc + "\" cannot be used" : why;
        return;
    }
    backend = std::make_unique<audio::LoopbackBackend>(clock, audio::LoopbackOptions{});
    engine = std::make_unique<audio::AudioEngine>(*backend);
    if (std::string audioWhy; !engine->start(audioWhy)) {
        refused_ = "the audio layer did not start (" + audioWhy + ")";
        return;
    }
    mci::DeviceLayerOptions deviceOptions;
    if (!disc.empty()) deviceOptions.cd.namePrefix = "Disc image:";
    deviceOptions.tempFolder = work.path();
    mci = std::make_unique<mci::DeviceLayer>(*cdrom, *cdrom, *engine, clock, deviceOptions);

    const InstallPaths paths = findInstallPaths(runningExecutableFolder());
    encoder = std::make_unique<DlEncoderLoader>(paths.encoderFolders);
    cdText = std::make_unique<LibcdioCdText>(*cdrom);
    const std::string userAgent = kServiceUserAgent;
    DiscLookup* lookup = nullptr;
    if (options.lookups) {
        accurateRip = std::make_unique<CurlFetch>(window, CurlOptions{userAgent});
        const ServiceSite musicBrainz =
            ServiceSiteFromEnvironment("WAVELATHE_MUSICBRAINZ_URL", MusicBrainzOptions{}.baseUrl, "musicbrainz");
        discLookup = std::make_unique<MusicBrainzLookup>(
            window, MusicBrainzOptions{musicBrainz.baseUrl, musicBrainz.cacheFolder, {userAgent}});
        lookup = discLookup.get();
        ctdb = std::make_unique<CurlFetch>(window, CurlOptions{userAgent});
        coverArt = std::make_unique<CurlFetch>(window, CurlOptions{userAgent});
    }
    secureRead = std::make_unique<ParanoiaReader>(*cdrom);
    cdLayout = std::make_unique<LibcdioCdLayout>(*cdrom);
    app = std::make_unique<App>(Platform{window, *mci, *cdrom, *encoder, desktop, cdText.get(), &discId, &tags,
                                         &hashing, accurateRip.get(), lookup, ctdb.get(), secureRead.get()});
    app->p.cdLayout = cdLayout.get();
    app->p.audioEncoders = &codecs;
    app->p.loudness = &loudness;
    app->p.coverArt = coverArt.get();
    app->s.verify = VerifyConfigFromEnvironment();
    app->s.ctdbConfig = CtdbConfigFromEnvironment();
    CoverArtConfigFromEnvironment(app->s);
    app->s.workingDir = work.path();
    app->s.disc.editsFolder = DefaultEditsFolder();
    proc = std::make_unique<MainWindowProc>(*app);
}

CliProgram::~CliProgram() {
    shutDown();
    // What may still call the window from its own threads goes before the window does.
    proc.reset();
    app.reset();
    coverArt.reset();
    ctdb.reset();
    discLookup.reset();
    accurateRip.reset();
    secureRead.reset();
    mci.reset();
}

bool CliProgram::create() {
    if (!app) return false;
    if (window.create(*proc) != 0) {
        window.destroy();
        return false;
    }
    return true;
}

bool CliProgram::readDisc(int driveIndex, std::string& why) {
    AppState& st = s();
    // A drive named on the command line is the ripping drive, as the Default CD Player
    // dialog would make it.
    if (driveIndex >= 0 && (st.ripDriveIndex != driveIndex || st.cdHandle == 0)) {
        st.ripDriveIndex = driveIndex;
        st.cdHandle = OpenRipDrive(*app);
    }
    if (st.ripMode != 1) window.sendCommand(ID_RIP_FROM_CD);
    if (st.cdHandle == 0 || st.ripMode != 1) {
        why = st.cdHandle == 0 ? "no CD drive or disc image could be opened" : "the disc's table of contents cannot be read";
        return false;
    }
    window.fireSoon(ClockTimer);
    if (!window.serveUntil([&] { return st.discCheckDone == 1; }, 15000) || st.toc[3] == 0) {
        why = "no audio CD is in the drive";
        return false;
    }
    // The names found online come before anything is named after them.
    // The program says "looking the disc up..." until the answer has come.
    const auto asking = [&st] {
        const std::string& status = st.disc.lookupStatus;
        return st.disc.lookedUp && status.size() >= 3 && status.compare(status.size() - 3, 3, "...") == 0;
    };
    if (asking()) window.serveUntil([&] { return !asking(); }, 60000);
    return true;
}

void CliProgram::askAccurateRip() {
    // Block addresses, as a rip reads them before it verifies.
    app->p.cdrom.ModifyCDParms(s().cdHandle, kCdParmAddressing, 0);
    if (app->p.cdrom.ReadTOC(s().cdHandle, s().toc) == 1) VerifyRippedTracks(*app);
}

void CliProgram::awaitVerification(int timeoutMs) {
    AppState& st = s();
    // CTDB is asked beside AccurateRip; each answer counts only when it was asked for.
    window.serveUntil([&] { return (st.accurateRip.key.empty() || st.accurateRip.answered) &&
                                   (st.ctdb.key.empty() || st.ctdb.answered); },
                      timeoutMs);
}

void CliProgram::shutDown() {
    if (app && !app->destroyed && !window.destroyed()) window.destroy();
}

}  // namespace wl::cli
