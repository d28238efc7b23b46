#pragma once
// Port: the ID3v2.4 tag of an MP3 file.
//
// Contract:
// - writeTag puts the tag at the file's start (the audio frames, the encoder's info frame
//   first among them, stay as they are) and returns true; empty texts and zero numbers are
//   left out of the tag.
// - On any failure (unreadable file, read-only folder, full disk) it returns false with a
//   reason in `why`, and the file is exactly as it was before the call.
// - Called from the conversion worker; holds no state between calls.
#include <string>
#include <utility>
#include <vector>

namespace wl {

struct Mp3Tag {
    std::string title, artist, album, albumArtist, year, genre, composer;
    int track = 0, trackCount = 0;
    int disc = 0, discCount = 0;       // TPOS "n/N", for a disc of a set
    std::string musicBrainzDiscId;     // TXXX "MusicBrainz Disc Id"
    std::string musicBrainzReleaseId;  // TXXX "MusicBrainz Album Id", when the names came from there
    std::string barcode;               // TXXX "BARCODE": the disc's catalog number, an EAN/UPC
    bool preEmphasis = false;          // TXXX "PRE-EMPHASIS" "yes": the audio is as pressed, not de-emphasised
    // By the mapping MusicBrainz publishes for taggers: the recording in UFID
    // "http://musicbrainz.org", the others in TXXX "MusicBrainz Release Track Id",
    // "MusicBrainz Artist Id", "MusicBrainz Album Artist Id"; TSRC.
    std::string isrc;  // TSRC
    std::string musicBrainzRecordingId, musicBrainzReleaseTrackId, musicBrainzArtistId, musicBrainzAlbumArtistId;
    // Further TXXX frames by description (ReplayGain values).
    std::vector<std::pair<std::string, std::string>> userTexts;
    // Picture type 3 (front cover) in APIC when not empty.
    std::string coverMime, coverBytes;
};

class TagWriter {
public:
    virtual ~TagWriter() = default;
    virtual bool writeTag(const std::string& path, const Mp3Tag& tag, std::string& why) = 0;
    // Sets TXXX frames (replacing those of the same descriptions) in a tagged MP3, leaving the
    // rest of its tag; the same failure rules as writeTag.
    virtual bool setUserTexts(const std::string& path, const std::vector<std::pair<std::string, std::string>>& texts,
                              std::string& why) {
        (void)path, (void)texts;
        why = "not supported";
        return false;
    }
};

}  // namespace wl
