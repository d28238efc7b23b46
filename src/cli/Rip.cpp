// wavelathe rip: the window's Tracks to Record batch in the rip mode, driven as a user would
// drive it: the tracks chosen (and renamed, for a name pattern) in its dialog, then Rip. The
// program rips, converts, tags, verifies and writes the log and the cue sheet as ever.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <set>

#include "app/Commands.h"
#include "app/OutputFormat.h"
#include "cli/Cli.h"
#include "cli/CliProgram.h"
#include "cli/Progress.h"
#include "cli/Subcommands.h"
#include "disc/DiscIds.h"
#include "disc/OnlineNames.h"
#include "mp3/Convert.h"
#include "mp3/EncodedTags.h"
#include "record/TrackBatch.h"
#include "verify/DiscFiles.h"
#include "verify/RipLog.h"

namespace wl::cli {

namespace fs = std::filesystem;

namespace {

// What a file name cannot hold, as the disc's own files are named.
std::string fileSafe(std::string text) {
    for (char& c : text)
        if (std::strchr("\\/:*?\"<>|", c) != nullptr || static_cast<unsigned char>(c) < 0x20) c = '_';
    return text;
}

OutputFormat formatOf(const std::string& name) {
    return name == "flac" ? OutputFormat::Flac : name == "opus" ? OutputFormat::Opus : OutputFormat::Mp3;
}

std::string twoDigits(int n) { return n < 10 ? "0" + std::to_string(n) : std::to_string(n); }

// The remaining frames of the status line "Ripping... <start>: <remaining>".
bool remainingFrames(const std::string& status, long& remaining) {
    const std::string head = "Ripping... ";
    if (status.rfind(head, 0) != 0) return false;
    const size_t colon = status.find(':', head.size());
    if (colon == std::string::npos) return false;
    remaining = std::strtol(status.c_str() + colon + 1, nullptr, 10);
    return true;
}

}  // namespace

bool ParseTrackList(const std::string& text, int trackCount, std::vector<int>& out, std::string& why) {
    out.clear();
    size_t at = 0;
    while (at <= text.size()) {
        const size_t comma = text.find(',', at);
        const std::string part = text.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
        int from = 0, to = 0;
        char extra = 0;
        if (std::sscanf(part.c_str(), "%d-%d%c", &from, &to, &extra) == 2) {
        } else if (std::sscanf(part.c_str(), "%d%c", &from, &extra) == 1) {
            to = from;
        } else {
            why = "\"" + part + "\" in --tracks is neither a track nor a range like 3-5";
            return false;
        }
        if (from < 1 || to > trackCount || from > to) {
            why = "--tracks " + part + ": the disc has tracks 1 to " + std::to_string(trackCount);
            return false;
        }
        for (int t = from; t <= to; ++t) out.push_back(t);
        if (comma == std::string::npos) break;
        at = comma + 1;
    }
    if (out.size() > kMaxBatchEntries) {
        why = "--tracks names more than " + std::to_string(kMaxBatchEntries) + " tracks";
        return false;
    }
    return true;
}

std::string NameFromPattern(const std::string& pattern, const DiscNames& names, int track, const std::string& freedbId,
                            int discNumber) {
    const TrackName none;
    const TrackName& t = track >= 1 && size_t(track) <= names.tracks.size() ? names.tracks[size_t(track - 1)] : none;
    std::string out;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%' || i + 1 == pattern.size()) {
            out += pattern[i];
            continue;
        }
        switch (pattern[++i]) {
            case 'n': out += twoDigits(track); break;
            case 't': out += fileSafe(t.title); break;
            case 'a': out += fileSafe(t.performer.empty() ? names.albumArtist : t.performer); break;
            case 'A': out += fileSafe(names.album); break;
            case 'y': out += fileSafe(names.year); break;
            case 'd': out += std::to_string(discNumber > 0 ? discNumber : 1); break;
            case 'i': out += freedbId; break;
            case '%': out += '%'; break;
            default: out += '%'; out += pattern[i]; break;
        }
    }
    return fileSafe(out);
}

