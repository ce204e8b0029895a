// drive_access.cpp - the exports that send requests to the driver: drive info, sector read and write, unmount, SCSI call.
#include <cstddef>
#include <cstring>

#include "i1394.h"
#include "platform/device.h"
#include "process_state.h"

static_assert(offsetof(DriveRequest, deviceIndex) == 0);
static_assert(offsetof(DriveRequest, byteOffset) == 8);
static_assert(offsetof(DriveRequest, countOrKind) == 16);
static_assert(offsetof(DriveRequest, bufferLow) == 20);
static_assert(offsetof(DriveRequest, buffer) == 24);
static_assert(offsetof(DriveList, ids) == 4 && sizeof(DriveList) == 20);
static_assert(offsetof(DriveInfo, vendor) == 8 && offsetof(DriveInfo, reserved) == 17);
static_assert(offsetof(DriveInfo, product) == 49);

namespace {

using vxf1394::platform::DeviceHandle;
using vxf1394::platform::kInvalidDevice;

constexpr uint32_t kDeviceIndexMask = 0xFF;
constexpr unsigned kSectorShift = 9;
constexpr size_t kVendorChars = 8;
constexpr size_t kProductChars = 16;

bool isValidDriveId(uint32_t id) { return (id & I1394_DRIVE_ID_MASK) == I1394_DRIVE_ID_BASE; }

DeviceHandle device() { return vxf1394::processState().device.load(); }

DriveRequest requestFor(uint32_t id) {
    DriveRequest request{};
    request.deviceIndex = id & kDeviceIndexMask;
    return request;
}

DriveRequest transferRequest(uint32_t id, uint32_t lbaLow, uint32_t lbaHigh, uint16_t count) {
    DriveRequest request = requestFor(id);
    uint64_t lba = (static_cast<uint64_t>(lbaHigh) << 32) | lbaLow;
    request.byteOffset = lba << kSectorShift;
    request.countOrKind = count;
    return request;
}

int32_t send(uint32_t code, const DriveRequest& request, void* output, uint32_t outputSize) {
    uint32_t returned = 0;
    bool ok = vxf1394::platform::deviceIoControl(device(), code, &request, sizeof request, output, outputSize,
                                                 &returned);
    return ok ? I1394_OK : I1394_ERR_IO;
}

int32_t scsiCall(uint32_t id, uint32_t kind, ScsiReply* reply) {
    DriveRequest request = requestFor(id);
    request.countOrKind = kind;
    return send(I1394_IOCTL_SCSI, request, reply, sizeof *reply);
}

uint32_t bigEndian32(const uint8_t* at) {
    return (static_cast<uint32_t>(at[0]) << 24) | (static_cast<uint32_t>(at[1]) << 16) |
           (static_cast<uint32_t>(at[2]) << 8) | at[3];
}

// Arguments first, then the device, as every transfer export checks them.
int32_t checkTransfer(uint32_t id, uint16_t count, const void* buffer) {
    if (!buffer || count == 0 || !isValidDriveId(id)) return I1394_ERR_PARAMETER;
    if (device() == kInvalidDevice) return I1394_ERR_NO_DRIVER;
    return I1394_OK;
}

}  // namespace

extern "C" int32_t i1394GetDriveInfo(uint32_t id, DriveInfo* info) {
    if (!info || !isValidDriveId(id)) return I1394_ERR_PARAMETER;
    if (device() == kInvalidDevice) return I1394_ERR_NO_DRIVER;
    ScsiReply capacity{};
    bool answered = scsiCall(id, I1394_SCSI_CAPACITY, &capacity) == I1394_OK;
    info->capacity = answered ? bigEndian32(capacity.bytes + I1394_SCSI_DATA) : 0;
    ScsiReply identify{};
    if (scsiCall(id, I1394_SCSI_IDENTIFY, &identify) != I1394_OK) return I1394_ERR_IO;
    std::memcpy(info->vendor, identify.bytes + I1394_SCSI_VENDOR, kVendorChars);
    info->vendor[kVendorChars] = '\0';
    std::memcpy(info->product, identify.bytes + I1394_SCSI_PRODUCT, kProductChars);
    info->product[kProductChars] = '\0';
    return I1394_OK;
}

extern "C" int32_t i1394ReadSector(uint32_t id, uint32_t lbaLow, uint32_t lbaHigh, uint16_t count, void* buffer) {
    if (int32_t refused = checkTransfer(id, count, buffer); refused != I1394_OK) return refused;
    DriveRequest request = transferRequest(id, lbaLow, lbaHigh, count);
    return send(I1394_IOCTL_READ, request, buffer, static_cast<uint32_t>(count) * I1394_SECTOR_SIZE);
}

extern "C" int32_t i1394WriteSector(uint32_t id, uint32_t lbaLow, uint32_t lbaHigh, uint16_t count, void* buffer) {
    if (int32_t refused = checkTransfer(id, count, buffer); refused != I1394_OK) return refused;
    DriveRequest request = transferRequest(id, lbaLow, lbaHigh, count);
    auto address = reinterpret_cast<uintptr_t>(buffer);
    request.bufferLow = static_cast<uint32_t>(address);
    request.buffer = address;
    return send(I1394_IOCTL_WRITE, request, nullptr, 0);
}

extern "C" int32_t i1394Unmount(uint32_t id) {
    if (!isValidDriveId(id)) return I1394_ERR_PARAMETER;
    if (device() == kInvalidDevice) return I1394_ERR_NO_DRIVER;
    return send(I1394_IOCTL_UNMOUNT, requestFor(id), nullptr, 0);
}

extern "C" int32_t DoScsiCall(uint32_t id, uint32_t kind, ScsiReply* reply) {
    if (!reply) return I1394_OK;
    return scsiCall(id, kind, reply);
}
