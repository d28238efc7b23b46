#pragma once
// What the program knows of the disc in the drive beyond its tracks' lengths: its identity
// and the names of its tracks. Plain values; disc/ reads and fills them.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/CdLayout.h"
#include "platform/DiscLookup.h"
#include "platform/Tags.h"

namespace wl {

enum class NameSource { None, CdText, Online, Edited };

struct TrackName {
    std::string title, performer;
    std::string composer;  // CD-Text's composer, else its songwriter; carried into the tag
    bool operator==(const TrackName&) const = default;
};

struct DiscNames {
    NameSource source = NameSource::None;
    std::string albumArtist, album, year, genre;
    std::vector<TrackName> tracks;  // [n - 1] is track n; may be shorter than the disc
    int discNumber = 0, discCount = 0;  // this disc in its set, as the service knows it (0: unknown)
    bool empty() const;
};

struct DiscIdentity {
    bool known = false;           // a table of contents was read
    int firstTrack = 0, lastTrack = 0, audioTracks = 0;
    uint32_t freedbId = 0, accurateRipId1 = 0, accurateRipId2 = 0;
    std::string musicBrainzId;    // empty when no calculator is wired or it refused the table
    std::string submissionUrl;
    std::string musicBrainzToc;   // "first last lead-out offsets...", for a search by layout
};

struct DiscRecord {
    DiscIdentity id;
    DiscNames cdText, online, edited;
    // The names in effect, track by track from the first source that has them.
    DiscNames names;
    // The last name the program itself put into the name box: only that one (or "untitled")
    // may be replaced by the next track's name.
    std::string shownName;
    // Where the user's edits are kept, one file per MusicBrainz disc ID ("" = not kept).
    std::string editsFolder;
    // The online lookup's answer: every release found, the one in use, or why there is none.
    bool lookedUp = false;
    std::vector<LookupRelease> releases;
    size_t chosenRelease = 0;
    std::string lookupStatus;
    // Releases that came while the program was busy (a recording, a rip, a batch, a
    // conversion): they name nothing until it is idle again.
    bool answerWaiting = false;
    // Told when an answer arrives: the Disc Information dialog while it is open.
    std::function<void()> onLookupAnswer;
    // The disc as pressed: pregaps, codes, flags; and the hidden first track's length in
    // blocks when it holds sound (0: none, or digital silence).
    PressedLayout pressed;
    uint32_t hiddenFrames = 0;
    bool hiddenUnreadable = false;  // the blocks before track 1 could not be read
    // The chosen release's front cover once fetched (JPEG or PNG bytes), and where covers
    // come from and are kept.
    std::string coverRelease, coverMime, coverBytes;
    // A cover that came during work: every file of the work carries the same cover, or none.
    std::string waitingCoverRelease, waitingCoverMime, waitingCoverBytes;
    // Told when the cover in use changes: the Disc Information dialog while it is open.
    std::function<void()> onCover;
    std::string coverArtBase, coverCacheFolder;
    // The disc file that could not be written, once told ("what\npath"): told once, not per track.
    std::string reportedFileFailure;
    // The tag for the next conversion of a CD track; taken (and cleared) as it starts.
    std::optional<Mp3Tag> pendingTag;

    // Forgets the cover in use and any that waits; tells no one.
    void dropCover();
};

inline bool DiscNames::empty() const {
    if (!albumArtist.empty() || !album.empty() || !year.empty()) return false;
    for (const TrackName& t : tracks)
        if (!t.title.empty() || !t.performer.empty()) return false;
    return true;
}

inline void DiscRecord::dropCover() {
    coverRelease.clear();
    coverMime.clear();
    coverBytes.clear();
    waitingCoverRelease.clear();
    waitingCoverMime.clear();
    waitingCoverBytes.clear();
}

}  // namespace wl
