// capture_passes.cpp - copying, trimming, scraping and retrying over the capture's map.
#include "capture_passes.h"

#include <algorithm>
#include <optional>

namespace vxf::capture {

namespace {

constexpr uint64_t kFirstSkipSectors = 128;         // 64 KiB
constexpr uint64_t kLargestSkipSectors = 1u << 22;  // 2 GiB
constexpr int kPassesOfCopying = 2;

class Passes {
public:
    Passes(CaptureMap& map, const CaptureIo& io, const PassOptions& options, uint8_t* buffer)
        : map_(map), io_(io), options_(options), buffer_(buffer),
          largestSkip_(std::clamp<uint64_t>(map.sectors() / 100, kFirstSkipSectors, kLargestSkipSectors)) {}

    CaptureEnd run() {
        const bool retrying = map_.phase == Phase::Retrying;
        const int interruptedRetry = map_.pass;
        std::vector<std::vector<SectorRange>> groups;
        if (!options_.valuable.empty()) groups.push_back(options_.valuable);
        if (!options_.valuableOnly) groups.push_back({SectorRange{0, map_.sectors()}});
        CaptureEnd end = CaptureEnd::Complete;
        for (size_t g = 0; g < groups.size() && end == CaptureEnd::Complete; ++g) end = rescue(groups[g]);
        const int firstRetry = retrying ? std::max(interruptedRetry, 1) : 1;
        for (int retry = firstRetry; retry <= options_.retries && end == CaptureEnd::Complete; ++retry) {
            enter(Phase::Retrying, retry);
            for (size_t g = 0; g < groups.size() && end == CaptureEnd::Complete; ++g) {
                end = sectorBySector(groups[g], Status::Bad);
            }
        }
        if (end == CaptureEnd::Complete) {
            // Done with what was asked; where areas were left unread (valuableOnly) the rescue as a whole is not,
            // and another run or tool goes on copying them.
            const bool allTried = map_.sectorsWith(Status::NonTried) + map_.sectorsWith(Status::NonTrimmed) +
                                      map_.sectorsWith(Status::NonScraped) == 0;
            map_.phase = allTried ? Phase::Finished : Phase::Copying;
            map_.pass = 1;
            map_.position = 0;
        }
        return end;
    }

private:
    // One step done: the map told, the drive's answer put where it belongs.
    CaptureEnd stepped() {
        if (!io_.stepped(map_)) return CaptureEnd::StoreFailed;
        return io_.stopRequested() ? CaptureEnd::Stopped : CaptureEnd::Complete;
    }

    void enter(Phase phase, int pass) {
        map_.phase = phase;
        map_.pass = pass;
        map_.position = 0;
    }

    // Reads `range` (at most a buffer) and marks it finished, or `failed` where the drive refused it.
    // False when the image would not take what was read.
    bool readInto(SectorRange range, Status failed, bool& readable) {
        map_.position = range.first;
        readable = io_.read(range.first, static_cast<uint32_t>(range.count), buffer_);
        if (readable && !io_.store(range.first, static_cast<uint32_t>(range.count), buffer_)) return false;
        map_.set(range, readable ? Status::Finished : failed);
        return true;
    }

    // Every pass but the retries over `areas`, each pass over all of them in their order.
    CaptureEnd rescue(const std::vector<SectorRange>& areas) {
        CaptureEnd end = copy(areas, 1, true);
        if (end == CaptureEnd::Complete) end = copy(areas, kPassesOfCopying, false);
        if (end == CaptureEnd::Complete) {
            enter(Phase::Trimming, 1);
            for (size_t i = 0; i < areas.size() && end == CaptureEnd::Complete; ++i) end = trim(areas[i]);
        }
        if (end == CaptureEnd::Complete) {
            enter(Phase::Scraping, 1);
            end = sectorBySector(areas, Status::NonScraped);
        }
        return end;
    }

    // The next block of `status` inside `area` from `from` on, cut to the area.
    std::optional<SectorRange> nextIn(Status status, uint64_t from, SectorRange area) const {
        std::optional<SectorRange> block = map_.next(status, std::max(from, area.first));
        if (!block || block->first >= area.end()) return std::nullopt;
        block->count = std::min(block->end(), area.end()) - block->first;
        return block;
    }

    CaptureEnd copy(const std::vector<SectorRange>& areas, int pass, bool skipping) {
        enter(Phase::Copying, pass);
        uint64_t skip = kFirstSkipSectors;
        for (const SectorRange& area : areas) {
            uint64_t from = area.first;
            while (std::optional<SectorRange> block = nextIn(Status::NonTried, from, area)) {
                const SectorRange request{block->first, std::min<uint64_t>(block->count, options_.chunkSectors)};
                bool readable = false;
                if (!readInto(request, Status::NonTrimmed, readable)) return CaptureEnd::StoreFailed;
                from = request.end();
                if (readable) {
                    skip = kFirstSkipSectors;
                } else if (skipping) {
                    from += skip;
                    skip = std::min(skip * 2, largestSkip_);
                }
                if (CaptureEnd end = stepped(); end != CaptureEnd::Complete) return end;
            }
        }
        return CaptureEnd::Complete;
    }

    // One sector; true when it was read. `end` tells how the step went.
    bool readSector(uint64_t lba, Status failed, CaptureEnd& end) {
        bool readable = false;
        end = readInto({lba, 1}, failed, readable) ? stepped() : CaptureEnd::StoreFailed;
        return readable;
    }

    CaptureEnd trim(SectorRange area) {
        while (std::optional<SectorRange> block = nextIn(Status::NonTrimmed, area.first, area)) {
            uint64_t first = block->first, end = block->end();
            CaptureEnd step = CaptureEnd::Complete;
            while (first < end) {
                bool readable = readSector(first++, Status::Bad, step);
                if (step != CaptureEnd::Complete) return step;
                if (!readable) break;
            }
            while (end > first) {
                bool readable = readSector(--end, Status::Bad, step);
                if (step != CaptureEnd::Complete) return step;
                if (!readable) break;
            }
            map_.set({first, end - first}, Status::NonScraped);
        }
        return CaptureEnd::Complete;
    }

    // Every sector of `status` in `areas` read once more on its own; the refused ones end bad.
    CaptureEnd sectorBySector(const std::vector<SectorRange>& areas, Status status) {
        for (const SectorRange& area : areas) {
            uint64_t from = area.first;
            while (std::optional<SectorRange> block = nextIn(status, from, area)) {
                CaptureEnd step = CaptureEnd::Complete;
                readSector(block->first, Status::Bad, step);
                if (step != CaptureEnd::Complete) return step;
                from = block->first + 1;
            }
        }
        return CaptureEnd::Complete;
    }

    CaptureMap& map_;
    const CaptureIo& io_;
    const PassOptions& options_;
    uint8_t* buffer_;
    const uint64_t largestSkip_;
};

}  // namespace

CaptureEnd runPasses(CaptureMap& map, const CaptureIo& io, const PassOptions& options, uint8_t* buffer) {
    return Passes(map, io, options, buffer).run();
}

}  // namespace vxf::capture
