#include "disc/OnlineNames.h"

#include "app/WebText.h"
#include "disc/DiscNames.h"
#include "disc/DiscSession.h"
#include "cover/CoverArt.h"

namespace wl {

void ChooseOnlineRelease(App& app, size_t index) {
    DiscRecord& d = app.s.disc;
    if (index >= d.releases.size()) return;
    d.chosenRelease = index;
    const LookupRelease& r = d.releases[index];
    DiscNames online;
    online.source = NameSource::Online;
    online.album = CleanText(r.title);
    online.albumArtist = CleanText(r.artist);
    online.year = CleanText(r.year, 4);
    if (r.discNumber >= 1 && r.discNumber <= r.discCount) {
        online.discNumber = r.discNumber;
        online.discCount = r.discCount;
    }
    for (const LookupTrack& t : r.tracks) {
        TrackName n;
        n.title = CleanText(t.title);
        n.performer = CleanText(t.artist);
        online.tracks.push_back(n);
    }
    d.online = online;
    UseNames(app);
    FetchFrontCover(app);
}

std::string ReleaseText(const LookupRelease& r) {
    std::string text = r.title.empty() ? "(untitled)" : r.title;
    for (const std::string* part : {&r.artist, &r.year, &r.country, &r.label})
        if (!part->empty()) text += " / " + *part;
    return text;
}

void UseWaitingAnswer(App& app) {
    DiscRecord& d = app.s.disc;
    if (!ProgramIdle(app)) return;
    UseWaitingCover(app);
    if (!d.answerWaiting) return;
    d.answerWaiting = false;
    // The disc may have gone, or another come, while the work kept the drive unwatched.
    if (!DiscStillInDrive(app)) {
        d.releases.clear();
        d.lookupStatus.clear();
        return;
    }
    ChooseOnlineRelease(app, 0);
    if (d.onLookupAnswer) d.onLookupAnswer();
}

void LookUpDiscOnline(App& app, bool refresh) {
    AppState& s = app.s;
    DiscRecord& d = s.disc;
    if (s.lookupsOff || app.p.discLookup == nullptr || d.id.musicBrainzId.empty()) return;
    d.lookedUp = true;
    d.lookupStatus = "Asking MusicBrainz about this disc...";
    const std::string discId = d.id.musicBrainzId;
    app.p.discLookup->lookup(discId, d.id.musicBrainzToc, refresh, [app = &app, discId](LookupAnswer answer) {
        DiscRecord& d = app->s.disc;
        if (app->destroyed || d.id.musicBrainzId != discId) return;  // another disc by now
        d.releases = std::move(answer.releases);
        d.chosenRelease = 0;
        d.answerWaiting = false;
        if (answer.status == WebStatus::Ok && !d.releases.empty()) {
            d.lookupStatus = "MusicBrainz knows " + std::to_string(d.releases.size()) +
                             (d.releases.size() == 1 ? " release" : " releases") + " of this disc.";
            // Names change what the work under way is called and tagged: they wait for its end.
            if (ProgramIdle(*app))
                ChooseOnlineRelease(*app, 0);
            else
                d.answerWaiting = true;
        } else {
            d.releases.clear();
            d.lookupStatus = WebFailureSentence("MusicBrainz", answer.status, answer.http);
        }
        if (d.onLookupAnswer) d.onLookupAnswer();
    });
}

}  // namespace wl
