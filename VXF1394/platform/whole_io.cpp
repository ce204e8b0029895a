// whole_io.cpp - whole reads and writes at an offset: short counts are continued and EINTR retried.
#include "platform/whole_io.h"

#include <unistd.h>

#include <cerrno>

namespace vxf1394::platform {

namespace {

enum class Direction { read, write };

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

bool preadAll(int fd, void* data, size_t length, uint64_t offset) {
    return transferAll(fd, static_cast<char*>(data), length, offset, Direction::read);
}

bool pwriteAll(int fd, const void* data, size_t length, uint64_t offset) {
    // pwrite only reads the buffer; the cast serves the one loop both directions share.
    return transferAll(fd, static_cast<char*>(const_cast<void*>(data)), length, offset, Direction::write);
}

}  // namespace vxf1394::platform
