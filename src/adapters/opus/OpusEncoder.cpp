#include "adapters/opus/OpusEncoder.h"

#include <opus/opusenc.h>

#include <cstdio>
#include <cstring>
#include <strings.h>
#include <fstream>
#include <vector>

#include "adapters/pcm/PcmSamples.h"

namespace wl {

namespace {

// Room left in the comment header so gains measured later fit in place.
constexpr int kCommentPadding = 1024;

class OpusFileEncoder : public AudioFileEncoder {
public:
    ~OpusFileEncoder() override {
        if (encoder_) ope_encoder_destroy(encoder_);
        if (comments_) ope_comments_destroy(comments_);
    }

    bool open(const std::string& path, const EncodeSettings& settings, const PcmShape& shape, const Comments& comments,
              const CoverPicture& cover, std::string& why) {
        shape_ = shape;
        comments_ = ope_comments_create();
        if (!comments_) return (why = "out of memory", false);
        for (const auto& [name, value] : comments)
            if (!value.empty() && ope_comments_add(comments_, name.c_str(), value.c_str()) != OPE_OK)
                return (why = "a tag field is not valid", false);
        if (!cover.empty() &&
            ope_comments_add_picture_from_memory(comments_, cover.bytes.data(), cover.bytes.size(), 3, nullptr) != OPE_OK)
            return (why = "the cover is not a picture Opus can hold", false);
        int error = OPE_OK;
        encoder_ = ope_encoder_create_file(path.c_str(), comments_, opus_int32(shape.sampleRate), shape.channels,
                                           shape.channels <= 2 ? 0 : 1, &error);
        if (!encoder_) return (why = ope_strerror(error), false);
        if (ope_encoder_ctl(encoder_, OPUS_SET_BITRATE(settings.opusKbps * 1000)) != OPE_OK ||
            ope_encoder_ctl(encoder_, OPE_SET_COMMENT_PADDING(kCommentPadding)) != OPE_OK)
            return (why = "the encoder refused its settings", false);
        return true;
    }

    bool write(const uint8_t* pcm, size_t frames) override {
        const size_t count = frames * shape_.channels;
        if (buffer_.size() < count) buffer_.resize(count);
        pcm::toFloat(pcm, count, shape_.bitsPerSample, buffer_.data());
        const int result = ope_encoder_write_float(encoder_, buffer_.data(), int(frames));
        if (result == OPE_OK) return true;
        error_ = ope_strerror(result);
        return false;
    }

    bool finish() override {
        const int result = ope_encoder_drain(encoder_);
        ope_encoder_destroy(encoder_);
        encoder_ = nullptr;
        if (result == OPE_OK) return true;
        error_ = ope_strerror(result);
        return false;
    }

    std::string error() const override { return error_; }

private:
    OggOpusEnc* encoder_ = nullptr;
    OggOpusComments* comments_ = nullptr;
    PcmShape shape_;
    std::vector<float> buffer_;
    std::string error_;
};

uint32_t oggCrc(const uint8_t* data, size_t size) {
    static const auto table = [] {
        std::vector<uint32_t> t(256);
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t r = i << 24;
            for (int k = 0; k < 8; ++k) r = r & 0x80000000u ? (r << 1) ^ 0x04c11db7u : r << 1;
            t[i] = r;
        }
        return t;
    }();
    uint32_t crc = 0;
    for (size_t i = 0; i < size; ++i) crc = (crc << 8) ^ table[((crc >> 24) ^ data[i]) & 0xff];
    return crc;
}

uint32_t le32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
void putLe32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out += char((v >> (8 * i)) & 0xff);
}

}  // namespace

std::string opusRefusal(const PcmShape& shape) {
    if (shape.bitsPerSample != 8 && shape.bitsPerSample != 16 && shape.bitsPerSample != 24)
        return "Opus is made from 8, 16 or 24 bits per sample, and this file has " + std::to_string(shape.bitsPerSample);
    if (shape.channels < 1 || shape.channels > 8)
        return "Opus takes 1 to 8 channels, and this file has " + std::to_string(shape.channels);
    if (shape.sampleRate < 1 || shape.sampleRate > 768000)
        return "Opus takes 1 to 768,000 samples per second, and this file has " + std::to_string(shape.sampleRate);
    return {};
}

