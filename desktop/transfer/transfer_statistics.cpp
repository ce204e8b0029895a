// transfer_statistics.cpp - rate and time of a transfer, and the percentage of a transfer done.
#include "transfer_statistics.h"

#include <chrono>
#include <cstdio>

namespace vxf::transfer {

namespace {
constexpr uint64_t kBytesPerTransferredSample = 3;
constexpr double kBitsPerMegabit = 1048576.0;
using Clock = std::chrono::steady_clock;
constexpr int64_t kClockFrequency = Clock::period::den / Clock::period::num;

std::string formatNumber(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

int64_t clockTicks() { return Clock::now().time_since_epoch().count(); }
}  // namespace

uint64_t transferBytes(uint64_t tracks, uint64_t samplesPerTrack) {
    return tracks * samplesPerTrack * kBytesPerTransferredSample;
}

TransferStatistics computeTransferStatistics(uint64_t bytes, int64_t startTicks, int64_t endTicks,
                                             int64_t frequency) {
    TransferStatistics result;
    if (frequency == 0) return result;
    result.seconds = static_cast<double>(endTicks - startTicks) / static_cast<double>(frequency);
    if (result.seconds == 0) return result;
    result.megabitsPerSecond = static_cast<double>(bytes) / result.seconds * 8 / kBitsPerMegabit;
    return result;
}

std::string formatTransferRate(const TransferStatistics& statistics) {
    return formatNumber("%5.2f Mbs", statistics.megabitsPerSecond);
}

std::string formatTransferTime(const TransferStatistics& statistics) {
    return formatNumber("%5.2f s", statistics.seconds);
}

void TransferClock::start() { startTicks_ = endTicks_ = clockTicks(); }

void TransferClock::stop() { endTicks_ = clockTicks(); }

TransferStatistics TransferClock::statistics(uint64_t bytes) const {
    return computeTransferStatistics(bytes, startTicks_, endTicks_, kClockFrequency);
}

int percentDone(int64_t low, int64_t high, int64_t position) {
    if (high <= low) return 100;
    if (position <= low) return 0;
    if (position >= high) return 100;
    // Positions are sample counts (32-bit), so the product stays far inside 64 bits.
    const uint64_t done = static_cast<uint64_t>(position - low);
    const uint64_t range = static_cast<uint64_t>(high - low);
    return static_cast<int>(done * 100 / range);
}

}  // namespace vxf::transfer
