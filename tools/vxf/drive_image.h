// drive_image.h - a new sparse raw drive image, sector 0 at byte 0.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>

namespace vxf::cli {

constexpr int64_t kImageSectorBytes = 512;
constexpr int64_t kDefaultImageSectors = 78165360;  // a 40 GB drive

enum class ImageResult { created, exists, failed };

// Creates the image, never over an existing file; `error` tells why it failed.
inline ImageResult createSparseImage(const std::string& path, int64_t sectors, std::string& error) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (errno == EEXIST) return ImageResult::exists;
        error = std::strerror(errno);
        return ImageResult::failed;
    }
    // ftruncate leaves the file sparse: no block is written until the drive is used.
    bool ok = ::ftruncate(fd, static_cast<off_t>(sectors * kImageSectorBytes)) == 0;
    const int reason = errno;
    ok = (::close(fd) == 0) && ok;
    if (ok) return ImageResult::created;
    ::unlink(path.c_str());
    error = std::strerror(reason);
    return ImageResult::failed;
}

}  // namespace vxf::cli
