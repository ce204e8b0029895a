// watcher.h - the thread that tells the caller when the set of attached disks may have changed.
#pragma once

#include <chrono>
#include <cstdint>

#include "i1394.h"

namespace vxf1394 {

// Pause between a change notification and the callback it produces.
constexpr std::chrono::milliseconds kCallbackDelay{250};
// Pause before asking again for a change notification that was refused.
constexpr std::chrono::milliseconds kNotificationRetryPause{1000};
// Longest wait for watcher threads to end when the library unloads.
constexpr std::chrono::milliseconds kUnloadJoinBound{2000};

// Starts a watcher unless one is running: I1394_OK or I1394_ERR_THREAD.
int32_t startWatcherIfNone(I1394Callback callback);

// Sets the running watcher's stop flag and its event, and forgets it without waiting.
void stopWatcher();

// Stops every watcher and joins each within the bound; one still running
// after it (stuck in its callback) is detached.
void stopAndJoinWatchers(std::chrono::milliseconds bound);

}  // namespace vxf1394
