// export_frame.cpp - the frame every handle export runs in: selection, lock check, last error.
#include "api/export_frame.h"

#include "core/drive_io.h"
#include "core/drive_sharing.h"
#include "api/handles.h"
#include "core/loaded_state.h"
#include "core/read_only.h"
#include "core/record_io.h"
#include "song/song_commit.h"
#include "core/server_state.h"

namespace vxfserver {

bool requireServerStarted() { return state().startError == VXF_OK || fail(state().startError); }

namespace {

// The slot the handle names, or -1 (the selection reports the bad handle).
int slotOfHandle(uint32_t handle) {
    for (size_t i = 0; i < kDriveSlots; ++i) {
        if (state().slots[i].inUse != 0 && state().slots[i].handle == handle) return int(i);
    }
    return -1;
}

}  // namespace

bool enterExport(uint32_t handle, Frame frame, uint32_t* formerSectorCount) {
    if (!requireServerStarted()) return false;
    forgetReadOnlyAnswers();
    const int slot = slotOfHandle(handle);
    if (slot >= 0 && frame.changes && !refuseReadOnly(state().slots[slot].driveId)) return false;
    const bool sameSong =
        slot >= 0 && songWritesWaitFor(state().slots[slot].driveId, state().slots[slot].song);
    if (!(frame.continuesSongWrite && sameSong) && !commitSongWrites()) return false;
    // Bookkeeping a hold kept back waits through exports that only read this
    // drive; one that may write, or that turns to another drive, writes it first.
    const bool otherDrive = slot >= 0 && state().slots[slot].driveId != state().currentDriveId;
    if ((frame.lockCheck || otherDrive) && !commitDeferredRecords()) return false;
    // Another program is kept out from before anything is read until the last write is on the medium.
    if (slot >= 0 && !claimForExport(size_t(slot), frame.lockCheck ? ClaimPurpose::Change : ClaimPurpose::Read)) {
        return false;
    }
    const bool selected = frame.selection == Selection::Raw ? selectDriveWithoutMount(handle, formerSectorCount)
                                                            : selectDrive(handle);
    if (!selected) return false;
    if (frame.lockCheck && handleIsLocked(handle)) {
        // A raw selection mounted nothing: the next selection reads the drive afresh.
        if (frame.selection == Selection::Raw) forgetCurrentDrive();
        return fail(VXF_ERR_DRIVE_LOCKED);
    }
    return true;
}

int32_t finishExport(bool succeeded) {
    // A write the drive may still lose is no success; after a failure the flush is all the same
    // due. Audio whose records wait goes to the medium with them.
    const bool flushed = takeExportDeferred() || flushWrites();
    endExportClaim();
    forgetReadOnlyAnswers();
    if (succeeded && flushed) setLastError(VXF_OK);
    return lastError();
}

int32_t runTextGetter(uint32_t handle, char* out, bool (*get)(char*)) {
    if (!requirePointer(out)) return finishExport(false);
    const int32_t result = runExport(handle, kReadFrame, [&] { return get(out); });
    if (result != VXF_OK) clearText(out);
    return result;
}

int32_t runTextSetter(uint32_t handle, const char* text, bool (*set)(const char*)) {
    if (!requirePointer(text)) return finishExport(false);
    return runExport(handle, kChangeFrame, [&] { return set(text); });
}

}  // namespace vxfserver
