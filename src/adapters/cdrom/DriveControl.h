#pragma once
// The device layer's extra needs of a drive beyond the CD-ROM access library's six calls:
// the tray and the medium. Implemented by the CD-ROM adapter next to wl::Cdrom; a disc image
// keeps a tray state of its own (while open: not ready, no medium).
#include "platform/Cdrom.h"

namespace wl {

class DriveControl {
public:
    virtual ~DriveControl() = default;
    virtual bool openTray(CdHandle handle) = 0;
    virtual bool closeTray(CdHandle handle) = 0;
    virtual bool trayOpen(CdHandle handle) = 0;
    virtual bool mediaPresent(CdHandle handle) = 0;  // false while the tray is open
};

}  // namespace wl
