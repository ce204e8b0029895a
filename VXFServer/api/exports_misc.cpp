// exports_misc.cpp - the notification window and the message of the last error.
#include "core/errors.h"
#include "api/server_lifecycle.h"
#include "tavovxf.h"

using namespace vxfserver;

extern "C" {

int32_t tavovxfSetHWND(HWND window) {
    setNotificationWindow(window);
    return VXF_OK;
}

int32_t tavovxfGetErrorString(char* buffer) {
    messageForCode(lastError(), buffer, VXF_ERROR_STRING_SIZE);
    setLastError(VXF_OK);
    return VXF_OK;
}

}  // extern "C"
