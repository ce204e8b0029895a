// hotplug_test.cpp - disks coming and going reach the watcher's caller: device nodes in a fake device folder, udev events.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <thread>

#include "drive_fixture.h"
#include "platform/disk_monitor.h"
#include "platform/system_enum.h"
#include "platform/test_api.h"

namespace vxf1394::test {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

class HotplugTest : public DriveFixture {
protected:
    void SetUp() override {
        DriveFixture::SetUp();
        writeEnumeration({"Count=0"});
        ASSERT_EQ(init(), I1394_OK);
        ASSERT_TRUE(eventually([] { return testing::changeNotificationRequests() >= 1; }));
    }

    // A FireWire disk in sysfs, then its node, as the kernel makes them.
    bool plug(const std::string& name, const std::string& number) {
        FakeDisk disk;
        disk.name = name;
        disk.bus = "firewire";
        disk.deviceNumber = number;
        host_->addDisk(disk);
        return host_->makeNode(name, number);
    }

    void unplug(const std::string& name) {
        host_->removeNode(name);
        host_->removeDisk(name);
    }

    static void settle() { std::this_thread::sleep_for(milliseconds(400)); }
};

TEST_F(HotplugTest, DiskThatComesOrGoesIsToldWithinASecond) {
    auto plugged = Clock::now();
    if (!plug("sdq", "8:224")) GTEST_SKIP() << "device nodes cannot be made here (needs root)";
    ASSERT_TRUE(eventually([] { return callbackCalls() >= 1; }, 1000));
    EXPECT_LT(Clock::now() - plugged, milliseconds(1000));
    EXPECT_EQ(diskenum::lookupValue("0").data, "SBP2\\" + host_->root_ + "/dev/sdq");
    settle();
    uint64_t afterPlug = callbackCalls();

    auto unplugged = Clock::now();
    unplug("sdq");
    ASSERT_TRUE(eventually([afterPlug] { return callbackCalls() > afterPlug; }, 1000));
    EXPECT_LT(Clock::now() - unplugged, milliseconds(1000));
    EXPECT_EQ(diskenum::lookupValue("Count").data, "0");
}

TEST_F(HotplugTest, PartitionsAndOtherNodesAreNoDiskChange) {
    if (!plug("sdq", "8:224")) GTEST_SKIP() << "device nodes cannot be made here (needs root)";
    ASSERT_TRUE(eventually([] { return callbackCalls() >= 1; }, 1000));
    settle();
    uint64_t before = callbackCalls();
    host_->addPartition("sdq", "sdq1", "8:225");
    ASSERT_TRUE(host_->makeNode("sdq1", "8:225"));
    ASSERT_TRUE(host_->makeNode("tty99", "4:99"));
    host_->removeNode("sdq1");
    settle();
    EXPECT_EQ(callbackCalls(), before);
}

TEST(UdevEventTest, OnlyWholeDisksComingGoingOrChangingMediumCount) {
    using platform::changesOfUdevEvent;
    const char* usbDisk = "/devices/pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0/block/sdb";
    const uint64_t disk = platform::kChangesPerDiskEvent;
    EXPECT_EQ(changesOfUdevEvent("add", "disk", usbDisk, false), disk);
    EXPECT_EQ(changesOfUdevEvent("remove", "disk", usbDisk, false), disk);
    EXPECT_EQ(changesOfUdevEvent("change", "disk", usbDisk, true), disk);
    // Every close after writing makes udev send a change: no change of the list.
    EXPECT_EQ(changesOfUdevEvent("change", "disk", usbDisk, false), 0u);
    EXPECT_EQ(changesOfUdevEvent("add", "partition", std::string(usbDisk) + "/sdb1", false), 0u);
    EXPECT_EQ(changesOfUdevEvent("add", "disk", "/devices/virtual/block/loop8", false), 0u);
    EXPECT_EQ(changesOfUdevEvent("bind", "disk", usbDisk, false), 0u);
}

}  // namespace
}  // namespace vxf1394::test
