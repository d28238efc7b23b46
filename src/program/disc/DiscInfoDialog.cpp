#include "disc/DiscInfoDialog.h"

#include <algorithm>

#include "disc/DiscNames.h"
#include "disc/DiscSession.h"
#include "disc/OnlineNames.h"
#include "disc/PressedDisc.h"
#include "resources/Templates.h"

namespace wl {

namespace {

constexpr size_t kNameChars = 255;
constexpr size_t kYearChars = 4;

std::string twoDigits(int n) { return (n < 10 ? "0" : "") + std::to_string(n); }

class DiscInfoProc : public DialogProc {
public:
    DiscInfoProc(App& app, int trackCount) : app_(app), names_(app.s.disc.names), count_(trackCount) {
        names_.tracks.resize(size_t(count_));
        shown_ = names_;
        keepRelease();
    }

    bool onInit(Dialog& dlg) override {
        dialog_ = &dlg;
        // An answer arriving while the dialog is open shows at once, in the fields not typed in.
        app_.s.disc.onLookupAnswer = [this] {
            keepRelease();
            showOnline(true);
        };
        // So does a cover fetched while it is open.
        app_.s.disc.onCover = [this] { dialog_->setImage(kDiscCoverImage, cover()); };
        showNames(dlg);
        showOnline(false);
        dlg.listSetHorizontalExtent(kDiscTrackList, 600);
        if (count_ > 0) select(dlg, 0);
        return true;
    }

    void showNames(Dialog& dlg) {
        dlg.setText(kDiscAlbumArtistEdit, names_.albumArtist);
        dlg.setText(kDiscAlbumEdit, names_.album);
        dlg.setText(kDiscYearEdit, names_.year);
        dlg.setText(kDiscSourceText, std::string("Names: ") + NameSourceText(app_.s.disc.names.source));
        dlg.listClear(kDiscTrackList);
        for (int t = 1; t <= count_; ++t) dlg.listAdd(kDiscTrackList, entry(t));
    }

    // The lookup's state; with newNames, the names it brought replace those shown.
    void showOnline(bool newNames) {
        Dialog& dlg = *dialog_;
        const DiscRecord& d = app_.s.disc;
        dlg.setText(kDiscLookupText, d.lookupStatus.empty() ? std::string(kNotLookedUp) : d.lookupStatus);
        dlg.listClear(kDiscReleaseList);
        for (const LookupRelease& r : d.releases) dlg.listAdd(kDiscReleaseList, ReleaseText(r));
        if (!d.releases.empty()) dlg.listSetCurSel(kDiscReleaseList, int(d.chosenRelease));
        dlg.enable(kDiscLookUpButton, app_.p.discLookup != nullptr && !d.id.musicBrainzId.empty() && !app_.s.lookupsOff);
        dlg.enable(kDiscSubmitButton, !d.id.submissionUrl.empty());
        dlg.setImage(kDiscCoverImage, cover());
        if (!newNames) return;
        // What the user typed stays; every field still as the dialog showed it takes the new name.
        readTyped(dlg);
        DiscNames now = d.names;
        now.tracks.resize(size_t(count_));
        auto take = [](std::string& field, const std::string& was, const std::string& fresh) {
            if (field == was) field = fresh;
        };
        take(names_.albumArtist, shown_.albumArtist, now.albumArtist);
        take(names_.album, shown_.album, now.album);
        take(names_.year, shown_.year, now.year);
        for (size_t t = 0; t < size_t(count_); ++t) {
            take(names_.tracks[t].title, shown_.tracks[t].title, now.tracks[t].title);
            take(names_.tracks[t].performer, shown_.tracks[t].performer, now.tracks[t].performer);
            if (names_.tracks[t].title == now.tracks[t].title && names_.tracks[t].performer == now.tracks[t].performer)
                names_.tracks[t].composer = now.tracks[t].composer;
        }
        names_.source = now.source;
        shown_ = now;
        showNames(dlg);
        if (count_ > 0) select(dlg, std::max(selected_, 0));
    }

    // Cancel (or a session's end) gives back the release in use before one was chosen here.
    void undoChoice() {
        if (!chose_) return;
        DiscRecord& d = app_.s.disc;
        d.online = before_.online;
        d.chosenRelease = before_.chosen;
        UseNames(app_);
    }

    bool onCommand(Dialog& dlg, int id, int code) override {
        if (id == kDiscTrackList && code == LBN_SELCHANGE) {
            // Read before the old entry is rewritten, which moves the selection back to it.
            const int at = dlg.listCurSel(kDiscTrackList);
            keepTrack(dlg);
            if (at >= 0) select(dlg, at);
            return true;
        }
        if (id == kDiscReleaseList && code == LBN_SELCHANGE) {
            const int at = dlg.listCurSel(kDiscReleaseList);
            if (at >= 0) {
                ChooseOnlineRelease(app_, size_t(at));
                chose_ = true;
            }
            showOnline(true);
            return true;
        }
        if (code != BN_CLICKED) return false;
        if (id == kDiscLookUpButton) {
            LookUpDiscOnline(app_, true);
            showOnline(false);
            return true;
        }
        if (id == kDiscSubmitButton) {
            const std::string& url = app_.s.disc.id.submissionUrl;
            if (!app_.p.desktop.openWebPage(url))
                showMessage(app_, "I can't open a web browser. The disc can be added to MusicBrainz at " + url,
                            "Disc Information");
            return true;
        }
        if (id == IDOK) return ok(dlg);
        if (id == IDCANCEL) {
            dlg.end(IDCANCEL);
            return true;
        }
        return false;
    }

