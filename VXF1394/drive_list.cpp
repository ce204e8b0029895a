// drive_list.cpp - the recorder drives among the enumerated disks.
#include "drive_list.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "disk_enumeration.h"
#include "platform/host_watch.h"
#include "platform/last_error.h"
#include "process_state.h"

namespace vxf1394 {

namespace {

int32_t registryFailure(uint32_t error) {
    platform::setLastError(error);
    return I1394_ERR_IO;
}

uint32_t queryDiskCount(platform::RegKey key, uint32_t& count) {
    uint32_t type = 0;
    uint32_t value = 0;
    uint32_t size = sizeof value;
    uint32_t error = platform::regQueryValue(key, "Count", &type, &value, &size);
    if (error != platform::kErrorSuccess) return error;
    if (type != platform::kRegDword || size != sizeof value) return platform::kErrorInvalidData;
    count = value;
    return platform::kErrorSuccess;
}

bool isRecorderDrive(const std::vector<char>& data, uint32_t size) {
    const std::string_view prefix = diskenum::kRecorderPrefix;
    return size >= prefix.size() && std::memcmp(data.data(), prefix.data(), prefix.size()) == 0;
}

}  // namespace

std::optional<uint32_t> readDiskCount(platform::RegKey key) {
    platform::reviewHostSurvey();
    uint32_t count = 0;
    if (queryDiskCount(key, count) != platform::kErrorSuccess) return std::nullopt;
    return count;
}

int32_t fillDriveList(DriveList& list) {
    // Once per list: the survey of the machine's disks is kept while none of them changes.
    platform::reviewHostSurvey();
    ProcessState& state = processState();
    platform::RegKey key = platform::kNoKey;
    {
        std::lock_guard<std::mutex> guard(state.lock);
        if (uint32_t error = openEnumKeyLocked(state); error != platform::kErrorSuccess) return registryFailure(error);
        key = state.enumKey;
    }
    uint32_t count = 0;
    if (uint32_t error = queryDiskCount(key, count); error != platform::kErrorSuccess) return registryFailure(error);
    uint32_t longest = 0;
    if (uint32_t error = platform::regQueryMaxValueDataLength(key, &longest); error != platform::kErrorSuccess) {
        return registryFailure(error);
    }
    std::vector<char> buffer(std::max<size_t>(2 * static_cast<size_t>(longest), 1));
    uint16_t found = 0;
    uint32_t lastReadError = platform::kErrorSuccess;
    uint32_t values = std::min(count, kMaxDeviceIndex + 1);
    for (uint32_t i = 0; i < values; ++i) {
        uint32_t size = static_cast<uint32_t>(buffer.size());
        lastReadError = platform::regQueryValue(key, std::to_string(i).c_str(), nullptr, buffer.data(), &size);
        if (lastReadError != platform::kErrorSuccess || !isRecorderDrive(buffer, size)) continue;
        // Four slots: further recorder drives are neither stored nor counted.
        if (found < I1394_MAX_DRIVES) list.ids[found++] = I1394_DRIVE_ID_BASE + i;
    }
    for (uint16_t slot = found; slot < I1394_MAX_DRIVES; ++slot) list.ids[slot] = 0;
    list.count = found;
    return lastReadError == platform::kErrorSuccess ? I1394_OK : registryFailure(lastReadError);
}

}  // namespace vxf1394
