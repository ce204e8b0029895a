// image_snapshot.cpp - the bytes of a sparse drive image kept in memory, to put the image back as it was.
#include "image_snapshot.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "platform/whole_io.h"

namespace vxf::fuzz {

namespace {

constexpr size_t kPage = 4096;

bool allZero(const uint8_t* p, size_t size) {
    return size == 0 || (p[0] == 0 && std::memcmp(p, p + 1, size - 1) == 0);
}

}  // namespace

bool ImageSnapshot::capture(const std::string& path) {
    extents_.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const off_t end = ::lseek(fd, 0, SEEK_END);
    bool ok = end >= 0;
    length_ = ok ? uint64_t(end) : 0;
    std::vector<uint8_t> page(kPage);
    // Only the data the file system reports, page by page; zero pages are left out as well.
    for (off_t data = ok ? ::lseek(fd, 0, SEEK_DATA) : -1; ok && data >= 0 && uint64_t(data) < length_;) {
        const off_t hole = ::lseek(fd, data, SEEK_HOLE);
        const uint64_t stop = hole < 0 ? length_ : uint64_t(hole);
        for (uint64_t at = uint64_t(data) & ~uint64_t(kPage - 1); at < stop; at += kPage) {
            const size_t size = size_t(std::min<uint64_t>(kPage, length_ - at));
            if (!vxf1394::platform::preadAll(fd, page.data(), size, at)) {
                ok = false;
                break;
            }
            if (allZero(page.data(), size)) continue;
            if (!extents_.empty() && extents_.back().offset + extents_.back().bytes.size() == at) {
                extents_.back().bytes.insert(extents_.back().bytes.end(), page.begin(), page.begin() + long(size));
            } else {
                extents_.push_back({at, std::vector<uint8_t>(page.begin(), page.begin() + long(size))});
            }
        }
        data = ::lseek(fd, off_t(stop), SEEK_DATA);
    }
    ::close(fd);
    return ok;
}

bool ImageSnapshot::restore(const std::string& path) const {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = ::ftruncate(fd, 0) == 0 && ::ftruncate(fd, off_t(length_)) == 0;
    for (const Extent& extent : extents_) {
        ok = ok && vxf1394::platform::pwriteAll(fd, extent.bytes.data(), extent.bytes.size(), extent.offset);
    }
    ::close(fd);
    return ok;
}

void ImageSnapshot::read(uint64_t offset, uint8_t* out, size_t size) const {
    std::memset(out, 0, size);
    for (const Extent& extent : extents_) {
        const uint64_t from = std::max(offset, extent.offset);
        const uint64_t to = std::min(offset + size, extent.offset + extent.bytes.size());
        if (from < to) std::memcpy(out + (from - offset), extent.bytes.data() + (from - extent.offset), to - from);
    }
}

}  // namespace vxf::fuzz
