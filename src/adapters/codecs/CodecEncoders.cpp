#include "adapters/codecs/CodecEncoders.h"

#include "adapters/flac/FlacEncoder.h"
#include "adapters/opus/OpusEncoder.h"

namespace wl {

std::string CodecEncoders::refusal(const EncodeSettings& settings, const PcmShape& shape) {
    return settings.kind == EncodeSettings::Flac ? flacRefusal(shape) : opusRefusal(shape);
}

std::unique_ptr<AudioFileEncoder> CodecEncoders::create(const std::string& path, const EncodeSettings& settings,
                                                        const PcmShape& shape, const Comments& comments,
                                                        const CoverPicture& cover, std::string& why) {
    if (const std::string no = refusal(settings, shape); !no.empty()) {
        why = no;
        return nullptr;
    }
    return settings.kind == EncodeSettings::Flac ? createFlacFile(path, settings, shape, comments, cover, why)
                                                 : createOpusFile(path, settings, shape, comments, cover, why);
}

bool CodecEncoders::updateComments(const std::string& path, EncodeSettings::Kind kind, const Comments& set,
                                   std::string& why) {
    return kind == EncodeSettings::Flac ? updateFlacComments(path, set, why) : updateOpusComments(path, set, why);
}

}  // namespace wl
