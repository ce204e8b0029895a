// exports_test.cpp - the eight exports: argument checks and their order, result codes, request records byte for byte.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "drive_fixture.h"
#include "platform/test_api.h"

namespace vxf1394::test {
namespace {

constexpr uint32_t kDrive0 = I1394_DRIVE_ID_BASE;
constexpr uint64_t kSectors = 4096;

class ExportsTest : public DriveFixture {
protected:
    void SetUp() override {
        DriveFixture::SetUp();
        image_ = makeImage("studio.img", kSectors);
        enumerate({image_, image_, image_, image_});
    }
    std::string image_;
    std::vector<uint8_t> buffer_ = std::vector<uint8_t>(4 * I1394_SECTOR_SIZE);
};

TEST_F(ExportsTest, EveryDeviceExportGivesNoDriverBeforeInitAndAfterExit) {
    DriveInfo info{};
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(i1394ReadSector(kDrive0, 0, 0, 1, buffer_.data()), I1394_ERR_NO_DRIVER);
        EXPECT_EQ(i1394WriteSector(kDrive0, 0, 0, 1, buffer_.data()), I1394_ERR_NO_DRIVER);
        EXPECT_EQ(i1394Unmount(kDrive0), I1394_ERR_NO_DRIVER);
        EXPECT_EQ(i1394GetDriveInfo(kDrive0, &info), I1394_ERR_NO_DRIVER);
        ScsiReply reply{};
        EXPECT_EQ(DoScsiCall(kDrive0, I1394_SCSI_IDENTIFY, &reply), I1394_ERR_IO);
        EXPECT_FALSE(testing::lastRequest().seen);
        ASSERT_EQ(init(), I1394_OK);
        EXPECT_EQ(i1394ReadSector(kDrive0, 0, 0, 1, buffer_.data()), I1394_OK);
        EXPECT_EQ(i1394Exit(), I1394_OK);
        testing::resetAll();
    }
}

TEST_F(ExportsTest, ArgumentsAreCheckedBeforeTheDevice) {
    // Device closed: a bad argument still gives 2, not 3.
    EXPECT_EQ(i1394ReadSector(kDrive0, 0, 0, 1, nullptr), I1394_ERR_PARAMETER);
    EXPECT_EQ(i1394ReadSector(kDrive0, 0, 0, 0, buffer_.data()), I1394_ERR_PARAMETER);
    EXPECT_EQ(i1394ReadSector(0x00CE0105, 0, 0, 1, buffer_.data()), I1394_ERR_PARAMETER);
    EXPECT_EQ(i1394WriteSector(kDrive0, 0, 0, 1, nullptr), I1394_ERR_PARAMETER);
    EXPECT_EQ(i1394WriteSector(kDrive0, 0, 0, 0, buffer_.data()), I1394_ERR_PARAMETER);
    EXPECT_EQ(i1394Unmount(0x00CD0000), I1394_ERR_PARAMETER);
    EXPECT_EQ(i1394GetDriveInfo(0x01000000, nullptr), I1394_ERR_PARAMETER);
}

TEST_F(ExportsTest, ZeroCountIsRefusedEvenWithAValidBufferAndOpenDevice) {
    ASSERT_EQ(init(), I1394_OK);
    EXPECT_EQ(i1394ReadSector(kDrive0, 0, 0, 0, buffer_.data()), I1394_ERR_PARAMETER);
    EXPECT_EQ(i1394WriteSector(kDrive0, 0, 0, 0, buffer_.data()), I1394_ERR_PARAMETER);
    EXPECT_FALSE(testing::lastRequest().seen);
}

TEST_F(ExportsTest, IdWithWrongMiddleBitsIsRefusedByEveryExportButScsiCall) {
    ASSERT_EQ(init(), I1394_OK);
    const uint32_t bad = 0x00CE0105;
    DriveInfo info{};
    EXPECT_EQ(i1394ReadSector(bad, 0, 0, 1, buffer_.data()), I1394_ERR_PARAMETER);
    EXPECT_EQ(i1394WriteSector(bad, 0, 0, 1, buffer_.data()), I1394_ERR_PARAMETER);
    EXPECT_EQ(i1394Unmount(bad), I1394_ERR_PARAMETER);
    EXPECT_EQ(i1394GetDriveInfo(bad, &info), I1394_ERR_PARAMETER);
    EXPECT_FALSE(testing::lastRequest().seen);
    // The SCSI call sends the low byte as it is: device 5 does not exist.
    ScsiReply reply{};
    EXPECT_EQ(DoScsiCall(bad, I1394_SCSI_IDENTIFY, &reply), I1394_ERR_IO);
    EXPECT_EQ(recordU32(testing::lastRequest().record, 0), 5u);
}

TEST_F(ExportsTest, TopByteOfIdIsIgnoredAndLowByteIsTheDeviceIndex) {
    ASSERT_EQ(init(), I1394_OK);
    EXPECT_EQ(i1394ReadSector(0x12CE0003, 7, 0, 1, buffer_.data()), I1394_OK);
    EXPECT_EQ(recordU32(testing::lastRequest().record, 0), 3u);
}

TEST_F(ExportsTest, ReadRecordIsByteExact) {
    ASSERT_EQ(init(), I1394_OK);
    ASSERT_EQ(i1394ReadSector(I1394_DRIVE_ID_BASE + 2, 0x123, 0, 3, buffer_.data()), I1394_OK);
    testing::LastRequest r = testing::lastRequest();
    EXPECT_EQ(r.code, 0x0022E006u);
    EXPECT_EQ(r.outputSize, 3u * 512);
    EXPECT_EQ(recordU32(r.record, 0), 2u);
    EXPECT_EQ(recordU32(r.record, 4), 0u);
    EXPECT_EQ(recordU64(r.record, 8), 0x123ull * 512);
    EXPECT_EQ(recordU32(r.record, 16), 3u);
    EXPECT_EQ(recordU32(r.record, 20), 0u);  // no buffer address for a read
    EXPECT_EQ(recordU64(r.record, 24), 0u);
}

TEST_F(ExportsTest, WriteRecordCarriesTheBufferAddress) {
    ASSERT_EQ(init(), I1394_OK);
    ASSERT_EQ(i1394WriteSector(kDrive0, 9, 0, 2, buffer_.data()), I1394_OK);
    testing::LastRequest r = testing::lastRequest();
    auto address = reinterpret_cast<uintptr_t>(buffer_.data());
    EXPECT_EQ(r.code, 0x0022E008u);
    EXPECT_EQ(r.outputSize, 0u);
    EXPECT_EQ(recordU64(r.record, 8), 9ull * 512);
    EXPECT_EQ(recordU32(r.record, 16), 2u);
    EXPECT_EQ(recordU32(r.record, 20), static_cast<uint32_t>(address));
    EXPECT_EQ(recordU64(r.record, 24), static_cast<uint64_t>(address));
}

TEST_F(ExportsTest, HighHalfOfLbaShiftsIntoTheByteOffset) {
    ASSERT_EQ(init(), I1394_OK);
    // Far beyond the end of this small image: the request goes out and fails.
    EXPECT_EQ(i1394ReadSector(kDrive0, 0, 1, 1, buffer_.data()), I1394_ERR_IO);
    EXPECT_EQ(recordU64(testing::lastRequest().record, 8), 0x20000000000ull);
}

TEST_F(ExportsTest, UnmountSendsZeroOffsetAndCount) {
    ASSERT_EQ(init(), I1394_OK);
    EXPECT_EQ(i1394Unmount(I1394_DRIVE_ID_BASE + 1), I1394_OK);
    testing::LastRequest r = testing::lastRequest();
    EXPECT_EQ(r.code, 0x0022E00Cu);
    EXPECT_EQ(recordU32(r.record, 0), 1u);
    EXPECT_EQ(recordU64(r.record, 8), 0u);
    EXPECT_EQ(recordU32(r.record, 16), 0u);
}

TEST_F(ExportsTest, ScsiCallWithNullReplyGivesZeroAndSendsNothing) {
    EXPECT_EQ(DoScsiCall(0xFFFFFFFF, I1394_SCSI_IDENTIFY, nullptr), I1394_OK);
    ASSERT_EQ(init(), I1394_OK);
    EXPECT_EQ(DoScsiCall(kDrive0, I1394_SCSI_CAPACITY, nullptr), I1394_OK);
    EXPECT_FALSE(testing::lastRequest().seen);
    EXPECT_EQ(testing::requestCounters().scsiCalls, 0u);
}

TEST_F(ExportsTest, ScsiCapacityAnswersTheLastLbaBigEndianAtByte80) {
    ASSERT_EQ(init(), I1394_OK);
    ScsiReply reply{};
    ASSERT_EQ(DoScsiCall(kDrive0, I1394_SCSI_CAPACITY, &reply), I1394_OK);
    testing::LastRequest r = testing::lastRequest();
    EXPECT_EQ(r.code, 0x0022E014u);
    EXPECT_EQ(r.outputSize, 120u);
    EXPECT_EQ(recordU32(r.record, 16), 3u);
    EXPECT_EQ(recordU64(r.record, 8), 0u);
    const uint8_t expected[4] = {0x00, 0x00, 0x0F, 0xFF};  // 4095
    EXPECT_EQ(std::memcmp(reply.bytes + 80, expected, 4), 0);
}

TEST_F(ExportsTest, DriveInfoGivesLastLbaVendorAndProduct) {
    writeEnumeration({"Count=1", "0=SBP2\\" + image_ + "|vendor=TAVO|product=KX90 Drive"});
    ASSERT_EQ(init(), I1394_OK);
    DriveInfo info{};
    ASSERT_EQ(i1394GetDriveInfo(kDrive0, &info), I1394_OK);
    EXPECT_EQ(info.capacity, kSectors - 1);
    EXPECT_EQ(std::string(info.vendor, 9), std::string("TAVO    \0", 9));
    EXPECT_EQ(std::string(info.product, 17), std::string("KX90 Drive      \0", 17));
}

TEST_F(ExportsTest, DriveInfoDefaultsToDiskImageAndTheFileStem) {
    ASSERT_EQ(init(), I1394_OK);
    DriveInfo info{};
    ASSERT_EQ(i1394GetDriveInfo(kDrive0, &info), I1394_OK);
    EXPECT_STREQ(info.vendor, "DISKIMG ");
    EXPECT_STREQ(info.product, "studio          ");
}

TEST_F(ExportsTest, DriveInfoWithoutCapacityAnswerGivesCapacityZeroAndSuccess) {
    testing::Faults faults;
    faults.noCapacity = true;
    testing::setFaults(image_, faults);
    ASSERT_EQ(init(), I1394_OK);
    DriveInfo info{};
    info.capacity = 77;
    ASSERT_EQ(i1394GetDriveInfo(kDrive0, &info), I1394_OK);
    EXPECT_EQ(info.capacity, 0u);
    EXPECT_STREQ(info.vendor, "DISKIMG ");
}

TEST_F(ExportsTest, DriveInfoWithoutIdentifyFailsAndLeavesTheTextFields) {
    testing::Faults faults;
    faults.noIdentify = true;
    testing::setFaults(image_, faults);
    ASSERT_EQ(init(), I1394_OK);
    DriveInfo info{};
    std::strcpy(info.vendor, "before");
    std::strcpy(info.product, "before too");
    EXPECT_EQ(i1394GetDriveInfo(kDrive0, &info), I1394_ERR_IO);
    EXPECT_EQ(info.capacity, kSectors - 1);  // stored before identify was asked
    EXPECT_STREQ(info.vendor, "before");
    EXPECT_STREQ(info.product, "before too");
}

TEST_F(ExportsTest, CapacityBeyond32BitsReadsAllOnes) {
    std::string big = makeImage("big.img", (uint64_t{1} << 32) + 8);
    enumerate({big});
    ASSERT_EQ(init(), I1394_OK);
    DriveInfo info{};
    ASSERT_EQ(i1394GetDriveInfo(kDrive0, &info), I1394_OK);
    EXPECT_EQ(info.capacity, 0xFFFFFFFFull);
}

TEST_F(ExportsTest, InitWithNullCallbackGivesParameterErrorAndStartsNothing) {
    size_t threads = threadCount();
    EXPECT_EQ(i1394Init(nullptr), I1394_ERR_PARAMETER);
    EXPECT_EQ(threadCount(), threads);
    EXPECT_EQ(i1394ReadSector(kDrive0, 0, 0, 1, buffer_.data()), I1394_ERR_NO_DRIVER);
}

TEST_F(ExportsTest, SecondInitWhileRunningStartsNoSecondWatcher) {
    size_t threads = threadCount();
    ASSERT_EQ(init(), I1394_OK);
    ASSERT_TRUE(eventually([] { return testing::changeNotificationRequests() >= 1; }));
    EXPECT_EQ(init(), I1394_OK);
    EXPECT_EQ(threadCount(), threads + 1);
}

TEST_F(ExportsTest, DriveListNeedsNoDeviceAndRefusesANullList) {
    DriveList list{};
    EXPECT_EQ(i1394GetDriveList(&list), I1394_OK);
    EXPECT_EQ(list.count, 4);
    EXPECT_EQ(i1394GetDriveList(nullptr), I1394_ERR_PARAMETER);
}

}  // namespace
}  // namespace vxf1394::test
