#pragma once
// A track's checksums summed on a thread of their own while the rip goes on reading and
// writing on its own one: with two cores the sums cost the rip next to nothing.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "verify/AccurateRip.h"

namespace wl {

class ChecksumWorker {
public:
    explicit ChecksumWorker(const TrackChecksums& start);
    ~ChecksumWorker();
    ChecksumWorker(const ChecksumWorker&) = delete;
    ChecksumWorker& operator=(const ChecksumWorker&) = delete;

    // Copies the audio; waits only while a few megabytes are still unsummed.
    void add(const uint8_t* pcm, size_t bytes);
    // The sums over everything added, once the thread has caught up.
    TrackChecksums finish();

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
    struct Thread;
    std::unique_ptr<Thread> thread_;
};

}  // namespace wl
