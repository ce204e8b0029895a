// transfer_buffers.h - the sample buffers of a transfer, allocated with a retreating block size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace vxf::transfer {

// A buffer of samples, aligned to the page: the kernel copies file and drive data into and out
// of such a buffer about twice as fast as into one at any address.
struct SampleBufferDeleter {
    void operator()(uint8_t* buffer) const noexcept;
};
using SampleBuffer = std::unique_ptr<uint8_t[], SampleBufferDeleter>;

// Gives a buffer of the asked size, or null when the memory is not there.
using BufferAllocator = std::function<SampleBuffer(size_t bytes)>;

// An allocator that gives null instead of throwing.
SampleBuffer allocateBuffer(size_t bytes);

// One buffer of block × bytes per sample for each track taking part, all with the same block.
class TransferBuffers {
public:
    // When an allocation fails, every buffer is given back, the block is halved and all are
    // tried again; block() is 0 when even one sample per buffer could not be had.
    TransferBuffers(uint32_t block, uint32_t bytesPerSample, size_t bufferCount,
                    const BufferAllocator& allocator = allocateBuffer);

    uint32_t block() const { return block_; }
    size_t size() const { return buffers_.size(); }
    uint8_t* operator[](size_t index) const { return buffers_[index].get(); }

private:
    bool tryAllocate(uint32_t block, uint32_t bytesPerSample, size_t bufferCount, const BufferAllocator& allocator);

    uint32_t block_ = 0;
    std::vector<SampleBuffer> buffers_;
};

}  // namespace vxf::transfer
