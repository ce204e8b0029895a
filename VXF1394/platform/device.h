// device.h - the driver's device: opening it and sending it device-control requests.
#pragma once

#include <cstdint>

namespace vxf1394::platform {

using DeviceHandle = intptr_t;
constexpr DeviceHandle kInvalidDevice = -1;

// The one device the emulated driver offers.
constexpr const char* kDriverDeviceName = "\\\\.\\ZEMDrvr";

// Opens the named device for reading and writing; kInvalidDevice and the
// thread's last error on failure.
DeviceHandle openDevice(const char* name);
bool closeDevice(DeviceHandle device);

// One synchronous request; false (last error set) when it failed.
bool deviceIoControl(DeviceHandle device, uint32_t code, const void* input, uint32_t inputSize, void* output,
                     uint32_t outputSize, uint32_t* bytesReturned);

}  // namespace vxf1394::platform
