#include "CdPlayer.h"

#include <algorithm>
#include <cstring>

#include "MciErrors.h"
#include "platform/Mci.h"

namespace wl::mci {

namespace {
constexpr uint32_t kNotifyFailure = 0x8;
}

CdPlayer::CdPlayer(Cdrom& cdrom, DriveControl& drive, audio::AudioEngine& engine, audio::Clock& clock,
                   std::mutex& lock, NoticeQueue& notices, CdDriveChoice choice)
    : cdrom_(cdrom), drive_(drive), engine_(engine), clock_(clock), lock_(lock), notices_(notices),
      choice_(std::move(choice)), ticker_(clock, lock) {
    if (choice_.readChunkFrames == 0) choice_.readChunkFrames = 26;
    if (choice_.tickMicros <= 0) choice_.tickMicros = 40000;
}

CdPlayer::~CdPlayer() = default;

uint32_t CdPlayer::open() {
    if (opened_) return kOk;
    uint8_t list[kDriveListSize] = {};
    cdrom_.GetCDList(list);
    size_t count = std::min<size_t>(list[1], kMaxDrives);
    if (count == 0) return kDeviceNotInstalled;
    size_t chosen = 0;
    if (!choice_.namePrefix.empty()) {
        for (size_t i = 0; i < count; ++i) {
            const uint8_t* e = driveEntry(list, i);
            // The name is bounded by its field even if the terminator is missing.
            std::string name(reinterpret_cast<const char*>(e + kDriveNameOffset),
                              strnlen(reinterpret_cast<const char*>(e + kDriveNameOffset), kDriveNameCapacity));
            if (name.compare(0, choice_.namePrefix.size(), choice_.namePrefix) == 0) {
                chosen = i;
                break;
            }
        }
    }
    std::memcpy(address_, driveEntry(list, chosen), 3);
    haveDrive_ = true;
    opened_ = true;
    handle();  // a drive without a readable medium may refuse a handle; retried on use
    return kOk;
}

void CdPlayer::close() {
    stop();
    if (handle_) cdrom_.CloseCDHandle(handle_);
    handle_ = 0;
    opened_ = false;
}

CdHandle CdPlayer::handle() {
    if (handle_ || !haveDrive_) return handle_;
    uint8_t request[kHandleRequestSize] = {};
    request[0] = uint8_t(kHandleRequestSize);
    request[1] = 1;
    std::memcpy(request + 2, address_, 3);
    request[5] = choice_.readMethod;
    handle_ = cdrom_.GetCDHandle(request);
    return handle_;
}

bool CdPlayer::trayOpen() {
    CdHandle h = handle();
    return h && drive_.trayOpen(h);
}

bool CdPlayer::mediaPresent() {
    CdHandle h = handle();
    return h && drive_.mediaPresent(h);
}

CdMode CdPlayer::mode() {
    CdHandle h = handle();
    if (h && drive_.trayOpen(h)) return CdMode::Open;
    if (!h || !drive_.mediaPresent(h)) return CdMode::NotReady;
    return playing_ ? CdMode::Playing : CdMode::Stopped;
}

std::optional<Toc> CdPlayer::toc() {
    if (!ready()) return std::nullopt;
    uint8_t bytes[kTocSize] = {};
    cdrom_.ModifyCDParms(handle_, kCdParmAddressing, 0);
    if (cdrom_.ReadTOC(handle_, bytes) != 1) return std::nullopt;
    return parseToc(bytes);
}

uint32_t CdPlayer::position() {
    if (!playing_) return position_;
    auto elapsed = uint64_t(std::max<audio::Micros>(0, clock_.now() - startedAt_)) * kFramesPerSecond / 1000000;
    return uint32_t(std::min<uint64_t>(to_, from_ + elapsed));
}

uint32_t CdPlayer::openDoor() {
    stop();
    CdHandle h = handle();
    if (!h) return kDeviceNotReady;
    return drive_.openTray(h) ? kOk : kHardware;
}

uint32_t CdPlayer::closeDoor() {
    CdHandle h = handle();
    if (!h) return kDeviceNotReady;
    return drive_.closeTray(h) ? kOk : kHardware;
}

uint32_t CdPlayer::seek(uint32_t block) {
    stop();
    position_ = block;
    return kOk;
}

uint32_t CdPlayer::play(uint32_t from, uint32_t to, MciNotifySink* sink, uint32_t deviceId) {
    if (playing_) endPlay(MCI_NOTIFY_ABORTED);
    position_ = from;
    if (to <= from) {
        notices_.add(sink, MCI_NOTIFY_SUCCESSFUL, deviceId);
        return kOk;
    }
    playing_ = true;
    sink_ = sink;
    sinkDevice_ = deviceId;
    from_ = next_ = from;
    to_ = to;
    startedAt_ = clock_.now();
    ++generation_;
    engine_.cdStarted();
    schedule(startedAt_);
    return kOk;
}

void CdPlayer::stop() {
    if (playing_) {
        position_ = position();
        endPlay(MCI_NOTIFY_ABORTED);
    }
}

void CdPlayer::endPlay(uint32_t flags) {
    playing_ = false;
    ++generation_;
    engine_.cdStopped();
    notices_.add(sink_, flags, sinkDevice_);
    sink_ = nullptr;
}

void CdPlayer::schedule(audio::Micros when) {
    uint64_t generation = generation_;
    ticker_.schedule(when, [this, generation](std::unique_lock<std::mutex>& lock) { tick(generation, lock); });
}

bool CdPlayer::deliver(uint32_t frames) {
    while (frames > 0) {
        uint32_t chunk = std::min(frames, choice_.readChunkFrames);
        size_t capacity = size_t(chunk) * kCdFrameBytes;
        buffer_.assign(kReadBufHeaderSize + capacity, 0);
        putLe32(buffer_.data() + kReadBufStartFrame, next_);
        putLe32(buffer_.data() + kReadBufFrameCount, chunk);
        putLe32(buffer_.data() + kReadBufCapacity, uint32_t(capacity));
        bool ok = false;
        // One retry: a real drive sometimes fails a read it manages the second time.
        for (int attempt = 0; attempt < 2 && !ok; ++attempt)
            ok = cdrom_.ReadCDAudioLBA(handle_, buffer_.data(), buffer_.size()) == 1;
        if (!ok) return false;
        uint32_t length = getLe32(buffer_.data() + kReadBufLength);
        uint32_t offset = getLe32(buffer_.data() + kReadBufOffset);
        uint32_t got = length / kCdFrameBytes;
        if (got == 0 || got > chunk || size_t(offset) + size_t(got) * kCdFrameBytes > capacity) return false;
        const uint8_t* audio = buffer_.data() + kReadBufHeaderSize + offset;
        samples_.resize(size_t(got) * kCdFrameBytes / 2);
        for (size_t i = 0; i < samples_.size(); ++i) samples_[i] = int16_t(getLe16(audio + 2 * i));
        engine_.cdFrames(samples_.data(), samples_.size() / 2, audible_);
        next_ += got;
        frames -= got;
    }
    return true;
}

void CdPlayer::tick(uint64_t generation, std::unique_lock<std::mutex>& lock) {
    if (generation != generation_ || !playing_) return;
    audio::Micros now = clock_.now();
    audio::Micros endAt = startedAt_ + audio::Micros(uint64_t(to_ - from_) * 1000000 / kFramesPerSecond);
    // Frames go out slightly ahead of time so the output never runs dry between ticks.
    uint64_t lead = uint64_t(choice_.tickMicros) * kFramesPerSecond / 1000000 + 2;
    uint64_t elapsed = uint64_t(std::max<audio::Micros>(0, now - startedAt_)) * kFramesPerSecond / 1000000;
    uint32_t target = uint32_t(std::min<uint64_t>(to_, from_ + elapsed + lead));
    if (target > next_ && (!handle_ || !deliver(target - next_))) {
        position_ = next_;
        endPlay(kNotifyFailure);
    } else if (next_ >= to_ && now >= endAt) {
        position_ = to_;
        endPlay(MCI_NOTIFY_SUCCESSFUL);
    } else {
        schedule(next_ >= to_ ? endAt : std::min(endAt, now + choice_.tickMicros));
        return;
    }
    lock.unlock();
    notices_.flush(lock_);
    lock.lock();
}

}  // namespace wl::mci
