// archive_meter.cpp - how far a whole archive is: bytes done of all, the rate, the time left.
#include "archive_meter.h"

#include <cstdio>

namespace vxf::transfer {

namespace {
constexpr double kMegabyte = 1e6;
}

void ArchiveMeter::begin(uint64_t totalBytes) {
    started_ = std::chrono::steady_clock::now();
    total_ = totalBytes;
    done_ = skipped_ = 0;
}

void ArchiveMeter::skip(uint64_t bytes) {
    done_ += bytes;
    skipped_ += bytes;
}

double ArchiveMeter::seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
}

double ArchiveMeter::rate() const {
    const double elapsed = seconds();
    return elapsed > 0 ? double(done_ - skipped_) / elapsed : 0;
}

double ArchiveMeter::secondsLeft() const {
    const double bytesPerSecond = rate();
    if (bytesPerSecond <= 0) return -1;
    return double(total_ > done_ ? total_ - done_ : 0) / bytesPerSecond;
}

std::string ArchiveMeter::text() const {
    char line[128];
    const double left = secondsLeft();
    std::snprintf(line, sizeof line, "%.1f of %.1f MB, %.1f MB/s, %s left", double(done_) / kMegabyte,
                  double(total_) / kMegabyte, rate() / kMegabyte, left < 0 ? "?" : clockText(left).c_str());
    return line;
}

}  // namespace vxf::transfer
