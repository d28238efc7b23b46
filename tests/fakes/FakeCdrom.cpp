#include "FakeCdrom.h"

#include <algorithm>
#include <cstring>

namespace wl::test {

void FakeCdrom::GetCDList(uint8_t (&list)[kDriveListSize]) {
    const std::lock_guard lock(mutex_);
    size_t n = std::min(drives.size(), kMaxDrives);
    list[1] = uint8_t(n);
    for (size_t i = 0; i < n; ++i) {
        uint8_t* e = driveEntry(list, i);
        e[0] = drives[i].hostAdapter;
        e[1] = drives[i].target;
        e[2] = drives[i].lun;
        std::memset(e + kDriveNameOffset, 0, kDriveNameCapacity);
        std::memcpy(e + kDriveNameOffset, drives[i].name.data(), std::min(drives[i].name.size(), kDriveNameCapacity - 1));
    }
}

CdHandle FakeCdrom::GetCDHandle(const uint8_t (&request)[kHandleRequestSize]) {
    const std::lock_guard lock(mutex_);
    handleRequests.emplace_back(request, request + kHandleRequestSize);
    if (request[0] != 12 || !acceptedReadMethods.count(request[5])) return 0;
    bool known = std::any_of(drives.begin(), drives.end(), [&](const FakeDrive& d) {
        return d.hostAdapter == request[2] && d.target == request[3] && d.lun == request[4];
    });
    if (!known) return 0;
    CdHandle h = next_++;
    open_[h] = false;
    return h;
}

void FakeCdrom::CloseCDHandle(CdHandle handle) {
    const std::lock_guard lock(mutex_);
    closed.push_back(handle);
    open_.erase(handle);
}

void FakeCdrom::ModifyCDParms(CdHandle handle, int which, uint32_t value) {
    const std::lock_guard lock(mutex_);
    auto it = open_.find(handle);
    if (it != open_.end() && which == kCdParmAddressing) it->second = value == 1;
}

uint32_t FakeCdrom::trackStart(size_t track) const {
    uint32_t start = 0;
    for (size_t i = 1; i < track && i <= tracks.size(); ++i) start += tracks[i - 1].frames;
    return start;
}

void FakeCdrom::setTracksSeconds(std::initializer_list<int> seconds) {
    tracks.clear();
    for (int s : seconds) tracks.push_back(FakeTrack{uint32_t(s) * 75, false});
}

int FakeCdrom::ReadTOC(CdHandle handle, uint8_t (&toc)[kTocSize]) {
    const std::lock_guard lock(mutex_);
    ++readTocCalls;
    auto it = open_.find(handle);
    if (it == open_.end() || failReadToc || tracks.empty()) return 0;
    const bool msf = it->second;
    const size_t n = std::min(tracks.size(), size_t(99));
    putBe16(toc, uint16_t(2 + 8 * (n + 1)));
    toc[2] = 1;
    toc[3] = uint8_t(n);
    for (size_t k = 0; k <= n; ++k) {
        uint8_t* e = tocEntry(toc, k);
        std::memset(e, 0, kTocEntrySize);
        bool leadOut = k == n;
        e[1] = (!leadOut && tracks[k].data) ? 0x14 : 0x10;
        e[2] = leadOut ? kLeadOutTrack : uint8_t(k + 1);
        uint32_t block = trackStart(k + 1);
        if (msf) {
            uint32_t f = block + 150;
            e[5] = uint8_t(f / (60 * 75));
            e[6] = uint8_t((f / 75) % 60);
            e[7] = uint8_t(f % 75);
        } else {
            putBe32(e + 4, block);
        }
    }
    return 1;
}

uint8_t FakeCdrom::sampleByte(uint32_t block, size_t i) const {
    if (generator) return generator(block, i);
    return uint8_t((block * 7 + i * 13) & 0xFF);
}

int FakeCdrom::ReadCDAudioLBA(CdHandle handle, uint8_t* buffer, size_t bufferSize) {
    const std::lock_guard lock(mutex_);
    if (!open_.count(handle) || failReads || !buffer || bufferSize < kReadBufHeaderSize) return 0;
    putLe32(buffer + kReadBufLength, 0);
    putLe32(buffer + kReadBufOffset, 0);
    uint32_t start = getLe32(buffer + kReadBufStartFrame);
    uint32_t count = getLe32(buffer + kReadBufFrameCount);
    reads.emplace_back(start, count);
    if (auto f = failingReads.find(start); f != failingReads.end() && f->second != 0) {
        if (f->second > 0) --f->second;
        return 0;
    }
    uint32_t capacity = getLe32(buffer + kReadBufCapacity);
    size_t room = std::min<size_t>(capacity, bufferSize - kReadBufHeaderSize);
    uint64_t bytes = uint64_t(count) * kCdFrameBytes;
    if (bytes > room || uint64_t(start) + count > trackStart(tracks.size() + 1)) return 0;
    uint8_t* data = buffer + kReadBufHeaderSize;
    for (uint32_t f = 0; f < count; ++f)
        for (size_t i = 0; i < kCdFrameBytes; ++i) data[f * kCdFrameBytes + i] = sampleByte(start + f, i);
    putLe32(buffer + kReadBufLength, uint32_t(bytes));
    putLe32(buffer + kReadBufOffset, 0);
    return 1;
}

}  // namespace wl::test
