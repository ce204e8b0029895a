// block_device_test.cpp - drives on real block devices: loop devices where the machine allows them.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "drive_fixture.h"
#include "platform/last_error.h"
#include "platform/test_api.h"

namespace vxf1394::test {
namespace {

constexpr uint32_t kDrive0 = I1394_DRIVE_ID_BASE;
constexpr uint64_t kSectors = 4096;

class BlockDeviceTest : public DriveFixture {
protected:
    void SetUp() override {
        DriveFixture::SetUp();
        image_ = makeImage("disk.img", kSectors);
    }
    void TearDown() override {
        // Let go of the device before it is detached.
        i1394Exit();
        loop_.reset();
        DriveFixture::TearDown();
    }

    // Attaches the image and lists the loop device as drive 0, the library
    // started on it unless told otherwise; skips where the machine allows no loop device.
    void attach(bool readOnly = false, bool start = true) {
        loop_ = std::make_unique<LoopDevice>(image_, readOnly);
        if (loop_->path().empty()) GTEST_SKIP() << "no loop device here (needs root and /dev/loop-control)";
        enumerate({loop_->path()});
        if (start) {
            ASSERT_EQ(init(), I1394_OK);
        }
    }

    std::string image_;
    std::unique_ptr<LoopDevice> loop_;
};

std::vector<uint8_t> pattern(size_t sectors, uint8_t seed) {
    std::vector<uint8_t> data(sectors * I1394_SECTOR_SIZE);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7 + seed);
    return data;
}

TEST_F(BlockDeviceTest, WrittenSectorsHaveReachedTheDeviceWhenTheRequestEndsAndCapacityIsItsSize) {
    attach();
    if (IsSkipped()) return;
    DriveInfo info{};
    ASSERT_EQ(i1394GetDriveInfo(kDrive0, &info), I1394_OK);
    EXPECT_EQ(info.capacity, kSectors - 1);
    auto data = pattern(16, 3);
    ASSERT_EQ(i1394WriteSector(kDrive0, 100, 0, 16, data.data()), I1394_OK);
    std::vector<uint8_t> back(data.size());
    ASSERT_EQ(i1394ReadSector(kDrive0, 100, 0, 16, back.data()), I1394_OK);
    EXPECT_EQ(back, data);
    EXPECT_EQ(i1394ReadSector(kDrive0, kSectors - 1, 0, 2, back.data()), I1394_ERR_IO);
    // Still held by the drive layer: what the image shows came through the device, not a later flush.
    std::vector<char> onDisk(data.size());
    std::ifstream in(image_, std::ios::binary);
    in.seekg(100 * I1394_SECTOR_SIZE);
    in.read(onDisk.data(), static_cast<std::streamsize>(onDisk.size()));
    EXPECT_TRUE(std::equal(data.begin(), data.end(), onDisk.begin(), [](uint8_t a, char b) { return a == uint8_t(b); }));
}

TEST_F(BlockDeviceTest, DeviceInUseIsRefusedAndADeviceInOurHandsCannotBeTakenUntilExit) {
    attach();
    if (IsSkipped()) return;
    std::vector<uint8_t> buffer(I1394_SECTOR_SIZE);
    {
        // Held exclusively elsewhere, as a mounted file system holds its device.
        int holder = ::open(loop_->path().c_str(), O_RDONLY | O_EXCL);
        ASSERT_GE(holder, 0);
        DriveInfo info{};
        EXPECT_EQ(i1394GetDriveInfo(kDrive0, &info), I1394_ERR_IO);
        EXPECT_EQ(i1394ReadSector(kDrive0, 0, 0, 1, buffer.data()), I1394_ERR_IO);
        EXPECT_EQ(platform::lastError(), platform::kErrorBusy);
        ::close(holder);
    }
    ASSERT_EQ(i1394ReadSector(kDrive0, 0, 0, 1, buffer.data()), I1394_OK);
    EXPECT_LT(::open(loop_->path().c_str(), O_RDONLY | O_EXCL), 0);
    EXPECT_EQ(errno, EBUSY);
    i1394Exit();
    int after = ::open(loop_->path().c_str(), O_RDONLY | O_EXCL);
    EXPECT_GE(after, 0);
    ::close(after);
}

TEST_F(BlockDeviceTest, ReadOnlyDeviceServesReadsAndRefusesWrites) {
    auto data = pattern(1, 5);
    {
        std::fstream out(image_, std::ios::in | std::ios::out | std::ios::binary);
        out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    }
    attach(true);
    if (IsSkipped()) return;
    std::vector<uint8_t> back(data.size());
    ASSERT_EQ(i1394ReadSector(kDrive0, 0, 0, 1, back.data()), I1394_OK);
    EXPECT_EQ(back, data);
    auto other = pattern(1, 6);
    EXPECT_EQ(i1394WriteSector(kDrive0, 0, 0, 1, other.data()), I1394_ERR_IO);
    ASSERT_EQ(i1394ReadSector(kDrive0, 0, 0, 1, back.data()), I1394_OK);
    EXPECT_EQ(back, data);
}

TEST_F(BlockDeviceTest, IdentifyAnswersWithTheVendorAndModelSysfsShows) {
    attach();
    if (IsSkipped()) return;
    struct stat node {};
    ASSERT_EQ(::stat(loop_->path().c_str(), &node), 0);
    FakeDisk disk;
    disk.name = "sdz";
    disk.bus = "firewire";
    disk.deviceNumber = std::to_string(major(node.st_rdev)) + ":" + std::to_string(minor(node.st_rdev));
    disk.vendor = "MAXTOR  ";
    disk.model = "OneTouch        ";
    host_->addDisk(disk);
    DriveInfo info{};
    ASSERT_EQ(i1394GetDriveInfo(kDrive0, &info), I1394_OK);
    EXPECT_STREQ(info.vendor, "MAXTOR  ");
    EXPECT_STREQ(info.product, "OneTouch        ");
    // Named vendor and product in the file still win.
    writeEnumeration({"Count=1", "0=SBP2\\" + loop_->path() + "|vendor=TAVO|product=Studio"});
    ASSERT_EQ(i1394GetDriveInfo(kDrive0, &info), I1394_OK);
    EXPECT_STREQ(info.vendor, "TAVO    ");
}

TEST_F(BlockDeviceTest, DeviceTheUserMayNotOpenIsListedButCannotBeReached) {
    // Nothing started before the fork: the child starts its own watcher.
    attach(false, false);
    if (IsSkipped()) return;
    // The user's view: everything readable but the device (root-only, like /dev/sdX outside group disk).
    ASSERT_EQ(::chmod(folder_.c_str(), 0755), 0);
    ASSERT_EQ(::chmod(enumPath_.c_str(), 0644), 0);
    ASSERT_EQ(::chmod(loop_->path().c_str(), 0600), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::alarm(20);
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(10);
        if (i1394Init([] {}) != I1394_OK) ::_exit(11);
        DriveList list{};
        if (i1394GetDriveList(&list) != I1394_OK || list.count != 1 || list.ids[0] != kDrive0) ::_exit(12);
        DriveInfo info{};
        if (i1394GetDriveInfo(kDrive0, &info) != I1394_ERR_IO) ::_exit(13);
        if (platform::lastError() != platform::kErrorAccessDenied) ::_exit(14);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "10: no nobody user, 11: init, 12: not listed, 13: reached, 14: wrong error";
}

}  // namespace
}  // namespace vxf1394::test
