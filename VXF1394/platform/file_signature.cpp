// file_signature.cpp - when a small file read earlier may be used again without reading it: identity, size and time stamps.
#include "platform/file_signature.h"

#include <time.h>

#include <algorithm>

namespace vxf1394::platform {

namespace {

int64_t nanoseconds(const timespec& t) { return static_cast<int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec; }

}  // namespace

FileSignature signatureOf(const struct stat& info) {
    return FileSignature{static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino),
                         static_cast<int64_t>(info.st_size), nanoseconds(info.st_mtim), nanoseconds(info.st_ctim)};
}

int64_t wallClockNs() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return nanoseconds(now);
}

bool stillCurrent(const FileSnapshot& snapshot, const struct stat& now) {
    const FileSignature& s = snapshot.signature;
    bool settled = std::max(s.modifiedNs, s.changedNs) + kTimeStampSlackNs < snapshot.readStartNs;
    return settled && signatureOf(now) == s;
}

}  // namespace vxf1394::platform
