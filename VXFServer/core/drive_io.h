// drive_io.h - sector transfers to the current drive, failures turned into the server's errors; the order writes reach the medium.
#pragma once

#include <cstdint>

namespace vxfserver {

// What a write must wait for before it may reach the medium. The drive (or
// the page cache of an image) may keep writes and lay them down in any
// order; a flush in between is what orders them.
enum class WriteOrder {
    Any,         // audio and the like: no order among its neighbours
    FirstCopy,   // a record's first copy: after everything before it but mirror copies
    MirrorCopy,  // a record's mirror copy: after its first copy
};

// At most 65535 sectors per call. A refused read records its range and sets
// VXF_ERR_DISK_READ; a refused write sets VXF_ERR_DISK_WRITE.
bool readSectors(uint32_t lba, uint32_t count, void* buffer);
bool writeSectors(uint32_t lba, uint32_t count, const void* buffer, WriteOrder order = WriteOrder::Any);

// A 64-bit LBA from mirror arithmetic: one that is negative or past 32 bits
// is refused like a transfer the drive refused.
bool readSectorsAt(int64_t lba, uint32_t count, void* buffer);
bool writeSectorsAt(int64_t lba, uint32_t count, const void* buffer, WriteOrder order = WriteOrder::Any);

// Everything written to the current drive is on the medium; VXF_ERR_DISK_WRITE
// when the drive cannot say so. Nothing to do when nothing was written.
bool flushWrites();

}  // namespace vxfserver
