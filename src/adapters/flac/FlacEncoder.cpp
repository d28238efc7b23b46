#include "adapters/flac/FlacEncoder.h"

#include <FLAC/metadata.h>
#include <FLAC/stream_encoder.h>

#include <cstdio>
#include <vector>

#include "adapters/pcm/PcmSamples.h"

namespace wl {

namespace {

struct BlockDeleter {
    void operator()(FLAC__StreamMetadata* b) const { if (b) FLAC__metadata_object_delete(b); }
};
using Block = std::unique_ptr<FLAC__StreamMetadata, BlockDeleter>;

bool appendComment(FLAC__StreamMetadata* block, const std::string& name, const std::string& value) {
    FLAC__StreamMetadata_VorbisComment_Entry entry{};
    if (!FLAC__metadata_object_vorbiscomment_entry_from_name_value_pair(&entry, name.c_str(), value.c_str()))
        return false;
    return FLAC__metadata_object_vorbiscomment_append_comment(block, entry, false);
}

Block pictureBlock(const CoverPicture& cover) {
    Block b(FLAC__metadata_object_new(FLAC__METADATA_TYPE_PICTURE));
    if (!b) return b;
    std::string mime = cover.mime;
    FLAC__byte noDescription[] = "";
    b->data.picture.type = FLAC__STREAM_METADATA_PICTURE_TYPE_FRONT_COVER;
    b->data.picture.width = cover.width;
    b->data.picture.height = cover.height;
    b->data.picture.depth = cover.depth;
    if (!FLAC__metadata_object_picture_set_mime_type(b.get(), mime.data(), true) ||
        !FLAC__metadata_object_picture_set_description(b.get(), noDescription, true) ||
        !FLAC__metadata_object_picture_set_data(b.get(), reinterpret_cast<FLAC__byte*>(const_cast<char*>(cover.bytes.data())),
                                                FLAC__uint32(cover.bytes.size()), true))
        b.reset();
    return b;
}

class FlacFileEncoder : public AudioFileEncoder {
public:
    ~FlacFileEncoder() override {
        if (encoder_) {
            // Not finished: a half-written file is the caller's to remove.
            FLAC__stream_encoder_delete(encoder_);
        }
    }

    bool open(const std::string& path, const EncodeSettings& settings, const PcmShape& shape, const Comments& comments,
              const CoverPicture& cover, std::string& why) {
        shape_ = shape;
        encoder_ = FLAC__stream_encoder_new();
        if (!encoder_) return (why = "out of memory", false);
        FLAC__stream_encoder_set_verify(encoder_, true);
        FLAC__stream_encoder_set_compression_level(encoder_, uint32_t(settings.flacLevel));
        FLAC__stream_encoder_set_channels(encoder_, shape.channels);
        FLAC__stream_encoder_set_bits_per_sample(encoder_, shape.bitsPerSample);
        FLAC__stream_encoder_set_sample_rate(encoder_, shape.sampleRate);
        FLAC__stream_encoder_set_total_samples_estimate(encoder_, shape.frames);

        Block vorbis(FLAC__metadata_object_new(FLAC__METADATA_TYPE_VORBIS_COMMENT));
        Block seek(FLAC__metadata_object_new(FLAC__METADATA_TYPE_SEEKTABLE));
        Block padding(FLAC__metadata_object_new(FLAC__METADATA_TYPE_PADDING));
        if (!vorbis || !seek || !padding) return (why = "out of memory", false);
        for (const auto& [name, value] : comments)
            if (!value.empty() && !appendComment(vorbis.get(), name, value)) return (why = "a tag field is not valid", false);
        // One point every 10 s; the encoder fills in where each one falls.
        if (shape.frames > 0 &&
            (!FLAC__metadata_object_seektable_template_append_spaced_points_by_samples(seek.get(), 10 * shape.sampleRate,
                                                                                       shape.frames) ||
             !FLAC__metadata_object_seektable_template_sort(seek.get(), true)))
            return (why = "out of memory", false);
        padding->length = 8192;  // taggers rewrite in place
        blocks_.push_back(std::move(seek));
        blocks_.push_back(std::move(vorbis));
        if (!cover.empty()) {
            Block picture = pictureBlock(cover);
            if (!picture) return (why = "out of memory", false);
            blocks_.push_back(std::move(picture));
        }
        blocks_.push_back(std::move(padding));
        std::vector<FLAC__StreamMetadata*> list;
        for (Block& b : blocks_) list.push_back(b.get());
        FLAC__stream_encoder_set_metadata(encoder_, list.data(), uint32_t(list.size()));

        const FLAC__StreamEncoderInitStatus status =
            FLAC__stream_encoder_init_file(encoder_, path.c_str(), nullptr, nullptr);
        if (status != FLAC__STREAM_ENCODER_INIT_STATUS_OK) {
            why = status == FLAC__STREAM_ENCODER_INIT_STATUS_ENCODER_ERROR
                      ? FLAC__stream_encoder_get_resolved_state_string(encoder_)
                      : FLAC__StreamEncoderInitStatusString[status];
            return false;
        }
        return true;
    }

