// whole_io.h - whole reads and writes at an offset: short counts are continued and EINTR retried.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vxf1394::platform {

// True when all `length` bytes moved; false at an error or the end of the file.
bool preadAll(int fd, void* data, size_t length, uint64_t offset);
bool pwriteAll(int fd, const void* data, size_t length, uint64_t offset);

}  // namespace vxf1394::platform
