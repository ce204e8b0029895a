// optimal_chunk.h - the block size of a transfer, from the server's optimal transfer size.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "message_sink.h"

namespace vxf::transfer {

// Blocks are brought to between 100000 and 200000 samples per server call.
constexpr uint64_t kTargetBlockSamples = 200000;

// multiplier × optimalSize, doubled while below 200000 and then halved while above it.
// Gives 0 when either is 0.
uint32_t OptimalChunk(uint16_t multiplier, uint32_t optimalSize);

// Asks the server for its optimal transfer size, in samples (the caller binds this to
// tavovxfTrackOptimalTransferSize of its drive). Gives the server's error code, 0 on
// success, and on failure the server's message in `errorText`.
using OptimalSizeQuery = std::function<int32_t(uint32_t& optimalSize, std::string& errorText)>;

// The same, asking the server first; a failed query shows the server's message and gives 0.
uint32_t OptimalChunk(uint16_t multiplier, const OptimalSizeQuery& query, MessageSink& sink);

}  // namespace vxf::transfer
