// drive_emulation.cpp - the driver's side of the four requests, served from the store each enumerated drive names.
#include "platform/drive_emulation.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "disk_enumeration.h"
#include "i1394.h"
#include "platform/faulty_store.h"
#include "platform/faults.h"
#include "platform/last_error.h"
#include "platform/memory_drives.h"
#include "platform/path_store.h"
#include "platform/path_watch.h"
#include "platform/sector_store.h"
#include "platform/system_enum.h"
#include "platform/test_hooks.h"

namespace vxf1394::platform {

namespace {

// The record as the driver knows it ends at 24; the full buffer address follows.
constexpr uint32_t kDriverRecordSize = 24;
constexpr uint32_t kRecordWithAddressSize = sizeof(DriveRequest);

// Standard INQUIRY data as a disk answers it.
constexpr uint8_t kInquiryDirectAccess = 0x00;
constexpr uint8_t kInquiryVersion = 0x05;
constexpr uint8_t kInquiryResponseFormat = 0x02;
constexpr uint8_t kInquiryAdditionalLength = 31;
constexpr const char* kInquiryRevision = "1.00";

// What a request to an image drive found, kept for the requests after it
// while no watched file changed (path_watch.h): the entry, the faults and
// the open file. A change of the enumeration file, the image or its sidecar
// moves the generation, and the next request looks at all three afresh.
// Only a regular file reached by its own name (no symbolic link, no other
// hard link, whose changes would be heard elsewhere) is kept; a block
// device is a real drive, whose medium may change with no file event and
// whose transfers cost far more than looking again.
struct KeptDrive {
    std::string enumerationPath;
    uint64_t files = 0;
    diskenum::DriveEntry entry;
    FaultSet faults;
    std::weak_ptr<BackingStore> store;  // let go of with the open stores (unmount, exit)
    mutable std::atomic<uint64_t> writesSeen{0};
};

constexpr uint32_t kKeptDriveSlots = 256;

// Never destroyed: requests may still arrive while the process exits.
struct KeptDrives {
    std::mutex mutex;
    std::array<std::shared_ptr<const KeptDrive>, kKeptDriveSlots> slots;
    std::atomic<uint64_t> version{0};  // moved, under the mutex, with every slot kept or let go
};

KeptDrives& keptDrives() {
    static KeptDrives* k = new KeptDrives;
    return *k;
}

// The slot a thread asked for last, while no slot has changed since: a run of requests to one
// drive takes neither the mutex nor a reference of its own. Holds only the entry and faults, never
// the open file, so an idle thread keeps nothing open.
struct LastKeptDrive {
    uint64_t version = UINT64_MAX;
    uint32_t deviceIndex = 0;
    std::shared_ptr<const KeptDrive> drive;
};
thread_local LastKeptDrive t_lastKept;

// What it answers lives until the thread's next call: a request asks once, at its start.
const KeptDrive* keptDriveAt(uint32_t deviceIndex) {
    if (deviceIndex >= kKeptDriveSlots) return nullptr;
    KeptDrives& k = keptDrives();
    LastKeptDrive& last = t_lastKept;
    if (last.deviceIndex != deviceIndex || last.version != k.version.load(std::memory_order_acquire)) {
        std::lock_guard<std::mutex> guard(k.mutex);
        last = {k.version.load(std::memory_order_relaxed), deviceIndex, k.slots[deviceIndex]};
    }
    return last.drive.get();
}

void keepDrive(uint32_t deviceIndex, std::shared_ptr<const KeptDrive> drive) {
    if (deviceIndex >= kKeptDriveSlots) return;
    KeptDrives& k = keptDrives();
    std::lock_guard<std::mutex> guard(k.mutex);
    k.slots[deviceIndex] = std::move(drive);
    k.version.fetch_add(1, std::memory_order_release);
}

// The open file of a kept drive, when what was kept still holds now.
std::shared_ptr<BackingStore> stillKept(const KeptDrive& drive, const WatchGeneration& now) {
    if (drive.files != now.files || !diskenum::isEnumerationFilePath(drive.enumerationPath)) return nullptr;
    std::shared_ptr<BackingStore> store = drive.store.lock();
    if (!store) return nullptr;
    // Something wrote to the image (we did, or another program truncated it): measure it again.
    if (drive.writesSeen.load(std::memory_order_relaxed) != now.writes) {
        if (!store->refreshSize()) return nullptr;
        drive.writesSeen.store(now.writes, std::memory_order_relaxed);
    }
    return store;
}

// Whether the image may be kept: a regular file under its own, only name, watched.
bool keepable(const std::string& path, const BackingStore& store) {
    struct stat info {};
    return !store.isBlockDevice() && ::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           info.st_nlink == 1 && store.isAt(info) && watchImage(path);
}

template <typename Serve>
uint32_t onMemoryDrive(uint32_t deviceIndex, Serve&& serve) {
    std::shared_ptr<const AttachedMemoryDrive> memory = memoryDriveAt(deviceIndex);
    if (!memory) return kErrorDevNotExist;
    FaultyStore store(*memory->store, memory->faults);
    return serve(store);
}

// The store and its faults are looked at afresh unless kept (above), so a
// rewritten enumeration or sidecar counts from the next request on. An
// entry without a path is a memory drive of this process.
template <typename Serve>
uint32_t onDrive(uint32_t deviceIndex, Serve&& serve) {
    WatchGeneration now = watchGeneration();
    if (const KeptDrive* kept = keptDriveAt(deviceIndex)) {
        if (std::shared_ptr<BackingStore> open = stillKept(*kept, now)) {
            PathStore path(kept->entry, std::move(open));
            FaultyStore store(path, kept->faults);
            return serve(store);
        }
        keepDrive(deviceIndex, nullptr);
    }
    // While drives of this process are attached they are the whole enumeration.
    if (diskenum::inProcessDrivesAttached()) return onMemoryDrive(deviceIndex, serve);
    // Watched before it is read: a change made while it is read is heard by the next request.
    std::string enumerationPath = diskenum::enumerationFilePath();
    bool watched = watchName(enumerationPath);
    WatchGeneration before = watchGeneration();
    std::optional<diskenum::DriveEntry> entry = diskenum::recorderDriveAt(deviceIndex);
    if (!entry) return kErrorDevNotExist;
    if (entry->path.empty()) return onMemoryDrive(deviceIndex, serve);
    watched = watched && watchImage(entry->path);
    WatchGeneration seen = watchGeneration();
    auto drive = std::make_shared<KeptDrive>();
    drive->enumerationPath = enumerationPath;
    drive->files = seen.files;
    drive->writesSeen.store(seen.writes);
    drive->faults = faultsFor(entry->path);
    drive->entry = std::move(*entry);
    PathStore path(drive->entry);
    if (watched && seen.files == before.files && path.reach() == kErrorSuccess) {
        if (keepable(drive->entry.path, *path.reached())) {
            drive->store = path.reached();
            keepDrive(deviceIndex, drive);
        }
    }
    FaultyStore store(path, drive->faults);
    return serve(store);
}

bool validTransferShape(const DriveRequest& request) {
    return request.countOrKind >= 1 && request.countOrKind <= kMaxSectorsPerRequest &&
           request.byteOffset % I1394_SECTOR_SIZE == 0;
}

uint32_t serveRead(const DriveRequest& request, void* output, uint32_t outputSize, uint32_t& bytesReturned) {
    hooks::countRead(request.countOrKind);
    if (!validTransferShape(request)) return kErrorInvalidParameter;
    size_t length = static_cast<size_t>(request.countOrKind) * I1394_SECTOR_SIZE;
    if (!output || outputSize < length) return kErrorInsufficientBuffer;
    hooks::traceRead(request.byteOffset, request.countOrKind);
    uint32_t error = onDrive(request.deviceIndex, [&](SectorStore& store) {
        return store.read(output, length, request.byteOffset);
    });
    if (error == kErrorSuccess) bytesReturned = static_cast<uint32_t>(length);
    return error;
}

uint32_t serveWrite(const DriveRequest& request, uint32_t inputSize) {
    if (hooks::countWriteAndCheckFailure(request.countOrKind)) return kErrorWriteFault;
    if (!validTransferShape(request)) return kErrorInvalidParameter;
    // Only the appended word can carry a 64-bit address.
    if (inputSize < kRecordWithAddressSize || request.buffer == 0) return kErrorInvalidParameter;
    const void* data = reinterpret_cast<const void*>(static_cast<uintptr_t>(request.buffer));
    size_t length = static_cast<size_t>(request.countOrKind) * I1394_SECTOR_SIZE;
    uint32_t error = onDrive(request.deviceIndex, [&](SectorStore& store) {
        return store.write(data, length, request.byteOffset);
    });
    if (error == kErrorSuccess) hooks::recordWrite(request.byteOffset, data, length);
    return error;
}

uint32_t serveUnmount(const DriveRequest& request) {
    hooks::countUnmount();
    return onDrive(request.deviceIndex, [](SectorStore& store) { return store.release(); });
}

void putBigEndian32(uint8_t* at, uint32_t value) {
    at[0] = static_cast<uint8_t>(value >> 24);
    at[1] = static_cast<uint8_t>(value >> 16);
    at[2] = static_cast<uint8_t>(value >> 8);
    at[3] = static_cast<uint8_t>(value);
}

void putPadded(uint8_t* at, const std::string& text, size_t width) {
    std::memset(at, ' ', width);
    std::memcpy(at, text.data(), std::min(text.size(), width));
}

uint32_t answerCapacity(SectorStore& store, uint8_t* reply) {
    uint64_t bytes = 0;
    if (uint32_t error = store.capacity(bytes); error != kErrorSuccess) return error;
    uint64_t sectors = bytes / I1394_SECTOR_SIZE;
    if (sectors == 0) return kErrorSectorNotFound;
    // READ CAPACITY (10): a last LBA that does not fit 32 bits reads as all ones.
    uint64_t lastLba = sectors - 1;
    putBigEndian32(reply + I1394_SCSI_DATA, lastLba > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(lastLba));
    putBigEndian32(reply + I1394_SCSI_DATA + 4, I1394_SECTOR_SIZE);
    return kErrorSuccess;
}

uint32_t answerIdentify(SectorStore& store, uint8_t* reply) {
    DriveIdentity identity;
    if (uint32_t error = store.identify(identity); error != kErrorSuccess) return error;
    uint8_t* inquiry = reply + I1394_SCSI_DATA;
    inquiry[0] = kInquiryDirectAccess;
    inquiry[2] = kInquiryVersion;
    inquiry[3] = kInquiryResponseFormat;
    inquiry[4] = kInquiryAdditionalLength;
    putPadded(reply + I1394_SCSI_VENDOR, identity.vendor, diskenum::kVendorChars);
    putPadded(reply + I1394_SCSI_PRODUCT, identity.product, diskenum::kProductChars);
    putPadded(reply + I1394_SCSI_PRODUCT + diskenum::kProductChars, kInquiryRevision, 4);
    return kErrorSuccess;
}

uint32_t synchronizeCache(SectorStore& store) {
    bool flushed = false;
    if (uint32_t error = store.flush(flushed); error != kErrorSuccess) return error;
    if (flushed) hooks::recordFlush();
    return kErrorSuccess;
}

uint32_t answerScsi(SectorStore& store, uint32_t kind, void* output, uint32_t& bytesReturned) {
    if (kind == I1394_SCSI_SYNCHRONIZE_CACHE) return synchronizeCache(store);
    uint8_t reply[I1394_SCSI_REPLY_SIZE] = {};
    uint32_t error = kind == I1394_SCSI_CAPACITY ? answerCapacity(store, reply) : answerIdentify(store, reply);
    if (error != kErrorSuccess) return error;
    std::memcpy(output, reply, sizeof reply);
    bytesReturned = sizeof reply;
    return kErrorSuccess;
}

uint32_t serveScsi(const DriveRequest& request, void* output, uint32_t outputSize, uint32_t& bytesReturned) {
    hooks::countScsiCall();
    uint32_t kind = request.countOrKind;
    if (kind != I1394_SCSI_IDENTIFY && kind != I1394_SCSI_CAPACITY && kind != I1394_SCSI_SYNCHRONIZE_CACHE) {
        return kErrorInvalidFunction;
    }
    if (!output || outputSize < I1394_SCSI_REPLY_SIZE) return kErrorInsufficientBuffer;
    return onDrive(request.deviceIndex,
                   [&](SectorStore& store) { return answerScsi(store, kind, output, bytesReturned); });
}

}  // namespace

uint32_t serveDriveRequest(uint32_t code, const void* input, uint32_t inputSize, void* output, uint32_t outputSize,
                           uint32_t& bytesReturned) {
    bytesReturned = 0;
    if (!input || inputSize < kDriverRecordSize) return kErrorInvalidParameter;
    hooks::noteRequest(code, input, inputSize, outputSize);
    DriveRequest request{};
    std::memcpy(&request, input, std::min<size_t>(inputSize, sizeof request));
    uint32_t error = kErrorInvalidFunction;
    switch (code) {
        case I1394_IOCTL_READ: error = serveRead(request, output, outputSize, bytesReturned); break;
        case I1394_IOCTL_WRITE: error = serveWrite(request, inputSize); break;
        case I1394_IOCTL_UNMOUNT: error = serveUnmount(request); break;
        case I1394_IOCTL_SCSI: error = serveScsi(request, output, outputSize, bytesReturned); break;
        default: break;
    }
    noteRequestEnd();
    return error;
}

}  // namespace vxf1394::platform
