#pragma once
// Opening a disc's audio for paranoia, alike for the drive's reads and for the secure reader.
#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>

namespace wl::cdio {

// The audio interface over an open CdIo (a drive or an image), set to take the samples as
// the disc holds them; nullptr when it will not open. Closed with
// cdio_cddap_close_no_free_cdio: the CdIo stays the caller's.
cdrom_drive_t* OpenCddaDrive(CdIo_t* cdio);
// paranoia over that interface with full verification: a sector that will not verify within
// the retries is given up (and reported), never retried for ever. nullptr when it will not start.
cdrom_paranoia_t* StartParanoia(cdrom_drive_t* drive);

}  // namespace wl::cdio
