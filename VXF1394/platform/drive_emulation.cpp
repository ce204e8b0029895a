// drive_emulation.cpp - the driver's side of the four requests, served from the backing stores the enumeration names.
#include "platform/drive_emulation.h"

#include <sys/sysmacros.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>

#include "i1394.h"
#include "platform/backing_store.h"
#include "disk_enumeration.h"
#include "platform/faults.h"
#include "platform/host_disks.h"
#include "platform/open_stores.h"
#include "platform/system_enum.h"
#include "platform/last_error.h"
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

struct Drive {
    diskenum::DriveEntry entry;
    FaultSet faults;
};

// The value of the device index, as the enumeration (file and machine) holds it now.
std::optional<Drive> driveAt(uint32_t deviceIndex) {
    std::optional<diskenum::DriveEntry> entry = diskenum::recorderDriveAt(deviceIndex);
    if (!entry) return std::nullopt;
    return Drive{*entry, faultsFor(entry->path)};
}

bool validTransferShape(const DriveRequest& request) {
    return request.countOrKind >= 1 && request.countOrKind <= kMaxSectorsPerRequest &&
           request.byteOffset % I1394_SECTOR_SIZE == 0;
}

uint32_t transferOnStore(const std::string& path, uint64_t offset, size_t length, void* readInto,
                         const void* writeFrom) {
    StoreAccess access = storeAt(path);
    if (!access.store) return access.error;
    const BackingStore& store = *access.store;
    if (!store.covers(offset, length)) return kErrorSectorNotFound;
    if (readInto) return store.readAt(readInto, length, offset) ? kErrorSuccess : kErrorReadFault;
    if (!store.writable()) return kErrorWriteProtect;
    if (!store.writeAt(writeFrom, length, offset)) return kErrorWriteFault;
    hooks::recordWrite(offset, writeFrom, length);
    return kErrorSuccess;
}

uint32_t serveRead(const DriveRequest& request, void* output, uint32_t outputSize, uint32_t& bytesReturned) {
    hooks::countRead(request.countOrKind);
    if (!validTransferShape(request)) return kErrorInvalidParameter;
    size_t length = static_cast<size_t>(request.countOrKind) * I1394_SECTOR_SIZE;
    if (!output || outputSize < length) return kErrorInsufficientBuffer;
    std::optional<Drive> drive = driveAt(request.deviceIndex);
    if (!drive) return kErrorDevNotExist;
    if (drive->faults.readFails(request.byteOffset / I1394_SECTOR_SIZE, request.countOrKind)) return kErrorCrc;
    uint32_t error = transferOnStore(drive->entry.path, request.byteOffset, length, output, nullptr);
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
    std::optional<Drive> drive = driveAt(request.deviceIndex);
    if (!drive) return kErrorDevNotExist;
    if (drive->faults.writeFails(request.byteOffset / I1394_SECTOR_SIZE, request.countOrKind)) return kErrorWriteFault;
    return transferOnStore(drive->entry.path, request.byteOffset, length, nullptr, data);
}

