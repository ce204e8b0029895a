// backing_store.cpp - the image file or block device behind an emulated drive: size and whole transfers.
#include "platform/backing_store.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace vxf1394::platform {

namespace {

std::optional<uint64_t> storeSize(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return std::nullopt;
    if (S_ISREG(st.st_mode)) return static_cast<uint64_t>(st.st_size);
    if (S_ISBLK(st.st_mode)) {
        uint64_t bytes = 0;
        if (::ioctl(fd, BLKGETSIZE64, &bytes) != 0) return std::nullopt;
        return bytes;
    }
    return std::nullopt;
}

enum class Direction { read, write };

// The whole range or failure: short counts are continued and EINTR retried.
bool transferAll(int fd, char* data, size_t length, uint64_t offset, Direction direction) {
    while (length > 0) {
        ssize_t n = direction == Direction::read ? ::pread(fd, data, length, static_cast<off_t>(offset))
                                                 : ::pwrite(fd, data, length, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        offset += static_cast<uint64_t>(n);
        length -= static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

std::optional<BackingStore> BackingStore::open(const std::string& path, Access access) {
    // O_NONBLOCK keeps the open of a FIFO from waiting; on the files and
    // block devices accepted below it changes nothing.
    int flags = (access == Access::readWrite ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NONBLOCK;
    int fd = ::open(path.c_str(), flags);
    if (fd < 0) return std::nullopt;
    std::optional<uint64_t> size = storeSize(fd);
    if (!size) {
        ::close(fd);
        return std::nullopt;
    }
    return BackingStore(fd, *size);
}

BackingStore::BackingStore(BackingStore&& other) noexcept : fd_(other.fd_), size_(other.size_) { other.fd_ = -1; }

BackingStore::~BackingStore() {
    if (fd_ >= 0) ::close(fd_);
}

bool BackingStore::covers(uint64_t offset, uint64_t length) const {
    return offset <= size_ && length <= size_ - offset;
}

bool BackingStore::readAt(void* data, size_t length, uint64_t offset) const {
    return covers(offset, length) && transferAll(fd_, static_cast<char*>(data), length, offset, Direction::read);
}

bool BackingStore::writeAt(const void* data, size_t length, uint64_t offset) const {
    // pwrite only reads the buffer; the cast serves the one loop both directions share.
    return covers(offset, length) &&
           transferAll(fd_, static_cast<char*>(const_cast<void*>(data)), length, offset, Direction::write);
}

}  // namespace vxf1394::platform
