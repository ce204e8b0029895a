// fake_host.h - a machine's disks as files in a test's folder: sysfs tree, device folder, mount and swap tables.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/host_paths.h"

namespace vxf1394::test {

struct FakeDisk {
    std::string name;          // "sdb"
    std::string bus = "pci";   // "firewire", "usb", "pci", or "virtual"
    std::string deviceNumber;  // "8:16"
    uint64_t sectors = 1000000;
    bool removable = false;
    std::string vendor = "MAXTOR  ";
    std::string model = "6Y080L0         ";
};

// Lays out what the listing reads, the way the kernel does: a device folder
// under sys/devices below its bus, with links from sys/block,
// sys/class/block and sys/dev/block.
class FakeHost {
public:
    explicit FakeHost(const std::string& root);

    // Paths for the drive layer; "/" is on no fake disk unless rootDevice says so.
    diskenum::HostPaths paths() const;

    void addDisk(const FakeDisk& disk);
    void removeDisk(const std::string& name);
    void addPartition(const std::string& disk, const std::string& name, const std::string& deviceNumber);
    // Another device (device mapper, RAID) built on the disk or partition.
    void addHolder(const std::string& diskOrPartition, const std::string& holder);

    void writeMountInfo(const std::vector<std::string>& lines);
    void writeSwaps(const std::vector<std::string>& lines);
    // A mountinfo line for a file system on `source` with this device number.
    static std::string mountLine(const std::string& deviceNumber, const std::string& mountPoint,
                                 const std::string& source);

    // A block node in the fake device folder (needs the right to make device nodes); false when refused.
    bool makeNode(const std::string& name, const std::string& deviceNumber);
    void removeNode(const std::string& name);

    std::string root_;
    std::string rootDevice_;

private:
    std::string sys(const std::string& relative) const { return root_ + "/sys/" + relative; }
    std::string deviceFolderOf(const std::string& name) const;
    void link(const std::string& target, const std::string& at);
};

}  // namespace vxf1394::test
