// write_tap.h - what sees every byte a file is given, at the offset it lands on.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vxf::transfer {

// Told of each write after it was handed to the file; the data is only valid during the call.
class WriteTap {
public:
    virtual ~WriteTap() = default;
    virtual void wrote(uint64_t offset, const void* data, size_t count) = 0;
};

}  // namespace vxf::transfer
