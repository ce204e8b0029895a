// salvage_gap.cpp - the stretches of a track a salvaging export had to leave silent, and how they are told.
#include "salvage_gap.h"

#include <cinttypes>
#include <cstdio>

namespace vxf::transfer {

std::string formatSampleTime(uint64_t sample, uint32_t sampleRate) {
    const uint64_t ms = sampleRate == 0 ? 0 : sample / sampleRate * 1000 + sample % sampleRate * 1000 / sampleRate;
    char text[40];
    std::snprintf(text, sizeof text, "%02" PRIu64 ":%02" PRIu64 ":%02" PRIu64 ".%03" PRIu64, ms / 3600000,
                  ms / 60000 % 60, ms / 1000 % 60, ms % 1000);
    return text;
}

std::string describeGap(const SalvageGap& gap) {
    return "song \"" + gap.song + "\", track " + std::to_string(gap.track + 1u) + ", samples " +
           std::to_string(gap.firstSample) + "-" + std::to_string(gap.lastSample) + ", " +
           formatSampleTime(gap.firstSample, gap.sampleRate) + " - " + formatSampleTime(gap.lastSample, gap.sampleRate);
}

}  // namespace vxf::transfer
