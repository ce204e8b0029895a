// backing_store.h - the image file or block device behind an emulated drive: opening, size and whole transfers.
#pragma once

#include <sys/stat.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace vxf1394::platform {

class BackingStore {
public:
    // Opens the regular file or block device that `info` (a stat of path)
    // shows, for reading and writing. An image the user may only read opens
    // for reading, and its writes fail. A block device opens exclusively:
    // one the machine uses (mounted, swapped on, part of a RAID or device
    // mapper) is refused with EBUSY, and while it is open nobody can mount it;
    // its writes are done when they return.
    // Anything else (a folder, a FIFO, a character device) is refused with
    // ENODEV, never waited on. Null on failure, with errno set.
    static std::unique_ptr<BackingStore> open(const std::string& path, const struct stat& info);

    BackingStore(const BackingStore&) = delete;
    BackingStore& operator=(const BackingStore&) = delete;
    ~BackingStore();

    // Whether the path, stat'ed now as `info`, still names this store.
    bool isAt(const struct stat& info) const;
    // Takes in the current size: a file may have grown, a medium changed.
    bool refreshSize(const struct stat& info);
    // The same, asked of the open descriptor: the file is still the one opened.
    bool refreshSize();

    uint64_t sizeBytes() const { return size_.load(); }
    bool covers(uint64_t offset, uint64_t length) const;
    bool writable() const { return writable_; }
    bool isBlockDevice() const { return S_ISBLK(mode_); }
    dev_t deviceNumber() const { return rdev_; }

    // The whole range or failure: short counts and EINTR are continued.
    bool readAt(void* data, size_t length, uint64_t offset) const;
    bool writeAt(const void* data, size_t length, uint64_t offset) const;
    // Everything written through any descriptor of the store is on the medium.
    bool flush() const;

private:
    BackingStore(int fd, const struct stat& info, bool writable);
    int fd_ = -1;
    dev_t device_ = 0;
    ino_t inode_ = 0;
    mode_t mode_ = 0;
    dev_t rdev_ = 0;
    bool writable_ = false;
    std::atomic<uint64_t> size_{0};
};

}  // namespace vxf1394::platform
