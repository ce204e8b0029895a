// archive_meter.h - how far a whole archive is: bytes done of all, the rate, the time left.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "progress_line.h"

namespace vxf::transfer {

class ArchiveMeter {
public:
    void begin(uint64_t totalBytes);
    void advance(uint64_t bytes) { done_ += bytes; }
    // Bytes that were already there (a resumed archive's): done, but not part of the rate.
    void skip(uint64_t bytes);

    uint64_t done() const { return done_; }
    uint64_t total() const { return total_; }
    double seconds() const;
    // Bytes a second of what was copied; 0 before anything was.
    double rate() const;
    // Seconds left at the rate so far; negative while unknown.
    double secondsLeft() const;
    // "45.2 of 92.2 MB, 38.5 MB/s, 0:02 left"
    std::string text() const;

private:
    std::chrono::steady_clock::time_point started_;
    uint64_t total_ = 0;
    uint64_t done_ = 0;
    uint64_t skipped_ = 0;
};


}  // namespace vxf::transfer
