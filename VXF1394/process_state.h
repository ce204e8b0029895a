// process_state.h - the process-wide state of the drive layer: device handle, service flag, enumeration key, watchers.
#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "platform/device.h"
#include "platform/event.h"
#include "platform/registry.h"

namespace vxf1394 {

// What one watcher thread and the library share. Each thread has its own,
// so a watcher told to stop can never be revived by the next i1394Init.
struct WatcherControl {
    bool stop = false;                        // under the process lock
    bool finished = false;                    // under the process lock
    std::unique_ptr<platform::Event> event;   // made by the thread, under the process lock
};

struct Watcher {
    std::thread thread;
    std::shared_ptr<WatcherControl> control;
};

struct ProcessState {
    // Used without the lock by every request, as one synchronous call each.
    std::atomic<platform::DeviceHandle> device{platform::kInvalidDevice};
    // Touched only by i1394Init, i1394Exit and unload, which callers serialise.
    bool installedService = false;

    // The one lock: the enumeration key handle, the watchers' events and stop flags.
    std::mutex lock;
    std::condition_variable watcherChanged;  // a stop flag was set or a watcher finished
    platform::RegKey enumKey = platform::kNoKey;
    std::optional<Watcher> watcher;  // the watcher i1394Exit has not yet told to stop
    std::vector<Watcher> stopping;   // told to stop, not yet joined
};

// Never destroyed, so that unload and a late watcher find it intact.
ProcessState& processState();

// Opens the shared enumeration key if it is not open; called under the lock.
uint32_t openEnumKeyLocked(ProcessState& state);

}  // namespace vxf1394
