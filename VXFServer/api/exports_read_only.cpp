// exports_read_only.cpp - the extension exports for read-only drives: asking, and keeping a drive read-only.
#include "api/export_frame.h"
#include "core/drive_io.h"
#include "core/read_only.h"
#include "core/server_state.h"
#include "song/song_commit.h"
#include "vxfx.h"

using namespace vxfserver;

namespace {

DriveSlot* slotOf(uint32_t handle) {
    for (DriveSlot& slot : state().slots) {
        if (slot.inUse != 0 && slot.handle == handle) return &slot;
    }
    fail(VXF_ERR_BAD_DRIVE_HANDLE);
    return nullptr;
}

static_assert(VXFX_READ_ONLY_ATTACHED == kReadOnlyAttached && VXFX_READ_ONLY_KEPT == kReadOnlyKept);

}  // namespace

extern "C" {

int32_t vxfxDriveIsReadOnly(uint32_t handle, uint32_t* reasons) {
    if (!requirePointer(reasons)) return finishExport(false);
    *reasons = 0;
    if (!requireServerStarted()) return finishExport(false);
    forgetReadOnlyAnswers();
    const DriveSlot* slot = slotOf(handle);
    if (slot != nullptr) *reasons = readOnlyReasons(slot->driveId);
    return finishExport(slot != nullptr);
}

int32_t vxfxDriveKeepReadOnly(uint32_t handle, uint32_t keep) {
    if (!requireServerStarted()) return finishExport(false);
    if (keep > 1) return finishExport(fail(VXF_ERR_INVALID_PARAMETER));
    DriveSlot* slot = slotOf(handle);
    if (slot == nullptr) return finishExport(false);
    // Writes a hold kept back belong to the time before: they reach the drive, or keeping it read-only fails.
    if (keep != 0 && slot->keptReadOnly == 0 && !(commitHeldWrites() && flushWrites())) return finishExport(false);
    slot->keptReadOnly = keep;
    return finishExport(true);
}

}  // extern "C"
