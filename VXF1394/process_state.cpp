// process_state.cpp - the process-wide state of the drive layer: device handle, service flag, enumeration key, watchers.
#include "process_state.h"

#include "platform/last_error.h"

namespace vxf1394 {

ProcessState& processState() {
    static auto* state = new ProcessState;
    return *state;
}

uint32_t openEnumKeyLocked(ProcessState& state) {
    if (state.enumKey != platform::kNoKey) return platform::kErrorSuccess;
    return platform::regOpenKey(platform::RootKey::localMachine, platform::kDiskEnumKeyPath, platform::kKeyRead,
                                &state.enumKey);
}

}  // namespace vxf1394
