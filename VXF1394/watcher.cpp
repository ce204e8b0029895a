// watcher.cpp - the thread that tells the caller when the set of attached disks may have changed.
#include "watcher.h"

#include <memory>
#include <system_error>
#include <thread>

#include "drive_list.h"
#include "platform/last_error.h"
#include "platform/test_hooks.h"
#include "process_state.h"

namespace vxf1394 {

namespace {

using Control = std::shared_ptr<WatcherControl>;

bool stopRequested(ProcessState& state, const WatcherControl& control) {
    std::lock_guard<std::mutex> guard(state.lock);
    return control.stop;
}

// Sleeps for the pause unless told to stop first; true when told to stop.
bool pauseUnlessStopped(ProcessState& state, const WatcherControl& control, std::chrono::milliseconds pause) {
    std::unique_lock<std::mutex> guard(state.lock);
    return state.watcherChanged.wait_for(guard, pause, [&] { return control.stop; });
}

// Asks for a notification of the next change; a refused request is asked
// again after a pause (never in a tight loop), with the key reopened if an
// earlier watcher closed it. False when told to stop meanwhile.
bool requestNotification(ProcessState& state, WatcherControl& control, platform::RegKey& key) {
    for (;;) {
        if (stopRequested(state, control)) return false;
        if (platform::regNotifyChangeKeyValue(key, true, platform::kRegNotifyChangeLastSet, *control.event) ==
            platform::kErrorSuccess) {
            return true;
        }
        if (pauseUnlessStopped(state, control, kNotificationRetryPause)) return false;
        std::lock_guard<std::mutex> guard(state.lock);
        openEnumKeyLocked(state);
        key = state.enumKey;
    }
}

// The shared key is closed by the ending watcher unless a newer watcher now uses it.
void closeKeyLocked(ProcessState& state, const Control& control) {
    bool newerWatcher = state.watcher && state.watcher->control != control;
    if (newerWatcher || state.enumKey == platform::kNoKey) return;
    platform::regCloseKey(state.enumKey);
    state.enumKey = platform::kNoKey;
}

void finish(ProcessState& state, const Control& control) {
    {
        std::lock_guard<std::mutex> guard(state.lock);
        control->event.reset();
        closeKeyLocked(state, control);
        control->finished = true;
    }
    state.watcherChanged.notify_all();
}

bool prepare(ProcessState& state, const Control& control, platform::RegKey& key) {
    std::lock_guard<std::mutex> guard(state.lock);
    if (openEnumKeyLocked(state) != platform::kErrorSuccess) return false;
    key = state.enumKey;
    control->event = platform::Event::create();
    return control->event != nullptr;
}

void watch(ProcessState& state, WatcherControl& control, platform::RegKey key, I1394Callback callback) {
    uint32_t count = readDiskCount(key).value_or(0);
    for (;;) {
        if (!requestNotification(state, control, key)) return;
        if (control.event->wait(-1) == platform::Event::WaitResult::failed) return;
        if (stopRequested(state, control)) return;
        std::optional<uint32_t> now = readDiskCount(key);
        if (now && *now != count) {
            // The number of disks moved: act on the next notification, once it has settled.
            count = *now;
        } else {
            if (pauseUnlessStopped(state, control, kCallbackDelay)) return;
            callback();
        }
        // Reset under the lock: a stop set after this point sets the event again and is seen.
        std::lock_guard<std::mutex> guard(state.lock);
        if (control.stop) return;
        control.event->reset();
    }
}

void watcherThread(Control control, I1394Callback callback) {
    ProcessState& state = processState();
    platform::RegKey key = platform::kNoKey;
    if (prepare(state, control, key)) watch(state, *control, key, callback);
    finish(state, control);
}

void tellToStopLocked(WatcherControl& control) {
    control.stop = true;
    if (control.event) control.event->set();
}

void joinWithin(ProcessState& state, Watcher& watcher, std::chrono::steady_clock::time_point deadline) {
    bool finished = false;
    {
        std::unique_lock<std::mutex> guard(state.lock);
        finished = state.watcherChanged.wait_until(guard, deadline, [&] { return watcher.control->finished; });
    }
    if (finished && watcher.thread.get_id() != std::this_thread::get_id()) {
        watcher.thread.join();
    } else {
        watcher.thread.detach();
    }
}

// Joins watchers that have already ended; called under the lock, so it never waits.
void reapFinishedLocked(ProcessState& state) {
    std::erase_if(state.stopping, [](Watcher& w) {
        if (!w.control->finished) return false;
        w.thread.join();
        return true;
    });
    if (state.watcher && state.watcher->control->finished) {
        state.watcher->thread.join();
        state.watcher.reset();
    }
}

}  // namespace

int32_t startWatcherIfNone(I1394Callback callback) {
    ProcessState& state = processState();
    std::lock_guard<std::mutex> guard(state.lock);
    reapFinishedLocked(state);
    if (state.watcher) return I1394_OK;
    if (platform::hooks::takeWatcherStartFailure()) return I1394_ERR_THREAD;
    auto control = std::make_shared<WatcherControl>();
    try {
        state.watcher = Watcher{std::thread(watcherThread, control, callback), control};
    } catch (const std::system_error&) {
        return I1394_ERR_THREAD;
    }
    return I1394_OK;
}

void stopWatcher() {
    ProcessState& state = processState();
    {
        std::lock_guard<std::mutex> guard(state.lock);
        if (!state.watcher) return;
        tellToStopLocked(*state.watcher->control);
        state.stopping.push_back(std::move(*state.watcher));
        state.watcher.reset();
    }
    state.watcherChanged.notify_all();
}

void stopAndJoinWatchers(std::chrono::milliseconds bound) {
    ProcessState& state = processState();
    std::vector<Watcher> all;
    {
        std::lock_guard<std::mutex> guard(state.lock);
        if (state.watcher) {
            state.stopping.push_back(std::move(*state.watcher));
            state.watcher.reset();
        }
        for (Watcher& w : state.stopping) tellToStopLocked(*w.control);
        all.swap(state.stopping);
    }
    state.watcherChanged.notify_all();
    auto deadline = std::chrono::steady_clock::now() + bound;
    for (Watcher& w : all) joinWithin(state, w, deadline);
}

}  // namespace vxf1394
