// backing_store.h - the image file or block device behind an emulated drive: size and whole transfers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace vxf1394::platform {

class BackingStore {
public:
    enum class Access { readOnly, readWrite };

    // Only regular files and block devices are accepted; anything else
    // (a folder, a FIFO, a character device) is refused, never waited on.
    static std::optional<BackingStore> open(const std::string& path, Access access);

    BackingStore(BackingStore&& other) noexcept;
    BackingStore& operator=(BackingStore&&) = delete;
    BackingStore(const BackingStore&) = delete;
    ~BackingStore();

    uint64_t sizeBytes() const { return size_; }
    bool covers(uint64_t offset, uint64_t length) const;

    // The whole range or failure: short counts and EINTR are continued.
    bool readAt(void* data, size_t length, uint64_t offset) const;
    bool writeAt(const void* data, size_t length, uint64_t offset) const;

private:
    BackingStore(int fd, uint64_t size) : fd_(fd), size_(size) {}
    int fd_ = -1;
    uint64_t size_ = 0;
};

}  // namespace vxf1394::platform
