// capture_passes.h - the passes of a rescue: the readable rest first, then back to the failed areas sector by sector.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "capture_map.h"

namespace vxf::capture {

struct CaptureIo {
    // Reads `count` sectors from `first` into `out`; false where the drive refused.
    std::function<bool(uint64_t first, uint32_t count, uint8_t* out)> read;
    // Puts sectors read into the image; false where the image would not take them.
    std::function<bool(uint64_t first, uint32_t count, const uint8_t* data)> store;
    // After every step, the map up to date: progress, and a save now and then. False: the save failed.
    std::function<bool(const CaptureMap& map)> stepped;
    std::function<bool()> stopRequested;
};

struct PassOptions {
    uint32_t chunkSectors = 4096;  // the copying passes' request; `buffer` holds that many sectors
    int retries = 0;               // passes over the bad sectors after scraping
    // The areas worth most, in order (system records, the songs' clusters): rescued before anything else.
    std::vector<SectorRange> valuable;
    bool valuableOnly = false;  // nothing else is read
};

enum class CaptureEnd { Complete, Stopped, StoreFailed };

// Runs the passes the map still needs, first over the valuable areas, then (unless valuableOnly) over the
// whole drive; then the retries over both, in the same order:
// 1. copying with skips: a failed request is left for trimming and the next 64 KiB (doubling while requests keep
//    failing) are passed over, so the readable rest comes off a failing drive first;
// 2. copying what pass 1 passed over, without skips;
// trimming: each failed request read sector by sector from both edges up to its first bad sector;
// scraping: what trimming left, sector by sector;
// retrying: the bad sectors again, `retries` times.
CaptureEnd runPasses(CaptureMap& map, const CaptureIo& io, const PassOptions& options, uint8_t* buffer);

}  // namespace vxf::capture
