// upgrade.h - turning a mounted "1.00 " volume into a "1.10 " volume over the whole drive.
#pragma once

namespace vxfserver {

// Whether the mounted volume is of version "1.10 " already (nothing to upgrade).
bool volumeIsCurrentVersion();

// Upgrades the mounted "1.00 " volume in place: every mirror copy moves from
// the capped end of the drive to its real end, the drive, its projects and
// their songs get extended names from their short names, and on a drive of
// more than 0x0FFFFFFF sectors the audio space grows to the drive's end with
// the audio bitmap rebuilt from the clusters the songs use. Songs and audio
// stay where they are: when that would need another cluster size while some
// song owns audio, VXF_ERR_UPGRADE_INVALID before anything is written. The
// primary project stays primary; no song is current afterwards.
bool upgradeVolume();

}  // namespace vxfserver
