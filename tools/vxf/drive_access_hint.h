// drive_access_hint.h - why a listed drive cannot be reached: the rights on its device, or the machine using it.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "disk_enumeration.h"
#include "i1394.h"

namespace vxf::drives {

// The device or image behind a drive id, as the enumeration names it now; empty when none.
inline std::string storeOfDrive(uint32_t driveId) {
    std::optional<vxf1394::diskenum::DriveEntry> entry = vxf1394::diskenum::recorderDriveAt(driveId & 0xFF);
    return entry ? entry->path : std::string();
}

// A sentence for the user when the block device behind the drive is out of
// reach for a reason of the machine's; empty when that is not the cause.
inline std::string accessHint(uint32_t driveId) {
    std::string path = storeOfDrive(driveId);
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0 || !S_ISBLK(info.st_mode)) return {};
    if (::access(path.c_str(), R_OK | W_OK) != 0) {
        return path + " needs read and write access: add the user to group disk (then log in again), or run as root";
    }
    int fd = ::open(path.c_str(), O_RDONLY | O_EXCL | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0 && errno == EBUSY) return path + " is in use by this machine (a mounted file system, swap or RAID)";
    if (fd >= 0) ::close(fd);
    return {};
}

// The hint for drive `number` (from 1, as the listings count) on stderr, if there is one.
inline void printAccessHint(int64_t number) {
    DriveList list{};
    if (number < 1 || i1394GetDriveList(&list) != I1394_OK || number > list.count) return;
    std::string hint = accessHint(list.ids[number - 1]);
    if (!hint.empty()) std::fprintf(stderr, "vxf: drive %lld: %s\n", static_cast<long long>(number), hint.c_str());
}

}  // namespace vxf::drives
