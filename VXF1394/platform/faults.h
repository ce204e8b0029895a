// faults.h - injected drive faults: the "<backing path>.faults" sidecar and faults set by tests.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vxf1394::platform {

struct LbaRange {
    uint64_t first = 0;  // inclusive
    uint64_t last = 0;   // inclusive
};

struct FaultSet {
    std::vector<LbaRange> readErrors;
    std::vector<LbaRange> writeErrors;
    std::vector<LbaRange> slowReads;  // a failing drive's retries: each request touching one waits a while
    bool noCapacity = false;
    bool noIdentify = false;
    bool unmountError = false;
    bool flushError = false;  // the write cache cannot be brought to the medium
    // A drive of this speed: each read request lasts at least its bytes at this many MB/s (0: as fast as
    // the store answers), so work on images can be timed as on a real drive.
    uint32_t readMegabytesPerSecond = 0;

    // A request fails when any of its sectors lies in a range.
    bool readFails(uint64_t lba, uint64_t count) const;
    bool writeFails(uint64_t lba, uint64_t count) const;
    bool readIsSlow(uint64_t lba, uint64_t count) const;
    void add(const FaultSet& other);
    bool empty() const;
};

// Sidecar lines: "read-error FIRST LAST", "write-error FIRST LAST", "slow-read
// FIRST LAST" (one number names a single sector), "no-capacity", "no-identify",
// "unmount-error", "flush-error", "read-rate MB_PER_SECOND".
// Blank lines, '#' comments and lines that make no sense are ignored.
FaultSet parseFaultFile(std::string_view text);

constexpr std::string_view kFaultFileSuffix = ".faults";
constexpr size_t kMaxFaultFileBytes = 64 * 1024;
constexpr unsigned kSlowReadMicroseconds = 100;

// The sidecar of the backing path (re-read when it changes) together with the
// faults a test set for that path.
FaultSet faultsFor(const std::string& backingPath);

void setTestFaults(const std::string& backingPath, const FaultSet& faults);
void clearTestFaults(const std::string& backingPath);
void clearAllTestFaults();

}  // namespace vxf1394::platform
