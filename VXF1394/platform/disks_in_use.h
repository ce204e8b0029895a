// disks_in_use.h - block devices the machine is using: mounted file systems, swap areas and the device of "/".
#pragma once

#include <set>
#include <string>
#include <string_view>

#include "platform/host_paths.h"

namespace vxf1394::diskenum {

struct DevicesInUse {
    std::set<std::string> deviceNumbers;  // "MAJOR:MINOR"
    std::set<std::string> names;          // kernel names of /dev sources, "sda1"
    // False when the mount table could not be read: then every device counts as used.
    bool known = true;
    bool uses(const std::string& name, const std::string& deviceNumber) const;
};

DevicesInUse readDevicesInUse(const HostPaths& paths);

// The parts of readDevicesInUse, apart for tests.
// mountinfo lines: ID PARENT MAJOR:MINOR ROOT MOUNTPOINT OPTIONS [TAGS...] - TYPE SOURCE SUPEROPTIONS.
void addMountInfo(std::string_view text, DevicesInUse& inUse);
// swaps lines after the heading: FILENAME TYPE SIZE USED PRIORITY.
void addSwaps(std::string_view text, DevicesInUse& inUse);
// The kernel name behind a /dev path (symbolic links followed where they exist); empty for other sources.
std::string deviceNameOfSource(std::string_view source);

}  // namespace vxf1394::diskenum
