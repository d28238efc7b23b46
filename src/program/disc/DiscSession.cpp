#include "disc/DiscSession.h"

#include <cstring>

#include "app/OutputFormat.h"
#include "app/Commands.h"
#include "app/Paths.h"
#include "disc/DiscIds.h"
#include "disc/DiscNames.h"
#include "disc/OnlineNames.h"
#include "disc/PressedDisc.h"

namespace wl {

namespace {

// The extension every name the program shows carries: the rules that read a name's last dot
// then read it, never a dot of the title.
constexpr const char* kShownExtension = ".wav";

void readIdentity(App& app, DiscToc& toc) {
    DiscRecord& d = app.s.disc;
    uint8_t raw[kTocSize] = {};
    // Block addresses: every other reader of the table names the form it wants first.
    app.p.cdrom.ModifyCDParms(app.s.cdHandle, kCdParmAddressing, 0);
    if (app.p.cdrom.ReadTOC(app.s.cdHandle, raw) != 1 || !ParseBlockToc(raw, toc)) return;
    d.id.known = true;
    d.id.firstTrack = toc.firstTrack;
    d.id.lastTrack = toc.lastTrack;
    d.id.freedbId = FreedbId(toc);
    const AccurateRipIds ar = AccurateRipIdsOf(toc);
    d.id.accurateRipId1 = ar.id1;
    d.id.accurateRipId2 = ar.id2;
    d.id.audioTracks = ar.audioTracks;
    if (app.p.discId != nullptr) {
        DiscIdResult result;
        const DiscIdInput input = MusicBrainzInput(toc);
        d.id.musicBrainzToc = std::to_string(input.firstTrack) + " " + std::to_string(input.lastTrack) + " " +
                              std::to_string(input.leadOut);
        for (int t = input.firstTrack; t >= 1 && t <= input.lastTrack && t < 100; ++t)
            d.id.musicBrainzToc += " " + std::to_string(input.offsets[size_t(t)]);
        if (app.p.discId->compute(input, result)) {
            d.id.musicBrainzId = result.musicBrainzId;
            d.id.submissionUrl = result.submissionUrl;
        }
    }
}

// The program's own name, also as a save or a conversion left it: in the save folder, with
// its ".wav", ".mp3", ".flac" or ".opus".
bool isShownName(const DiscRecord& d, const std::string& inBox) {
    if (d.shownName.empty()) return false;
    if (inBox == d.shownName) return true;
    const SplitPath parts = splitPath(inBox);
    return parts.base == splitPath(d.shownName).base && (parts.ext == ".wav" || isEncodedExtension(parts.ext));
}

}  // namespace

void ReadDiscNames(App& app) {
    ForgetDisc(app);
    if (app.s.cdHandle == 0) return;
    ReadPressedDisc(app);
    // Nothing wired that names a disc: the table is not read again.
    if (app.p.cdText == nullptr && app.p.discId == nullptr && app.p.tags == nullptr) return;
    DiscRecord& d = app.s.disc;
    DiscToc toc;
    readIdentity(app, toc);
    const int count = d.id.known ? d.id.lastTrack : app.s.trackCount;
    if (app.p.cdText != nullptr) d.cdText = NamesFromCdText(app.p.cdText->readCdText(app.s.cdHandle), count);
    d.edited = LoadEditedNames(d.editsFolder, d.id.musicBrainzId);
    UseNames(app);
    // The user's own names need nothing from the network.
    if (d.edited.empty()) LookUpDiscOnline(app, false);
}

bool DiscStillInDrive(App& app) {
    const DiscIdentity& id = app.s.disc.id;
    if (!id.known || app.s.cdHandle == 0) return false;
    uint8_t raw[kTocSize] = {};
    DiscToc toc;
    app.p.cdrom.ModifyCDParms(app.s.cdHandle, kCdParmAddressing, 0);
    if (app.p.cdrom.ReadTOC(app.s.cdHandle, raw) != 1 || !ParseBlockToc(raw, toc)) return false;
    const AccurateRipIds ar = AccurateRipIdsOf(toc);
    return toc.firstTrack == id.firstTrack && toc.lastTrack == id.lastTrack && FreedbId(toc) == id.freedbId &&
           ar.id1 == id.accurateRipId1 && ar.id2 == id.accurateRipId2;
}

void ForgetDisc(App& app) {
    DiscRecord& d = app.s.disc;
    d.id = DiscIdentity{};
    d.cdText = d.online = d.edited = d.names = DiscNames{};
    d.pendingTag.reset();
    d.pressed = PressedLayout{};
    d.hiddenFrames = 0;
    d.hiddenUnreadable = false;
    d.lookedUp = false;
    d.releases.clear();
    d.chosenRelease = 0;
    d.lookupStatus.clear();
    d.answerWaiting = false;
    d.reportedFileFailure.clear();
    if (app.p.discLookup) app.p.discLookup->stop();
    d.dropCover();
    if (app.p.coverArt) app.p.coverArt->stop();
}

std::string TrackFileNameOf(const App& app, int t, size_t limit) { return TrackFileName(app.s.disc.names, t, limit); }

void ShowTrackName(App& app) {
    AppState& s = app.s;
    DiscRecord& d = s.disc;
    const std::string inBox = app.p.window.controlText(ID_SONG_NAME_EDIT, kSongNameChars);
    const bool ours = inBox.empty() || inBox == "untitled" || isShownName(d, inBox);
    if (!ours) return;
    std::string name = TrackFileNameOf(app, s.currentTrack);
    // A disc without names leaves the box as it always was.
    if (name.empty()) {
        if (!isShownName(d, inBox)) return;
        name = "untitled";
    } else {
        name += kShownExtension;
    }
    if (name == inBox) return;
    d.shownName = name;
    s.songName = name;
    app.p.window.setControlText(ID_SONG_NAME_EDIT, name);
}

void UseNames(App& app) {
    DiscRecord& d = app.s.disc;
    d.names = MergeNames(d.edited, d.online, d.cdText);
    ShowTrackName(app);
}

void PrepareTrackTag(App& app, int t) {
    DiscRecord& d = app.s.disc;
    d.pendingTag.reset();
    if (app.p.tags == nullptr) return;
    const PressedTrack* pressed = PressedTrackOf(d, t);
    const std::string barcode = BarcodeOf(d.pressed.mcn);
    const bool codes = barcode.empty() && (pressed == nullptr || (pressed->isrc.empty() && !pressed->preEmphasis));
    if (d.names.empty() && d.id.musicBrainzId.empty() && codes) return;
    Mp3Tag tag;
    if (t >= 1 && size_t(t) <= d.names.tracks.size()) {
        tag.title = d.names.tracks[size_t(t - 1)].title;
        tag.artist = d.names.tracks[size_t(t - 1)].performer;
        tag.composer = d.names.tracks[size_t(t - 1)].composer;
    }
    if (tag.artist.empty()) tag.artist = d.names.albumArtist;
    tag.album = d.names.album;
    tag.albumArtist = d.names.albumArtist;
    tag.year = d.names.year;
    tag.genre = d.names.genre;
    tag.track = t;
    // A data track (of an enhanced CD) is no track of the album.
    tag.trackCount = d.id.known && d.id.audioTracks > 0 ? d.id.audioTracks : d.id.known ? d.id.lastTrack : app.s.trackCount;
    tag.disc = d.names.discNumber;
    tag.discCount = d.names.discCount;
    tag.musicBrainzDiscId = d.id.musicBrainzId;
    if (d.names.source == NameSource::Online && d.chosenRelease < d.releases.size()) {
        const LookupRelease& release = d.releases[d.chosenRelease];
        tag.musicBrainzReleaseId = release.id;
        tag.musicBrainzAlbumArtistId = release.artistId;
        if (t >= 1 && size_t(t) <= release.tracks.size()) {
            const LookupTrack& track = release.tracks[size_t(t - 1)];
            tag.musicBrainzReleaseTrackId = track.id;
            tag.musicBrainzRecordingId = track.recordingId;
            tag.musicBrainzArtistId = track.artistId;
        }
        if (!app.s.lookupsOff && d.coverRelease == release.id) {
            tag.coverMime = d.coverMime;
            tag.coverBytes = d.coverBytes;
        }
    }
    if (pressed != nullptr) {
        tag.isrc = pressed->isrc;
        tag.preEmphasis = pressed->preEmphasis;
    }
    tag.barcode = barcode;
    // The hidden track is no track of the table: it is named, never numbered.
    if (t == 0) {
        tag.title = kHiddenTrackName + 3;
        tag.track = 0;
    }
    d.pendingTag = tag;
}

}  // namespace wl
