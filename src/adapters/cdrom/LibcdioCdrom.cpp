#include "LibcdioCdrom.h"

#include <cdio/cdio.h>
#include <cdio/mmc.h>
#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "CddaDrive.h"
#include "CdioLog.h"
#include "CueSheet.h"
#include "DiscLayout.h"

namespace wl {
namespace {

namespace fs = std::filesystem;
using cdrom::DiscLayout;

constexpr uint8_t kDriveHostAdapter = 0;
constexpr uint8_t kImageHostAdapter = 1;  // keeps the image apart from any drive's numbers
constexpr int kParanoiaRetries = 20;

void defaultReport(const std::string& message) { std::cerr << message << std::endl; }

DiscLayout readLayout(CdIo_t* cdio) {
    DiscLayout disc;
    const track_t first = cdio_get_first_track_num(cdio);
    const track_t count = cdio_get_num_tracks(cdio);
    if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count == 0) return {};
    for (unsigned t = first; t < unsigned(first) + count && t <= 99; ++t) {
        const lsn_t lsn = cdio_get_track_lsn(cdio, track_t(t));
        if (lsn == CDIO_INVALID_LSN) return {};
        disc.tracks.push_back({uint8_t(t), lsn, cdio_get_track_format(cdio, track_t(t)) == TRACK_FORMAT_AUDIO});
    }
    const lsn_t leadOut = cdio_get_track_lsn(cdio, CDIO_CDROM_LEADOUT_TRACK);
    if (leadOut == CDIO_INVALID_LSN) return {};
    disc.leadOutLsn = leadOut;
    return disc.valid() ? disc : DiscLayout{};
}

// Cuts text to at most max bytes without splitting a UTF-8 sequence.
std::string cutUtf8(std::string text, size_t max) {
    if (text.size() <= max) return text;
    size_t n = max;
    while (n > 0 && (uint8_t(text[n]) & 0xC0) == 0x80) --n;
    text.resize(n);
    return text;
}

std::string trimmed(const char* s) {
    std::string t(s);
    const auto notSpace = [](unsigned char c) { return c != ' ' && c != '\0'; };
    t.erase(t.begin(), std::find_if(t.begin(), t.end(), notSpace));
    t.erase(std::find_if(t.rbegin(), t.rend(), notSpace).base(), t.end());
    return t;
}

std::string driveName(const char* device) {
    CdIo_t* cdio = cdio_open(device, DRIVER_DEVICE);
    std::string name;
    if (cdio != nullptr) {
        cdio_hwinfo_t hw{};
        if (cdio_get_hwinfo(cdio, &hw)) {
            const std::string vendor = trimmed(hw.psz_vendor), model = trimmed(hw.psz_model);
            name = vendor.empty() ? model : model.empty() ? vendor : vendor + " " + model;
        }
        cdio_destroy(cdio);
    }
    return name.empty() ? std::string(device) : name;
}

// Set by the paranoia callback during one verified read on this thread.
thread_local bool tlsParanoiaFailed = false;
void paranoiaCallback(long, paranoia_cb_mode_t mode) {
    if (mode == PARANOIA_CB_READERR || mode == PARANOIA_CB_SKIP) tlsParanoiaFailed = true;
}

}  // namespace

struct LibcdioCdrom::Open {
    std::string source;
    driver_id_t driver = DRIVER_UNKNOWN;
    bool image = false;
    bool verified = false;  // paranoia reads with re-reads
    bool msf = false;
    CdIo_t* cdio = nullptr;
    cdrom_drive_t* drive = nullptr;
    cdrom_paranoia_t* paranoia = nullptr;
    int64_t paranoiaNext = -1;  // block paranoia delivers next without a seek
    DiscLayout disc;

    ~Open() { release(); }

    void release() {
        if (paranoia) cdio_paranoia_free(paranoia);
        if (drive) cdio_cddap_close_no_free_cdio(drive);
        if (cdio) cdio_destroy(cdio);
        paranoia = nullptr;
        drive = nullptr;
        cdio = nullptr;
        paranoiaNext = -1;
    }

    // (Re)opens the source and reads its layout. A drive is reopened so a changed disc
    // is seen; an empty drive still gives a CdIo object but no layout.
    bool reopen() {
        release();
        disc = {};
        cdio = cdio_open(source.c_str(), driver);
        if (cdio == nullptr) return false;
        disc = readLayout(cdio);
        return true;
    }

