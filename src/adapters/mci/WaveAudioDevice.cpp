#include "WaveAudioDevice.h"

#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "CdTime.h"
#include "MciErrors.h"

namespace wl::mci {

static_assert(std::endian::native == std::endian::little, "samples are passed on as little-endian bytes");

namespace {
constexpr uint32_t kNotifySuperseded = 0x2;
constexpr uint64_t kMaxWavData = 0xFFFFFFFFull - 36;

std::FILE* makeTempFile(const std::string& folder) {
    std::error_code ec;
    std::string dir = folder.empty() ? std::filesystem::temp_directory_path(ec).string() : folder;
    if (dir.empty()) dir = "/tmp";
    std::string pattern = dir + "/wavelathe-recording-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = mkstemp(name.data());
    if (fd < 0) return nullptr;
    unlink(name.data());  // gone with the device, even after a crash
    std::FILE* f = fdopen(fd, "w+b");
    if (!f) ::close(fd);
    return f;
}

uint32_t saveError(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR: return kSaveFolderMissing;
    case EACCES:
    case EPERM:
    case EROFS: return kSaveNoPermission;
    case ENOSPC:
    case EDQUOT: return kSaveDiskFull;
    default: return kSaveWriteFailed;
    }
}
}  // namespace

Recording::Recording(std::FILE* file, audio::PcmFormat format)
    : file_(file), converter_(audio::kCdFormat, format), blockAlign_(format.blockAlign()) {}

Recording::~Recording() { std::fclose(file_); }

void Recording::write(const std::vector<uint8_t>& data) {
    if (cut_ || data.empty()) return;
    size_t n = data.size();
    if (bytes_ + n > kMaxWavData) {
        n = size_t(kMaxWavData - bytes_);
        n -= n % blockAlign_;
        cut_ = true;
    }
    size_t written = std::fwrite(data.data(), 1, n, file_);
    bytes_ += written - written % blockAlign_;
    if (written != n) cut_ = true;  // the temporary folder's disk is full: keep what we have
}

void Recording::captured(const int16_t* samples, size_t frames) {
    std::lock_guard<std::mutex> lock(mutex_);
    converted_.clear();
    converter_.convert(reinterpret_cast<const uint8_t*>(samples), frames, converted_);
    write(converted_);
}

void Recording::finish() {
    std::lock_guard<std::mutex> lock(mutex_);
    converted_.clear();
    converter_.flush(converted_);
    write(converted_);
    std::fflush(file_);
}

uint64_t Recording::bytes() {
    std::lock_guard<std::mutex> lock(mutex_);
    return bytes_;
}

bool Recording::cut() {
    std::lock_guard<std::mutex> lock(mutex_);
    return cut_;
}

bool Recording::copyTo(std::FILE* out) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (std::fflush(file_) != 0 || std::fseek(file_, 0, SEEK_SET) != 0) return false;
    std::vector<uint8_t> chunk(1 << 16);
    uint64_t left = bytes_;
    bool ok = true;
    while (left > 0 && ok) {
        size_t n = size_t(std::min<uint64_t>(left, chunk.size()));
        ok = std::fread(chunk.data(), 1, n, file_) == n && std::fwrite(chunk.data(), 1, n, out) == n;
        left -= n;
    }
    std::fseek(file_, 0, SEEK_END);  // later captures append
    return ok;
}

WaveAudioDevice::WaveAudioDevice(audio::AudioEngine& engine, audio::Clock& clock, std::mutex& lock,
                                 NoticeQueue& notices, std::string tempFolder, audio::Micros tickMicros)
    : engine_(engine), clock_(clock), lock_(lock), notices_(notices), tempFolder_(std::move(tempFolder)),
      tickMicros_(tickMicros > 0 ? tickMicros : 50000), ticker_(clock, lock) {}

WaveAudioDevice::~WaveAudioDevice() {
    if (capturing_) engine_.detach(*recording_);
}

uint32_t WaveAudioDevice::open(const std::string& element, MciNotifySink* callback) {
    openCallback_ = callback;
    if (element.empty() || lowerCase(element) == "new") return kOk;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(element, ec)) return kFileNotFound;
    auto reader = std::make_unique<audio::WavReader>();
    std::string why;
    if (!reader->open(element, why)) return kInvalidFile;
    element_ = element;
    format_ = reader->format();
    reader_ = std::move(reader);
    return kOk;
}

