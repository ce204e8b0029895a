// drive_list.h - the recorder drives among the enumerated disks.
#pragma once

#include <cstdint>
#include <optional>

#include "i1394.h"
#include "platform/registry.h"

namespace vxf1394 {

// Only indices 0 to 255 can be addressed by a drive id; values beyond are not looked at.
constexpr uint32_t kMaxDeviceIndex = 255;

// Fills the list from the enumeration key: 0, or 1 with the registry error
// as the thread's last error.
int32_t fillDriveList(DriveList& list);

// "Count" of the key, when it can be read as a number.
std::optional<uint32_t> readDiskCount(platform::RegKey key);

}  // namespace vxf1394
