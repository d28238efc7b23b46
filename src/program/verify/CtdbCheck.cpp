#include "verify/CtdbCheck.h"

#include <cstdio>
#include <filesystem>
#include <utility>

#include "app/ServiceSite.h"
#include "verify/Ctdb.h"
#include "verify/DatabaseAnswer.h"
#include "verify/RipLog.h"

namespace wl {
namespace {

namespace fs = std::filesystem;

// One file per disc, named by its AccurateRip IDs: the toc text itself may be too long for a name.
std::string cachePath(const AppState& s) {
    if (s.ctdbConfig.cacheFolder.empty()) return {};
    const DiscIds ids = DiscIdsOf(s.toc);
    char name[64];
    std::snprintf(name, sizeof name, "ctdb-%03u-%08x-%08x-%08x.xml", ids.audioTracks % 1000, ids.arId1, ids.arId2,
                  ids.freedb);
    return (fs::path(s.ctdbConfig.cacheFolder) / name).string();
}

void settle(App& app) {
    AppState& s = app.s;
    const CtdbLookup& lookup = s.ctdb;
    std::optional<std::vector<CtdbEntry>> entries;
    if (lookup.found) entries = ParseCtdbAnswer(lookup.bytes);
    for (auto& [track, r] : s.rippedTracks) {
        CtdbVerdict verdict;
        if (entries) {
            verdict = CtdbVerdictFor(*entries, AudioIndexOf(s.toc, track), r.ctdbCrc);
        } else if (lookup.found || lookup.unknown) {
            verdict.kind = CtdbVerdict::NotInDatabase;  // an answer that is not CTDB's says no more than a 404
        } else {
            verdict.why = lookup.why;
        }
        r.ctdbVerdict = CtdbVerdictText(verdict);
        if (r.passesDisagree()) r.ctdbVerdict = "not proven (the Test and Copy passes differ): " + r.ctdbVerdict;
    }
    WriteRipLog(app);
}

}  // namespace

CtdbConfig CtdbConfigFromEnvironment() {
    ServiceSite site = ServiceSiteFromEnvironment("WAVELATHE_CTDB_URL", CtdbConfig{}.databaseUrl, "ctdb");
    return {std::move(site.baseUrl), std::move(site.cacheFolder)};
}

void VerifyWithCtdb(App& app) {
    AppState& s = app.s;
    const std::string key = CtdbTocText(s.toc);
    if (key.empty() || DiscIdsOf(s.toc).audioTracks == 0) {
        s.ctdb = {};
        s.ctdb.answered = true;  // nothing to ask about
        return;
    }
    if (s.ctdb.key == key) {
        if (s.ctdb.answered) settle(app);
        return;
    }
    s.ctdb = {};
    s.ctdb.key = key;
    if (TakeKeptAnswer(cachePath(s), s.ctdb)) {
        settle(app);
        return;
    }
    if (!app.p.ctdb || s.lookupsOff) {
        AnswerUnasked(s.ctdb, s.lookupsOff);
        settle(app);
        return;
    }
    app.p.ctdb->fetch(CtdbLookupUrl(s.ctdbConfig.databaseUrl, key), [app = &app, key](WebAnswer answer) {
        AppState& s = app->s;
        if (app->destroyed || s.ctdb.key != key) return;  // another disc by now
        TakeWebAnswer(s.ctdb, std::move(answer), "CTDB");
        // Only an answer with entries is kept: a disc not there yet may be there next time.
        if (const auto entries = s.ctdb.found ? ParseCtdbAnswer(s.ctdb.bytes) : std::nullopt; entries && !entries->empty())
            KeepAnswer(cachePath(s), s.ctdb.bytes);
        settle(*app);
    });
}

}  // namespace wl