    bool write(const uint8_t* pcm, size_t frames) override {
        const size_t count = frames * shape_.channels;
        if (buffer_.size() < count) buffer_.resize(count);
        pcm::toInt32(pcm, count, shape_.bitsPerSample, buffer_.data());
        if (FLAC__stream_encoder_process_interleaved(encoder_, buffer_.data(), uint32_t(frames))) return true;
        error_ = FLAC__stream_encoder_get_resolved_state_string(encoder_);
        return false;
    }

    bool finish() override {
        const bool ok = FLAC__stream_encoder_finish(encoder_);
        if (!ok) error_ = FLAC__stream_encoder_get_resolved_state_string(encoder_);
        FLAC__stream_encoder_delete(encoder_);
        encoder_ = nullptr;
        return ok;
    }

    std::string error() const override { return error_; }

private:
    FLAC__StreamEncoder* encoder_ = nullptr;
    PcmShape shape_;
    std::vector<Block> blocks_;  // the encoder reads them until it finishes
    std::vector<int32_t> buffer_;
    std::string error_;
};

}  // namespace

std::string flacRefusal(const PcmShape& shape) {
    if (shape.bitsPerSample != 8 && shape.bitsPerSample != 16 && shape.bitsPerSample != 24)
        return "FLAC takes 8, 16 or 24 bits per sample, and this file has " + std::to_string(shape.bitsPerSample);
    if (shape.channels < 1 || shape.channels > 8)
        return "FLAC takes 1 to 8 channels, and this file has " + std::to_string(shape.channels);
    if (shape.sampleRate < 1 || shape.sampleRate > 655350)
        return "FLAC takes 1 to 655,350 samples per second, and this file has " + std::to_string(shape.sampleRate);
    return {};
}

std::unique_ptr<AudioFileEncoder> createFlacFile(const std::string& path, const EncodeSettings& settings,
                                                 const PcmShape& shape, const Comments& comments,
                                                 const CoverPicture& cover, std::string& why) {
    auto encoder = std::make_unique<FlacFileEncoder>();
    if (!encoder->open(path, settings, shape, comments, cover, why)) return nullptr;
    return encoder;
}

bool updateFlacComments(const std::string& path, const Comments& set, std::string& why) {
    FLAC__Metadata_Chain* chain = FLAC__metadata_chain_new();
    FLAC__Metadata_Iterator* it = FLAC__metadata_iterator_new();
    bool ok = chain && it && FLAC__metadata_chain_read(chain, path.c_str());
    FLAC__StreamMetadata* vorbis = nullptr;
    if (ok) {
        FLAC__metadata_iterator_init(it, chain);
        do {
            if (FLAC__metadata_iterator_get_block_type(it) == FLAC__METADATA_TYPE_VORBIS_COMMENT)
                vorbis = FLAC__metadata_iterator_get_block(it);
        } while (!vorbis && FLAC__metadata_iterator_next(it));
        ok = vorbis != nullptr;
    }
    for (const auto& [name, value] : set) {
        if (!ok) break;
        FLAC__metadata_object_vorbiscomment_remove_entries_matching(vorbis, name.c_str());
        ok = appendComment(vorbis, name, value);
    }
    if (ok) {
        FLAC__metadata_chain_sort_padding(chain);
        ok = FLAC__metadata_chain_write(chain, true, true);
    }
    if (!ok) why = chain ? FLAC__Metadata_ChainStatusString[FLAC__metadata_chain_status(chain)] : "out of memory";
    if (it) FLAC__metadata_iterator_delete(it);
    if (chain) FLAC__metadata_chain_delete(chain);
    return ok;
}

}  // namespace wl
