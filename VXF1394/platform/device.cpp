// device.cpp - the driver's device: opening it and sending it device-control requests.
#include "platform/device.h"

#include <cstring>

#include "platform/drive_emulation.h"
#include "platform/handle_table.h"
#include "platform/open_stores.h"
#include "platform/last_error.h"
#include "platform/test_hooks.h"

namespace vxf1394::platform {

namespace {

struct OpenDevice {};

// Never destroyed: the library closes its device while the process exits.
HandleTable<OpenDevice>& devices() {
    static auto* table = new HandleTable<OpenDevice>;
    return *table;
}

}  // namespace

DeviceHandle openDevice(const char* name) {
    if (!name || std::strcmp(name, kDriverDeviceName) != 0 || hooks::takeDeviceOpenFailure()) {
        setLastError(kErrorFileNotFound);
        return kInvalidDevice;
    }
    return static_cast<DeviceHandle>(devices().add(std::make_shared<OpenDevice>()));
}

bool closeDevice(DeviceHandle device) {
    if (device > 0 && devices().remove(static_cast<uintptr_t>(device))) {
        // With the driver closed no drive stays held: others may mount or take them.
        closeAllStores();
        return true;
    }
    setLastError(kErrorInvalidHandle);
    return false;
}

bool deviceIoControl(DeviceHandle device, uint32_t code, const void* input, uint32_t inputSize, void* output,
                     uint32_t outputSize, uint32_t* bytesReturned) {
    if (bytesReturned) *bytesReturned = 0;
    if (device <= 0 || !devices().contains(static_cast<uintptr_t>(device))) {
        setLastError(kErrorInvalidHandle);
        return false;
    }
    uint32_t returned = 0;
    uint32_t error = serveDriveRequest(code, input, inputSize, output, outputSize, returned);
    if (bytesReturned) *bytesReturned = returned;
    if (error != kErrorSuccess) {
        setLastError(error);
        return false;
    }
    return true;
}

}  // namespace vxf1394::platform
