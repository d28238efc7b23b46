#include "CddaDrive.h"

namespace wl::cdio {

cdrom_drive_t* OpenCddaDrive(CdIo_t* cdio) {
    cdrom_drive_t* drive = cdio_cddap_identify_cdio(cdio, CDDA_MESSAGE_FORGETIT, nullptr);
    if (drive == nullptr) return nullptr;
    if (cdio_cddap_open(drive) != 0) {
        cdio_cddap_close_no_free_cdio(drive);
        return nullptr;
    }
    // Audio on a CD is little-endian whatever the drive; paranoia's guess from the signal
    // can be wrong (it swaps noise-like audio) and would corrupt the rip.
    drive->bigendianp = 0;
    return drive;
}

cdrom_paranoia_t* StartParanoia(cdrom_drive_t* drive) {
    cdrom_paranoia_t* paranoia = cdio_paranoia_init(drive);
    if (paranoia != nullptr) cdio_paranoia_modeset(paranoia, PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP);
    return paranoia;
}

}  // namespace wl::cdio
