// test_api.h - controls of the drive emulation for tests that link vxf1394_core: faults, write failures, counters, memory drives.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/faults.h"
#include "platform/host_paths.h"
#include "platform/memory_store.h"
#include "platform/service_manager.h"

namespace vxf1394::testing {

// The same faults as the "<backing path>.faults" sidecar; both apply together.
using Faults = platform::FaultSet;
using platform::LbaRange;

// Faults for the drive whose enumeration entry names this backing path
// (compared after resolving the path, so relative and absolute names match).
void setFaults(const std::string& backingPath, const Faults& faults);
void clearFaults(const std::string& backingPath);

// Write failures counted over write requests that reach the emulation, on
// any drive. A failing write writes nothing.
// The next `passing` write requests succeed, every one after them fails.
void failWritesAfter(uint64_t passing);
// Exactly the k-th write request from now fails (k = 1: the very next one).
void failNthWrite(uint64_t k);
void clearWriteFailures();

// Requests that reached the emulation, whatever their outcome.
struct RequestCounters {
    uint64_t reads = 0;
    uint64_t writes = 0;
    uint64_t sectorsRead = 0;     // sectors asked for by read requests
    uint64_t sectorsWritten = 0;  // sectors asked for by write requests
    uint64_t unmounts = 0;
    uint64_t scsiCalls = 0;
};
RequestCounters requestCounters();
void resetRequestCounters();

// Every write that reached a store (with its bytes) and every flush of a
// store's cache, in the order they happened, while a journal is kept.
struct JournalEntry {
    bool flush = false;
    uint64_t lba = 0;           // writes only
    std::vector<uint8_t> data;  // writes only: what was written
};
void startJournal();
// The entries since startJournal; keeping the journal ends.
std::vector<JournalEntry> takeJournal();

// Flush requests are answered (and journaled) without waiting for the medium:
// to measure what flushes cost, and to spare tests the wait.
void ignoreFlushes(bool ignore);

// The next `times` opens of the driver's device fail, as when the driver is
// not loaded; times = 1 makes the library install and start the service.
void failDeviceOpens(int times);
// The next start of the watcher thread fails.
void failNextWatcherStart();

// The emulated service manager's view of a service.
using ServiceState = platform::ServiceRecord;
std::optional<ServiceState> service(const std::string& name);
// A service present before the library starts (created by someone else).
void preinstallService(const std::string& name, bool running);

// The last request record that reached the emulation, byte for byte.
struct LastRequest {
    bool seen = false;
    uint32_t code = 0;
    uint32_t inputSize = 0;
    uint32_t outputSize = 0;
    std::array<uint8_t, 32> record{};
};
// The last request the calling thread made.
LastRequest lastRequest();

// Change-notification requests made on the enumeration key so far: a test
// waits for the watcher to be listening before it rewrites the file.
uint64_t changeNotificationRequests();

// Where the machine's disks are looked for (sysfs, the device folder, the
// mount and swap tables, the device of "/"): a fake tree in a test's folder
// keeps the machine's own disks out of the enumeration.
using HostPaths = diskenum::HostPaths;
void setHostPaths(const HostPaths& paths);

// Backing stores the emulation keeps open between requests.
size_t openStoreCount();

// A drive whose sectors live in this process's memory: a test or a fuzz
// input runs on it without a folder, an enumeration file or an image. The
// exports serve it as they serve an image (reads, writes, capacity,
// identify, flush, unmount, the journal and the counters), so the server
// sees an ordinary drive; only its entry has no path (recorderDriveAt), so
// no other program can share it and the server claims nothing of it.
// While any memory drive is attached the drive list holds the memory drives
// alone: the enumeration file and the machine's disks are not looked at.
struct MemoryDriveIdentity {
    std::string vendor;   // empty: "DISKIMG"
    std::string product;  // empty: "MEMORY"
};

// What a memory drive held at one moment. It shares the drive's pages until
// either side changes one, and a drive it is put back on holds only what is
// written after, so putting a formatted volume back before every input costs
// next to nothing.
class MemoryContents {
public:
    MemoryContents() = default;
    uint64_t sizeBytes() const { return bytes_; }

private:
    friend class MemoryDrive;
    MemoryContents(uint64_t bytes, platform::MemoryStore::Snapshot pages) : bytes_(bytes), pages_(std::move(pages)) {}
    uint64_t bytes_ = 0;
    platform::MemoryStore::Snapshot pages_;
};

// A handle on an attached memory drive; copies share the drive. The handle's
// own reads and writes go straight to the memory: they are neither faulted
// nor counted nor journaled, as a look at an image beside the drive is not.
class MemoryDrive {
public:
    MemoryDrive() = default;
    // False for a default handle or a refused attach.
    bool valid() const { return store_ != nullptr; }
    uint32_t index() const { return index_; }
    // The id the drive list and the server's drive handles give it.
    uint32_t driveId() const;
    uint64_t sectors() const;

    // Bytes at a byte offset; false (nothing moved) unless all lie within the drive.
    bool read(uint64_t offset, void* data, size_t length) const;
    bool write(uint64_t offset, const void* data, size_t length);
    // Every sector zero again.
    void reset();
    MemoryContents contents() const;
    // False (nothing changed) for contents of a drive of another size.
    bool restore(const MemoryContents& contents);
    // Pages of memory the drive holds: what it was written beyond zeros.
    size_t pagesHeld() const;

    // Faults as setFaults gives an image, for as long as the drive is attached.
    void setFaults(const Faults& faults);
    void clearFaults();

private:
    friend MemoryDrive attachMemoryDrive(uint32_t, uint64_t, const MemoryDriveIdentity&);
    MemoryDrive(uint32_t index, std::shared_ptr<platform::MemoryStore> store)
        : index_(index), store_(std::move(store)) {}
    uint32_t index_ = 0;
    std::shared_ptr<platform::MemoryStore> store_;
};

// A zeroed drive of `sectors` sectors at the device index (0 to 255), in
// place of any memory drive there. An index beyond gives an invalid handle.
MemoryDrive attachMemoryDrive(uint32_t index, uint64_t sectors, const MemoryDriveIdentity& identity = {});
// The drive leaves the drive list; handles keep its contents.
void detachMemoryDrive(uint32_t index);

// Everything above back to its start: no faults, no scheduled failures,
// counters zero, no services, device opens succeed, the machine's own disks,
// no memory drives.
void resetAll();

}  // namespace vxf1394::testing
