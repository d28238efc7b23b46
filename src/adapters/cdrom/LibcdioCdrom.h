#pragma once
// The CD-ROM access library over libcdio: the machine's drives plus, optionally, one disc
// image (CUE/BIN or cdrdao TOC) that behaves as one more drive, listed first.
// Every call holds one lock for its whole run: the device layer reads audio on its clock
// thread while the program reads tables of contents on the window's thread, and libcdio's
// objects are not safe to share.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include <cdio/cdio.h>

#include "platform/Cdrom.h"
#include "adapters/cdrom/DriveControl.h"

namespace wl {
namespace cdrom {
class CueImage;
}

class LibcdioCdrom final : public Cdrom, public DriveControl {
public:
    using Reporter = std::function<void(const std::string&)>;

    // discImage: "" for none. An image that cannot be used is reported once through
    // report (default: a line on standard error) and left out of the drive list.
    // verifyImageReads: read method 0 goes through paranoia on the image too, as on a drive
    // (direct reads are exact on an image; this lets the verified path run without a drive).
    explicit LibcdioCdrom(std::string discImage = {}, Reporter report = {}, bool verifyImageReads = false);
    ~LibcdioCdrom() override;
    LibcdioCdrom(const LibcdioCdrom&) = delete;
    LibcdioCdrom& operator=(const LibcdioCdrom&) = delete;

    // False when a disc image was named and refused (the reason went to report).
    bool imageUsable() const { return image_.empty() || imageUsable_; }
    // The drive list's entry of a drive named by its device (a link to it will do); -1 when
    // the list has no such drive.
    int listIndexOf(const std::string& device);

    void GetCDList(uint8_t (&list)[kDriveListSize]) override;
    CdHandle GetCDHandle(const uint8_t (&request)[kHandleRequestSize]) override;
    void CloseCDHandle(CdHandle handle) override;
    void ModifyCDParms(CdHandle handle, int which, uint32_t value) override;
    int ReadTOC(CdHandle handle, uint8_t (&toc)[kTocSize]) override;
    int ReadCDAudioLBA(CdHandle handle, uint8_t* buffer, size_t bufferSize) override;

    // The tray: a real drive's through libcdio; the image keeps a tray of its own, and while
    // it is open the image is not ready and has no medium.
    bool openTray(CdHandle handle) override;
    bool closeTray(CdHandle handle) override;
    bool trayOpen(CdHandle handle) override;
    bool mediaPresent(CdHandle handle) override;

    // Runs `use` on the handle's libcdio object, under the lock every call holds (the
    // CD-Text reader lives beside the six calls). False for an unknown handle, an open tray
    // or a drive without a disc.
    bool withDisc(CdHandle handle, const std::function<void(CdIo_t*)>& use);

    struct Open;  // one opened handle; defined in the source file

private:
    struct Address {
        uint8_t hostAdapter, target, lun;
        auto operator<=>(const Address&) const = default;
    };
    struct Listed {
        Address address;
        std::string device;  // "" for the disc image
        std::string name;
    };

    std::vector<Listed> enumerate();
    bool validateImage();

    std::string image_;
    std::string openPath_;  // what libcdio opens: the image, or a private copy of its sheet
    std::unique_ptr<cdrom::CueImage> cue_;
    bool imageUsable_ = false;
    bool imageTrayOpen_ = false;
    bool verifyImageReads_ = false;
    int imageDriver_ = 0;  // libcdio's driver_id_t for the image
    Reporter report_;
    std::map<std::string, uint8_t> driveTargets_;  // device path -> our target number, stable
    std::map<CdHandle, std::unique_ptr<Open>> handles_;
    CdHandle nextHandle_ = 1;
    std::mutex mutex_;  // guards everything above and every libcdio object reached through it
};

}  // namespace wl
