// test_api.cpp - controls of the drive emulation for tests, and the hooks through which the emulation consults them.
#include "platform/test_api.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <utility>

#include "disk_enumeration.h"
#include "drive_list.h"
#include "i1394.h"
#include "platform/last_error.h"
#include "platform/memory_drives.h"
#include "platform/open_stores.h"
#include "platform/service_manager.h"
#include "platform/test_hooks.h"

namespace vxf1394 {

namespace {

struct Controls {
    std::mutex mutex;
    testing::RequestCounters counters;  // but the reads, counted apart
    // Counted without the lock: reads are the hot path, one-sector ones above all.
    std::atomic<uint64_t> reads{0};
    std::atomic<uint64_t> sectorsRead{0};
    // Write requests seen since the start, never reset by the counters.
    uint64_t writeOrdinal = 0;
    std::optional<uint64_t> failWritesFrom;  // ordinals >= this fail
    std::optional<uint64_t> failWriteAt;     // this ordinal fails
    int deviceOpenFailures = 0;
    bool watcherStartFailure = false;
    uint64_t changeNotificationRequests = 0;
    bool journalKept = false;
    std::vector<testing::JournalEntry> journal;
    bool flushesIgnored = false;
};

// Never destroyed: the emulation may be used while the process exits.
Controls& controls() {
    static Controls* c = new Controls;
    return *c;
}

// Each thread's own, so that a request takes no lock to note it (a plain value: nothing to
// destroy when the thread ends or the library is unloaded).
thread_local testing::LastRequest t_lastRequest;

void resetReadCounts(Controls& c) {
    c.reads.store(0, std::memory_order_relaxed);
    c.sectorsRead.store(0, std::memory_order_relaxed);
}

}  // namespace

namespace platform::hooks {

void noteRequest(uint32_t code, const void* record, uint32_t inputSize, uint32_t outputSize) {
    testing::LastRequest& last = t_lastRequest;
    last = testing::LastRequest{};
    last.seen = true;
    last.code = code;
    last.inputSize = inputSize;
    last.outputSize = outputSize;
    std::memcpy(last.record.data(), record, std::min<size_t>(inputSize, last.record.size()));
}

void countRead(uint64_t sectors) {
    Controls& c = controls();
    c.reads.fetch_add(1, std::memory_order_relaxed);
    c.sectorsRead.fetch_add(sectors, std::memory_order_relaxed);
}

namespace {
// Opened once: the environment of a process does not change under it.
int readTraceDescriptor() {
    static const int descriptor = [] {
        const char* path = std::getenv("VXF1394_READ_TRACE");
        if (!path || !*path) return -1;
        return ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0600);
    }();
    return descriptor;
}
}  // namespace

void traceRead(uint64_t byteOffset, uint64_t sectors) {
    const int descriptor = readTraceDescriptor();
    if (descriptor < 0) return;
    char line[48];
    const int length = std::snprintf(line, sizeof line, "%llu %llu\n",
                                     static_cast<unsigned long long>(byteOffset / I1394_SECTOR_SIZE),
                                     static_cast<unsigned long long>(sectors));
    // One write of a whole line: appends of one process never interleave within it.
    if (length > 0) (void)!::write(descriptor, line, static_cast<size_t>(length));
}

void countUnmount() {
    Controls& c = controls();
    std::lock_guard<std::mutex> guard(c.mutex);
    c.counters.unmounts++;
}

void countScsiCall() {
    Controls& c = controls();
    std::lock_guard<std::mutex> guard(c.mutex);
    c.counters.scsiCalls++;
}

bool countWriteAndCheckFailure(uint64_t sectors) {
    Controls& c = controls();
    std::lock_guard<std::mutex> guard(c.mutex);
    c.counters.writes++;
    c.counters.sectorsWritten += sectors;
    uint64_t ordinal = ++c.writeOrdinal;
    return (c.failWritesFrom && ordinal >= *c.failWritesFrom) || (c.failWriteAt && ordinal == *c.failWriteAt);
}

void recordWrite(uint64_t byteOffset, const void* data, size_t length) {
    Controls& c = controls();
    std::lock_guard<std::mutex> guard(c.mutex);
    if (!c.journalKept) return;
    const auto* bytes = static_cast<const uint8_t*>(data);
    c.journal.push_back(testing::JournalEntry{false, byteOffset / 512, std::vector<uint8_t>(bytes, bytes + length)});
}

void recordFlush() {
    Controls& c = controls();
    std::lock_guard<std::mutex> guard(c.mutex);
    if (c.journalKept) c.journal.push_back(testing::JournalEntry{true, 0, {}});
}

bool flushesIgnored() {
    Controls& c = controls();
    std::lock_guard<std::mutex> guard(c.mutex);
    return c.flushesIgnored;
}

bool takeDeviceOpenFailure() {
    Controls& c = controls();
    std::lock_guard<std::mutex> guard(c.mutex);
    if (c.deviceOpenFailures <= 0) return false;
    c.deviceOpenFailures--;
    return true;
}

bool takeWatcherStartFailure() {
    Controls& c = controls();
    std::lock_guard<std::mutex> guard(c.mutex);
    return std::exchange(c.watcherStartFailure, false);
}

void countChangeNotificationRequest() {
    Controls& c = controls();
    std::lock_guard<std::mutex> guard(c.mutex);
    c.changeNotificationRequests++;
}

}  // namespace platform::hooks

