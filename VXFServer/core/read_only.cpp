// read_only.cpp - drives that take no write: attached read-only, not writable by this process, or kept so by a caller.
#include "core/read_only.h"

#include <array>
#include <optional>

#include "core/errors.h"
#include "core/server_state.h"
#include "disk_enumeration.h"

namespace vxfserver {

namespace {

// What the drive layer's enumeration said of a drive during this export.
struct AttachmentAnswer {
    uint32_t driveId = 0;
    bool readOnly = false;
};

std::array<AttachmentAnswer, kDriveSlots> g_answers;

bool attachedReadOnly(uint32_t driveId) {
    for (const AttachmentAnswer& a : g_answers) {
        if (a.driveId == driveId) return a.readOnly;
    }
    const std::optional<vxf1394::diskenum::DriveEntry> entry = vxf1394::diskenum::recorderDriveAt(driveId & 0xFFu);
    const bool readOnly = entry && vxf1394::diskenum::isReadOnly(*entry);
    for (AttachmentAnswer& a : g_answers) {
        if (a.driveId == 0) {
            a = AttachmentAnswer{driveId, readOnly};
            break;
        }
    }
    return readOnly;
}

bool keptReadOnly(uint32_t driveId) {
    for (const DriveSlot& slot : state().slots) {
        if (slot.inUse != 0 && slot.driveId == driveId && slot.keptReadOnly != 0) return true;
    }
    return false;
}

}  // namespace

uint32_t readOnlyReasons(uint32_t driveId) {
    if (driveId == 0) return 0;
    return (attachedReadOnly(driveId) ? kReadOnlyAttached : 0) | (keptReadOnly(driveId) ? kReadOnlyKept : 0);
}

bool currentDriveIsReadOnly() { return driveIsReadOnly(state().currentDriveId); }

void forgetReadOnlyAnswers() { g_answers.fill(AttachmentAnswer{}); }

bool refuseReadOnly(uint32_t driveId) { return !driveIsReadOnly(driveId) || fail(VXF_ERR_SONG_WRITE_PROTECTED); }

}  // namespace vxfserver
