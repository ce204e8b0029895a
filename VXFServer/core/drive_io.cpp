// drive_io.cpp - sector transfers to the current drive, failures turned into the server's errors; the order writes reach the medium.
#include "core/drive_io.h"

#include "core/drive_sharing.h"
#include "core/errors.h"
#include "core/read_only.h"
#include "core/record_io.h"
#include "i1394.h"
#include "core/server_state.h"

namespace vxfserver {

namespace {
constexpr uint32_t kMaxTransfer = 0xFFFF;

bool lbaFits(int64_t lba, uint32_t count) {
    return lba >= 0 && lba + int64_t(count) <= int64_t(0x100000000);
}

// Writes not yet known to be on the medium, by what may depend on them.
struct Unflushed {
    uint32_t driveId = 0;
    bool any = false;
    bool beforeFirstCopies = false;  // audio or a first copy: a later first copy waits for them
    bool firstCopy = false;          // a mirror copy waits for it
};

Unflushed g_unflushed;

// A failed flush is told to the operation that asked for it, and only to it:
// the next one, maybe on another drive, starts with nothing owed.
bool flushDrive(uint32_t driveId) {
    ScsiReply reply{};
    g_unflushed = Unflushed{};
    if (DoScsiCall(driveId, I1394_SCSI_SYNCHRONIZE_CACHE, &reply) != I1394_OK) return fail(VXF_ERR_DISK_WRITE);
    return true;
}

bool mustFlushBefore(WriteOrder order) {
    if (!g_unflushed.any) return false;
    // Writes left on another drive are finished before this one is touched.
    if (g_unflushed.driveId != state().currentDriveId) return true;
    if (order == WriteOrder::FirstCopy) return g_unflushed.beforeFirstCopies;
    if (order == WriteOrder::MirrorCopy) return g_unflushed.firstCopy;
    return false;
}

void noteUnflushed(WriteOrder order) {
    g_unflushed.driveId = state().currentDriveId;
    g_unflushed.any = true;
    g_unflushed.beforeFirstCopies = g_unflushed.beforeFirstCopies || order != WriteOrder::MirrorCopy;
    g_unflushed.firstCopy = g_unflushed.firstCopy || order == WriteOrder::FirstCopy;
}

}  // namespace

bool readSectors(uint32_t lba, uint32_t count, void* buffer) {
    if (count == 0 || count > kMaxTransfer ||
        i1394ReadSector(state().currentDriveId, lba, 0, uint16_t(count), buffer) != I1394_OK) {
        return failRead(lba, count);
    }
    return true;
}

bool writeSectors(uint32_t lba, uint32_t count, const void* buffer, WriteOrder order) {
    if (count == 0 || count > kMaxTransfer) return fail(VXF_ERR_DISK_WRITE);
    // Whatever asked for it, a read-only drive is not written: not a repair, not the bookkeeping.
    if (!refuseReadOnly(state().currentDriveId)) return false;
    if (mustFlushBefore(order) && !flushDrive(g_unflushed.driveId)) return false;
    noteDriveWrite();
    noteUnflushed(order);
    forgetRecordsWritten(lba, count);
    // The drive layer takes a mutable pointer but only reads the data.
    if (i1394WriteSector(state().currentDriveId, lba, 0, uint16_t(count), const_cast<void*>(buffer)) != I1394_OK) {
        return fail(VXF_ERR_DISK_WRITE);
    }
    return true;
}

bool readSectorsAt(int64_t lba, uint32_t count, void* buffer) {
    if (!lbaFits(lba, count)) return failRead(uint32_t(lba), count);
    return readSectors(uint32_t(lba), count, buffer);
}

bool writeSectorsAt(int64_t lba, uint32_t count, const void* buffer, WriteOrder order) {
    if (!lbaFits(lba, count)) return fail(VXF_ERR_DISK_WRITE);
    return writeSectors(uint32_t(lba), count, buffer, order);
}

bool flushWrites() { return !g_unflushed.any || flushDrive(g_unflushed.driveId); }

}  // namespace vxfserver
