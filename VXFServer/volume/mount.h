// mount.h - mounting the current drive's volume and the figures a mounted volume answers.
#pragma once


#include <cstdint>

namespace vxfserver {

// Super block, project list, song bitmap and audio bitmap, each repaired from
// its mirror copy where needed. A failure leaves the volume unmounted.
bool mountVolume();


// The mounted volume's version text, five characters and a NUL.
bool volumeVersion(char* out);

// Free audio space in KiB; 0 when nothing is mounted.
uint32_t freeSpaceKiB();

// The drive's size in KiB and in thousands of bytes, from the sector count in force.
uint32_t driveSizeKiB();
uint32_t driveSizeThousandBytes();

}  // namespace vxfserver