    // Enter takes the track's typed title and artist into the list and keeps the dialog open.
    bool onEnterKey(Dialog& dlg) override {
        keepTrack(dlg);
        return true;
    }

private:
    static constexpr const char* kNotLookedUp = "MusicBrainz has not been asked about this disc.";
    App& app_;
    DiscNames names_;
    DiscNames shown_;  // the names as the program gave them to the dialog, before any typing
    int count_;
    int selected_ = -1;
    Dialog* dialog_ = nullptr;
    struct Release {
        DiscNames online;
        size_t chosen = 0;
    } before_;
    bool chose_ = false;

    // The release in effect, before the user chooses another in the dialog.
    void keepRelease() {
        before_ = {app_.s.disc.online, app_.s.disc.chosenRelease};
        chose_ = false;
    }

    // Everything typed so far, into names_.
    void readTyped(Dialog& dlg) {
        keepTrack(dlg);
        names_.albumArtist = CleanText(dlg.text(kDiscAlbumArtistEdit, kNameChars));
        names_.album = CleanText(dlg.text(kDiscAlbumEdit, kNameChars));
        names_.year = CleanText(dlg.text(kDiscYearEdit, kYearChars + 1), kYearChars);
    }

    // The cover the files get: the chosen release's, while lookups are on.
    std::string cover() const {
        const DiscRecord& d = app_.s.disc;
        const bool chosen = d.chosenRelease < d.releases.size() && d.coverRelease == d.releases[d.chosenRelease].id;
        return chosen && !app_.s.lookupsOff ? d.coverBytes : std::string();
    }

    std::string entry(int t) const {
        const TrackName& n = names_.tracks[size_t(t - 1)];
        const std::string length = app_.s.trackLengths[size_t(t)].str().substr(0, 5);
        std::string text = twoDigits(t) + "   " + (length.empty() ? "--:--" : length) + "   " + n.title;
        if (!n.performer.empty()) text += " / " + n.performer;
        // Mastered with pre-emphasis: the files keep it, so a player without de-emphasis plays it bright.
        if (const PressedTrack* p = PressedTrackOf(app_.s.disc, t); p != nullptr && p->preEmphasis)
            text += "   [pre-emphasis]";
        // What a rip of the track proved, without opening the log.
        if (auto it = app_.s.rippedTracks.find(t); it != app_.s.rippedTracks.end() && !it->second.verdict.empty())
            text += "   [" + it->second.verdict + "]";
        if (auto it = app_.s.rippedTracks.find(t); it != app_.s.rippedTracks.end() && !it->second.ctdbVerdict.empty())
            text += "   [CTDB: " + it->second.ctdbVerdict + "]";
        return text;
    }

    void select(Dialog& dlg, int at) {
        selected_ = at;
        dlg.listSetCurSel(kDiscTrackList, at);
        dlg.setText(kDiscTitleEdit, names_.tracks[size_t(at)].title);
        dlg.setText(kDiscArtistEdit, names_.tracks[size_t(at)].performer);
    }

    // The title and artist typed for the selected track, into its entry.
    void keepTrack(Dialog& dlg) {
        if (selected_ < 0 || selected_ >= count_) return;
        TrackName& n = names_.tracks[size_t(selected_)];
        n.title = CleanText(dlg.text(kDiscTitleEdit, kNameChars));
        n.performer = CleanText(dlg.text(kDiscArtistEdit, kNameChars));
        const int at = selected_;
        listReplaceAt(dlg, kDiscTrackList, at, entry(at + 1));
        dlg.listSetCurSel(kDiscTrackList, at);
    }

    bool ok(Dialog& dlg) {
        readTyped(dlg);
        names_.source = NameSource::Edited;
        dlg.end(IDOK);
        DiscRecord& d = app_.s.disc;
        // OK with nothing changed leaves the names where they came from: a later lookup or
        // another release may still rename the disc, and its tags still name the release.
        DiscNames inEffect = d.names;
        inEffect.tracks.resize(names_.tracks.size());
        if (names_.albumArtist == inEffect.albumArtist && names_.album == inEffect.album &&
            names_.year == inEffect.year && names_.tracks == inEffect.tracks)
            return true;
        d.edited = names_;
        if (d.edited.empty()) d.edited.source = NameSource::None;
        std::string why;
        if (!d.id.musicBrainzId.empty() && !SaveEditedNames(d.editsFolder, d.id.musicBrainzId, d.edited, why))
            showMessage(app_, "I can't keep the disc's names for its next time in the drive (" + why +
                                  "). They are used until the disc is taken out.",
                        "Disc Information");
        UseNames(app_);
        return true;
    }
};

}  // namespace

void DiscInformationCommand(App& app) {
    AppState& s = app.s;
    // Names change what a running recording or conversion would be called and tagged.
    if (s.recording == 1 || s.converting != 0 || s.cdPlaying == 1) return;
    const int count = std::clamp(s.disc.id.known ? s.disc.id.lastTrack : s.trackCount, 0, int(kMaxTracks));
    // An answer kept back during the work just ended names the disc before the dialog shows it.
    UseWaitingAnswer(app);
    DiscInfoProc proc(app, count);
    const int result = app.p.window.runDialog(DiscInfoTemplate(), proc);
    s.disc.onLookupAnswer = nullptr;
    s.disc.onCover = nullptr;
    if (result != IDOK) proc.undoChoice();
}

}  // namespace wl