    bool startParanoia() {
        if (paranoia) return true;
        drive = cdio::OpenCddaDrive(cdio);
        if (drive == nullptr) return false;
        paranoia = cdio::StartParanoia(drive);
        return paranoia != nullptr;
    }

    bool readDirect(uint8_t* out, int32_t start, uint32_t count) {
        return cdio_read_audio_sectors(cdio, out, start, count) == DRIVER_OP_SUCCESS;
    }

    bool readVerified(uint8_t* out, int32_t start, uint32_t count) {
        if (!startParanoia()) return false;
        if (paranoiaNext != start) cdio_paranoia_seek(paranoia, start, SEEK_SET);
        paranoiaNext = -1;
        for (uint32_t i = 0; i < count; ++i) {
            tlsParanoiaFailed = false;
            const int16_t* samples = cdio_paranoia_read_limited(paranoia, paranoiaCallback, kParanoiaRetries);
            if (samples == nullptr || tlsParanoiaFailed) return false;
            uint8_t* frame = out + size_t(i) * kCdFrameBytes;
            // paranoia hands out host-order samples; the data area holds the disc's little-endian bytes
            for (size_t s = 0; s < kCdFrameBytes / 2; ++s) putLe16(frame + 2 * s, uint16_t(samples[s]));
        }
        paranoiaNext = int64_t(start) + count;
        return true;
    }
};

LibcdioCdrom::LibcdioCdrom(std::string discImage, Reporter report, bool verifyImageReads)
    : image_(std::move(discImage)),
      verifyImageReads_(verifyImageReads),
      report_(report ? std::move(report) : Reporter(defaultReport)) {
    cdio::installLogHandler();
    if (!image_.empty()) imageUsable_ = validateImage();
}

LibcdioCdrom::~LibcdioCdrom() = default;

bool LibcdioCdrom::validateImage() {
    const auto refuse = [&](const std::string& why, const std::string& detail = {}) {
        std::string m = "Disc image \"" + image_ + "\" refused: " + why;
        if (!detail.empty()) m += " (" + detail + ")";
        report_(m + ".");
        return false;
    };
    std::error_code ec;
    const auto status = fs::status(image_, ec);
    if (!fs::exists(status)) return refuse("the file does not exist");
    if (fs::is_directory(status)) return refuse("it is a folder, not an image file");
    {
        std::ifstream probe(image_, std::ios::binary);
        char c;
        if (!probe || (!probe.get(c) && !probe.eof())) return refuse("the file cannot be read", std::strerror(errno));
    }
    cdio::LogCapture log;
    char* cueBin = cdio_is_cuefile(image_.c_str());
    std::free(cueBin);
    if (cueBin != nullptr || cdrom::looksLikeCueSheet(image_)) {
        imageDriver_ = DRIVER_BINCUE;
        cue_ = std::make_unique<cdrom::CueImage>(image_);
        if (!cue_->why().empty()) return refuse(cue_->why());
        openPath_ = cue_->openPath().string();
    } else if (cdio_is_tocfile(image_.c_str())) {
        imageDriver_ = DRIVER_CDRDAO;
        openPath_ = image_;
    } else {
        return refuse("it is not a CD image (a CUE sheet or a cdrdao TOC file)", log.joined());
    }
    CdIo_t* cdio = cdio_open(openPath_.c_str(), driver_id_t(imageDriver_));
    if (cdio == nullptr) return refuse("its tracks cannot be opened", log.joined());
    const DiscLayout disc = readLayout(cdio);
    bool lastFrameReadable = true;
    if (disc.valid() && disc.leadOutLsn > disc.tracks.front().startLsn && disc.tracks.back().audio) {
        // A BIN shorter than its sheet claims shows at the last block, not when opened.
        uint8_t frame[kCdFrameBytes];
        lastFrameReadable =
            cdio_read_audio_sectors(cdio, frame, disc.leadOutLsn - 1, 1) == DRIVER_OP_SUCCESS;
    }
    cdio_destroy(cdio);
    if (!disc.valid() || disc.leadOutLsn <= disc.tracks.front().startLsn)
        return refuse("it holds no tracks", log.joined());
    if (!lastFrameReadable) return refuse("its data file is shorter than its track list", log.joined());
    return true;
}

