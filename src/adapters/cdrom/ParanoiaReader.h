#pragma once
// Secure reads through libcdio-paranoia on the drives and disc images of a LibcdioCdrom:
// full paranoia, a retry limit per sector, the drive's cache modelled (an image has no cache).
#include <cstdint>
#include <functional>

#include "adapters/cdrom/LibcdioCdrom.h"
#include "platform/SecureRead.h"

namespace wl {

class ParanoiaReader final : public SecureReader {
public:
    // For tests: stands in for the drive's own sector reads underneath paranoia (realRead
    // reads as the drive would, sectors from begin into out, and returns the sectors read),
    // and paranoia's own simulated faults (CDDA_TEST_* flags).
    using RealRead = std::function<long(void* out, int32_t begin, long sectors)>;
    using ReadHook = std::function<long(void* out, int32_t begin, long sectors, const RealRead& realRead)>;
    struct Options {
        ReadHook readHook;
        int testFlags = 0;
    };

    explicit ParanoiaReader(LibcdioCdrom& cdrom);
    ParanoiaReader(LibcdioCdrom& cdrom, Options options);
    ~ParanoiaReader() override;
    ParanoiaReader(const ParanoiaReader&) = delete;
    ParanoiaReader& operator=(const ParanoiaReader&) = delete;

    bool read(CdHandle handle, uint32_t start, uint32_t count, int retries, uint8_t* out, SecureReadCounts& counts,
              std::vector<SectorRange>& inexact) override;
    void finish() override;
    // For tests: new options from the next read on.
    void setOptions(Options options);

    struct Session;  // defined in the source file

private:
    LibcdioCdrom& cdrom_;
    Options options_;
    std::unique_ptr<Session> session_;
};

}  // namespace wl
