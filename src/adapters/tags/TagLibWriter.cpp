#include "adapters/tags/TagLibWriter.h"

#include <taglib/id3v2frame.h>
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

// The copy's bytes on the disk before it replaces the file: a crash then leaves one of the two whole.
bool syncFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    return ::close(fd) == 0 && ok;
}

}  // namespace

bool TagLibWriter::writeTag(const std::string& path, const Mp3Tag& t, std::string& why) {
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
        TagLib::ID3v2::Tag* tag = file.ID3v2Tag(true);
        setText(*tag, "TIT2", t.title);
        setText(*tag, "TPE1", t.artist);
        setText(*tag, "TALB", t.album);
        setText(*tag, "TPE2", t.albumArtist);
        setText(*tag, "TCON", t.genre);
        setText(*tag, "TCOM", t.composer);
        setText(*tag, "TDRC", t.year);
        if (t.track > 0)
            setText(*tag, "TRCK", std::to_string(t.track) + (t.trackCount > 0 ? "/" + std::to_string(t.trackCount) : ""));
        if (t.disc > 0)
            setText(*tag, "TPOS", std::to_string(t.disc) + (t.discCount > 0 ? "/" + std::to_string(t.discCount) : ""));
        // The descriptions other taggers and players read these IDs under.
        for (const auto& [description, value] : {std::pair<const char*, const std::string&>{"MusicBrainz Disc Id", t.musicBrainzDiscId},
                                                 {"MusicBrainz Album Id", t.musicBrainzReleaseId}}) {
            if (value.empty()) continue;
            auto* frame = new TagLib::ID3v2::UserTextIdentificationFrame(TagLib::String::UTF8);
            frame->setDescription(description);
            frame->setText(utf8(value));
            tag->addFrame(frame);
        }
        errno = 0;
        if (!file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripOthers, TagLib::ID3v2::v4)) {
            const int error = errno;
            return fail(error != 0 ? std::generic_category().message(error) : "the tag could not be saved");
        }
    }
    if (!syncFile(copy)) return fail(std::generic_category().message(errno));
    fs::rename(copy, path, ec);
    if (ec) return fail(ec.message());
    return true;
}

}  // namespace wl