uint32_t WaveAudioDevice::command(const std::string& verb, const Args& a, std::string& reply,
                                  MciNotifySink* notify) {
    if (verb == "status") {
        if (a.is(0, "mode")) {
            reply = capturing_ ? "recording" : playing_ ? "playing" : "stopped";
            return kOk;
        }
        if (a.is(0, "length")) {
            uint64_t bytes = recording_ ? recording_->bytes() : reader_ ? reader_->totalFrames() * format_.blockAlign() : 0;
            reply = std::to_string(bytes * 1000 / format_.bytesPerSecond());
            return kOk;
        }
        return a.size() ? kUnrecognizedKeyword : kMissingParameter;
    }
    if (verb == "stop") return a.size() ? kUnrecognizedKeyword : (stop(), kOk);
    if (verb == "record") return a.size() ? kUnrecognizedKeyword : startRecording();
    if (verb == "play") return a.size() ? kUnrecognizedKeyword : play(notify);
    if (verb == "save") {
        if (a.size() != 1) return a.size() ? kUnrecognizedKeyword : kFilenameRequired;
        return save(a.words[0]);
    }
    if (verb == "set") {
        MciWaveSetParms p;
        uint32_t flags = 0;
        for (size_t i = 0; i < a.size(); i += 2) {
            if (i + 1 >= a.size()) return kMissingParameter;
            auto v = parseDecimal(a.words[i + 1]);
            if (!v || *v > 0xFFFF * (a.lower[i] == "samplespersec" ? 0x10000u : 1u)) return kBadInteger;
            if (a.lower[i] == "bitspersample") p.bitsPerSample = uint16_t(*v), flags |= MCI_WAVE_SET_BITSPERSAMPLE;
            else if (a.lower[i] == "channels") p.channels = uint16_t(*v), flags |= MCI_WAVE_SET_CHANNELS;
            else if (a.lower[i] == "samplespersec") p.samplesPerSec = *v, flags |= MCI_WAVE_SET_SAMPLESPERSEC;
            else return kUnrecognizedKeyword;
        }
        return flags ? setFormat(flags, p) : kMissingParameter;
    }
    return kUnsupportedFunction;
}

uint32_t WaveAudioDevice::record(uint32_t message, uint32_t flags, MciParams& params) {
    switch (message) {
    case MCI_SET: {
        auto* p = std::get_if<MciWaveSetParms>(&params);
        if (!p) return kNullParameterBlock;
        if ((flags & MCI_SET_TIME_FORMAT) && p->timeFormat != 0) return kBadTimeFormat;
        return setFormat(flags, *p);
    }
    case MCI_RECORD: return startRecording();
    case MCI_STOP: stop(); return kOk;
    case MCI_SAVE: {
        auto* p = std::get_if<MciSaveParms>(&params);
        if (!p) return kNullParameterBlock;
        if (!(flags & MCI_SAVE_FILE) || p->fileName.empty()) return kFilenameRequired;
        return save(p->fileName);
    }
    case MCI_PLAY: {
        auto* p = std::get_if<MciPlayParms>(&params);
        MciNotifySink* sink = nullptr;
        if (flags & MCI_NOTIFY) sink = p && p->callback ? p->callback : openCallback_;
        return play(sink);
    }
    default: return kUnsupportedFunction;
    }
}

uint32_t WaveAudioDevice::setFormat(uint32_t flags, const MciWaveSetParms& p) {
    audio::PcmFormat f = format_;
    if ((flags & MCI_WAVE_SET_FORMATTAG) && p.formatTag != 1) return kWaveFormatUnsuitable;
    if (flags & MCI_WAVE_SET_CHANNELS) f.channels = p.channels;
    if (flags & MCI_WAVE_SET_SAMPLESPERSEC) f.rate = p.samplesPerSec;
    if (flags & MCI_WAVE_SET_BITSPERSAMPLE) f.bits = p.bitsPerSample;
    if (!f.supported()) return kWaveFormatUnsuitable;
    // The derived fields must agree with the others, or the file's header would lie.
    if ((flags & MCI_WAVE_SET_BLOCKALIGN) && p.blockAlign != f.blockAlign()) return kWaveFormatUnsuitable;
    if ((flags & MCI_WAVE_SET_AVGBYTESPERSEC) && p.avgBytesPerSec != f.bytesPerSecond()) return kWaveFormatUnsuitable;
    if (f == format_) return kOk;
    if (recording_ || reader_) return kRecordingExists;
    format_ = f;
    return kOk;
}

