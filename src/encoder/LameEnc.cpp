// The encoder library loaded by the program at run time: the be* entry points over libmp3lame.
// Streams live in one table owned by the library; each handle is one LAME encoder.
#include "encoder/LameEnc.h"

#include <fcntl.h>
#include <lame/lame.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <type_traits>
#include <vector>

#include "encoder/InfoTag.h"
#include "platform/Bytes.h"

#define LAMEENC_EXPORT extern "C" __attribute__((visibility("default")))

namespace wl::lameenc {
namespace {

constexpr uint32_t kSampleRate = 44100;
constexpr uint32_t kSamplesPerFrame = 1152;  // per channel, MPEG-1 layer III
// Eight frames per call keep the call count (and the program's progress drawing) low.
constexpr uint32_t kFramesPerChunk = 8;
constexpr uint32_t kChunkSamples = 2 * kSamplesPerFrame * kFramesPerChunk;  // 16-bit samples
// LAME's worst case for one call (1.25 x samples per channel + 7200), which also covers the
// flush, plus room for a held-back tag frame (at most 1441 bytes at 320 kbit/s).
constexpr uint32_t kLameOutputSize = kChunkSamples / 2 * 5 / 4 + 7200;
constexpr uint32_t kMp3BufferSize = kLameOutputSize + 2048;
constexpr uint16_t kBitRates[] = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};

void quiet(const char*, va_list) {}

struct FinishedStream {
    uint64_t size = 0;
    uint64_t hash = 0;
    std::vector<uint8_t> openEndedTag, finalTag;
};

class Stream {
public:
    Stream(lame_global_flags* lame, uint8_t mode, uint16_t kbps)
        : lame_(lame), mode_(mode), kbps_(kbps), ownTag_(kbps < 64), out_(kLameOutputSize) {}
    ~Stream() { lame_close(lame_); }
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    std::mutex mutex;
    bool flushed = false;

    uint32_t encode(const int16_t* samples, uint32_t count, uint8_t* dst, uint32_t* produced) {
        const int16_t* pcm = samples;
        // An odd count splits a left/right pair; its left half waits for the next call.
        if (halfPair_ || (count % 2)) {
            pairs_.clear();
            if (halfPair_) pairs_.push_back(*halfPair_);
            pairs_.insert(pairs_.end(), samples, samples + count);
            halfPair_.reset();
            if (pairs_.size() % 2) {
                halfPair_ = pairs_.back();
                pairs_.pop_back();
            }
            pcm = pairs_.data();
            count = uint32_t(pairs_.size());
        }
        if (count == 0) return BE_ERR_SUCCESSFUL;
        // LAME only reads the samples; its signature predates const.
        int n = lame_encode_buffer_interleaved(lame_, const_cast<short*>(pcm), int(count / 2),
                                               out_.data(), int(out_.size()));
        if (n < 0) return n == -1 ? BE_ERR_BUFFER_TOO_SMALL : BE_ERR_INVALID_FORMAT_PARAMETERS;
        *produced += deliver(out_.data(), size_t(n), dst + *produced, false);
        return BE_ERR_SUCCESSFUL;
    }