namespace testing {

void setFaults(const std::string& backingPath, const Faults& faults) { platform::setTestFaults(backingPath, faults); }

void clearFaults(const std::string& backingPath) { platform::clearTestFaults(backingPath); }

void failWritesAfter(uint64_t passing) {
    Controls& c = controls();
    std::lock_guard<std::mutex> guard(c.mutex);
    c.failWritesFrom = c.writeOrdinal + passing + 1;
}

void failNthWrite(uint64_t k) {
    Controls& c = controls();
    std::lock_guard<std::mutex> guard(c.mutex);
    c.failWriteAt = c.writeOrdinal + std::max<uint64_t>(k, 1);
}

void clearWriteFailures() {
    Controls& c = controls();
    std::lock_guard<std::mutex> guard(c.mutex);
    c.failWritesFrom.reset();
    c.failWriteAt.reset();
}

RequestCounters requestCounters() {
    Controls& c = controls();
    std::lock_guard<std::mutex> guard(c.mutex);
    RequestCounters counters = c.counters;
    counters.reads = c.reads.load(std::memory_order_relaxed);
    counters.sectorsRead = c.sectorsRead.load(std::memory_order_relaxed);
    return counters;
}

void resetRequestCounters() {
    Controls& c = controls();
    std::lock_guard<std::mutex> guard(c.mutex);
    c.counters = RequestCounters{};
    resetReadCounts(c);
}

void startJournal() {
    Controls& c = controls();
    std::lock_guard<std::mutex> guard(c.mutex);
    c.journal.clear();
    c.journalKept = true;
}

std::vector<JournalEntry> takeJournal() {
    Controls& c = controls();
    std::lock_guard<std::mutex> guard(c.mutex);
    c.journalKept = false;
    return std::exchange(c.journal, {});
}

void ignoreFlushes(bool ignore) {
    Controls& c = controls();
    std::lock_guard<std::mutex> guard(c.mutex);
    c.flushesIgnored = ignore;
}

void failDeviceOpens(int times) {
    Controls& c = controls();
    std::lock_guard<std::mutex> guard(c.mutex);
    c.deviceOpenFailures = std::max(times, 0);
}

void failNextWatcherStart() {
    Controls& c = controls();
    std::lock_guard<std::mutex> guard(c.mutex);
    c.watcherStartFailure = true;
}

std::optional<ServiceState> service(const std::string& name) { return platform::findService(name); }

void preinstallService(const std::string& name, bool running) {
    platform::addService(platform::ServiceRecord{name, name, "", platform::kServiceKernelDriver,
                                                 platform::kServiceAutoStart, platform::kServiceErrorNormal, running});
}

LastRequest lastRequest() { return t_lastRequest; }

uint64_t changeNotificationRequests() {
    Controls& c = controls();
    std::lock_guard<std::mutex> guard(c.mutex);
    return c.changeNotificationRequests;
}

void setHostPaths(const HostPaths& paths) { diskenum::setHostPaths(paths); }

size_t openStoreCount() { return platform::openStoreCount(); }

namespace {

constexpr const char* kMemoryProduct = "MEMORY";

platform::DriveIdentity identityOf(const MemoryDriveIdentity& identity) {
    diskenum::DriveEntry entry{std::string(), identity.vendor,
                               identity.product.empty() ? std::string(kMemoryProduct) : identity.product};
    return platform::DriveIdentity{diskenum::vendorOf(entry), diskenum::productOf(entry)};
}

}  // namespace

uint32_t MemoryDrive::driveId() const { return I1394_DRIVE_ID_BASE + index_; }

uint64_t MemoryDrive::sectors() const { return store_ ? store_->sizeBytes() / I1394_SECTOR_SIZE : 0; }

bool MemoryDrive::read(uint64_t offset, void* data, size_t length) const {
    return store_ && store_->read(data, length, offset) == platform::kErrorSuccess;
}

bool MemoryDrive::write(uint64_t offset, const void* data, size_t length) {
    return store_ && store_->write(data, length, offset) == platform::kErrorSuccess;
}

void MemoryDrive::reset() {
    if (store_) store_->clear();
}

MemoryContents MemoryDrive::contents() const {
    if (!store_) return MemoryContents{};
    return MemoryContents(store_->sizeBytes(), store_->contents());
}

bool MemoryDrive::restore(const MemoryContents& contents) {
    if (!store_ || contents.bytes_ != store_->sizeBytes()) return false;
    store_->replaceContents(contents.pages_);
    return true;
}

size_t MemoryDrive::pagesHeld() const { return store_ ? store_->pageCount() : 0; }

void MemoryDrive::setFaults(const Faults& faults) {
    if (store_) platform::setMemoryDriveFaults(*store_, faults);
}

void MemoryDrive::clearFaults() { setFaults(Faults{}); }

MemoryDrive attachMemoryDrive(uint32_t index, uint64_t sectors, const MemoryDriveIdentity& identity) {
    if (index > kMaxDeviceIndex || sectors > UINT64_MAX / I1394_SECTOR_SIZE) return MemoryDrive{};
    auto store = std::make_shared<platform::MemoryStore>(sectors * I1394_SECTOR_SIZE, identityOf(identity));
    platform::attachMemoryDrive(index, store);
    return MemoryDrive(index, std::move(store));
}

void detachMemoryDrive(uint32_t index) { platform::detachMemoryDrive(index); }

void resetAll() {
    platform::detachAllMemoryDrives();
    platform::clearAllTestFaults();
    diskenum::setHostPaths(HostPaths{});
    platform::removeAllServices();
    Controls& c = controls();
    std::lock_guard<std::mutex> guard(c.mutex);
    c.counters = RequestCounters{};
    resetReadCounts(c);
    c.failWritesFrom.reset();
    c.failWriteAt.reset();
    c.deviceOpenFailures = 0;
    c.watcherStartFailure = false;
    t_lastRequest = LastRequest{};
    c.changeNotificationRequests = 0;
    c.journalKept = false;
    c.journal.clear();
    c.flushesIgnored = false;
}

}  // namespace testing
}  // namespace vxf1394
