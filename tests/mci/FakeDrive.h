#pragma once
// A CD drive for the device layer's tests: a track table, frames generated from their block
// number, a tray, and a switch to make reads fail.
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "adapters/cdrom/DriveControl.h"
#include "platform/Bytes.h"
#include "platform/Cdrom.h"

namespace wl::test {

class FakeDrive : public Cdrom, public DriveControl {
public:
    // Track lengths in frames; track 1 starts at block 0.
    explicit FakeDrive(std::vector<uint32_t> lengths, std::vector<std::string> names = {"FAKE CD-ROM"})
        : names_(std::move(names)) {
        uint32_t at = 0;
        for (uint32_t n : lengths) {
            starts_.push_back(at);
            at += n;
        }
        leadOut_ = at;
    }

    static uint8_t byteAt(uint32_t block, size_t i) {
        // Never zero, so leading silence is told apart from the disc.
        return uint8_t((block * 131u + uint32_t(i) * 7u) % 251u + 1u);
    }
    std::vector<uint8_t> bytes(uint32_t from, uint32_t to) const {
        std::vector<uint8_t> out;
        for (uint32_t b = from; b < to; ++b)
            for (size_t i = 0; i < kCdFrameBytes; ++i) out.push_back(byteAt(b, i));
        return out;
    }
    uint32_t start(int track) const { return starts_[size_t(track - 1)]; }
    uint32_t leadOut() const { return leadOut_; }

    bool trayIsOpen = false;
    bool failReads = false;
    bool refuseTray = false;
    int readCalls = 0;
    std::vector<uint8_t> lastRequest;

    void GetCDList(uint8_t (&list)[kDriveListSize]) override {
        list[1] = uint8_t(names_.size());
        for (size_t i = 0; i < names_.size(); ++i) {
            uint8_t* e = driveEntry(list, i);
            e[0] = uint8_t(i);
            e[1] = 0;
            e[2] = 0;
            std::strncpy(reinterpret_cast<char*>(e + kDriveNameOffset), names_[i].c_str(), kDriveNameCapacity - 1);
        }
    }
    CdHandle GetCDHandle(const uint8_t (&request)[kHandleRequestSize]) override {
        lastRequest.assign(request, request + kHandleRequestSize);
        if (request[2] >= names_.size()) return 0;
        handles_[next_] = request[2];
        return next_++;
    }
    void CloseCDHandle(CdHandle h) override { handles_.erase(h); }
    void ModifyCDParms(CdHandle h, int which, uint32_t value) override {
        if (valid(h) && which == kCdParmAddressing) msf_[h] = value == 1;
    }
    int ReadTOC(CdHandle h, uint8_t (&toc)[kTocSize]) override {
        if (!valid(h) || trayIsOpen) return 0;
        toc[2] = 1;
        toc[3] = uint8_t(starts_.size());
        for (size_t k = 0; k <= starts_.size(); ++k) {
            uint8_t* e = tocEntry(toc, k);
            e[1] = 0x10;
            e[2] = k < starts_.size() ? uint8_t(k + 1) : kLeadOutTrack;
            uint32_t block = k < starts_.size() ? starts_[k] : leadOut_;
            if (msf_[h]) {
                uint32_t a = block + 150;
                e[5] = uint8_t(a / 4500);
                e[6] = uint8_t(a / 75 % 60);
                e[7] = uint8_t(a % 75);
            } else {
                putBe32(e + 4, block);
            }
        }
        putBe16(toc, uint16_t(2 + 8 * (starts_.size() + 1)));
        return 1;
    }
    int ReadCDAudioLBA(CdHandle h, uint8_t* buffer, size_t size) override {
        ++readCalls;
        if (!valid(h) || trayIsOpen || failReads || size < kReadBufHeaderSize) return 0;
        uint32_t start = getLe32(buffer + kReadBufStartFrame), count = getLe32(buffer + kReadBufFrameCount);
        uint32_t capacity = getLe32(buffer + kReadBufCapacity);
        if (start + count > leadOut_ || size_t(count) * kCdFrameBytes > std::min<size_t>(capacity, size - kReadBufHeaderSize))
            return 0;
        for (uint32_t f = 0; f < count; ++f)
            for (size_t i = 0; i < kCdFrameBytes; ++i)
                buffer[kReadBufHeaderSize + f * kCdFrameBytes + i] = byteAt(start + f, i);
        putLe32(buffer + kReadBufLength, uint32_t(count * kCdFrameBytes));
        putLe32(buffer + kReadBufOffset, 0);
        return 1;
    }

    bool openTray(CdHandle h) override {
        if (!valid(h) || refuseTray) return false;
        trayIsOpen = true;
        return true;
    }
    bool closeTray(CdHandle h) override {
        if (!valid(h) || refuseTray) return false;
        trayIsOpen = false;
        return true;
    }
    bool trayOpen(CdHandle h) override { return valid(h) && trayIsOpen; }
    bool mediaPresent(CdHandle h) override { return valid(h) && !trayIsOpen; }

private:
    bool valid(CdHandle h) const { return h != 0 && handles_.count(h) != 0; }
    std::vector<std::string> names_;
    std::vector<uint32_t> starts_;
    uint32_t leadOut_ = 0;
    std::map<CdHandle, uint8_t> handles_;
    std::map<CdHandle, bool> msf_;
    CdHandle next_ = 1;
};

}  // namespace wl::test
