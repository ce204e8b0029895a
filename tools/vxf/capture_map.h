// capture_map.h - what a capture has read, in the mapfile form rescue tools share: blocks of sectors and their status.
#pragma once

#include <cstdint>
#include <array>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vxf::capture {

// A block's status, as the mapfile writes it.
enum class Status : char {
    NonTried = '?',
    NonTrimmed = '*',
    NonScraped = '/',
    Bad = '-',
    Finished = '+',
};

// What the capture is doing, the map's current_status.
enum class Phase : char {
    Copying = '?',
    Trimming = '*',
    Scraping = '/',
    Retrying = '-',
    Finished = '+',
};

struct SectorRange {
    uint64_t first = 0;
    uint64_t count = 0;
    uint64_t end() const { return first + count; }
};

// The drive's sectors in sorted, contiguous blocks covering all of them; neighbours never share a status.
class CaptureMap {
public:
    explicit CaptureMap(uint64_t sectors);

    uint64_t sectors() const { return sectors_; }
    void set(SectorRange range, Status status);
    // The first block of `status` that ends after `from`, cut to begin at `from` at the earliest.
    std::optional<SectorRange> next(Status status, uint64_t from) const;
    uint64_t sectorsWith(Status status) const { return tally(status).sectors; }
    size_t blocksWith(Status status) const { return tally(status).blocks; }
    std::vector<SectorRange> blocks(Status status) const;

    // Where the capture stands, for the status line.
    uint64_t position = 0;
    Phase phase = Phase::Copying;
    int pass = 1;
    std::string drive;  // the drive's name, kept in a comment; empty when the map does not say

    std::string text() const;
    // A map of a drive of `sectors`; a map that ends short leaves the rest untried. Empty with `failure` set
    // when the text is no map of such a drive.
    static std::optional<CaptureMap> parse(const std::string& text, uint64_t sectors, std::string& failure);

private:
    struct Block {
        uint64_t end;
        Status status;
    };
    // Kept as blocks come and go: the progress line asks after every sector.
    struct Tally {
        uint64_t sectors = 0;
        size_t blocks = 0;
    };
    using Blocks = std::map<uint64_t, Block>;
    const Tally& tally(Status status) const { return tallies_[static_cast<unsigned char>(status)]; }
    Tally& tally(Status status) { return tallies_[static_cast<unsigned char>(status)]; }
    void mergeAround(Blocks::iterator at);
    Blocks::iterator splitAt(uint64_t lba);
    void erase(Blocks::iterator first, Blocks::iterator last);
    Blocks::iterator add(uint64_t first, Block block);

    uint64_t sectors_;
    Blocks blocks_;  // by first sector
    std::array<Tally, 128> tallies_{};
};

// The map written whole beside the old one and renamed over it, so a reader finds one or the other.
bool saveMap(const std::string& path, const CaptureMap& map);
std::optional<CaptureMap> loadMap(const std::string& path, uint64_t sectors, std::string& failure);

}  // namespace vxf::capture
