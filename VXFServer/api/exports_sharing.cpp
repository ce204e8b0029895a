// exports_sharing.cpp - the extension exports for sharing a drive with other programs: holds, change count, refusals.
#include <cstring>

#include "core/drive_io.h"
#include "core/drive_sharing.h"
#include "song/song_commit.h"
#include "api/export_frame.h"
#include "core/server_state.h"
#include "vxfx.h"

using namespace vxfserver;

namespace {

int slotOf(uint32_t handle) {
    for (size_t i = 0; i < kDriveSlots; ++i) {
        if (state().slots[i].inUse != 0 && state().slots[i].handle == handle) return int(i);
    }
    return -1;
}

// The slot of an open handle, or -1 with VXF_ERR_BAD_DRIVE_HANDLE.
int requireSlot(uint32_t handle) {
    const int slot = slotOf(handle);
    if (slot < 0) fail(VXF_ERR_BAD_DRIVE_HANDLE);
    return slot;
}

}  // namespace

extern "C" {

int32_t vxfxDriveHold(uint32_t handle, uint32_t purpose, uint32_t waitMilliseconds) {
    if (!requireServerStarted()) return finishExport(false);
    if (purpose != VXFX_PURPOSE_READ && purpose != VXFX_PURPOSE_CHANGE) return finishExport(fail(VXF_ERR_INVALID_PARAMETER));
    const int slot = requireSlot(handle);
    const ClaimPurpose kind = purpose == VXFX_PURPOSE_READ ? ClaimPurpose::Read : ClaimPurpose::Change;
    return finishExport(slot >= 0 && holdDrive(size_t(slot), kind, waitMilliseconds));
}

// What the hold's track writes and selections left waiting reaches the medium before other programs may look.
int32_t vxfxDriveRelease(uint32_t handle) {
    const int slot = requireSlot(handle);
    const bool committed = slot >= 0 && commitHeldWrites() && flushWrites();
    if (slot >= 0) releaseHeldDrive(size_t(slot));
    return finishExport(committed);
}

int32_t vxfxDriveGetChangeCount(uint32_t handle, uint64_t* count, uint32_t* busy) {
    if (!requirePointer(count) || !requirePointer(busy)) return finishExport(false);
    const int slot = requireSlot(handle);
    bool othersKeepIt = false;
    const bool known = slot >= 0 && driveChangeState(size_t(slot), *count, othersKeepIt);
    *busy = othersKeepIt ? 1 : 0;
    return finishExport(known);
}

int32_t vxfxGetInUseText(char* buffer, uint32_t size) {
    if (buffer == nullptr || size == 0) return VXF_OK;
    const std::string& text = lastRefusalText();
    const size_t length = std::min<size_t>(text.size(), size - 1);
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
    return VXF_OK;
}

}  // extern "C"