    uint32_t finish(uint8_t* dst, uint32_t* produced, FinishedStream& done) {
        if (halfPair_) {
            // Keep the lone last sample rather than drop it: pair it with silence.
            int16_t last[2] = {*halfPair_, 0};
            halfPair_.reset();
            if (uint32_t rc = encode(last, 2, dst, produced)) return rc;
        }
        int n = lame_encode_flush(lame_, out_.data(), int(out_.size()));
        if (n < 0) return BE_ERR_BUFFER_TOO_SMALL;
        *produced += deliver(out_.data(), size_t(n), dst + *produced, true);
        flushed = true;
        if (tagSize_ == 0) return BE_ERR_SUCCESSFUL;
        if (ownTag_) {
            done.finalTag = makeCbrTag(ownTagFields(true));
        } else {
            done.finalTag.assign(tagSize_, 0);
            if (lame_get_lametag_frame(lame_, done.finalTag.data(), tagSize_) != tagSize_) return BE_ERR_SUCCESSFUL;
        }
        done.size = position_;
        done.hash = hash_;
        done.openEndedTag = openEndedTag_;
        return BE_ERR_SUCCESSFUL;
    }

private:
    // Hands LAME's output on. The stream starts with LAME's empty tag frame, which is replaced
    // by the open-ended tag; LAME can describe the tag only once it has encoded a frame, so
    // until then the output waits here.
    size_t deliver(const uint8_t* data, size_t n, uint8_t* dst, bool last) {
        if (ownTag_ && !tagDecided_ && n >= 4) {
            // Below 64 kbit/s LAME writes no tag (it would not fit its frame), so the stream
            // starts with a tag frame of our own at 64 kbit/s, which decoders skip.
            tagDecided_ = true;
            headerByte3_ = data[3];
            openEndedTag_ = makeOpenEndedTag(makeCbrTag(ownTagFields(false)).data(), 208);
            tagSize_ = openEndedTag_.size();
            size_t count = emit(openEndedTag_.data(), tagSize_, dst);
            return count + emit(data, n, dst + count);
        }
        if (!ownTag_ && !tagDecided_) {
            held_.insert(held_.end(), data, data + n);
            size_t size = lame_get_lametag_frame(lame_, nullptr, 0);
            if (size == 0 && !last) return 0;
            tagDecided_ = true;
            if (size > 0 && held_.size() >= size) {
                std::vector<uint8_t> frame(size);
                lame_get_lametag_frame(lame_, frame.data(), size);
                openEndedTag_ = makeOpenEndedTag(frame.data(), size);
                if (!openEndedTag_.empty() && std::equal(frame.begin(), frame.begin() + 4, held_.begin())) {
                    std::copy(openEndedTag_.begin(), openEndedTag_.end(), held_.begin());
                    tagSize_ = size;
                }
            }
            size_t count = emit(held_.data(), held_.size(), dst);
            held_.clear();
            held_.shrink_to_fit();
            return count;
        }
        return emit(data, n, dst);
    }

    size_t emit(const uint8_t* data, size_t n, uint8_t* dst) {
        std::copy(data, data + n, dst);
        uint64_t skip = position_ < tagSize_ ? std::min<uint64_t>(tagSize_ - position_, n) : 0;
        hash_ = streamHash(hash_, data + skip, n - size_t(skip));
        position_ += n;
        return n;
    }

    CbrTagFields ownTagFields(bool final) const {
        CbrTagFields f;
        f.headerByte3 = headerByte3_;
        f.bitrateKbps = kbps_;
        f.lowpassHz = uint32_t(std::max(0, lame_get_lowpassfreq(lame_)));
        f.quality = uint32_t(std::max(0, 100 - 10 * lame_get_VBR_q(lame_) - lame_get_quality(lame_)));
        f.encoderDelay = uint32_t(std::max(0, lame_get_encoder_delay(lame_)));
        f.stereoMode = mode_ == 1 ? 3 : 1;
        if (final) {
            f.audioFrames = uint32_t(std::max(0, lame_get_frameNum(lame_)));
            f.streamBytes = uint32_t(position_);
            f.padding = uint32_t(std::max(0, lame_get_encoder_padding(lame_)));
        }
        return f;
    }

