// faulty_store.cpp - faults injected into any store: the sidecar's and a test's, as a drive with those faults answers.
#include "platform/faulty_store.h"

#include <unistd.h>

#include <chrono>
#include <thread>

#include "i1394.h"
#include "platform/last_error.h"

namespace vxf1394::platform {

uint32_t FaultyStore::capacity(uint64_t& bytes) {
    return faults_.noCapacity ? kErrorGenFailure : inner_.capacity(bytes);
}

uint32_t FaultyStore::identify(DriveIdentity& identity) {
    return faults_.noIdentify ? kErrorGenFailure : inner_.identify(identity);
}

uint32_t FaultyStore::read(void* data, size_t length, uint64_t offset) {
    if (faults_.readIsSlow(offset / I1394_SECTOR_SIZE, length / I1394_SECTOR_SIZE)) ::usleep(kSlowReadMicroseconds);
    if (faults_.readFails(offset / I1394_SECTOR_SIZE, length / I1394_SECTOR_SIZE)) return kErrorCrc;
    if (faults_.readMegabytesPerSecond == 0) return inner_.read(data, length, offset);
    // A megabyte a second is a byte a microsecond.
    const auto lasting = std::chrono::microseconds(length / faults_.readMegabytesPerSecond);
    const auto start = std::chrono::steady_clock::now();
    const uint32_t error = inner_.read(data, length, offset);
    std::this_thread::sleep_until(start + lasting);
    return error;
}

uint32_t FaultyStore::write(const void* data, size_t length, uint64_t offset) {
    if (faults_.writeFails(offset / I1394_SECTOR_SIZE, length / I1394_SECTOR_SIZE)) return kErrorWriteFault;
    return inner_.write(data, length, offset);
}

// The cache that cannot be brought to the medium is the drive's: a drive
// that cannot be reached at all fails for that reason first.
uint32_t FaultyStore::flush(bool& flushed) {
    flushed = false;
    if (uint32_t error = inner_.reach(); error != kErrorSuccess) return error;
    if (faults_.flushError) return kErrorWriteFault;
    return inner_.flush(flushed);
}

uint32_t FaultyStore::release() { return faults_.unmountError ? kErrorGenFailure : inner_.release(); }

}  // namespace vxf1394::platform
