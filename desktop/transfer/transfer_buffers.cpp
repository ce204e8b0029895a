// transfer_buffers.cpp - the sample buffers of a transfer, allocated with a retreating block size.
#include "transfer_buffers.h"

#include <new>

namespace vxf::transfer {

namespace {
constexpr std::align_val_t kPageAlignment{4096};
}  // namespace

void SampleBufferDeleter::operator()(uint8_t* buffer) const noexcept { ::operator delete[](buffer, kPageAlignment); }

SampleBuffer allocateBuffer(size_t bytes) { return SampleBuffer(new (kPageAlignment, std::nothrow) uint8_t[bytes]); }

TransferBuffers::TransferBuffers(uint32_t block, uint32_t bytesPerSample, size_t bufferCount,
                                 const BufferAllocator& allocator) {
    if (bytesPerSample == 0) return;
    for (; block > 0; block /= 2) {
        if (tryAllocate(block, bytesPerSample, bufferCount, allocator)) {
            block_ = block;
            return;
        }
    }
}

bool TransferBuffers::tryAllocate(uint32_t block, uint32_t bytesPerSample, size_t bufferCount,
                                  const BufferAllocator& allocator) {
    buffers_.clear();
    const size_t bytes = size_t{block} * bytesPerSample;
    for (size_t i = 0; i < bufferCount; ++i) {
        auto buffer = allocator(bytes);
        if (!buffer) {
            buffers_.clear();
            return false;
        }
        buffers_.push_back(std::move(buffer));
    }
    return true;
}

}  // namespace vxf::transfer
