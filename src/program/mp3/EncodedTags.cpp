#include "mp3/EncodedTags.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/Paths.h"

namespace wl {

namespace {
std::string number(int n) { return n > 0 ? std::to_string(n) : std::string(); }
}  // namespace

Comments VorbisComments(const Mp3Tag& t) {
    Comments c = {
        {"TITLE", t.title},
        {"ARTIST", t.artist},
        {"ALBUM", t.album},
        {"ALBUMARTIST", t.albumArtist},
        {"TRACKNUMBER", number(t.track)},
        {"TRACKTOTAL", number(t.trackCount)},
        {"DISCNUMBER", number(t.disc)},
        {"DISCTOTAL", number(t.discCount)},
        {"DATE", t.year},
        {"GENRE", t.genre},
        {"COMPOSER", t.composer},
        {"ISRC", t.isrc},
        {"MUSICBRAINZ_DISCID", t.musicBrainzDiscId},
        {"MUSICBRAINZ_ALBUMID", t.musicBrainzReleaseId},
        {"MUSICBRAINZ_TRACKID", t.musicBrainzRecordingId},
        {"MUSICBRAINZ_RELEASETRACKID", t.musicBrainzReleaseTrackId},
        {"MUSICBRAINZ_ARTISTID", t.musicBrainzArtistId},
        {"MUSICBRAINZ_ALBUMARTISTID", t.musicBrainzAlbumArtistId},
    };
    std::erase_if(c, [](const auto& field) { return field.second.empty(); });
    return c;
}

Comments GainFields(OutputFormat format, bool album, double loudness, double peak) {
    if (!std::isfinite(loudness)) return {};
    char text[32];
    if (format == OutputFormat::Opus) {
        const long q78 = std::lround((kR128Reference - loudness) * 256.0);
        std::snprintf(text, sizeof text, "%ld", std::clamp(q78, -32768L, 32767L));
        return {{album ? "R128_ALBUM_GAIN" : "R128_TRACK_GAIN", text}};
    }
    const std::string prefix = album ? "REPLAYGAIN_ALBUM_" : "REPLAYGAIN_TRACK_";
    Comments c;
    std::snprintf(text, sizeof text, "%+.2f dB", kReplayGainReference - loudness);
    c.emplace_back(prefix + "GAIN", text);
    std::snprintf(text, sizeof text, "%.6f", peak);
    c.emplace_back(prefix + "PEAK", text);
    return c;
}

std::string EncodedNameFor(OutputFormat format, const std::string& wavName) {
    SplitPath parts = splitPath(wavName);
    parts.ext = formatExtension(format);
    return joinPath(parts);
}

}  // namespace wl
