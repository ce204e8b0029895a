// drive_io.h - sector transfers to the current drive, failures turned into the server's errors.
#pragma once

#include <cstdint>

namespace vxfserver {

// At most 65535 sectors per call. A refused read records its range and sets
// VXF_ERR_DISK_READ; a refused write sets VXF_ERR_DISK_WRITE.
bool readSectors(uint32_t lba, uint32_t count, void* buffer);
bool writeSectors(uint32_t lba, uint32_t count, const void* buffer);

// A 64-bit LBA from mirror arithmetic: one that is negative or past 32 bits
// is refused like a transfer the drive refused.
bool readSectorsAt(int64_t lba, uint32_t count, void* buffer);
bool writeSectorsAt(int64_t lba, uint32_t count, const void* buffer);

}  // namespace vxfserver
