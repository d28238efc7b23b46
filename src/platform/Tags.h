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

namespace wl {

struct Mp3Tag {
    std::string title, artist, album, albumArtist, year, genre, composer;
    int track = 0, trackCount = 0;
    int disc = 0, discCount = 0;       // TPOS "n/N", for a disc of a set
    std::string musicBrainzDiscId;     // TXXX "MusicBrainz Disc Id"
    std::string musicBrainzReleaseId;  // TXXX "MusicBrainz Album Id", when the names came from there
};

class TagWriter {
public:
    virtual ~TagWriter() = default;
    virtual bool writeTag(const std::string& path, const Mp3Tag& tag, std::string& why) = 0;
};

}  // namespace wl
