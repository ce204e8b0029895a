// transfer_statistics.h - rate and time of a transfer, and the percentage of a transfer done.
#pragma once

#include <cstdint>
#include <string>

namespace vxf::transfer {

// Every transfer counts 3 bytes per sample, whatever the file's word length; 64 bits,
// since 24 tracks of 30 minutes pass 4 GB.
uint64_t transferBytes(uint64_t tracks, uint64_t samplesPerTrack);

struct TransferStatistics {
    double megabitsPerSecond = 0;   // binary megabits: bytes × 8 ÷ 1048576 per second
    double seconds = 0;
};

// From two readings of a counter that ticks `frequency` times a second. A frequency of 0
// gives rate and time 0; a time of 0 gives rate 0.
TransferStatistics computeTransferStatistics(uint64_t bytes, int64_t startTicks, int64_t endTicks,
                                             int64_t frequency);

// "%5.2f Mbs" and "%5.2f s": the texts of the rate and time fields.
std::string formatTransferRate(const TransferStatistics& statistics);
std::string formatTransferTime(const TransferStatistics& statistics);

// Reads a monotonic clock before the first block and after the last one.
class TransferClock {
public:
    void start();
    void stop();
    TransferStatistics statistics(uint64_t bytes) const;

private:
    int64_t startTicks_ = 0;
    int64_t endTicks_ = 0;
};

// ⌊(position − low) × 100 ÷ (high − low)⌋, kept within 0 to 100; an empty range is 100 done.
int percentDone(int64_t low, int64_t high, int64_t position);

}  // namespace vxf::transfer