    lame_global_flags* lame_;
    uint8_t mode_;
    uint16_t kbps_;
    bool ownTag_;
    uint8_t headerByte3_ = 0;
    std::vector<uint8_t> out_;
    std::vector<int16_t> pairs_;
    std::optional<int16_t> halfPair_;
    std::vector<uint8_t> held_;
    bool tagDecided_ = false;
    size_t tagSize_ = 0;
    std::vector<uint8_t> openEndedTag_;
    uint64_t position_ = 0;
    uint64_t hash_ = kStreamHashStart;
};

// The library's one piece of shared state: open streams by handle, and the last finished
// ones for beWriteVBRHeader. Guarded by its mutex; each stream has its own for encoding.
struct StreamTable {
    std::mutex mutex;
    std::map<uint32_t, std::shared_ptr<Stream>> open;
    std::deque<FinishedStream> finished;
    uint32_t nextHandle = 1;
};

StreamTable& table() {
    static StreamTable instance;
    return instance;
}

std::shared_ptr<Stream> findStream(uint32_t handle) {
    auto& t = table();
    std::lock_guard lock(t.mutex);
    auto it = t.open.find(handle);
    return it == t.open.end() ? nullptr : it->second;
}

lame_global_flags* openLame(uint8_t mode, uint16_t kbps) {
    lame_global_flags* lame = lame_init();
    if (!lame) return nullptr;
    lame_set_errorf(lame, quiet);
    lame_set_debugf(lame, quiet);
    lame_set_msgf(lame, quiet);
    bool ok = lame_set_num_channels(lame, 2) == 0 && lame_set_in_samplerate(lame, kSampleRate) == 0 &&
              lame_set_out_samplerate(lame, kSampleRate) == 0 && lame_set_VBR(lame, vbr_off) == 0 &&
              lame_set_brate(lame, kbps) == 0 && lame_set_mode(lame, mode == 1 ? JOINT_STEREO : STEREO) == 0 &&
              lame_set_quality(lame, 3) == 0 && lame_set_bWriteVbrTag(lame, 1) == 0 &&
              lame_init_params(lame) >= 0;
    if (!ok) {
        lame_close(lame);
        return nullptr;
    }
    return lame;
}

bool readAll(int fd, uint64_t offset, uint8_t* data, size_t size) {
    while (size > 0) {
        ssize_t n = pread(fd, data, size, off_t(offset));
        if (n <= 0) return false;
        data += n;
        offset += uint64_t(n);
        size -= size_t(n);
    }
    return true;
}

// True when the file holds exactly the stream `done` describes, tag frame aside.
bool fileMatches(int fd, uint64_t fileSize, const FinishedStream& done, bool& alreadyFinal) {
    size_t tagSize = done.finalTag.size();
    if (fileSize != done.size || fileSize < tagSize) return false;
    std::vector<uint8_t> buffer(std::max<size_t>(tagSize, 65536));
    if (!readAll(fd, 0, buffer.data(), tagSize)) return false;
    alreadyFinal = std::equal(done.finalTag.begin(), done.finalTag.end(), buffer.begin());
    if (!alreadyFinal && !std::equal(done.openEndedTag.begin(), done.openEndedTag.end(), buffer.begin()))
        return false;
    uint64_t hash = kStreamHashStart;
    for (uint64_t pos = tagSize; pos < fileSize;) {
        size_t n = size_t(std::min<uint64_t>(buffer.size(), fileSize - pos));
        if (!readAll(fd, pos, buffer.data(), n)) return false;
        hash = streamHash(hash, buffer.data(), n);
        pos += n;
    }
    return hash == done.hash;
}

}  // namespace
}  // namespace wl::lameenc

using namespace wl;
using namespace wl::lameenc;

LAMEENC_EXPORT uint32_t beInitStream(const uint8_t* config, uint32_t* samplesPerChunk, uint32_t* mp3BufferSize,
                                     uint32_t* stream) {
    if (stream) *stream = 0;
    if (!config || !samplesPerChunk || !mp3BufferSize || !stream) return BE_ERR_INVALID_FORMAT_PARAMETERS;
    if (getLe32(config + kEncoderConfigKind) != 0) return BE_ERR_INVALID_FORMAT;
    uint8_t mode = config[kEncoderConfigMode];
    uint16_t kbps = getLe16(config + kEncoderConfigBitrate);
    if (getLe32(config + kEncoderConfigRate) != kSampleRate || mode > 1 ||
        std::find(std::begin(kBitRates), std::end(kBitRates), kbps) == std::end(kBitRates))
        return BE_ERR_INVALID_FORMAT_PARAMETERS;

    auto& t = table();
    std::lock_guard lock(t.mutex);
    if (t.open.size() >= kMaxStreams) return BE_ERR_NO_MORE_HANDLES;
    // Under the table's lock: LAME fills shared tables the first time it initialises.
    lame_global_flags* lame = openLame(mode, kbps);
    if (!lame) return BE_ERR_INVALID_FORMAT_PARAMETERS;
    while (t.nextHandle == 0 || t.open.count(t.nextHandle)) ++t.nextHandle;
    uint32_t handle = t.nextHandle++;
    t.open.emplace(handle, std::make_shared<Stream>(lame, mode, kbps));
    *samplesPerChunk = kChunkSamples;
    *mp3BufferSize = kMp3BufferSize;
    *stream = handle;
    return BE_ERR_SUCCESSFUL;
}

LAMEENC_EXPORT uint32_t beEncodeChunk(uint32_t stream, uint32_t sampleCount, const int16_t* samples,
                                      uint8_t* mp3Buffer, uint32_t* produced) {
    if (produced) *produced = 0;
    if (!samples || !mp3Buffer || !produced) return BE_ERR_INVALID_FORMAT_PARAMETERS;
    auto s = findStream(stream);
    if (!s) return BE_ERR_INVALID_HANDLE;
    if (sampleCount > kChunkSamples) return BE_ERR_INVALID_FORMAT_PARAMETERS;
    std::lock_guard lock(s->mutex);
    if (s->flushed) return BE_ERR_INVALID_HANDLE;
    return s->encode(samples, sampleCount, mp3Buffer, produced);
}

