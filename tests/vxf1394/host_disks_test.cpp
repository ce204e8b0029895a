// host_disks_test.cpp - the machine's disks in the enumeration, read from a fake sysfs tree and fake mount tables.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <filesystem>

#include "drive_fixture.h"
#include "platform/disks_in_use.h"
#include "platform/system_enum.h"
#include "platform/test_api.h"

namespace vxf1394::test {
namespace {

using diskenum::lookupValue;

class HostDisksTest : public DriveFixture {
protected:
    void SetUp() override {
        DriveFixture::SetUp();
        image_ = makeImage("a.img", 1000);
    }

    void addDisk(const std::string& name, const std::string& bus, const std::string& number) {
        FakeDisk disk;
        disk.name = name;
        disk.bus = bus;
        disk.deviceNumber = number;
        host_->addDisk(disk);
    }

    std::string value(uint32_t index) { return lookupValue(std::to_string(index)).data.value_or("<none>"); }
    std::string count() { return lookupValue("Count").data.value_or("<none>"); }

    std::vector<uint32_t> driveIds() {
        DriveList list{};
        EXPECT_EQ(i1394GetDriveList(&list), I1394_OK);
        return std::vector<uint32_t>(list.ids, list.ids + list.count);
    }

    std::string image_;
};

TEST_F(HostDisksTest, FireWireDiskFollowsTheFileEntriesAsARecorderDrive) {
    enumerate({image_});
    addDisk("sda", "pci", "8:0");
    addDisk("sdb", "firewire", "8:16");
    EXPECT_EQ(count(), "3");
    EXPECT_EQ(value(0), "SBP2\\" + image_);
    EXPECT_EQ(value(1), "DISK\\" + host_->root_ + "/dev/sda");
    EXPECT_EQ(value(2), "SBP2\\" + host_->root_ + "/dev/sdb");
    EXPECT_EQ(driveIds(), (std::vector<uint32_t>{0x00CE0000, 0x00CE0002}));
}

TEST_F(HostDisksTest, DisksAreOrderedByNameWhateverTheirOrderOfArrival) {
    writeEnumeration({"Count=0"});
    addDisk("sdc", "firewire", "8:32");
    addDisk("sda", "firewire", "8:0");
    addDisk("sdb", "pci", "8:16");
    EXPECT_EQ(value(0), "SBP2\\" + host_->root_ + "/dev/sda");
    EXPECT_EQ(value(1), "DISK\\" + host_->root_ + "/dev/sdb");
    EXPECT_EQ(value(2), "SBP2\\" + host_->root_ + "/dev/sdc");
    // A disk that goes takes its index with it; the ones after it move up.
    host_->removeDisk("sda");
    EXPECT_EQ(count(), "2");
    EXPECT_EQ(value(0), "DISK\\" + host_->root_ + "/dev/sdb");
}

TEST_F(HostDisksTest, UsbAndRemovableDisksAreRecorderDrivesOnlyWhenTheFileAsks) {
    addDisk("sdb", "usb", "8:16");
    FakeDisk removable;
    removable.name = "sdc";
    removable.deviceNumber = "8:32";
    removable.removable = true;
    host_->addDisk(removable);
    writeEnumeration({"Count=0"});
    EXPECT_EQ(value(0), "DISK\\" + host_->root_ + "/dev/sdb");
    EXPECT_EQ(value(1), "DISK\\" + host_->root_ + "/dev/sdc");
    writeEnumeration({"Count=0", "ExternalDisks=1"});
    EXPECT_EQ(value(0), "SBP2\\" + host_->root_ + "/dev/sdb");
    EXPECT_EQ(value(1), "SBP2\\" + host_->root_ + "/dev/sdc");
    EXPECT_EQ(driveIds().size(), 2u);
}

TEST_F(HostDisksTest, InternalDiskStaysOffTheListEvenWithExternalDisks) {
    writeEnumeration({"Count=0", "ExternalDisks=1"});
    addDisk("nvme0n1", "pci", "259:0");
    EXPECT_EQ(value(0), "DISK\\" + host_->root_ + "/dev/nvme0n1");
    EXPECT_TRUE(driveIds().empty());
}

TEST_F(HostDisksTest, DiskWithAMountedPartitionIsNeverARecorderDrive) {
    writeEnumeration({"Count=0"});
    addDisk("sdb", "firewire", "8:16");
    addDisk("sdc", "firewire", "8:32");
    host_->addPartition("sdb", "sdb1", "8:17");
    host_->addPartition("sdc", "sdc2", "8:34");
    // One found by its device number, one by its source (as for a file system that reports no device number).
    host_->writeMountInfo({FakeHost::mountLine("8:17", "/media/a", "/dev/sdb1"),
                           FakeHost::mountLine("0:45", "/media/b", "/dev/sdc2")});
    EXPECT_EQ(value(0), "DISK\\" + host_->root_ + "/dev/sdb");
    EXPECT_EQ(value(1), "DISK\\" + host_->root_ + "/dev/sdc");
    EXPECT_TRUE(driveIds().empty());
    host_->writeMountInfo({});
    EXPECT_EQ(driveIds().size(), 2u);
}

TEST_F(HostDisksTest, WholeDiskFileSystemSwapAndStackedDevicesKeepADiskOff) {
    writeEnumeration({"Count=0"});
    for (auto [name, number] : {std::pair{"sdb", "8:16"}, {"sdc", "8:32"}, {"sdd", "8:48"}, {"sde", "8:64"}}) {
        addDisk(name, "firewire", number);
    }
    host_->addPartition("sdc", "sdc1", "8:33");
    host_->addPartition("sde", "sde1", "8:65");
    host_->writeMountInfo({FakeHost::mountLine("8:16", "/media/whole", "/dev/sdb")});
    host_->writeSwaps({"/dev/sdc1                               partition\t1048572\t\t0\t\t-2"});
    host_->addHolder("sdd", "dm-0");
    host_->addHolder("sde1", "md0");
    for (uint32_t i = 0; i < 4; ++i) EXPECT_EQ(value(i).substr(0, 5), "DISK\\") << value(i);
}

TEST_F(HostDisksTest, DiskOfTheRootFileSystemIsNeverARecorderDrive) {
    writeEnumeration({"Count=0"});
    addDisk("sdb", "firewire", "8:16");
    host_->addPartition("sdb", "sdb3", "8:19");
    host_->rootDevice_ = "8:19";
    useFakeHost();
    EXPECT_EQ(value(0), "DISK\\" + host_->root_ + "/dev/sdb");
}

TEST_F(HostDisksTest, UnreadableMountTableListsNoDiskAsARecorderDrive) {
    writeEnumeration({"Count=0"});
    addDisk("sdb", "firewire", "8:16");
    std::filesystem::remove(host_->root_ + "/mountinfo");
    EXPECT_EQ(value(0), "DISK\\" + host_->root_ + "/dev/sdb");
}

TEST_F(HostDisksTest, VirtualDisksAndDisksWithoutMediumAreLeftOutOrRefused) {
    writeEnumeration({"Count=0", "ExternalDisks=1"});
    addDisk("loop0", "virtual", "7:0");
    FakeDisk empty;
    empty.name = "sdb";
    empty.bus = "usb";
    empty.deviceNumber = "8:16";
    empty.sectors = 0;
    host_->addDisk(empty);
    EXPECT_EQ(count(), "1");
    EXPECT_EQ(value(0), "DISK\\" + host_->root_ + "/dev/sdb");
}

TEST_F(HostDisksTest, DisksFollowTheFileCountAndStrayFileValuesGiveWay) {
    writeEnumeration({"Count=1", "0=SBP2\\" + image_, "1=SBP2\\/tmp/stray.img", "5=IDE\\Other"});
    addDisk("sdb", "firewire", "8:16");
    EXPECT_EQ(count(), "2");
    EXPECT_EQ(value(1), "SBP2\\" + host_->root_ + "/dev/sdb");
    EXPECT_EQ(value(5), "IDE\\Other");
    diskenum::Enumeration all = diskenum::readSystemEnumeration();
    ASSERT_NE(diskenum::findValue(all.values, "1"), nullptr);
    EXPECT_EQ(diskenum::findValue(all.values, "1")->data, "SBP2\\" + host_->root_ + "/dev/sdb");
    EXPECT_EQ(diskenum::findValue(all.values, "Count")->data, "2");
}

TEST_F(HostDisksTest, MissingFileListsTheMachinesDisksFromIndexZero) {
    addDisk("sdb", "firewire", "8:16");
    EXPECT_EQ(count(), "1");
    EXPECT_EQ(driveIds(), (std::vector<uint32_t>{0x00CE0000}));
}

TEST_F(HostDisksTest, DamagedCountAddsNoDisks) {
    writeEnumeration({"Count=many"});
    addDisk("sdb", "firewire", "8:16");
    EXPECT_EQ(count(), "many");
    EXPECT_EQ(value(0), "<none>");
    DriveList list{};
    EXPECT_EQ(i1394GetDriveList(&list), I1394_ERR_IO);
}

TEST_F(HostDisksTest, DiskTheFileNamesAlreadyIsNotListedTwice) {
    struct stat node {};
    if (::stat("/dev/loop0", &node) != 0 || !S_ISBLK(node.st_mode)) GTEST_SKIP() << "no /dev/loop0 on this machine";
    std::string number = std::to_string(major(node.st_rdev)) + ":" + std::to_string(minor(node.st_rdev));
    addDisk("sdb", "firewire", number);
    addDisk("sdc", "firewire", "8:32");
    writeEnumeration({"Count=1", "0=SBP2\\/dev/loop0"});
    EXPECT_EQ(count(), "2");
    EXPECT_EQ(value(1), "SBP2\\" + host_->root_ + "/dev/sdc");
}

TEST_F(HostDisksTest, VendorAndModelComeFromTheDevicesSysfsFolder) {
    FakeDisk disk;
    disk.name = "sdb";
    disk.bus = "firewire";
    disk.deviceNumber = "8:16";
    disk.vendor = "MAXTOR  ";
    disk.model = "OneTouch II     ";
    host_->addDisk(disk);
    diskenum::DiskIdentity identity = diskenum::identityOfBlockDevice(host_->paths(), 8, 16);
    EXPECT_EQ(identity.vendor, "MAXTOR");
    EXPECT_EQ(identity.model, "OneTouch II");
    EXPECT_EQ(diskenum::identityOfBlockDevice(host_->paths(), 8, 32).vendor, "");
}

TEST(DevicesInUseTest, MountInfoGivesDeviceNumbersAndSourceNames) {
    diskenum::DevicesInUse inUse;
    diskenum::addMountInfo("21 26 0:20 / /proc rw,relatime - proc proc rw\n"
                           "26 1 254:0 / / rw,relatime shared:1 master:2 - ext4 /dev/vdq9 rw\n"
                           "27 1 0:45 / /home rw - btrfs /dev/sdq4 rw,space_cache\n"
                           "garbage\n\n",
                           inUse);
    EXPECT_TRUE(inUse.uses("anything", "254:0"));
    EXPECT_TRUE(inUse.uses("vdq9", ""));
    EXPECT_TRUE(inUse.uses("sdq4", "8:4"));
    EXPECT_FALSE(inUse.uses("proc", "8:1"));
    EXPECT_FALSE(inUse.uses("sdq5", "8:5"));
}

TEST(DevicesInUseTest, SwapsListDevicePartitionsButNotSwapFiles) {
    diskenum::DevicesInUse inUse;
    diskenum::addSwaps("Filename\tType\tSize\tUsed\tPriority\n"
                       "/dev/sdq2   partition 1048572 0 -2\n"
                       "/swapfile   file      1048572 0 -3\n",
                       inUse);
    EXPECT_TRUE(inUse.uses("sdq2", ""));
    EXPECT_FALSE(inUse.uses("swapfile", ""));
    EXPECT_FALSE(inUse.uses("Filename", ""));
}

}  // namespace
}  // namespace vxf1394::test
