// format.h - writing a new, empty "1.10 " volume over the whole current drive.
#pragma once

#include <cstdint>

namespace vxfserver {

// The smallest drive that holds the system area, the edit space, the mirror
// area and one cluster of audio.
constexpr uint32_t kMinimumFormatSectors = 1352812 + 1152;

// Formats the current drive (selected without mount). `formerSectorCount` is
// the count in force when the drive was last mounted: the old super block copy
// at its end is cleared first. Ends with the volume mounted and one open
// project, or with nothing mounted when any step failed.
bool formatDrive(uint32_t formerSectorCount);

}  // namespace vxfserver
