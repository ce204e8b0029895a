// fake_host.cpp - a machine's disks as files in a test's folder: sysfs tree, device folder, mount and swap tables.
#include "fake_host.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace vxf1394::test {

namespace fs = std::filesystem;

namespace {

void writeText(const std::string& path, const std::string& text) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

std::string lines(const std::vector<std::string>& all) {
    std::string text;
    for (const std::string& line : all) text += line + "\n";
    return text;
}

}  // namespace

FakeHost::FakeHost(const std::string& root) : root_(root) {
    for (const char* folder : {"sys/block", "sys/class/block", "sys/dev/block", "sys/devices/virtual/block",
                               "sys/bus/pci", "sys/bus/usb", "sys/bus/firewire", "sys/bus/scsi", "dev"}) {
        fs::create_directories(root_ + "/" + folder);
    }
    writeMountInfo({});
    writeSwaps({});
}

diskenum::HostPaths FakeHost::paths() const {
    diskenum::HostPaths p;
    p.sysfsRoot = root_ + "/sys";
    p.devFolder = root_ + "/dev";
    p.mountInfo = root_ + "/mountinfo";
    p.swaps = root_ + "/swaps";
    p.rootDevice = rootDevice_;
    return p;
}

void FakeHost::link(const std::string& target, const std::string& at) {
    if (fs::is_symlink(at)) return;
    fs::create_directories(fs::path(at).parent_path());
    fs::create_directory_symlink(fs::relative(target, fs::path(at).parent_path()), at);
}

std::string FakeHost::deviceFolderOf(const std::string& name) const {
    return fs::canonical(sys("block/" + name)).string();
}

void FakeHost::addDisk(const FakeDisk& disk) {
    std::string folder;
    if (disk.bus == "virtual") {
        folder = sys("devices/virtual/block/" + disk.name);
    } else {
        // PCI bridge, then the bus's own device, then the SCSI device the disk hangs on.
        std::string bridge = sys("devices/pci0000:00/0000:00:1e.0");
        std::string busDevice = bridge + "/" + disk.bus + "-" + disk.name;
        std::string scsi = busDevice + "/host0/target0:0:0/0:0:0:0";
        fs::create_directories(scsi);
        link(sys("bus/pci"), bridge + "/subsystem");
        link(sys("bus/" + disk.bus), busDevice + "/subsystem");
        link(sys("bus/scsi"), scsi + "/subsystem");
        writeText(scsi + "/vendor", disk.vendor + "\n");
        writeText(scsi + "/model", disk.model + "\n");
        folder = scsi + "/block/" + disk.name;
        fs::create_directories(folder);
        link(scsi, folder + "/device");
    }
    fs::create_directories(folder + "/holders");
    writeText(folder + "/dev", disk.deviceNumber + "\n");
    writeText(folder + "/size", std::to_string(disk.sectors) + "\n");
    writeText(folder + "/removable", disk.removable ? "1\n" : "0\n");
    link(folder, sys("block/" + disk.name));
    link(folder, sys("class/block/" + disk.name));
    link(folder, sys("dev/block/" + disk.deviceNumber));
}

void FakeHost::removeDisk(const std::string& name) {
    std::string folder = deviceFolderOf(name);
    fs::remove(sys("block/" + name));
    fs::remove(sys("class/block/" + name));
    for (const auto& entry : fs::directory_iterator(sys("dev/block"))) {
        if (fs::is_symlink(entry.symlink_status()) && fs::canonical(entry.path()) == folder) fs::remove(entry.path());
    }
    fs::remove_all(folder);
}

void FakeHost::addPartition(const std::string& disk, const std::string& name, const std::string& deviceNumber) {
    std::string folder = deviceFolderOf(disk) + "/" + name;
    fs::create_directories(folder + "/holders");
    writeText(folder + "/partition", "1\n");
    writeText(folder + "/dev", deviceNumber + "\n");
    link(folder, sys("class/block/" + name));
    link(folder, sys("dev/block/" + deviceNumber));
}

void FakeHost::addHolder(const std::string& diskOrPartition, const std::string& holder) {
    std::string folder = fs::canonical(sys("class/block/" + diskOrPartition)).string();
    std::string holderFolder = sys("devices/virtual/block/" + holder);
    fs::create_directories(holderFolder);
    link(holderFolder, folder + "/holders/" + holder);
}

void FakeHost::writeMountInfo(const std::vector<std::string>& all) { writeText(root_ + "/mountinfo", lines(all)); }

void FakeHost::writeSwaps(const std::vector<std::string>& all) {
    std::vector<std::string> table{"Filename\t\t\t\tType\t\tSize\t\tUsed\t\tPriority"};
    table.insert(table.end(), all.begin(), all.end());
    writeText(root_ + "/swaps", lines(table));
}

std::string FakeHost::mountLine(const std::string& deviceNumber, const std::string& mountPoint,
                                const std::string& source) {
    return "36 25 " + deviceNumber + " / " + mountPoint + " rw,relatime shared:1 - ext4 " + source + " rw";
}

bool FakeHost::makeNode(const std::string& name, const std::string& deviceNumber) {
    unsigned major = 0, minor = 0;
    if (std::sscanf(deviceNumber.c_str(), "%u:%u", &major, &minor) != 2) return false;
    return ::mknod((root_ + "/dev/" + name).c_str(), S_IFBLK | 0600, makedev(major, minor)) == 0;
}

void FakeHost::removeNode(const std::string& name) { fs::remove(root_ + "/dev/" + name); }

}  // namespace vxf1394::test
