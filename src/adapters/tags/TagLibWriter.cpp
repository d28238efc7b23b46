#include "adapters/tags/TagLibWriter.h"

#include <taglib/attachedpictureframe.h>
#include <taglib/id3v2frame.h>
#include <taglib/uniquefileidentifierframe.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/textidentificationframe.h>
#include <taglib/tstring.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

namespace wl {

namespace {

namespace fs = std::filesystem;

TagLib::String utf8(const std::string& s) { return TagLib::String(s, TagLib::String::UTF8); }

void setText(TagLib::ID3v2::Tag& tag, const char* id, const std::string& value) {
    if (value.empty()) return;
    auto* frame = new TagLib::ID3v2::TextIdentificationFrame(TagLib::ByteVector(id), TagLib::String::UTF8);
    frame->setText(utf8(value));
    tag.addFrame(frame);
}

void setUserText(TagLib::ID3v2::Tag& tag, const std::string& description, const std::string& value) {
    if (value.empty()) return;
    if (auto* old = TagLib::ID3v2::UserTextIdentificationFrame::find(&tag, utf8(description))) tag.removeFrame(old);
    auto* frame = new TagLib::ID3v2::UserTextIdentificationFrame(TagLib::String::UTF8);
    frame->setDescription(utf8(description));
    frame->setText(utf8(value));
    tag.addFrame(frame);
}

std::string saveError() {
    const int error = errno;
    return error != 0 ? std::generic_category().message(error) : "the tag could not be saved";
}

// The copy's bytes on the disk before it replaces the file: a crash then leaves one of the two whole.
bool syncFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    return ::close(fd) == 0 && ok;
}

// Tags are written into a copy that replaces the file once it is on the disk, so a failure
// or a crash leaves the old file whole.
template <typename Edit>
bool editTagInCopy(const std::string& path, std::string& why, Edit edit) {
    std::error_code ec;
    const std::string copy = path + ".tag";
    auto fail = [&](const std::string& reason) {
        fs::remove(copy, ec);
        why = reason;
        return false;
    };
    fs::copy_file(path, copy, fs::copy_options::overwrite_existing, ec);
    if (ec) return fail(ec.message());
    {
        TagLib::MPEG::File file(copy.c_str(), false);
        if (!file.isValid() || file.readOnly()) return fail("the file cannot be opened for its tag");
        edit(*file.ID3v2Tag(true));
        errno = 0;
        if (!file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripOthers, TagLib::ID3v2::v4)) return fail(saveError());
    }
    if (!syncFile(copy)) return fail(std::generic_category().message(errno));
    fs::rename(copy, path, ec);
    if (ec) return fail(ec.message());
    return true;
}

}  // namespace

bool TagLibWriter::writeTag(const std::string& path, const Mp3Tag& t, std::string& why) {
    return editTagInCopy(path, why, [&t](TagLib::ID3v2::Tag& tag) {
        setText(tag, "TIT2", t.title);
        setText(tag, "TPE1", t.artist);
        setText(tag, "TALB", t.album);
        setText(tag, "TPE2", t.albumArtist);
        setText(tag, "TCON", t.genre);
        setText(tag, "TCOM", t.composer);
        setText(tag, "TDRC", t.year);
        setText(tag, "TSRC", t.isrc);
        if (t.track > 0)
            setText(tag, "TRCK", std::to_string(t.track) + (t.trackCount > 0 ? "/" + std::to_string(t.trackCount) : ""));
        if (t.disc > 0)
            setText(tag, "TPOS", std::to_string(t.disc) + (t.discCount > 0 ? "/" + std::to_string(t.discCount) : ""));
        // The descriptions other taggers and players read these IDs under.
        setUserText(tag, "MusicBrainz Disc Id", t.musicBrainzDiscId);
        setUserText(tag, "MusicBrainz Album Id", t.musicBrainzReleaseId);
        setUserText(tag, "MusicBrainz Release Track Id", t.musicBrainzReleaseTrackId);
        setUserText(tag, "MusicBrainz Artist Id", t.musicBrainzArtistId);
        setUserText(tag, "MusicBrainz Album Artist Id", t.musicBrainzAlbumArtistId);
        if (!t.musicBrainzRecordingId.empty())
            tag.addFrame(new TagLib::ID3v2::UniqueFileIdentifierFrame(
                "http://musicbrainz.org", TagLib::ByteVector(t.musicBrainzRecordingId.data(), unsigned(t.musicBrainzRecordingId.size()))));
        setUserText(tag, "BARCODE", t.barcode);
        if (t.preEmphasis) setUserText(tag, "PRE-EMPHASIS", "yes");
        for (const auto& [description, value] : t.userTexts) setUserText(tag, description, value);
        if (!t.coverBytes.empty()) {
            auto* picture = new TagLib::ID3v2::AttachedPictureFrame;
            picture->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
            picture->setMimeType(utf8(t.coverMime));
            picture->setPicture(TagLib::ByteVector(t.coverBytes.data(), unsigned(t.coverBytes.size())));
            tag.addFrame(picture);
        }
    });
}

bool TagLibWriter::setUserTexts(const std::string& path, const std::vector<std::pair<std::string, std::string>>& texts,
                                std::string& why) {
    return editTagInCopy(path, why, [&texts](TagLib::ID3v2::Tag& tag) {
        for (const auto& [description, value] : texts) setUserText(tag, description, value);
    });
}

}  // namespace wl
