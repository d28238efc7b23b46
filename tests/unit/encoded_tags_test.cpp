// The fields a FLAC or Opus file carries, and the ReplayGain values of each format.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "mp3/EncodedTags.h"

using namespace wl;

namespace {

TEST(EncodedTags, EveryKnownValueGetsTheFieldNameTaggersReadAndEmptyOnesAreLeftOut) {
    Mp3Tag tag;
    tag.title = "T";
    tag.artist = "A";
    tag.album = "Al";
    tag.albumArtist = "AA";
    tag.track = 2;
    tag.trackCount = 4;
    tag.disc = 1;
    tag.discCount = 2;
    tag.year = "1999";
    tag.isrc = "GBAAA9900001";
    tag.musicBrainzDiscId = "disc";
    tag.musicBrainzReleaseId = "rel";
    tag.musicBrainzRecordingId = "rec";
    tag.musicBrainzReleaseTrackId = "trk";
    tag.musicBrainzArtistId = "art";
    tag.musicBrainzAlbumArtistId = "aart";
    const Comments want = {
        {"TITLE", "T"},          {"ARTIST", "A"},           {"ALBUM", "Al"},
        {"ALBUMARTIST", "AA"},   {"TRACKNUMBER", "2"},      {"TRACKTOTAL", "4"},
        {"DISCNUMBER", "1"},     {"DISCTOTAL", "2"},        {"DATE", "1999"},
        {"ISRC", "GBAAA9900001"}, {"MUSICBRAINZ_DISCID", "disc"}, {"MUSICBRAINZ_ALBUMID", "rel"},
        {"MUSICBRAINZ_TRACKID", "rec"}, {"MUSICBRAINZ_RELEASETRACKID", "trk"}, {"MUSICBRAINZ_ARTISTID", "art"},
        {"MUSICBRAINZ_ALBUMARTISTID", "aart"},
    };
    EXPECT_EQ(VorbisComments(tag), want);
    Mp3Tag few;
    few.title = "Only";
    EXPECT_EQ(VorbisComments(few), (Comments{{"TITLE", "Only"}}));
}

TEST(EncodedTags, GainsAreRelativeToTheirFormatsReference) {
    const double silence = -std::numeric_limits<double>::infinity();
    struct Case {
        OutputFormat format;
        bool album;
        double loudness, peak;
        Comments want;
    } cases[] = {
        {OutputFormat::Flac, false, -23.0, 0.0707946, {{"REPLAYGAIN_TRACK_GAIN", "+5.00 dB"}, {"REPLAYGAIN_TRACK_PEAK", "0.070795"}}},
        {OutputFormat::Mp3, true, -9.125, 1.0, {{"REPLAYGAIN_ALBUM_GAIN", "-8.88 dB"}, {"REPLAYGAIN_ALBUM_PEAK", "1.000000"}}},
        // Q7.8 dB against -23 LUFS, no peak.
        {OutputFormat::Opus, false, -18.0, 0.5, {{"R128_TRACK_GAIN", "-1280"}}},
        {OutputFormat::Opus, true, -30.5, 0.5, {{"R128_ALBUM_GAIN", "1920"}}},
        {OutputFormat::Flac, false, silence, 0.0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.loudness);
        EXPECT_EQ(GainFields(c.format, c.album, c.loudness, c.peak), c.want);
    }
}

}  // namespace
