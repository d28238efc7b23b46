// wavelathe info: what the program knows of the disc once it has read it, as the Disc
// Information dialog shows it, in text or as one JSON object.
#include <nlohmann/json.hpp>

#include <cstdio>
#include <iostream>

#include "cli/Cli.h"
#include "cli/CliProgram.h"
#include "cli/Subcommands.h"
#include "disc/DiscIds.h"
#include "disc/DiscNames.h"
#include "disc/OnlineNames.h"
#include "verify/AccurateRip.h"
#include "verify/Ctdb.h"
#include "verify/RipLog.h"

namespace wl::cli {

namespace {

using nlohmann::ordered_json;

std::string msf(uint32_t frames) {
    char text[16];
    std::snprintf(text, sizeof text, "%02u:%02u.%02u", frames / 4500, frames / 75 % 60, frames % 75);
    return text;
}

// The CUETools database's form of the table: every track's start, data tracks marked with
// "-", then the lead-out, separated by ":".
std::string ctdbToc(const DiscToc& toc) {
    std::string text;
    for (const TocTrack& t : toc.tracks) text += (t.data ? "-" : "") + std::to_string(t.start) + ":";
    return text + std::to_string(toc.leadOut);
}

ordered_json namesJson(const DiscNames& n) {
    ordered_json j;
    j["source"] = NameSourceText(n.source);
    j["album"] = n.album;
    j["album_artist"] = n.albumArtist;
    j["year"] = n.year;
    j["genre"] = n.genre;
    j["tracks"] = ordered_json::array();
    for (const TrackName& t : n.tracks) j["tracks"].push_back({{"title", t.title}, {"artist", t.performer}});
    return j;
}

// What the CTDB answered for the disc, as AccurateRip's state is said: known when it holds entries.
ArState ctdbStateOf(const AppState& s) {
    ArState a;
    const CtdbLookup& l = s.ctdb;
    const auto entries = l.found ? ParseCtdbAnswer(l.bytes) : std::nullopt;
    a.known = entries && !entries->empty();
    if (a.known) a.status = "known (" + std::to_string(entries->size()) + (entries->size() == 1 ? " entry)" : " entries)");
    else if (l.found || l.unknown) a.status = "not in the database";
    else a.status = l.why.empty() ? "not asked" : l.why;
    return a;
}

// A track's ISRC as the disc's subchannel gives it; "" when none is known.
std::string isrcOf(const PressedLayout& p, int track) {
    for (const PressedTrack& t : p.tracks)
        if (t.number == track) return t.isrc;
    return "";
}

}  // namespace

ArState AccurateRipStateOf(const AppState& s) {
    ArState a;
    const AccurateRipLookup& l = s.accurateRip;
    const DiscIds ids = DiscIdsOf(s.toc);
    a.known = l.found && ParseDbar(l.bytes, ids.audioTracks, ids.arId1, ids.arId2, ids.freedb).has_value();
    if (a.known) a.status = "known";
    else if (l.found || l.unknown) a.status = "not in the database";
    else a.status = l.why.empty() ? "not asked" : l.why;
    return a;
}

int RunInfo(const InfoOptions& o, const std::atomic<bool>& stop) {
    ProgramOptions po{o.source.disc, o.source.settings, !o.source.noLookup};
    CliProgram prog(po);
    if (!prog.refused().empty()) {
        std::cerr << "wavelathe: " << prog.refused() << "\n";
        return kUsage;
    }
    prog.window.stopRequested = &stop;
    prog.window.onMessage = [](const ShownMessage& m) { std::cerr << "wavelathe: " << m.caption << ": " << m.text << "\n"; };
    int driveIndex = -1;
    if (!o.source.drive.empty() && (driveIndex = prog.cdrom->listIndexOf(o.source.drive)) < 0) {
        std::cerr << "wavelathe: there is no CD drive \"" << o.source.drive << "\"\n";
        return kUsage;
    }
    if (!o.source.disc.empty()) driveIndex = 0;
    try {
        if (!prog.create()) {
            std::cerr << "wavelathe: the program did not start\n";
            return kFailed;
        }
        if (o.source.noLookup) prog.s().lookupsOff = 1;
        std::string why;
        if (!prog.readDisc(driveIndex, why)) {
            std::cerr << "wavelathe: " << why << "\n";
            return kFailed;
        }
        prog.askAccurateRip();
        prog.awaitVerification(60000);
    } catch (const Interrupted&) {
        return kInterrupted;
    }

    AppState& s = prog.s();
    const DiscRecord& d = s.disc;
    DiscToc toc;
    if (!ParseBlockToc(s.toc, toc)) {
        std::cerr << "wavelathe: the disc's table of contents cannot be read\n";
        return kFailed;
    }
    const AccurateRipIds ar = AccurateRipIdsOf(toc);
    const uint32_t freedb = FreedbId(toc);
    char arId[40];
    std::snprintf(arId, sizeof arId, "%03d-%08x-%08x-%08x", ar.audioTracks, ar.id1, ar.id2, freedb);
    const ArState arState = AccurateRipStateOf(s);
    const ArState ctdbState = ctdbStateOf(s);
    const PressedLayout& pressed = d.pressed;
    const bool codes = pressed.known && pressed.codesRead;
    const DiscText cdText = prog.cdText->readCdText(s.cdHandle);
    const DiscNames cdNames = NamesFromCdText(cdText, toc.lastTrack);

    if (o.json) {
        ordered_json j;
        j["first_track"] = toc.firstTrack;
        j["last_track"] = toc.lastTrack;
        j["lead_out"] = toc.leadOut;
        j["tracks"] = ordered_json::array();
        for (size_t i = 0; i < toc.tracks.size(); ++i) {
            const uint32_t end = i + 1 < toc.tracks.size() ? toc.tracks[i + 1].start : toc.leadOut;
            ordered_json t;
            t["number"] = toc.firstTrack + int(i);
            t["start"] = toc.tracks[i].start;
            t["length"] = end - toc.tracks[i].start;
            t["data"] = toc.tracks[i].data;
            const size_t n = size_t(toc.firstTrack) + i;
            t["title"] = n >= 1 && n <= d.names.tracks.size() ? d.names.tracks[n - 1].title : "";
            t["artist"] = n >= 1 && n <= d.names.tracks.size() ? d.names.tracks[n - 1].performer : "";
            const std::string isrc = isrcOf(pressed, toc.firstTrack + int(i));
            t["isrc"] = isrc.empty() ? ordered_json(nullptr) : ordered_json(isrc);
            j["tracks"].push_back(t);
        }
        j["ids"] = {{"musicbrainz", d.id.musicBrainzId},
                    {"freedb", Hex8(freedb)},
                    {"accuraterip", arId},
                    {"ctdb_toc", ctdbToc(toc)},
                    {"musicbrainz_toc", d.id.musicBrainzToc},
                    {"submission_url", d.id.submissionUrl}};
        j["mcn"] = pressed.mcn.empty() ? ordered_json(nullptr) : ordered_json(pressed.mcn);
        j["codes_read"] = codes;
        j["cd_text"] = cdText.tracks.empty() ? ordered_json(nullptr) : namesJson(cdNames);
        j["names"] = namesJson(d.names);
        j["lookup"] = d.lookupStatus.empty() ? std::string(s.lookupsOff || o.source.noLookup ? "off" : "not asked")
                                             : d.lookupStatus;
        j["releases"] = ordered_json::array();
        for (const LookupRelease& r : d.releases) {
            ordered_json rel{{"id", r.id},       {"title", r.title},     {"artist", r.artist},
                             {"year", r.year},   {"country", r.country}, {"label", r.label}};
            rel["tracks"] = ordered_json::array();
            for (const LookupTrack& t : r.tracks) rel["tracks"].push_back({{"title", t.title}, {"artist", t.artist}});
            j["releases"].push_back(rel);
        }
        j["chosen_release"] = d.releases.empty() ? ordered_json(nullptr) : ordered_json(d.releases[d.chosenRelease].id);
        j["accuraterip"] = {{"known", arState.known}, {"status", arState.status}};
        j["ctdb"] = {{"known", ctdbState.known}, {"status", ctdbState.status}};
        std::cout << j.dump(2) << "\n";
        return kDone;
    }

    std::cout << "Table of contents\n  Track |   Start  |  Length  | Start sector\n";
    for (size_t i = 0; i < toc.tracks.size(); ++i) {
        const uint32_t end = i + 1 < toc.tracks.size() ? toc.tracks[i + 1].start : toc.leadOut;
        char row[96];
        std::snprintf(row, sizeof row, "  %5d | %s | %s | %12u%s\n", toc.firstTrack + int(i),
                      msf(toc.tracks[i].start).c_str(), msf(end - toc.tracks[i].start).c_str(), toc.tracks[i].start,
                      toc.tracks[i].data ? "  (data)" : "");
        std::cout << row;
    }
    std::cout << "  Lead-out: " << toc.leadOut << "\n\n";
    if (!codes) {
        std::cout << "ISRCs and catalog number: not read\n";
    } else {
        std::cout << "Catalog number (MCN): " << (pressed.mcn.empty() ? "(none)" : pressed.mcn) << "\n";
        bool any = false;
        for (size_t i = 0; i < toc.tracks.size(); ++i) {
            const int number = toc.firstTrack + int(i);
            const std::string isrc = isrcOf(pressed, number);
            if (isrc.empty()) continue;
            if (!any) std::cout << "ISRCs:\n";
            any = true;
            std::cout << "  " << number << ". " << isrc << "\n";
        }
        if (!any) std::cout << "ISRCs: none\n";
    }
    std::cout << "\n";
    std::cout << "MusicBrainz disc ID: " << (d.id.musicBrainzId.empty() ? "(none)" : d.id.musicBrainzId) << "\n";
    std::cout << "freedb ID: " << Hex8(freedb) << "\n";
    std::cout << "AccurateRip ID: " << arId << "\n";
    std::cout << "CTDB TOC: " << ctdbToc(toc) << "\n";
    std::cout << "AccurateRip: " << arState.status << "\n";
    std::cout << "CTDB: " << ctdbState.status << "\n\n";
    auto printNames = [](const char* heading, const DiscNames& n) {
        std::cout << heading << "\n";
        if (!n.album.empty()) std::cout << "  Album: " << n.album << "\n";
        if (!n.albumArtist.empty()) std::cout << "  Artist: " << n.albumArtist << "\n";
        if (!n.year.empty()) std::cout << "  Year: " << n.year << "\n";
        for (size_t t = 0; t < n.tracks.size(); ++t) {
            std::cout << "  " << (t + 1) << ". " << n.tracks[t].title;
            if (!n.tracks[t].performer.empty()) std::cout << " / " << n.tracks[t].performer;
            std::cout << "\n";
        }
    };
    if (cdText.tracks.empty()) std::cout << "CD-Text: none\n";
    else printNames("CD-Text:", cdNames);
    std::cout << (d.lookupStatus.empty() ? "MusicBrainz: not asked" : d.lookupStatus) << "\n";
    for (size_t i = 0; i < d.releases.size(); ++i)
        std::cout << (i == d.chosenRelease ? "  * " : "    ") << d.releases[i].id << "  " << ReleaseText(d.releases[i])
                  << "\n";
    if (!d.names.empty()) {
        std::cout << "\n";
        printNames((std::string("Names in use (") + NameSourceText(d.names.source) + "):").c_str(), d.names);
    }
    return kDone;
}

}  // namespace wl::cli