LAMEENC_EXPORT uint32_t beDeinitStream(uint32_t stream, uint8_t* mp3Buffer, uint32_t* produced) {
    if (produced) *produced = 0;
    if (!mp3Buffer || !produced) return BE_ERR_INVALID_FORMAT_PARAMETERS;
    auto s = findStream(stream);
    if (!s) return BE_ERR_INVALID_HANDLE;
    FinishedStream done;
    {
        std::lock_guard lock(s->mutex);
        if (s->flushed) return BE_ERR_INVALID_HANDLE;
        if (uint32_t rc = s->finish(mp3Buffer, produced, done)) return rc;
    }
    if (done.finalTag.empty() || done.openEndedTag.empty()) return BE_ERR_SUCCESSFUL;
    auto& t = table();
    std::lock_guard lock(t.mutex);
    t.finished.push_back(std::move(done));
    if (t.finished.size() > kFinishedStreamsKept) t.finished.pop_front();
    return BE_ERR_SUCCESSFUL;
}

LAMEENC_EXPORT uint32_t beCloseStream(uint32_t stream) {
    std::shared_ptr<Stream> s;
    {
        auto& t = table();
        std::lock_guard lock(t.mutex);
        auto it = t.open.find(stream);
        if (it == t.open.end()) return BE_ERR_INVALID_HANDLE;
        s = std::move(it->second);
        t.open.erase(it);
    }
    return BE_ERR_SUCCESSFUL;  // the encoder closes when the last call using it returns
}

LAMEENC_EXPORT void beVersion(BeVersionInfo* info) {
    if (!info) return;
    lame_version_t lame{};
    get_lame_version_numerical(&lame);
    *info = BeVersionInfo{};
    info->dllMajor = 1;
    info->dllMinor = 0;
    info->engineMajor = uint8_t(lame.major);
    info->engineMinor = uint8_t(lame.minor);
    info->day = 1;
    info->month = 6;
    info->year = 2025;
    std::snprintf(info->homepage, sizeof info->homepage, "%s", get_lame_url());
}

LAMEENC_EXPORT uint32_t beWriteVBRHeader(const char* mp3FileName) {
    if (!mp3FileName) return BE_ERR_INVALID_FORMAT_PARAMETERS;
    int fd = open(mp3FileName, O_RDWR | O_CLOEXEC);
    if (fd < 0) return BE_ERR_FILE;
    struct stat st {};
    uint32_t rc = BE_ERR_INVALID_HANDLE;
    if (fstat(fd, &st) != 0) {
        rc = BE_ERR_FILE;
    } else {
        std::deque<FinishedStream> finished;
        {
            auto& t = table();
            std::lock_guard lock(t.mutex);
            finished = t.finished;
        }
        for (auto it = finished.rbegin(); it != finished.rend(); ++it) {
            bool alreadyFinal = false;
            if (!fileMatches(fd, uint64_t(st.st_size), *it, alreadyFinal)) continue;
            rc = BE_ERR_SUCCESSFUL;
            if (!alreadyFinal &&
                pwrite(fd, it->finalTag.data(), it->finalTag.size(), 0) != ssize_t(it->finalTag.size()))
                rc = BE_ERR_FILE;
            break;
        }
    }
    if (close(fd) != 0 && rc == BE_ERR_SUCCESSFUL) rc = BE_ERR_FILE;
    return rc;
}

// The exports must keep exactly the types the program looks them up with.
static_assert(std::is_same_v<decltype(&beInitStream), BeInitStreamFn>);
static_assert(std::is_same_v<decltype(&beEncodeChunk), BeEncodeChunkFn>);
static_assert(std::is_same_v<decltype(&beDeinitStream), BeDeinitStreamFn>);
static_assert(std::is_same_v<decltype(&beCloseStream), BeCloseStreamFn>);
static_assert(std::is_same_v<decltype(&beVersion), BeVersionFn>);
static_assert(std::is_same_v<decltype(&beWriteVBRHeader), BeWriteVBRHeaderFn>);
