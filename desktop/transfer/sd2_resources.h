// sd2_resources.h - the resource fork of a Sound Designer II file: its three 'STR ' parameters.
#pragma once

#include <array>
#include <cstdint>

#include "binary_file.h"

namespace vxf::transfer {

constexpr size_t kSd2ResourceForkSize = 395;

// The fork we write: "sample-size" (bytes per sample), "sample-rate" and "channels" (1).
std::array<uint8_t, kSd2ResourceForkSize> buildSd2ResourceFork(uint16_t wordLength, uint32_t sampleRate);

struct Sd2Parameters {
    uint16_t wordLength = 0;   // 0 when no "sample-size" resource was found
    uint32_t sampleRate = 0;   // 0 when no "sample-rate" resource was found
};

// Reads the 'STR ' resources 1000 (sample size), 1001 (sample rate) and 1002 (channels) of
// the fork starting at `forkStart`. Gives AUDIO_OK or an AUDIO_ERR_* code; nothing is read
// from beyond the end of the file.
int readSd2Parameters(BinaryFile& file, uint64_t forkStart, Sd2Parameters& parameters);

}  // namespace vxf::transfer
