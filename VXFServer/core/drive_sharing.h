// drive_sharing.h - the drives this program claims, for one export or held across many; other programs' changes noticed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/drive_claim.h"

namespace vxfserver {

// The longest an export waits for another program to finish with its drive:
// long enough for a short operation (a create, a rename), short enough that
// a desktop stays responsive when a long one holds the drive.
constexpr uint32_t kExportWaitMilliseconds = 2000;

// Claims the drive of the open slot `slotIndex` for one export. A drive this
// program holds already is used as it stands; otherwise its lock is taken,
// waiting up to kExportWaitMilliseconds. If another program changed the drive
// since this one last saw it, what is loaded of it is forgotten, so the
// selection that follows reads it afresh. VXF_ERR_DRIVE_LOCKED while another
// program keeps the drive. A drive whose store cannot be opened is not
// claimed: the drive layer then reports what is wrong with it.
bool claimForExport(size_t slotIndex, ClaimPurpose purpose);
// Ends the claim of the export (the lock goes unless the drive is held).
void endExportClaim();

// Holds the drive of the slot across exports until released or the slot is
// closed; waits up to `waitMilliseconds` for another program.
bool holdDrive(size_t slotIndex, ClaimPurpose purpose, uint32_t waitMilliseconds);
bool releaseHeldDrive(size_t slotIndex);
// The slot is closed: its hold ends, and a store nothing holds is let go.
void forgetSlotClaims(size_t slotIndex);

// Whether the running export's drive is held across exports by this program.
bool exportDriveIsHeld();

// The current export is about to write to its drive: the first write of a
// claim counts one change, before it lands, for the other programs to notice
// even when this one dies half way.
void noteDriveWrite();

// Release counts of record slots of the running export's drive (0 when it
// has none); the export gives up a slot: counted for every program.
uint32_t recordReleases(DriveClaim::Slot kind, uint32_t index);
void noteRecordReleased(DriveClaim::Slot kind, uint32_t index);

// True once after the current drive was forgotten because another program
// changed it: the selection re-reads it without writing any bookkeeping of
// its own (which would count as a change in turn).
bool takeRefreshAfterForeignChange();

// Changes counted on the slot's drive by every program, and whether another
// program holds it now. Reads nothing of the drive's sectors.
bool driveChangeState(size_t slotIndex, uint64_t& count, bool& busy);

// What the latest refusal said of the other program ("drive 1 (studio-a.img)
// is being changed by vxf (pid 4242); try again when it has finished"), or
// empty when the latest export was not refused for another program.
const std::string& lastRefusalText();

// Lets go of every claim: the library is unloaded or reset.
void forgetAllClaims();

}  // namespace vxfserver
