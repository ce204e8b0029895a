// handle_table.h - numbered handles for emulated system objects, so a closed handle is refused, never dereferenced.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

namespace vxf1394::platform {

template <typename T>
class HandleTable {
public:
    // Handles start at 1; 0 is never a valid handle.
    uintptr_t add(std::shared_ptr<T> object) {
        std::lock_guard<std::mutex> guard(mutex_);
        uintptr_t handle = next_++;
        objects_.emplace(handle, std::move(object));
        return handle;
    }

    std::shared_ptr<T> find(uintptr_t handle) const {
        std::lock_guard<std::mutex> guard(mutex_);
        auto it = objects_.find(handle);
        return it == objects_.end() ? nullptr : it->second;
    }

    // Whether the handle is open, without taking a share of its object. The handle found last
    // is answered without the lock: every request of a program asks about the same one.
    bool contains(uintptr_t handle) const {
        if (handle != 0 && handle == lastFound_.load(std::memory_order_acquire)) return true;
        std::lock_guard<std::mutex> guard(mutex_);
        const bool found = objects_.count(handle) != 0;
        if (found) lastFound_.store(handle, std::memory_order_release);
        return found;
    }

    bool remove(uintptr_t handle) {
        std::lock_guard<std::mutex> guard(mutex_);
        if (lastFound_.load(std::memory_order_relaxed) == handle) lastFound_.store(0, std::memory_order_release);
        return objects_.erase(handle) > 0;
    }

private:
    mutable std::mutex mutex_;
    mutable std::atomic<uintptr_t> lastFound_{0};  // set and cleared under the lock
    uintptr_t next_ = 1;
    std::map<uintptr_t, std::shared_ptr<T>> objects_;
};

}  // namespace vxf1394::platform