std::vector<LibcdioCdrom::Listed> LibcdioCdrom::enumerate() {
    std::vector<Listed> out;
    if (imageUsable_)
        out.push_back({{kImageHostAdapter, 0, 0}, {}, "Disc image: " + fs::path(image_).filename().string()});
    cdio::LogCapture log;  // probing drives is chatty and none of it is the user's business
    char** devices = cdio_get_devices(DRIVER_DEVICE);
    for (char** d = devices; d != nullptr && *d != nullptr && out.size() < kMaxDrives; ++d) {
        std::error_code ec;
        const fs::path canonical = fs::weakly_canonical(*d, ec);
        const std::string key = ec ? std::string(*d) : canonical.string();
        auto it = driveTargets_.find(key);
        if (it == driveTargets_.end()) {
            if (driveTargets_.size() > 255) continue;
            it = driveTargets_.emplace(key, uint8_t(driveTargets_.size())).first;
        }
        out.push_back({{kDriveHostAdapter, it->second, 0}, *d, driveName(*d)});
    }
    if (devices) cdio_free_device_list(devices);
    return out;
}

int LibcdioCdrom::listIndexOf(const std::string& device) {
    const std::lock_guard lock(mutex_);
    std::error_code ec;
    const fs::path wanted = fs::weakly_canonical(device, ec);
    const auto drives = enumerate();
    for (size_t i = 0; i < drives.size(); ++i) {
        if (drives[i].device.empty()) continue;
        const fs::path listed = fs::weakly_canonical(drives[i].device, ec);
        if (drives[i].device == device || (!wanted.empty() && listed == wanted)) return int(i);
    }
    return -1;
}

void LibcdioCdrom::GetCDList(uint8_t (&list)[kDriveListSize]) {
    const std::lock_guard lock(mutex_);
    const auto drives = enumerate();
    list[1] = uint8_t(drives.size());
    for (size_t i = 0; i < drives.size(); ++i) {
        uint8_t* e = driveEntry(list, i);
        e[0] = drives[i].address.hostAdapter;
        e[1] = drives[i].address.target;
        e[2] = drives[i].address.lun;
        const std::string name = cutUtf8(drives[i].name, kDriveNameCapacity - 1);
        std::memset(e + kDriveNameOffset, 0, kDriveNameCapacity);
        std::memcpy(e + kDriveNameOffset, name.data(), name.size());
    }
}

CdHandle LibcdioCdrom::GetCDHandle(const uint8_t (&request)[kHandleRequestSize]) {
    const std::lock_guard lock(mutex_);
    if (request[0] != kHandleRequestSize || request[1] != 1) return 0;
    const uint8_t method = request[5];
    if (method > 1) return 0;  // 0 = best reads, 1 = direct reads; nothing else is offered
    if (nextHandle_ == 0) return 0;  // every number was handed out once
    const Address wanted{request[2], request[3], request[4]};

    auto open = std::make_unique<Open>();
    if (imageUsable_ && wanted == Address{kImageHostAdapter, 0, 0}) {
        open->source = openPath_;
        open->driver = driver_id_t(imageDriver_);
        open->image = true;
        open->verified = method == 0 && verifyImageReads_;
    } else {
        for (const auto& d : enumerate())
            if (d.address == wanted && !d.device.empty()) open->source = d.device;
        if (open->source.empty()) return 0;
        open->driver = DRIVER_DEVICE;
        open->verified = method == 0;
    }
    cdio::LogCapture log;
    if (!open->reopen()) return 0;
    if (open->image && !open->disc.valid()) return 0;
    const CdHandle handle = nextHandle_++;
    handles_.emplace(handle, std::move(open));
    return handle;
}

void LibcdioCdrom::CloseCDHandle(CdHandle handle) {
    const std::lock_guard lock(mutex_);
    handles_.erase(handle);
}

void LibcdioCdrom::ModifyCDParms(CdHandle handle, int which, uint32_t value) {
    const std::lock_guard lock(mutex_);
    auto it = handles_.find(handle);
    if (it == handles_.end() || which != kCdParmAddressing || value > 1) return;
    it->second->msf = value == 1;
}

