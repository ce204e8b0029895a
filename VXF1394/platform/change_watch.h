// change_watch.h - inotify on the enumeration file's folder: one pending change per completed rewrite of the file.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

namespace vxf1394::platform {

class ChangeWatch {
public:
    ChangeWatch() = default;
    ChangeWatch(const ChangeWatch&) = delete;
    ChangeWatch& operator=(const ChangeWatch&) = delete;
    ~ChangeWatch();

    // Watches the folder of filePath (again, when the path moved since the
    // last call or the folder went away). False when the folder cannot be
    // watched, for instance because it does not exist.
    bool watch(const std::string& filePath);

    int fd() const;

    // Takes in what the kernel queued; true, consuming one change, when a
    // change of the file is pending. A file written and closed, renamed into
    // place, renamed away or deleted is one change; opening and partial
    // writes are not, so one rewrite gives one notification.
    bool takeChange();

private:
    void drainEvents();
    void closeWatch();

    mutable std::mutex mutex_;
    int fd_ = -1;
    int watchDescriptor_ = -1;
    std::string folder_;
    std::string name_;
    uint64_t pending_ = 0;
};

}  // namespace vxf1394::platform