uint32_t serveUnmount(const DriveRequest& request) {
    hooks::countUnmount();
    std::optional<Drive> drive = driveAt(request.deviceIndex);
    if (!drive) return kErrorDevNotExist;
    if (drive->faults.unmountError) return kErrorGenFailure;
    StoreAccess access = storeAt(drive->entry.path);
    if (!access.store) return access.error;
    // Unmounted, the drive may be taken away: nothing keeps it open.
    access.store.reset();
    closeStore(drive->entry.path);
    return kErrorSuccess;
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

uint32_t answerCapacity(const BackingStore& store, uint8_t* reply) {
    uint64_t sectors = store.sizeBytes() / I1394_SECTOR_SIZE;
    if (sectors == 0) return kErrorSectorNotFound;
    // READ CAPACITY (10): a last LBA that does not fit 32 bits reads as all ones.
    uint64_t lastLba = sectors - 1;
    putBigEndian32(reply + I1394_SCSI_DATA, lastLba > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(lastLba));
    putBigEndian32(reply + I1394_SCSI_DATA + 4, I1394_SECTOR_SIZE);
    return kErrorSuccess;
}

// A block device named without vendor or product answers with what sysfs knows of it.
diskenum::DriveEntry withIdentity(diskenum::DriveEntry entry, const BackingStore& store) {
    if (!store.isBlockDevice() || (!entry.vendor.empty() && !entry.product.empty())) return entry;
    diskenum::DiskIdentity identity = diskenum::identityOfBlockDevice(
        diskenum::hostPaths(), major(store.deviceNumber()), minor(store.deviceNumber()));
    if (entry.vendor.empty()) entry.vendor = identity.vendor;
    if (entry.product.empty()) entry.product = identity.model;
    return entry;
}

void answerIdentify(const diskenum::DriveEntry& entry, uint8_t* reply) {
    uint8_t* inquiry = reply + I1394_SCSI_DATA;
    inquiry[0] = kInquiryDirectAccess;
    inquiry[2] = kInquiryVersion;
    inquiry[3] = kInquiryResponseFormat;
    inquiry[4] = kInquiryAdditionalLength;
    putPadded(reply + I1394_SCSI_VENDOR, diskenum::vendorOf(entry), diskenum::kVendorChars);
    putPadded(reply + I1394_SCSI_PRODUCT, diskenum::productOf(entry), diskenum::kProductChars);
    putPadded(reply + I1394_SCSI_PRODUCT + diskenum::kProductChars, kInquiryRevision, 4);
}

// A store opened for reading only has nothing of ours to bring to the medium.
uint32_t synchronizeCache(const Drive& drive, const BackingStore& store) {
    if (drive.faults.flushError) return kErrorWriteFault;
    if (!store.writable()) return kErrorSuccess;
    if (!hooks::flushesIgnored() && !store.flush()) return kErrorWriteFault;
    hooks::recordFlush();
    return kErrorSuccess;
}

uint32_t serveScsi(const DriveRequest& request, void* output, uint32_t outputSize, uint32_t& bytesReturned) {
    hooks::countScsiCall();
    uint32_t kind = request.countOrKind;
    if (kind != I1394_SCSI_IDENTIFY && kind != I1394_SCSI_CAPACITY && kind != I1394_SCSI_SYNCHRONIZE_CACHE) {
        return kErrorInvalidFunction;
    }
    if (!output || outputSize < I1394_SCSI_REPLY_SIZE) return kErrorInsufficientBuffer;
    std::optional<Drive> drive = driveAt(request.deviceIndex);
    if (!drive) return kErrorDevNotExist;
    if (kind == I1394_SCSI_SYNCHRONIZE_CACHE) {
        StoreAccess access = storeAt(drive->entry.path);
        if (!access.store) return access.error;
        return synchronizeCache(*drive, *access.store);
    }
    if ((kind == I1394_SCSI_CAPACITY && drive->faults.noCapacity) ||
        (kind == I1394_SCSI_IDENTIFY && drive->faults.noIdentify)) {
        return kErrorGenFailure;
    }
    StoreAccess access = storeAt(drive->entry.path);
    if (!access.store) return access.error;
    uint8_t reply[I1394_SCSI_REPLY_SIZE] = {};
    if (kind == I1394_SCSI_CAPACITY) {
        if (uint32_t error = answerCapacity(*access.store, reply); error != kErrorSuccess) return error;
    } else {
        answerIdentify(withIdentity(drive->entry, *access.store), reply);
    }
    std::memcpy(output, reply, sizeof reply);
    bytesReturned = sizeof reply;
    return kErrorSuccess;
}

}  // namespace

uint32_t serveDriveRequest(uint32_t code, const void* input, uint32_t inputSize, void* output, uint32_t outputSize,
                           uint32_t& bytesReturned) {
    bytesReturned = 0;
    if (!input || inputSize < kDriverRecordSize) return kErrorInvalidParameter;
    hooks::noteRequest(code, input, inputSize, outputSize);
    DriveRequest request{};
    std::memcpy(&request, input, std::min<size_t>(inputSize, sizeof request));
    switch (code) {
        case I1394_IOCTL_READ: return serveRead(request, output, outputSize, bytesReturned);
        case I1394_IOCTL_WRITE: return serveWrite(request, inputSize);
        case I1394_IOCTL_UNMOUNT: return serveUnmount(request);
        case I1394_IOCTL_SCSI: return serveScsi(request, output, outputSize, bytesReturned);
        default: return kErrorInvalidFunction;
    }
}

}  // namespace vxf1394::platform
