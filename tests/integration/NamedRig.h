#pragma once
// The program on its real adapters with the disc's names: CD-Text and disc IDs read, tags
// written, names looked up at a local stand-in of the service, the name box read back.
#include <memory>
#include <string>

#include "Rig.h"
#include "adapters/cdrom/LibcdioCdText.h"
#include "adapters/discid/LibDiscId.h"
#include "adapters/musicbrainz/MusicBrainzLookup.h"
#include "adapters/tags/TagLibWriter.h"
#include "disc/DiscSession.h"
#include "record/TrackBatch.h"

namespace wl::e2e {

struct NamedRig : Rig {
    LibcdioCdText cdText{cdrom};
    LibDiscId discId;
    TagLibWriter realTags;
    explicit NamedRig(TagWriter* tags = nullptr, bool convertToMp3 = true, const std::string& disc = "", int mode = RipFromCd)
        : Rig(mode, {.convertToMp3 = convertToMp3, .disc = disc}) {
        app->p.cdText = &cdText;
        app->p.discId = &discId;
        app->p.tags = tags ? tags : &realTags;
        s().disc.editsFolder = folder() + "discs";
    }
    std::unique_ptr<MusicBrainzLookup> lookup;
    // The window goes first: then no lookup thread can be waiting for it when it is joined.
    ~NamedRig() {
        if (app && !app->destroyed) window.destroy();
    }
    // Names from the local stand-in of the service; its answers kept in `cache`.
    void lookUpAt(const std::string& url, const std::string& cache) {
        MusicBrainzOptions options;
        options.baseUrl = url;
        options.cacheFolder = cache;
        options.http.userAgent = "Wavelathe/test ( https://wavelathe.invalid/ )";
        lookup = std::make_unique<MusicBrainzLookup>(window, options);
        app->p.discLookup = lookup.get();
    }
    std::string box() { return window.controlText(ID_SONG_NAME_EDIT, 300); }
    // Rips the current track under the name in the box, into the rig's folder.
    void ripShownName() {
        s().savePath = folder();
        rip(box());
    }
    // Rips tracks 1 to 4 as a Tracks to Record batch under their names into `into`.
    void ripAll(const std::string& into) {
        s().savePath = into;
        for (int t = 1; t <= 4; ++t) {
            s().selectionTracks[size_t(t - 1)] = t;
            s().trackNames[size_t(t)] = TrackFileNameOf(*app, t, kTrackNameChars);
        }
        s().batchCount = 4;
        s().batchIndex = 0;
        s().currentTrack = 1;
        rip(s().trackNames[1].str() + ".wav");
    }
};

}  // namespace wl::e2e