int RunRip(const RipOptions& o, const std::atomic<bool>& stop) {
    // The folder first: a rip that cannot be written is refused before the disc is read.
    std::error_code ec;
    fs::path out = o.out.empty() ? fs::current_path(ec) : fs::path(o.out);
    out = fs::absolute(out, ec);
    fs::create_directories(out, ec);
    if (!fs::is_directory(out) || ::access(out.c_str(), W_OK | X_OK) != 0) {
        const std::string reason = ec ? ec.message() : fs::exists(out) && !fs::is_directory(out)
                                                           ? "it is not a folder"
                                                           : std::strerror(errno);
        std::cerr << "wavelathe: cannot write into \"" << out.string() << "\": " << reason << "\n";
        return kFailed;
    }
    const std::string savePath = out.string() + (out.string().back() == '/' ? "" : "/");
    // Room for the file name within the program's 260-byte path.
    if (savePath.size() > kPathCapacity - 60) {
        std::cerr << "wavelathe: the folder \"" << out.string() << "\" has too long a path for the files\n";
        return kFailed;
    }

    CliProgram prog(ProgramOptions{o.source.disc, o.source.settings, !o.source.noLookup});
    if (!prog.refused().empty()) {
        std::cerr << "wavelathe: " << prog.refused() << "\n";
        return kUsage;
    }
    int driveIndex = o.source.disc.empty() ? -1 : 0;
    if (!o.source.drive.empty() && (driveIndex = prog.cdrom->listIndexOf(o.source.drive)) < 0) {
        std::cerr << "wavelathe: there is no CD drive \"" << o.source.drive << "\"\n";
        return kUsage;
    }
    Progress progress(o.source.quiet);
    HeadlessWindow& window = prog.window;
    window.stopRequested = &stop;
    window.onMessage = [&progress](const ShownMessage& m) { progress.note("wavelathe: " + m.caption + ": " + m.text); };
    AppState& s = prog.s();

    std::vector<int> tracks;
    std::vector<std::string> names;
    const fs::file_time_type started = fs::file_time_type::clock::now();
    bool interrupted = false;
    try {
        if (!prog.create()) {
            std::cerr << "wavelathe: the program did not start\n";
            return kFailed;
        }
        if (o.source.noLookup) s.lookupsOff = 1;
        std::string why;
        if (!prog.readDisc(driveIndex, why)) {
            std::cerr << "wavelathe: " << why << "\n";
            return kFailed;
        }
        const int trackCount = s.ripTrackCount;
        if (o.tracks.empty()) {
            for (int t = 1; t <= trackCount; ++t) tracks.push_back(t);
        } else if (!ParseTrackList(o.tracks, trackCount, tracks, why)) {
            std::cerr << "wavelathe: " << why << "\n";
            return kUsage;
        }
        if (!o.release.empty()) {
            size_t found = s.disc.releases.size();
            for (size_t i = 0; i < s.disc.releases.size(); ++i)
                if (s.disc.releases[i].id == o.release) found = i;
            if (found == s.disc.releases.size()) {
                std::cerr << "wavelathe: the release " << o.release << " is not among those found for the disc ("
                          << (s.disc.lookupStatus.empty() ? "no lookup" : s.disc.lookupStatus) << ")\n";
                for (const LookupRelease& r : s.disc.releases) std::cerr << "  " << r.id << "  " << ReleaseText(r) << "\n";
                return kFailed;
            }
            ChooseOnlineRelease(*prog.app, found);
        }
        // The program's own output format setting: a rip converts to it, or keeps the WAV.
        const bool encoded = o.format != "wav";
        if (o.format == "mp3" && s.encoderModule == nullptr) {
            std::cerr << "wavelathe: MP3 files cannot be made: the encoder library was not found\n";
            return kFailed;
        }
        if (encoded) s.outputFormat = int32_t(formatOf(o.format));
        s.convertToMp3 = encoded ? 1 : 0;
        s.keepWav = encoded ? 0 : 1;
        if (!o.mode.empty()) s.readMode = o.mode == "secure" ? 1 : o.mode == "auto" ? 2 : 0;
        if (o.testAndCopy) s.testAndCopy = 1;
        if (o.offsetGiven) s.readOffset = o.offset;
        s.savePath = savePath;

        // The names the batch gives its files: the program's own unless a pattern is given.
        uint8_t block[kTocSize] = {};
        DiscToc toc;
        prog.app->p.cdrom.ModifyCDParms(s.cdHandle, kCdParmAddressing, 0);
        if (prog.app->p.cdrom.ReadTOC(s.cdHandle, block) != 1 || !ParseBlockToc(block, toc)) {
            std::cerr << "wavelathe: the disc's table of contents cannot be read\n";
            return kFailed;
        }
        std::set<std::string> taken;
        for (int t : tracks) {
            std::string name;
            if (!o.nameFormat.empty()) {
                const DiscRecord& d = s.disc;
                const bool online = d.names.source == NameSource::Online && d.chosenRelease < d.releases.size();
                name = NameFromPattern(o.nameFormat, d.names, t, Hex8(FreedbId(toc)),
                                       online ? d.releases[d.chosenRelease].discNumber : 0);
                if (name.size() > kTrackNameChars) {
                    size_t n = kTrackNameChars;
                    while (n > 0 && (static_cast<unsigned char>(name[n]) & 0xC0) == 0x80) --n;
                    name.resize(n);
                }
                if (name.empty() || !taken.insert(name).second) {
                    std::cerr << "wavelathe: --name-format gives track " << t << " the name \"" << name
                              << "\", which " << (name.empty() ? "is empty" : "another track has") << "\n";
                    return kUsage;
                }
            }
            names.push_back(name);
        }

        // The Tracks to Record dialog, as a user fills it in.
        window.dialogScript = [&](const DialogTemplate& dialog, DialogProc& proc, Dialog& dlg) {
            if (dialog.name != "Tracks") return IDCANCEL;
            proc.onInit(dlg);
            for (size_t i = 0; i < tracks.size(); ++i) {
                dlg.listSetCurSel(kAvailableTracksList, tracks[i] - 1);
                proc.onCommand(dlg, kAvailableTracksList, LBN_DBLCLK);
                if (names[i].empty()) continue;
                dlg.setText(kRenameEdit, names[i]);
                proc.onEnterKey(dlg);
            }
            proc.onCommand(dlg, IDOK, BN_CLICKED);
            return 1;
        };
        window.sendCommand(ID_TRACKS_TO_RECORD);
        window.dialogScript = nullptr;
        if (s.batchCount != int(tracks.size())) {
            std::cerr << "wavelathe: the tracks could not be chosen\n";
            return kFailed;
        }

        // Progress from the program's own status line.
        int shownTrack = 0;
        auto trackFrames = [&](int t) -> double {
            const size_t i = size_t(t - toc.firstTrack);
            if (i >= toc.tracks.size()) return 0;
            return double((i + 1 < toc.tracks.size() ? toc.tracks[i + 1].start : toc.leadOut) - toc.tracks[i].start);
        };
        window.onServe = [&] {
            long remaining = 0;
            if (!remainingFrames(s.statusText.str(), remaining)) return;
            if (s.currentTrack != shownTrack) {
                shownTrack = s.currentTrack;
                progress.begin("Track " + std::to_string(shownTrack));
            }
            const double total = trackFrames(shownTrack);
            progress.update(total - double(remaining), total, 75.0);
        };
        window.sendCommand(ID_PLAY);
        window.onServe = nullptr;
        progress.end("done");
        prog.awaitVerification(60000);
    } catch (const Interrupted&) {
        interrupted = true;
        window.onServe = nullptr;
        progress.end("stopped; its unfinished file is removed");
        // What was ripped to the end stays, and the log says so.
        WriteRipLog(*prog.app);
    }

    // The results, track by track.
    const ArState ar = AccurateRipStateOf(s);
    bool failed = false, readErrors = false, notConfirmed = false;
    for (int t : tracks) {
        auto it = s.rippedTracks.find(t);
        if (it == s.rippedTracks.end()) {
            if (!interrupted) std::cout << "Track " << t << ": not ripped\n";
            failed = true;
            continue;
        }
        const TrackRipRecord& r = it->second;
        std::string file = r.file;
        if (o.format != "wav") {
            const OutputFormat format = formatOf(o.format);
            file = format == OutputFormat::Mp3 ? mp3NameFor(r.file) : EncodedNameFor(format, r.file);
            if (!fs::exists(file, ec)) {
                std::cout << "Track " << t << ": " << r.file << ": not converted to " << formatName(format) << "\n";
                failed = true;
                continue;
            }
        }
        const std::string verdict = r.verdict.empty() ? "Not verified" : r.verdict;
        std::cout << "Track " << t << ": " << file << ": " << verdict;
        if (!r.ctdbVerdict.empty()) std::cout << "; CTDB: " << r.ctdbVerdict;
        if (r.unreadable > 0) std::cout << "; " << r.unreadable << " frames unreadable, written as silence";
        // Passes that never agreed leave a copy nothing vouches for: a read error.
        if (r.passesDisagree()) std::cout << "; Test and Copy: the passes differ";
        std::cout << "\n";
        if (r.unreadable > 0 || r.passesDisagree()) readErrors = true;
        if (ar.known && verdict.rfind("Accurately ripped", 0) != 0) notConfirmed = true;
    }
    if (!s.rippedTracks.empty()) {
        if (!ar.known) std::cout << "Not verified: AccurateRip: " << ar.status << "\n";
        const std::string folder = fs::path(s.rippedTracks.rbegin()->second.file).parent_path().string();
        const std::string log =
            DiscFilePath(*prog.app, folder, ".log", kRipLogFirstLine, RipLogIdLine(DiscIdsOf(s.toc)));
        if (!log.empty() && fs::exists(log, ec)) std::cout << "Log: " << log << "\n";
        // The cue sheet this run wrote: the disc's name, maybe numbered, written since the start.
        const std::string stem = DiscFileName(*prog.app);
        for (const auto& e : fs::directory_iterator(folder, ec))
            if (e.path().extension() == ".cue" && e.path().stem().string().rfind(stem, 0) == 0 &&
                e.last_write_time(ec) >= started)
                std::cout << "Cue sheet: " << e.path().string() << "\n";
    }
    prog.shutDown();
    if (interrupted) return kInterrupted;
    if (failed) return kFailed;
    if (readErrors) return kReadErrors;
    if (notConfirmed) return kNotConfirmed;
    return kDone;
}

}  // namespace wl::cli
