// backing_store.cpp - the image file or block device behind an emulated drive: opening, size and whole transfers.
#include "platform/backing_store.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

#include "platform/whole_io.h"

namespace vxf1394::platform {

namespace {

std::optional<uint64_t> storeSize(int fd, const struct stat& info) {
    if (S_ISREG(info.st_mode)) return static_cast<uint64_t>(info.st_size);
    uint64_t bytes = 0;
    if (::ioctl(fd, BLKGETSIZE64, &bytes) != 0) return std::nullopt;
    return bytes;
}

bool deniedWriting(int error) { return error == EACCES || error == EPERM || error == EROFS; }

// O_NONBLOCK keeps the open of anything put in the path's place meanwhile
// from waiting; on files and block devices it changes nothing. A block
// device is a drive: a write has reached it when the request ends, as
// the driver's transfers have, so a drive pulled out loses nothing.
int openStore(const std::string& path, const struct stat& info, bool& writable) {
    int flags = O_CLOEXEC | O_NONBLOCK | (S_ISBLK(info.st_mode) ? O_EXCL | O_DSYNC : 0);
    writable = true;
    int fd = ::open(path.c_str(), O_RDWR | flags);
    // A device the user may not write is out of reach, as it is for the
    // driver; an image the user may only read still serves reads.
    if (fd < 0 && S_ISREG(info.st_mode) && deniedWriting(errno)) {
        writable = false;
        fd = ::open(path.c_str(), O_RDONLY | flags);
    }
    return fd;
}

}  // namespace

std::unique_ptr<BackingStore> BackingStore::open(const std::string& path, const struct stat& info) {
    if (!S_ISREG(info.st_mode) && !S_ISBLK(info.st_mode)) {
        errno = ENODEV;
        return nullptr;
    }
    bool writable = false;
    int fd = openStore(path, info, writable);
    if (fd < 0) return nullptr;
    struct stat opened {};
    // The path may have changed between the stat and the open: keep what was opened only if it is what was seen.
    if (::fstat(fd, &opened) != 0 || opened.st_dev != info.st_dev || opened.st_ino != info.st_ino) {
        ::close(fd);
        errno = EAGAIN;
        return nullptr;
    }
    std::unique_ptr<BackingStore> store(new BackingStore(fd, opened, writable));
    if (!store->refreshSize(opened)) return nullptr;
    return store;
}

BackingStore::BackingStore(int fd, const struct stat& info, bool writable)
    : fd_(fd), device_(info.st_dev), inode_(info.st_ino), mode_(info.st_mode), rdev_(info.st_rdev),
      writable_(writable) {}

BackingStore::~BackingStore() {
    if (fd_ >= 0) ::close(fd_);
}

bool BackingStore::isAt(const struct stat& info) const {
    return info.st_dev == device_ && info.st_ino == inode_ && (info.st_mode & S_IFMT) == (mode_ & S_IFMT);
}

bool BackingStore::refreshSize(const struct stat& info) {
    std::optional<uint64_t> size = storeSize(fd_, info);
    if (!size) return false;
    size_.store(*size);
    return true;
}

bool BackingStore::refreshSize() {
    struct stat info {};
    return ::fstat(fd_, &info) == 0 && refreshSize(info);
}

bool BackingStore::covers(uint64_t offset, uint64_t length) const {
    uint64_t size = sizeBytes();
    return offset <= size && length <= size - offset;
}

bool BackingStore::readAt(void* data, size_t length, uint64_t offset) const {
    return covers(offset, length) && preadAll(fd_, data, length, offset);
}

bool BackingStore::writeAt(const void* data, size_t length, uint64_t offset) const {
    return writable_ && covers(offset, length) && pwriteAll(fd_, data, length, offset);
}

bool BackingStore::flush() const {
    for (;;) {
        if (::fdatasync(fd_) == 0) return true;
        if (errno != EINTR) return false;
    }
}

}  // namespace vxf1394::platform