uint32_t WaveAudioDevice::startRecording() {
    if (capturing_) return kOk;
    if (reader_) return kUnsupportedFunction;  // a device opened on a file only plays it
    if (!recording_) {
        std::FILE* file = makeTempFile(tempFolder_);
        if (!file) return kNoTemporaryFile;
        recording_ = std::make_unique<Recording>(file, format_);
    }
    std::string why;
    if (!engine_.attach(*recording_, why)) return kWaveInputUnavailable;
    capturing_ = true;
    return kOk;
}

void WaveAudioDevice::stopRecording() {
    if (!capturing_) return;
    engine_.detach(*recording_);
    recording_->finish();
    capturing_ = false;
}

void WaveAudioDevice::stop() {
    stopRecording();
    if (playing_) stopPlay(MCI_NOTIFY_ABORTED);
}

void WaveAudioDevice::close() {
    stop();
    recording_.reset();  // an unsaved recording is discarded with the device
    reader_.reset();
}

uint32_t WaveAudioDevice::save(const std::string& fileName) {
    stopRecording();
    if (!recording_) return kNothingRecorded;
    namespace fs = std::filesystem;
    fs::path target(fileName);
    fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) return kSaveFolderMissing;
    uint64_t bytes = recording_->bytes();
    if (bytes > kMaxWavData) return kRecordingTooLong;
    // Written beside the target and renamed, so a failure never leaves half a file behind.
    fs::path part = target;
    part += ".part";
    errno = 0;
    std::FILE* out = std::fopen(part.c_str(), "wb");
    if (!out) return saveError(errno);
    uint8_t header[audio::kWavHeaderSize];
    audio::writeWavHeader(header, format_, uint32_t(bytes));
    errno = 0;
    bool ok = std::fwrite(header, 1, sizeof header, out) == sizeof header && recording_->copyTo(out);
    ok = std::fflush(out) == 0 && ok;
    int error = errno;
    ok = std::fclose(out) == 0 && ok;
    if (ok) {
        fs::rename(part, target, ec);
        if (!ec) return recording_->cut() ? kRecordingCut : kOk;
        error = ec.value();
    }
    fs::remove(part, ec);
    return saveError(error ? error : EIO);
}

uint32_t WaveAudioDevice::play(MciNotifySink* sink) {
    if (!reader_) return kFilenameRequired;
    if (capturing_) stopRecording();
    if (playing_) stopPlay(kNotifySuperseded);
    playConverter_ = std::make_unique<audio::PcmConverter>(reader_->format(), audio::kCdFormat);
    reader_->rewind();
    playing_ = true;
    playSink_ = sink;
    playStart_ = clock_.now();
    framesRead_ = 0;
    uint64_t generation = ++generation_;
    ticker_.schedule(playStart_, [this, generation](std::unique_lock<std::mutex>& lock) { tick(generation, lock); });
    return kOk;
}

void WaveAudioDevice::stopPlay(uint32_t flags) {
    playing_ = false;
    ++generation_;
    notices_.add(playSink_, flags, id);
    playSink_ = nullptr;
}

void WaveAudioDevice::tick(uint64_t generation, std::unique_lock<std::mutex>& lock) {
    if (generation != generation_ || !playing_) return;
    audio::Micros now = clock_.now();
    const audio::PcmFormat& f = reader_->format();
    uint64_t total = reader_->totalFrames();
    audio::Micros endAt = playStart_ + audio::Micros(total * 1000000 / f.rate);
    uint64_t due = std::min<uint64_t>(total, uint64_t(now - playStart_ + tickMicros_) * f.rate / 1000000 + 1);
    if (due > framesRead_) {
        size_t wanted = size_t(due - framesRead_);
        raw_.resize(wanted * f.blockAlign());
        size_t got = reader_->read(raw_.data(), wanted);
        framesRead_ += got;
        if (got < wanted) total = framesRead_;  // the file shrank under us: end where it ends
        pcm_.clear();
        playConverter_->convert(raw_.data(), got, pcm_);
        if (framesRead_ >= total) playConverter_->flush(pcm_);
        samples_.resize(pcm_.size() / 2);
        std::memcpy(samples_.data(), pcm_.data(), samples_.size() * 2);
        engine_.play(samples_.data(), samples_.size() / 2);
    }
    if (framesRead_ >= total && now >= endAt) {
        stopPlay(MCI_NOTIFY_SUCCESSFUL);
        lock.unlock();
        notices_.flush(lock_);
        lock.lock();
        return;
    }
    audio::Micros next = framesRead_ >= total ? endAt : std::min(endAt, now + tickMicros_);
    ticker_.schedule(std::max(next, now + 1), [this, generation](std::unique_lock<std::mutex>& l) { tick(generation, l); });
}

}  // namespace wl::mci