std::unique_ptr<AudioFileEncoder> createOpusFile(const std::string& path, const EncodeSettings& settings,
                                                 const PcmShape& shape, const Comments& comments,
                                                 const CoverPicture& cover, std::string& why) {
    auto encoder = std::make_unique<OpusFileEncoder>();
    if (!encoder->open(path, settings, shape, comments, cover, why)) return nullptr;
    return encoder;
}

// The comment header is the stream's second packet. It is rewritten at the same length, its
// padding taking up the difference, so only its pages' bytes and checksums change.
bool updateOpusComments(const std::string& path, const Comments& set, std::string& why) {
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    if (!file) return (why = "the file cannot be opened", false);
    std::string bytes((std::istreambuf_iterator<char>(file)), {});
    auto* data = reinterpret_cast<uint8_t*>(bytes.data());
    struct Piece {
        size_t page, offset, length;
    };
    std::vector<Piece> pieces;
    size_t at = 0, packet = 0;
    bool done = false;
    while (!done && at + 27 <= bytes.size() && std::memcmp(data + at, "OggS", 4) == 0) {
        const size_t segments = data[at + 26];
        if (at + 27 + segments > bytes.size()) break;
        size_t body = at + 27 + segments;
        for (size_t k = 0; k < segments && !done; ++k) {
            const size_t len = data[at + 27 + k];
            if (packet == 1 && len > 0) pieces.push_back({at, body, len});
            body += len;
            if (len < 255) {
                if (packet == 1) done = true;
                ++packet;
            }
        }
        size_t pageEnd = at + 27 + segments;
        for (size_t k = 0; k < segments; ++k) pageEnd += data[at + 27 + k];
        at = pageEnd;
    }
    if (!done || at > bytes.size()) return (why = "the file is not an Ogg Opus file", false);
    std::string tags;
    for (const Piece& p : pieces) tags.append(bytes, p.offset, p.length);
    if (tags.size() < 16 || tags.compare(0, 8, "OpusTags") != 0) return (why = "the file has no Opus comments", false);
    size_t pos = 8;
    auto field = [&](std::string& out) {
        if (pos + 4 > tags.size()) return false;
        const uint32_t n = le32(reinterpret_cast<const uint8_t*>(tags.data() + pos));
        if (n > tags.size() - pos - 4) return false;
        out = tags.substr(pos + 4, n);
        pos += 4 + n;
        return true;
    };
    std::string vendor;
    if (!field(vendor) || pos + 4 > tags.size()) return (why = "the Opus comments are damaged", false);
    const uint32_t count = le32(reinterpret_cast<const uint8_t*>(tags.data() + pos));
    pos += 4;
    std::vector<std::string> kept;
    for (uint32_t i = 0; i < count; ++i) {
        std::string c;
        if (!field(c)) return (why = "the Opus comments are damaged", false);
        const size_t eq = c.find('=');
        bool replaced = false;
        for (const auto& entry : set) {
            const std::string& name = entry.first;
            replaced = replaced || (eq == name.size() && strncasecmp(c.c_str(), name.c_str(), eq) == 0);
        }
        if (!replaced) kept.push_back(std::move(c));
    }
    for (const auto& [name, value] : set) kept.push_back(name + "=" + value);
    std::string out = "OpusTags";
    putLe32(out, uint32_t(vendor.size()));
    out += vendor;
    putLe32(out, uint32_t(kept.size()));
    for (const std::string& c : kept) {
        putLe32(out, uint32_t(c.size()));
        out += c;
    }
    if (out.size() > tags.size()) return (why = "the Opus comment header has no room left", false);
    out.resize(tags.size(), '\0');
    size_t from = 0;
    for (const Piece& p : pieces) {
        std::memcpy(data + p.offset, out.data() + from, p.length);
        from += p.length;
    }
    for (size_t i = 0; i < pieces.size(); ++i) {
        if (i > 0 && pieces[i].page == pieces[i - 1].page) continue;
        const size_t page = pieces[i].page, segments = data[page + 26];
        size_t length = 27 + segments;
        for (size_t k = 0; k < segments; ++k) length += data[page + 27 + k];
        std::memset(data + page + 22, 0, 4);
        const uint32_t crc = oggCrc(data + page, length);
        for (int k = 0; k < 4; ++k) data[page + 22 + k] = uint8_t(crc >> (8 * k));
    }
    file.seekp(0);
    file.write(bytes.data(), std::streamsize(at));
    file.flush();
    if (!file) return (why = "the file could not be written", false);
    return true;
}

}  // namespace wl
