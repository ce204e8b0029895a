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

}  // namespace

std::optional<BackingStore> BackingStore::open(const std::string& path, Access access) {
    int flags = (access == Access::readWrite ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NONBLOCK;
    int fd = ::open(path.c_str(), flags);
    if (fd < 0) return std::nullopt;
    std::optional<uint64_t> size = storeSize(fd);
    int status = ::fcntl(fd, F_GETFL);
    if (!size || status < 0 || ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0) {
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
    if (!covers(offset, length)) return false;
    auto* p = static_cast<char*>(data);
    while (length > 0) {
        ssize_t n = ::pread(fd_, p, length, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        offset += static_cast<uint64_t>(n);
        length -= static_cast<size_t>(n);
    }
    return true;
}

bool BackingStore::writeAt(const void* data, size_t length, uint64_t offset) const {
    if (!covers(offset, length)) return false;
    const auto* p = static_cast<const char*>(data);
    while (length > 0) {
        ssize_t n = ::pwrite(fd_, p, length, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        offset += static_cast<uint64_t>(n);
        length -= static_cast<size_t>(n);
    }
    return true;
}

}  // namespace vxf1394::platform
