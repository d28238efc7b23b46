#include "verify/Verification.h"

#include <filesystem>
#include <utility>

#include "app/Display.h"
#include "app/ServiceSite.h"
#include "app/WebText.h"
#include "verify/AccurateRip.h"
#include "verify/CtdbCheck.h"
#include "verify/DatabaseAnswer.h"
#include "verify/RipLog.h"

namespace wl {
namespace {

namespace fs = std::filesystem;

std::string cachePath(const AppState& s) {
    if (s.verify.cacheFolder.empty()) return {};
    return (fs::path(s.verify.cacheFolder) / fs::path(s.accurateRip.key).filename()).string();
}

// Every ripped track's verdict from the answer; the number accurately ripped.
int applyVerdicts(AppState& s, const DiscIds& ids) {
    const AccurateRipLookup& lookup = s.accurateRip;
    std::optional<std::vector<DbarRecord>> records;
    if (lookup.found) records = ParseDbar(lookup.bytes, ids.audioTracks, ids.arId1, ids.arId2, ids.freedb);
    int accurate = 0;
    for (auto& [track, r] : s.rippedTracks) {
        // The hidden first track is no track of the table, and the database has no record of it.
        if (track < 1) {
            r.verdict = "Not verified (AccurateRip has no hidden tracks)";
            continue;
        }
        ArVerdict verdict;
        if (records) {
            verdict = VerdictFor(*records, AudioIndexOf(s.toc, track), r.v1, r.v2);
        } else if (lookup.unknown) {
            verdict.kind = ArVerdict::NotInDatabase;
        } else if (lookup.found) {
            // A whole answer that is not this disc's records (a network's sign-in page) proves nothing.
            verdict.why = "AccurateRip " + WebFailureClause(WebStatus::NotExpected, 0);
        } else {
            verdict.why = lookup.why;
        }
        r.verdict = VerdictText(verdict);
        // A copy whose passes never agreed is not called good, whatever matched.
        if (r.passesDisagree()) r.verdict = "Not proven (the Test and Copy passes differ): " + r.verdict;
        else if (verdict.kind == ArVerdict::Accurate) ++accurate;
    }
    return accurate;
}

void settle(App& app, bool tell) {
    AppState& s = app.s;
    const int accurate = applyVerdicts(s, DiscIdsOf(s.toc));
    WriteRipLog(app);
    if (!tell || s.rippedTracks.empty()) return;
    // Once, where the user looks after a rip; the next status replaces it.
    const bool idle = s.batchCount == 0 && s.recording == 0 && s.converting == 0;
    if (idle)
        setStatus(app, "AccurateRip: " + std::to_string(accurate) + " of " + std::to_string(s.rippedTracks.size()) +
                           " tracks accurately ripped");
}

}  // namespace

VerifyConfig VerifyConfigFromEnvironment() {
    ServiceSite site = ServiceSiteFromEnvironment("WAVELATHE_ACCURATERIP_URL", VerifyConfig{}.databaseUrl, "accuraterip");
    return {std::move(site.baseUrl), std::move(site.cacheFolder)};
}

void VerifyRippedTracks(App& app) {
    AppState& s = app.s;
    VerifyWithCtdb(app);
    const DiscIds ids = DiscIdsOf(s.toc);
    if (ids.audioTracks == 0) return;
    const std::string key = AccurateRipPath(ids.audioTracks, ids.arId1, ids.arId2, ids.freedb);
    if (s.accurateRip.key == key) {
        if (s.accurateRip.answered) settle(app, false);
        return;
    }
    s.accurateRip = {};
    s.accurateRip.key = key;
    if (TakeKeptAnswer(cachePath(s), s.accurateRip)) {
        settle(app, true);
        return;
    }
    // The switch for online lookups covers the database of rips too.
    if (!app.p.accurateRip || s.lookupsOff) {
        AnswerUnasked(s.accurateRip, s.lookupsOff);
        settle(app, false);
        return;
    }
    std::string url = s.verify.databaseUrl;
    while (!url.empty() && url.back() == '/') url.pop_back();
    app.p.accurateRip->fetch(url + "/" + key, [app = &app, key](WebAnswer answer) {
        AppState& s = app->s;
        if (app->destroyed || s.accurateRip.key != key) return;  // another disc by now
        TakeWebAnswer(s.accurateRip, std::move(answer), "AccurateRip");
        const DiscIds ids = DiscIdsOf(s.toc);
        if (s.accurateRip.found && ParseDbar(s.accurateRip.bytes, ids.audioTracks, ids.arId1, ids.arId2, ids.freedb))
            KeepAnswer(cachePath(s), s.accurateRip.bytes);
        settle(*app, true);
    });
}

}  // namespace wl
