#include "adapters/cdrom/ParanoiaReader.h"

#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "adapters/cdrom/CddaDrive.h"
#include "platform/Bytes.h"

namespace wl {
namespace {

// What paranoia's callback (which carries no context of its own) reports to, during one
// sector's read on this thread.
struct Tally {
    SecureReadCounts* counts = nullptr;
    std::vector<long> gaveUp;  // the sectors paranoia gave up on
};
thread_local Tally* tlsTally = nullptr;

void tallyCallback(long position, paranoia_cb_mode_t mode) {
    Tally* t = tlsTally;
    if (t == nullptr || t->counts == nullptr) return;
    switch (mode) {
    case PARANOIA_CB_READ: ++t->counts->reads; break;
    case PARANOIA_CB_VERIFY: ++t->counts->verifications; break;
    case PARANOIA_CB_FIXUP_EDGE:
    case PARANOIA_CB_FIXUP_ATOM:
    case PARANOIA_CB_FIXUP_DROPPED:
    case PARANOIA_CB_FIXUP_DUPED: ++t->counts->corrections; break;
    case PARANOIA_CB_SKIP:
        ++t->counts->skips;
        // paranoia names the place in 16-bit words from the disc's start
        if (position >= 0) t->gaveUp.push_back(position / long(CD_FRAMEWORDS));
        break;
    case PARANOIA_CB_READERR: ++t->counts->readErrors; break;
    default: break;
    }
}

thread_local ParanoiaReader::Session* tlsHooked = nullptr;

}  // namespace

struct ParanoiaReader::Session {
    CdHandle handle = 0;
    CdIo_t* cdio = nullptr;
    cdrom_drive_t* drive = nullptr;
    cdrom_paranoia_t* paranoia = nullptr;
    int64_t next = -1;  // the sector paranoia delivers next without a seek
    const ReadHook* hook = nullptr;
    long (*realRead)(cdrom_drive_t*, void*, lsn_t, long) = nullptr;

    ~Session() {
        if (paranoia) cdio_paranoia_free(paranoia);
        if (drive) cdio_cddap_close_no_free_cdio(drive);
    }

    static long hookedRead(cdrom_drive_t* d, void* p, lsn_t begin, long sectors) {
        Session* s = tlsHooked;
        if (s == nullptr || s->hook == nullptr || !*s->hook) return s ? s->realRead(d, p, begin, sectors) : -1;
        return (*s->hook)(p, begin, sectors, [&](void* out, int32_t from, long n) { return s->realRead(d, out, from, n); });
    }

    bool start(CdIo_t* on, const Options& options) {
        cdio = on;
        drive = cdio::OpenCddaDrive(cdio);
        if (drive == nullptr) return false;
        drive->i_test_flags = options.testFlags;
        if (options.readHook) {
            hook = &options.readHook;
            realRead = drive->read_audio;
            drive->read_audio = hookedRead;
        }
        paranoia = cdio::StartParanoia(drive);
        if (paranoia == nullptr) return false;
        // paranoia's own model of the drive's cache stays as it is: a cache model of zero
        // sectors (an image has no cache) makes its cache-busting seek loop for ever.
        return true;
    }
};

ParanoiaReader::ParanoiaReader(LibcdioCdrom& cdrom) : cdrom_(cdrom) {}

ParanoiaReader::ParanoiaReader(LibcdioCdrom& cdrom, Options options) : cdrom_(cdrom), options_(std::move(options)) {}

ParanoiaReader::~ParanoiaReader() = default;

void ParanoiaReader::finish() { session_.reset(); }

void ParanoiaReader::setOptions(Options options) {
    session_.reset();
    options_ = std::move(options);
}

bool ParanoiaReader::read(CdHandle handle, uint32_t start, uint32_t count, int retries, uint8_t* out,
                          SecureReadCounts& counts, std::vector<SectorRange>& inexact) {
    bool ok = false;
    const bool reached = cdrom_.withDisc(handle, [&](CdIo_t* cdio) {
        // Another handle, or the drive reopened for a new disc: a new session.
        if (session_ && (session_->handle != handle || session_->cdio != cdio)) session_.reset();
        if (!session_) {
            auto fresh = std::make_unique<Session>();
            fresh->handle = handle;
            if (!fresh->start(cdio, options_)) return;
            session_ = std::move(fresh);
        }
        Session& s = *session_;
        std::vector<int16_t> scratch(size_t(count) * kCdFrameBytes / 2);
        if (s.next != int64_t(start)) cdio_paranoia_seek(s.paranoia, int32_t(start), SEEK_SET);
        s.next = -1;
        Tally tally{&counts, {}};
        tlsTally = &tally;
        tlsHooked = &s;
        std::vector<SectorRange> found;
        for (uint32_t i = 0; i < count; ++i) {
            const int16_t* samples = cdio_paranoia_read_limited(s.paranoia, tallyCallback, retries);
            if (samples == nullptr) {
                tlsTally = nullptr;
                tlsHooked = nullptr;
                return;
            }
            std::copy(samples, samples + kCdFrameBytes / 2, scratch.begin() + ptrdiff_t(i) * ptrdiff_t(kCdFrameBytes / 2));
            for (const long at : tally.gaveUp) {
                const uint32_t sector = uint32_t(at);
                if (!found.empty() && found.back().last + 1 >= sector && sector >= found.back().first)
                    found.back().last = std::max(found.back().last, sector);
                else
                    found.push_back({sector, sector});
            }
            tally.gaveUp.clear();
        }
        tlsTally = nullptr;
        tlsHooked = nullptr;
        // paranoia hands out host-order samples; the rip wants the disc's little-endian bytes.
        for (size_t k = 0; k < scratch.size(); ++k) putLe16(out + 2 * k, uint16_t(scratch[k]));
        for (const SectorRange& r : found) {
            if (!inexact.empty() && inexact.back().last + 1 == r.first) inexact.back().last = r.last;
            else inexact.push_back(r);
        }
        s.next = int64_t(start) + count;
        ok = true;
    });
    return reached && ok;
}

}  // namespace wl
