// lifecycle.cpp - i1394Init, i1394Exit and i1394GetDriveList, and the library's load and unload.
#include "lifecycle.h"

#include "driver_service.h"
#include "drive_list.h"
#include "i1394.h"
#include "process_state.h"
#include "watcher.h"

namespace vxf1394 {

namespace {

// Closes the device, and removes the service when this library installed it.
void closeDriver(ProcessState& state) {
    platform::DeviceHandle device = state.device.exchange(platform::kInvalidDevice);
    if (device == platform::kInvalidDevice) return;
    platform::closeDevice(device);
    if (state.installedService) {
        removeDriverService();
        state.installedService = false;
    }
}

}  // namespace

void processAttach() { processState(); }

void processDetach() {
    closeDriver(processState());
    stopAndJoinWatchers(kUnloadJoinBound);
}

}  // namespace vxf1394

using namespace vxf1394;

extern "C" int32_t i1394Init(I1394Callback callback) {
    if (!callback) return I1394_ERR_PARAMETER;
    ProcessState& state = processState();
    int32_t result = I1394_OK;
    if (state.device.load() == platform::kInvalidDevice) {
        state.device = openDriverDevice();
        if (state.device.load() == platform::kInvalidDevice) result = I1394_ERR_NO_DRIVER;
    }
    if (startWatcherIfNone(callback) != I1394_OK) result = I1394_ERR_THREAD;
    return result;
}

extern "C" int32_t i1394Exit(void) {
    closeDriver(processState());
    stopWatcher();
    return I1394_OK;
}

extern "C" int32_t i1394GetDriveList(DriveList* list) {
    if (!list) return I1394_ERR_PARAMETER;
    return fillDriveList(*list);
}
