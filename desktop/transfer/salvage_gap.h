// salvage_gap.h - the stretches of a track a salvaging export had to leave silent, and how they are told.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vxf::transfer {

// Samples of one track the drive could not give, written to the file as silence.
struct SalvageGap {
    std::string song;  // the song's name as the drive names it
    uint16_t track = 0;  // 0-based
    uint32_t sampleRate = 0;
    uint64_t firstSample = 0;  // from the song's start
    uint64_t lastSample = 0;   // included
};

// "hh:mm:ss.mmm" of a sample at the rate, rounded down to the millisecond; 00:00:00.000 at rate 0.
std::string formatSampleTime(uint64_t sample, uint32_t sampleRate);

// One line: song "NAME", track K, samples FIRST-LAST, from - to (times from formatSampleTime).
std::string describeGap(const SalvageGap& gap);

}  // namespace vxf::transfer
