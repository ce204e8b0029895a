// read_only.h - drives that take no write: attached read-only, not writable by this process, or kept so by a caller.
#pragma once

#include <cstdint>

namespace vxfserver {

// Why a drive takes no write; a bit each, as vxfxDriveIsReadOnly reports them.
constexpr uint32_t kReadOnlyAttached = 1;  // the enumeration says so, or the image cannot be opened for writing
constexpr uint32_t kReadOnlyKept = 2;      // a handle of this program keeps it read-only

// The reasons the drive with this id takes no write now; 0 when it is writable.
uint32_t readOnlyReasons(uint32_t driveId);
inline bool driveIsReadOnly(uint32_t driveId) { return readOnlyReasons(driveId) != 0; }
bool currentDriveIsReadOnly();

// The attachment is read once per export: the enumeration may change between
// exports, not within one.
void forgetReadOnlyAnswers();

// False with VXF_ERR_SONG_WRITE_PROTECTED when the drive with this id is read-only.
bool refuseReadOnly(uint32_t driveId);

}  // namespace vxfserver
