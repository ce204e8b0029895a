// last_error.cpp - the thread's last-error value.
#include "platform/last_error.h"

namespace vxf1394::platform {

namespace {
thread_local uint32_t threadLastError = kErrorSuccess;
}

void setLastError(uint32_t code) { threadLastError = code; }

uint32_t lastError() { return threadLastError; }

}  // namespace vxf1394::platform
