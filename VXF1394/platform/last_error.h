// last_error.h - the thread's last-error value and the system error numbers the drive layer reports.
#pragma once

#include <cstdint>

namespace vxf1394::platform {

// Error numbers as the system reports them (registry, service manager, devices).
constexpr uint32_t kErrorSuccess = 0;
constexpr uint32_t kErrorInvalidFunction = 1;
constexpr uint32_t kErrorFileNotFound = 2;
constexpr uint32_t kErrorAccessDenied = 5;
constexpr uint32_t kErrorInvalidHandle = 6;
constexpr uint32_t kErrorWriteProtect = 19;
constexpr uint32_t kErrorInvalidData = 13;
constexpr uint32_t kErrorCrc = 23;
constexpr uint32_t kErrorWriteFault = 29;
constexpr uint32_t kErrorReadFault = 30;
constexpr uint32_t kErrorGenFailure = 31;
constexpr uint32_t kErrorDevNotExist = 55;
constexpr uint32_t kErrorInvalidParameter = 87;
constexpr uint32_t kErrorInsufficientBuffer = 122;
constexpr uint32_t kErrorBusy = 170;
constexpr uint32_t kErrorMoreData = 234;
constexpr uint32_t kErrorServiceDoesNotExist = 1060;
constexpr uint32_t kErrorServiceNotActive = 1062;
constexpr uint32_t kErrorServiceExists = 1073;
constexpr uint32_t kErrorSectorNotFound = 27;

void setLastError(uint32_t code);
uint32_t lastError();

}  // namespace vxf1394::platform
