// disk_monitor.h - disks coming and going: the udev monitor where udev runs, else inotify on the device folder.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "platform/host_paths.h"

struct udev;
struct udev_monitor;

namespace vxf1394::platform {

// A disk that comes or goes changes the enumeration twice, as the system
// writes it: its value, then "Count". The watcher lets a changed "Count"
// settle and acts on the next change, so the caller hears of it at once.
constexpr uint64_t kChangesPerDiskEvent = 2;

// What one udev event of the block subsystem means: "add" and "remove" of a
// whole disk that is not virtual, or a "change" that brings or takes its
// medium, is kChangesPerDiskEvent; anything else (partitions, the change
// event that follows every close after writing) none.
uint64_t changesOfUdevEvent(std::string_view action, std::string_view devType, std::string_view sysPath,
                            bool mediaChange);

class DiskMonitor {
public:
    explicit DiskMonitor(const diskenum::HostPaths& paths);
    DiskMonitor(const DiskMonitor&) = delete;
    DiskMonitor& operator=(const DiskMonitor&) = delete;
    ~DiskMonitor();

    const diskenum::HostPaths& paths() const { return paths_; }
    // Readable when something arrived; -1 when no monitor could be started.
    int fd() const;
    // Takes in what arrived: the changes of the enumeration it makes.
    uint64_t takeChanges();

private:
    bool startUdev();
    bool startDeviceFolderWatch();
    uint64_t takeUdevChanges();
    uint64_t takeDeviceFolderChanges();

    diskenum::HostPaths paths_;
    struct udev* udev_ = nullptr;
    struct udev_monitor* monitor_ = nullptr;
    int inotifyFd_ = -1;
    std::set<std::string> knownDisks_;  // whole disks under the device folder, for telling which node went
};

}  // namespace vxf1394::platform
