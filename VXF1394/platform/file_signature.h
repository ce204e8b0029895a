// file_signature.h - when a small file read earlier may be used again without reading it: identity, size and time stamps.
#pragma once

#include <sys/stat.h>

#include <cstdint>

namespace vxf1394::platform {

// What stat tells of a file that changes when its contents may have changed.
struct FileSignature {
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t size = 0;
    int64_t modifiedNs = 0;
    int64_t changedNs = 0;
    bool operator==(const FileSignature&) const = default;
};

FileSignature signatureOf(const struct stat& info);

// The wall clock, in the time stamps' terms.
int64_t wallClockNs();

// Coarser than any time stamp granularity in use (FAT keeps two seconds).
constexpr int64_t kTimeStampSlackNs = 3'000'000'000;

// A file read at readStartNs with this signature.
struct FileSnapshot {
    FileSignature signature;
    int64_t readStartNs = 0;
};

// True when a file whose stat now shows `now` still holds what was read for
// the snapshot. File time stamps are coarse (a clock tick, whole seconds on
// some file systems), so a rewrite of the same size soon after the read can
// carry the very same stamps: a snapshot counts only when its stamps were
// well in the past (kTimeStampSlackNs) when the read began; otherwise the
// file is read again.
bool stillCurrent(const FileSnapshot& snapshot, const struct stat& now);

}  // namespace vxf1394::platform
