#pragma once
// A CD-ROM access library in memory: a drive list, a table of contents built from a track
// table, audio frames from a generator, failures on demand. Calls are serialised, as the
// real library's are.
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/Cdrom.h"

namespace wl::test {

struct FakeDrive {
    uint8_t hostAdapter = 0, target = 0, lun = 0;
    std::string name;
};

struct FakeTrack {
    uint32_t frames = 0;  // length in 1/75 s
    bool data = false;
};

class FakeCdrom : public Cdrom {
public:
    std::vector<FakeDrive> drives{{0, 1, 0, "FAKE CD-ROM"}};
    std::vector<FakeTrack> tracks;     // track 1 starts at block 0
    std::set<int> acceptedReadMethods{0, 1};
    bool failReadToc = false;
    bool failReads = false;
    // Sample byte i of a frame; default: a pattern of the block number and offset.
    std::function<uint8_t(uint32_t block, size_t i)> generator;

    std::vector<std::vector<uint8_t>> handleRequests;
    std::vector<CdHandle> closed;
    int readTocCalls = 0;
    // Audio reads asked for (start block, frame count), and reads that fail on purpose: by
    // start block, how many more times a read from there fails (-1 = always).
    std::vector<std::pair<uint32_t, uint32_t>> reads;
    std::map<uint32_t, int> failingReads;

    void GetCDList(uint8_t (&list)[kDriveListSize]) override;
    CdHandle GetCDHandle(const uint8_t (&request)[kHandleRequestSize]) override;
    void CloseCDHandle(CdHandle handle) override;
    void ModifyCDParms(CdHandle handle, int which, uint32_t value) override;
    int ReadTOC(CdHandle handle, uint8_t (&toc)[kTocSize]) override;
    int ReadCDAudioLBA(CdHandle handle, uint8_t* buffer, size_t bufferSize) override;

    uint32_t trackStart(size_t track) const;  // 1-based; tracks.size() + 1 = lead-out
    uint8_t sampleByte(uint32_t block, size_t i) const;
    bool isOpen(CdHandle h) const { return open_.count(h) != 0; }
    // Adds tracks of the given lengths in seconds.
    void setTracksSeconds(std::initializer_list<int> seconds);

private:
    std::map<CdHandle, bool> open_;  // handle -> MSF addressing
    CdHandle next_ = 1;
    std::mutex mutex_;
};

}  // namespace wl::test
