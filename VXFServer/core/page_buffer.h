// page_buffer.h - buffers that sectors are read into, aligned to the page: the kernel copies into them about twice as fast.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

namespace vxfserver {

inline constexpr std::align_val_t kPageAlignment{4096};

// nullptr when the memory is not there.
inline uint8_t* newPageBuffer(size_t bytes) { return new (kPageAlignment, std::nothrow) uint8_t[bytes]; }
inline void deletePageBuffer(uint8_t* buffer) { ::operator delete[](buffer, kPageAlignment); }

struct PageBufferDeleter {
    void operator()(uint8_t* buffer) const { deletePageBuffer(buffer); }
};
using PageBuffer = std::unique_ptr<uint8_t[], PageBufferDeleter>;

}  // namespace vxfserver
