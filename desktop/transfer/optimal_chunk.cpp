// optimal_chunk.cpp - the block size of a transfer, from the server's optimal transfer size.
#include "optimal_chunk.h"

namespace vxf::transfer {

uint32_t OptimalChunk(uint16_t multiplier, uint32_t optimalSize) {
    // 64 bits: 65535 × 0xFFFFFFFF still fits, and 0 must not be doubled for ever.
    uint64_t block = uint64_t{multiplier} * optimalSize;
    if (block == 0) return 0;
    while (block < kTargetBlockSamples) block *= 2;
    while (block > kTargetBlockSamples) block /= 2;
    return static_cast<uint32_t>(block);
}

uint32_t OptimalChunk(uint16_t multiplier, const OptimalSizeQuery& query, MessageSink& sink) {
    uint32_t optimalSize = 0;
    std::string errorText;
    if (query(optimalSize, errorText) != 0) {
        sink.showError(errorText);
        return 0;
    }
    return OptimalChunk(multiplier, optimalSize);
}

}  // namespace vxf::transfer
