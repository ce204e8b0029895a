// host_paths.h - where the machine shows its block devices and their use; tests point these at a folder of their own.
#pragma once

#include <optional>
#include <string>

namespace vxf1394::diskenum {

struct HostPaths {
    std::string sysfsRoot = "/sys";
    std::string devFolder = "/dev";
    std::string mountInfo = "/proc/self/mountinfo";
    std::string swaps = "/proc/swaps";
    // "MAJOR:MINOR" of the device holding "/"; unset: asked of the system.
    std::optional<std::string> rootDevice;

    bool operator==(const HostPaths&) const = default;
    bool isThisMachine() const { return *this == HostPaths{}; }
};

// The paths the drive layer uses now (the machine's own unless a test set others).
HostPaths hostPaths();
void setHostPaths(const HostPaths& paths);

}  // namespace vxf1394::diskenum
