// disk_monitor.cpp - disks coming and going: the udev monitor where udev runs, else inotify on the device folder.
#include "platform/disk_monitor.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#ifdef VXF1394_HAVE_UDEV
#include <libudev.h>
#endif

#include "platform/host_disks.h"

namespace vxf1394::platform {

namespace {

constexpr uint32_t kNodeEvents = IN_CREATE | IN_DELETE | IN_MOVED_TO | IN_MOVED_FROM;

#ifdef VXF1394_HAVE_UDEV
// udev announces a device only once it has made its node and set its permissions.
constexpr const char* kUdevRunning = "/run/udev/control";
#endif

}  // namespace

uint64_t changesOfUdevEvent(std::string_view action, std::string_view devType, std::string_view sysPath,
                            bool mediaChange) {
    if (devType != "disk" || sysPath.find("/devices/virtual/") != std::string_view::npos) return 0;
    if (action == "add" || action == "remove" || (action == "change" && mediaChange)) return kChangesPerDiskEvent;
    return 0;
}

DiskMonitor::DiskMonitor(const diskenum::HostPaths& paths) : paths_(paths) {
    if (!startUdev()) startDeviceFolderWatch();
}

DiskMonitor::~DiskMonitor() {
#ifdef VXF1394_HAVE_UDEV
    if (monitor_) udev_monitor_unref(monitor_);
    if (udev_) udev_unref(udev_);
#endif
    if (inotifyFd_ >= 0) ::close(inotifyFd_);
}

int DiskMonitor::fd() const {
#ifdef VXF1394_HAVE_UDEV
    if (monitor_) return udev_monitor_get_fd(monitor_);
#endif
    return inotifyFd_;
}

uint64_t DiskMonitor::takeChanges() {
    if (monitor_) return takeUdevChanges();
    if (inotifyFd_ >= 0) return takeDeviceFolderChanges();
    return 0;
}

bool DiskMonitor::startUdev() {
#ifdef VXF1394_HAVE_UDEV
    // Only the machine's own disks are udev's; tests use folders of their own.
    if (!paths_.isThisMachine() || ::access(kUdevRunning, F_OK) != 0) return false;
    udev_ = udev_new();
    if (udev_) monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
    if (monitor_ && udev_monitor_filter_add_match_subsystem_devtype(monitor_, "block", "disk") >= 0 &&
        udev_monitor_enable_receiving(monitor_) >= 0) {
        return true;
    }
    if (monitor_) udev_monitor_unref(monitor_);
    if (udev_) udev_unref(udev_);
    monitor_ = nullptr;
    udev_ = nullptr;
#endif
    return false;
}

uint64_t DiskMonitor::takeUdevChanges() {
    uint64_t changes = 0;
#ifdef VXF1394_HAVE_UDEV
    while (struct udev_device* device = udev_monitor_receive_device(monitor_)) {
        auto text = [](const char* s) { return std::string_view(s ? s : ""); };
        std::string_view media = text(udev_device_get_property_value(device, "DISK_MEDIA_CHANGE"));
        changes += changesOfUdevEvent(text(udev_device_get_action(device)), text(udev_device_get_devtype(device)),
                                      text(udev_device_get_syspath(device)), media == "1");
        udev_device_unref(device);
    }
#endif
    return changes;
}

bool DiskMonitor::startDeviceFolderWatch() {
    inotifyFd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (inotifyFd_ < 0) return false;
    if (::inotify_add_watch(inotifyFd_, paths_.devFolder.c_str(), kNodeEvents | IN_ONLYDIR) < 0) {
        ::close(inotifyFd_);
        inotifyFd_ = -1;
        return false;
    }
    for (const std::string& name : diskenum::hostDiskNames(paths_)) knownDisks_.insert(name);
    return true;
}

uint64_t DiskMonitor::takeDeviceFolderChanges() {
    uint64_t changes = 0;
    alignas(inotify_event) char buffer[16 * 1024];
    for (;;) {
        ssize_t n = ::read(inotifyFd_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return changes;
        for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            std::string name = event->len > 0 ? std::string(event->name, ::strnlen(event->name, event->len)) : "";
            if (event->mask & IN_Q_OVERFLOW) changes += kChangesPerDiskEvent;
            if ((event->mask & (IN_CREATE | IN_MOVED_TO)) && diskenum::isWholeHostDisk(paths_, name) &&
                knownDisks_.insert(name).second) {
                changes += kChangesPerDiskEvent;
            }
            if ((event->mask & (IN_DELETE | IN_MOVED_FROM)) && knownDisks_.erase(name) > 0) {
                changes += kChangesPerDiskEvent;
            }
        }
    }
}

}  // namespace vxf1394::platform
