// change_watch.cpp - changes of the enumeration: rewrites of its file (inotify on the folder) and disks coming and going.
#include "platform/change_watch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace vxf1394::platform {

namespace {

constexpr uint32_t kFileEvents = IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE;
constexpr uint32_t kFolderEvents = IN_DELETE_SELF | IN_MOVE_SELF;

}  // namespace

ChangeWatch::~ChangeWatch() { closeWatch(); }

void ChangeWatch::closeWatch() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    watchDescriptor_ = -1;
    pending_ = 0;
}

// The disks of the paths in use now; a test that points them elsewhere gets a monitor of its own.
void ChangeWatch::watchDisks() {
    diskenum::HostPaths paths = diskenum::hostPaths();
    if (!disks_ || disks_->paths() != paths) disks_ = std::make_unique<DiskMonitor>(paths);
}

bool ChangeWatch::watch(const std::string& filePath) {
    std::lock_guard<std::mutex> guard(mutex_);
    watchDisks();
    std::filesystem::path path(filePath);
    std::string folder = path.parent_path().empty() ? "." : path.parent_path().string();
    std::string name = path.filename().string();
    if (fd_ >= 0 && watchDescriptor_ >= 0 && folder == folder_ && name == name_) return true;
    closeWatch();
    if (name.empty()) {
        errno = ENOENT;
        return false;
    }
    fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0) return false;
    watchDescriptor_ = ::inotify_add_watch(fd_, folder.c_str(), kFileEvents | kFolderEvents | IN_ONLYDIR);
    if (watchDescriptor_ < 0) {
        int error = errno;
        closeWatch();
        errno = error;
        return false;
    }
    folder_ = folder;
    name_ = name;
    return true;
}

std::array<int, 2> ChangeWatch::pollFds() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return {fd_, disks_ ? disks_->fd() : -1};
}

void ChangeWatch::drainEvents() {
    alignas(inotify_event) char buffer[16 * 1024];
    for (;;) {
        ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            bool aboutFile = event->len > 0 && std::strncmp(event->name, name_.c_str(), event->len) == 0 &&
                             name_.size() < event->len;
            if ((aboutFile && (event->mask & kFileEvents)) || (event->mask & IN_Q_OVERFLOW)) pending_++;
            // The folder itself went: the file went with it, and the watch must be made again.
            if (event->mask & kFolderEvents) pending_++;
            if (event->mask & (kFolderEvents | IN_IGNORED)) watchDescriptor_ = -1;
        }
    }
}

bool ChangeWatch::takeChange() {
    std::lock_guard<std::mutex> guard(mutex_);
    if (fd_ < 0) return false;
    drainEvents();
    if (disks_) pending_ += disks_->takeChanges();
    if (pending_ == 0) return false;
    pending_--;
    return true;
}

}  // namespace vxf1394::platform
