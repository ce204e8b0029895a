// change_watch.h - changes of the enumeration: rewrites of its file (inotify on the folder) and disks coming and going.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "platform/disk_monitor.h"

namespace vxf1394::platform {

class ChangeWatch {
public:
    ChangeWatch() = default;
    ChangeWatch(const ChangeWatch&) = delete;
    ChangeWatch& operator=(const ChangeWatch&) = delete;
    ~ChangeWatch();

    // Watches the folder of filePath (again, when the path moved since the
    // last call or the folder went away), and the machine's disks. False
    // when the folder cannot be watched, for instance because it does not
    // exist; disks that cannot be watched only bring no changes.
    bool watch(const std::string& filePath);

    // What to poll for changes (-1 where nothing is watched).
    std::array<int, 2> pollFds() const;

    // Takes in what the kernel queued; true, consuming one change, when a
    // change is pending. A file written and closed, renamed into place,
    // renamed away or deleted is one change; opening and partial writes are
    // not, so one rewrite gives one notification. A disk that comes or goes
    // is kChangesPerDiskEvent changes.
    bool takeChange();

private:
    void drainEvents();
    void closeWatch();
    void watchDisks();

    mutable std::mutex mutex_;
    int fd_ = -1;
    int watchDescriptor_ = -1;
    std::string folder_;
    std::string name_;
    uint64_t pending_ = 0;
    std::unique_ptr<DiskMonitor> disks_;
};

}  // namespace vxf1394::platform
