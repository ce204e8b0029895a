// drive_io.cpp - sector transfers to the current drive, failures turned into the server's errors.
#include "drive_io.h"

#include "errors.h"
#include "i1394.h"
#include "server_state.h"

namespace vxfserver {

namespace {
constexpr uint32_t kMaxTransfer = 0xFFFF;

bool lbaFits(int64_t lba, uint32_t count) {
    return lba >= 0 && lba + int64_t(count) <= int64_t(0x100000000);
}
}  // namespace

bool readSectors(uint32_t lba, uint32_t count, void* buffer) {
    if (count == 0 || count > kMaxTransfer ||
        i1394ReadSector(state().currentDriveId, lba, 0, uint16_t(count), buffer) != I1394_OK) {
        return failRead(lba, count);
    }
    return true;
}

bool writeSectors(uint32_t lba, uint32_t count, const void* buffer) {
    // The drive layer takes a mutable pointer but only reads the data.
    if (count == 0 || count > kMaxTransfer ||
        i1394WriteSector(state().currentDriveId, lba, 0, uint16_t(count), const_cast<void*>(buffer)) != I1394_OK) {
        return fail(VXF_ERR_DISK_WRITE);
    }
    return true;
}

bool readSectorsAt(int64_t lba, uint32_t count, void* buffer) {
    if (!lbaFits(lba, count)) return failRead(uint32_t(lba), count);
    return readSectors(uint32_t(lba), count, buffer);
}

bool writeSectorsAt(int64_t lba, uint32_t count, const void* buffer) {
    if (!lbaFits(lba, count)) return fail(VXF_ERR_DISK_WRITE);
    return writeSectors(uint32_t(lba), count, buffer);
}

}  // namespace vxfserver
