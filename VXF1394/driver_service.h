// driver_service.h - opening the driver's device, installing the driver as a service first when that fails.
#pragma once

#include "platform/device.h"

namespace vxf1394 {

constexpr const char* kDriverServiceName = "ZEMDrvr";
constexpr const char* kDriverFileName = "\\ZEMDrvr.sys";

// Opens the device; when that fails, installs and starts the service, opens
// once more and marks the service as ours whether or not that open worked.
platform::DeviceHandle openDriverDevice();

// Stops the service and, only when it stopped, deletes it.
void removeDriverService();

}  // namespace vxf1394
