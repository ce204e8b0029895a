// host_disks.cpp - the machine's whole disks as sysfs shows them: transport, size, use, vendor and model.
#include "platform/host_disks.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/text_file.h"

namespace vxf1394::diskenum {

namespace fs = std::filesystem;

namespace {

std::string blockFolder(const HostPaths& paths) { return paths.sysfsRoot + "/block"; }

bool isVirtual(const fs::path& link) {
    std::error_code ec;
    fs::path target = fs::read_symlink(link, ec);
    return ec || target.string().find("/devices/virtual/") != std::string::npos;
}

std::string subsystemOf(const fs::path& deviceFolder) {
    std::error_code ec;
    fs::path target = fs::read_symlink(deviceFolder / "subsystem", ec);
    return ec ? std::string() : target.filename().string();
}

// The bus decides: the first FireWire or USB device above the disk.
Transport transportOf(const HostPaths& paths, const fs::path& diskFolder, bool removable) {
    std::error_code ec;
    fs::path devices = fs::canonical(paths.sysfsRoot + "/devices", ec);
    fs::path at = fs::canonical(diskFolder, ec);
    if (ec) return Transport::other;
    for (; !at.empty() && at != devices && at != at.root_path(); at = at.parent_path()) {
        std::string subsystem = subsystemOf(at);
        if (subsystem == "firewire") return Transport::sbp2;
        if (subsystem == "usb") return Transport::external;
    }
    return removable ? Transport::external : Transport::other;
}

bool hasHolders(const fs::path& folder) {
    std::error_code ec;
    return !fs::is_empty(folder / "holders", ec) && !ec;
}

bool partitionInUse(const fs::path& folder, const DevicesInUse& devicesInUse) {
    std::string name = folder.filename().string();
    return devicesInUse.uses(name, platform::readAttribute((folder / "dev").string())) || hasHolders(folder);
}

bool anyPartitionInUse(const fs::path& diskFolder, const std::string& diskName, const DevicesInUse& devicesInUse) {
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(diskFolder, ec)) {
        std::string name = entry.path().filename().string();
        if (name.rfind(diskName, 0) != 0 || !fs::exists(entry.path() / "partition", ec)) continue;
        if (partitionInUse(entry.path(), devicesInUse)) return true;
    }
    return false;
}

uint64_t sectorsOf(const fs::path& diskFolder) {
    std::string text = platform::readAttribute((diskFolder / "size").string());
    if (text.empty() || text.size() > 19 || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) return 0;
    return std::stoull(text);
}

// Some kernel names stand for paths below /dev: "cciss!c0d0" is /dev/cciss/c0d0.
std::string nodeOf(const HostPaths& paths, std::string name) {
    std::replace(name.begin(), name.end(), '!', '/');
    return paths.devFolder + "/" + name;
}

}  // namespace

std::vector<std::string> hostDiskNames(const HostPaths& paths) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(blockFolder(paths), ec)) {
        std::string name = entry.path().filename().string();
        if (!name.empty() && name.front() != '.' && !isVirtual(entry.path())) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool isWholeHostDisk(const HostPaths& paths, const std::string& name) {
    // The class link is made before the node, the block folder's only after it.
    fs::path entry = fs::path(paths.sysfsRoot) / "class" / "block" / name;
    std::error_code ec;
    if (name.empty() || name.front() == '.' || isVirtual(entry) || fs::exists(entry / "partition", ec)) return false;
    struct stat node {};
    return ::stat(nodeOf(paths, name).c_str(), &node) == 0 && S_ISBLK(node.st_mode);
}

HostDisk describeHostDisk(const HostPaths& paths, const std::string& name, const DevicesInUse& devicesInUse) {
    fs::path folder = fs::path(blockFolder(paths)) / name;
    HostDisk disk;
    disk.name = name;
    disk.devicePath = nodeOf(paths, name);
    disk.deviceNumber = platform::readAttribute((folder / "dev").string());
    disk.sectors = sectorsOf(folder);
    bool removable = platform::readAttribute((folder / "removable").string()) == "1";
    disk.transport = transportOf(paths, folder, removable);
    disk.inUse = devicesInUse.uses(name, disk.deviceNumber) || hasHolders(folder) ||
                 anyPartitionInUse(folder, name, devicesInUse);
    return disk;
}

DiskIdentity identityOfBlockDevice(const HostPaths& paths, unsigned major, unsigned minor) {
    std::string device = paths.sysfsRoot + "/dev/block/" + std::to_string(major) + ":" + std::to_string(minor) +
                         "/device/";
    return DiskIdentity{platform::readAttribute(device + "vendor"), platform::readAttribute(device + "model")};
}

}  // namespace vxf1394::diskenum
