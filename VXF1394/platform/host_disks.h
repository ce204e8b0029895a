// host_disks.h - the machine's whole disks as sysfs shows them: transport, size, use, vendor and model.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/disks_in_use.h"
#include "platform/host_paths.h"

namespace vxf1394::diskenum {

enum class Transport {
    sbp2,      // an SBP-2 unit on the FireWire bus
    external,  // on USB, or with media the kernel calls removable
    other,
};

struct HostDisk {
    std::string name;          // the kernel's name, "sdb"
    std::string devicePath;    // its node, "/dev/sdb"
    std::string deviceNumber;  // "8:16"
    Transport transport = Transport::other;
    uint64_t sectors = 0;      // 0: no medium
    // The disk or one of its partitions is mounted, swapped on, part of
    // another device (device mapper, RAID), or holds "/".
    bool inUse = false;
};

// The whole disks, sorted by name; virtual devices (loop, RAM, device
// mapper, RAID) are left out.
std::vector<std::string> hostDiskNames(const HostPaths& paths);
// Whether the device node just made under the device folder is such a disk.
bool isWholeHostDisk(const HostPaths& paths, const std::string& name);
HostDisk describeHostDisk(const HostPaths& paths, const std::string& name, const DevicesInUse& devicesInUse);

struct DiskIdentity {
    std::string vendor;
    std::string model;
};
// "device/vendor" and "device/model" of the block device with this number; empty where sysfs has none.
DiskIdentity identityOfBlockDevice(const HostPaths& paths, unsigned major, unsigned minor);

}  // namespace vxf1394::diskenum
