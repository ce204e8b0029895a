// host_watch.cpp - what keeps the survey of the machine's disks current: disk events, mount and swap table changes.
#include "platform/host_watch.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <memory>
#include <mutex>

#include "platform/disk_monitor.h"
#include "platform/host_paths.h"
#include "platform/system_enum.h"

namespace vxf1394::platform {

namespace {

// Never destroyed: the drive list may still be read while the process exits.
struct HostWatch {
    std::mutex mutex;
    bool started = false;
    std::unique_ptr<DiskMonitor> disks;
    // The kernel marks these readable with POLLPRI once the table changed since the last poll.
    int mounts = -1;
    int swaps = -1;
};

HostWatch& hostWatch() {
    static HostWatch* w = new HostWatch;
    return *w;
}

bool startLocked(HostWatch& w, const diskenum::HostPaths& paths) {
    w.started = true;
    w.disks = std::make_unique<DiskMonitor>(paths);
    w.mounts = ::open(paths.mountInfo.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    w.swaps = ::open(paths.swaps.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    return w.disks->fd() >= 0 && w.mounts >= 0 && w.swaps >= 0;
}

bool tablesChanged(HostWatch& w) {
    pollfd fds[2] = {{w.mounts, POLLPRI, 0}, {w.swaps, POLLPRI, 0}};
    if (::poll(fds, 2, 0) < 0) return true;
    for (const pollfd& p : fds) {
        if (p.revents & (POLLPRI | POLLERR | POLLNVAL)) return true;
    }
    return false;
}

}  // namespace

void reviewHostSurvey() {
    diskenum::HostPaths paths = diskenum::hostPaths();
    HostWatch& w = hostWatch();
    std::lock_guard<std::mutex> guard(w.mutex);
    if (!paths.isThisMachine()) {
        diskenum::setHostSurveyWatched(false);
        return;
    }
    if (!w.started) {
        bool heard = startLocked(w, paths);
        // Whatever was surveyed before the watch began may be out of date.
        diskenum::forgetHostSurvey();
        diskenum::setHostSurveyWatched(heard);
        if (!heard) return;
    }
    if (w.disks->fd() < 0 || w.mounts < 0 || w.swaps < 0) return;
    bool changed = w.disks->takeChanges() > 0;
    changed = tablesChanged(w) || changed;
    if (changed) diskenum::forgetHostSurvey();
}

}  // namespace vxf1394::platform
