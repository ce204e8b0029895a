// path_watch.h - changes of the files requests depend on (the enumeration file, images, their sidecars), heard through one inotify descriptor.
#pragma once

#include <cstdint>
#include <string>

namespace vxf1394::platform {

// What a reading of watched files may be kept by. Every request asks
// (how much the descriptor has queued, nothing more when nothing happened;
// not even that while its thread has spent under a microsecond outside
// requests, and under 50 µs in all, since it found the queue empty), so a
// change the thread made before a request is heard by that request: the
// kernel queues the event before the system call that made the change returns.
struct WatchGeneration {
    // Moves on every event about a watched name, except a mere write to
    // an image; also on an overflow of the queue and on a folder that went.
    uint64_t files = 0;
    // Moves on a write to a watched image (its size may have changed), our own writes included.
    uint64_t writes = 0;
    bool operator==(const WatchGeneration&) const = default;
};

// Takes in what the kernel queued and tells the generation now.
WatchGeneration watchGeneration();
// The calling thread's request is over: from now on its time counts as spent outside requests.
void noteRequestEnd();

// Watches the name in its folder: any event about it moves `files`. False
// when it cannot be watched (no inotify, the folder missing, no watches
// left): then nothing read of that name may be kept. Watch before reading,
// so that a change made during the reading is heard afterwards.
bool watchName(const std::string& path);

// Watches an image: writes to it move `writes`; being replaced, removed or
// changed otherwise moves `files`; and its sidecar ("<path>.faults") is watched too.
bool watchImage(const std::string& path);

// Moves `files` for a change no file event tells (a test's faults, a store let go).
void noteLocalChange();

}  // namespace vxf1394::platform