int LibcdioCdrom::ReadTOC(CdHandle handle, uint8_t (&toc)[kTocSize]) {
    const std::lock_guard lock(mutex_);
    auto it = handles_.find(handle);
    if (it == handles_.end()) return 0;
    Open& h = *it->second;
    if (h.image && imageTrayOpen_) return 0;
    cdio::LogCapture log;
    if (!h.image && !h.reopen()) return 0;
    if (!h.disc.valid()) return 0;
    cdrom::writeToc(h.disc, h.msf, toc);
    return 1;
}

int LibcdioCdrom::ReadCDAudioLBA(CdHandle handle, uint8_t* buffer, size_t bufferSize) {
    const std::lock_guard lock(mutex_);
    auto it = handles_.find(handle);
    if (it == handles_.end() || buffer == nullptr || bufferSize < kReadBufHeaderSize) return 0;
    Open& h = *it->second;
    putLe32(buffer + kReadBufLength, 0);
    putLe32(buffer + kReadBufOffset, 0);
    putLe32(buffer + kReadBufStatus, 1);

    const uint32_t start = getLe32(buffer + kReadBufStartFrame);
    const uint32_t count = getLe32(buffer + kReadBufFrameCount);
    const uint64_t room = std::min<uint64_t>(getLe32(buffer + kReadBufCapacity), bufferSize - kReadBufHeaderSize);
    const uint64_t bytes = uint64_t(count) * kCdFrameBytes;
    // A short read would shift every later chunk of a rip: refuse rather than truncate.
    if (bytes > room) return 0;

    if (h.image && imageTrayOpen_) return 0;
    cdio::LogCapture log;
    if (!h.disc.valid() && (h.image || !h.reopen())) return 0;
    if (!h.disc.audioRange(start, count)) return 0;
    if (count > 0) {
        uint8_t* data = buffer + kReadBufHeaderSize;
        const bool ok = h.verified ? h.readVerified(data, int32_t(start), count)
                                   : h.readDirect(data, int32_t(start), count);
        if (!ok) return 0;
    }
    putLe32(buffer + kReadBufLength, uint32_t(bytes));
    putLe32(buffer + kReadBufStatus, 0);
    return 1;
}

bool LibcdioCdrom::openTray(CdHandle handle) {
    const std::lock_guard lock(mutex_);
    auto it = handles_.find(handle);
    if (it == handles_.end()) return false;
    Open& h = *it->second;
    if (h.image) {
        imageTrayOpen_ = true;
        return true;
    }
    cdio::LogCapture log;
    h.release();
    h.disc = {};
    return cdio_eject_media_drive(h.source.c_str()) == DRIVER_OP_SUCCESS;
}

bool LibcdioCdrom::closeTray(CdHandle handle) {
    const std::lock_guard lock(mutex_);
    auto it = handles_.find(handle);
    if (it == handles_.end()) return false;
    Open& h = *it->second;
    if (h.image) {
        imageTrayOpen_ = false;
        return true;
    }
    cdio::LogCapture log;
    driver_id_t driver = DRIVER_DEVICE;
    const bool ok = cdio_close_tray(h.source.c_str(), &driver) == DRIVER_OP_SUCCESS;
    h.reopen();
    return ok;
}

bool LibcdioCdrom::trayOpen(CdHandle handle) {
    const std::lock_guard lock(mutex_);
    auto it = handles_.find(handle);
    if (it == handles_.end()) return false;
    Open& h = *it->second;
    if (h.image) return imageTrayOpen_;
    cdio::LogCapture log;
    if (!h.cdio && !h.reopen()) return false;
    return mmc_get_tray_status(h.cdio) == 1;
}

bool LibcdioCdrom::mediaPresent(CdHandle handle) {
    const std::lock_guard lock(mutex_);
    auto it = handles_.find(handle);
    if (it == handles_.end()) return false;
    Open& h = *it->second;
    if (h.image) return !imageTrayOpen_ && h.disc.valid();
    cdio::LogCapture log;
    return h.reopen() && h.disc.valid();
}

bool LibcdioCdrom::withDisc(CdHandle handle, const std::function<void(CdIo_t*)>& use) {
    const std::lock_guard lock(mutex_);
    auto it = handles_.find(handle);
    if (it == handles_.end()) return false;
    Open& h = *it->second;
    if ((h.image && imageTrayOpen_) || h.cdio == nullptr || !h.disc.valid()) return false;
    cdio::LogCapture log;
    use(h.cdio);
    return true;
}

}  // namespace wl
