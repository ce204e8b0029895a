// transfer_test.cpp - sectors through an image: round trips, large transfers, the end of the store, faults.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <vector>

#include "drive_fixture.h"
#include "platform/test_api.h"

namespace vxf1394::test {
namespace {

constexpr uint32_t kDrive0 = I1394_DRIVE_ID_BASE;

class TransferTest : public DriveFixture {
protected:
    void SetUp() override {
        DriveFixture::SetUp();
        image_ = makeImage("a.img", kSectors);
        enumerate({image_});
        ASSERT_EQ(init(), I1394_OK);
    }
    static constexpr uint64_t kSectors = 200000;
    std::string image_;
};

std::vector<uint8_t> pattern(size_t sectors, uint8_t seed) {
    std::vector<uint8_t> data(sectors * I1394_SECTOR_SIZE);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 31 + seed + i / 512);
    return data;
}

TEST_F(TransferTest, SectorsWrittenAreReadBackUnchanged) {
    auto data = pattern(8, 7);
    ASSERT_EQ(i1394WriteSector(kDrive0, 1000, 0, 8, data.data()), I1394_OK);
    std::vector<uint8_t> back(data.size());
    ASSERT_EQ(i1394ReadSector(kDrive0, 1000, 0, 8, back.data()), I1394_OK);
    EXPECT_EQ(back, data);
}

TEST_F(TransferTest, LargestTransferIsOneRequestBothWays) {
    auto data = pattern(65535, 3);
    testing::resetRequestCounters();
    ASSERT_EQ(i1394WriteSector(kDrive0, 5, 0, 65535, data.data()), I1394_OK);
    std::vector<uint8_t> back(data.size());
    ASSERT_EQ(i1394ReadSector(kDrive0, 5, 0, 65535, back.data()), I1394_OK);
    EXPECT_EQ(back, data);
    auto counters = testing::requestCounters();
    EXPECT_EQ(counters.writes, 1u);
    EXPECT_EQ(counters.reads, 1u);
    EXPECT_EQ(counters.sectorsWritten, 65535u);
    EXPECT_EQ(counters.sectorsRead, 65535u);
}

TEST_F(TransferTest, TransferReachingPastTheEndFailsAndWritesNothing) {
    auto data = pattern(2, 9);
    std::vector<uint8_t> back(data.size());
    EXPECT_EQ(i1394ReadSector(kDrive0, kSectors - 1, 0, 1, back.data()), I1394_OK);
    EXPECT_EQ(i1394ReadSector(kDrive0, kSectors - 1, 0, 2, back.data()), I1394_ERR_IO);
    EXPECT_EQ(i1394WriteSector(kDrive0, kSectors - 1, 0, 2, data.data()), I1394_ERR_IO);
    EXPECT_EQ(i1394WriteSector(kDrive0, kSectors, 0, 1, data.data()), I1394_ERR_IO);
    EXPECT_EQ(std::filesystem::file_size(image_), kSectors * I1394_SECTOR_SIZE);
    ASSERT_EQ(i1394ReadSector(kDrive0, kSectors - 1, 0, 1, back.data()), I1394_OK);
    EXPECT_EQ(back[0], 0);
}

TEST_F(TransferTest, MissingImageFailsCleanly) {
    enumerate({folder_ + "/gone.img"});
    std::vector<uint8_t> buffer(I1394_SECTOR_SIZE);
    DriveInfo info{};
    EXPECT_EQ(i1394ReadSector(kDrive0, 0, 0, 1, buffer.data()), I1394_ERR_IO);
    EXPECT_EQ(i1394WriteSector(kDrive0, 0, 0, 1, buffer.data()), I1394_ERR_IO);
    EXPECT_EQ(i1394GetDriveInfo(kDrive0, &info), I1394_ERR_IO);
    EXPECT_EQ(i1394Unmount(kDrive0), I1394_ERR_IO);
    EXPECT_FALSE(std::filesystem::exists(folder_ + "/gone.img"));
}

TEST_F(TransferTest, OnlyRecorderDriveEntriesAreEverWritten) {
    auto data = pattern(1, 1);
    for (const std::string& value : {"IDE\\" + image_, "SBP2" + image_, std::string("SBP2\\"), "sbp2\\" + image_}) {
        writeEnumeration({"Count=1", "0=" + value});
        EXPECT_EQ(i1394WriteSector(kDrive0, 0, 0, 1, data.data()), I1394_ERR_IO) << value;
    }
    writeEnumeration({"Count=1"});
    EXPECT_EQ(i1394WriteSector(kDrive0, 0, 0, 1, data.data()), I1394_ERR_IO);
    enumerate({image_});
    std::vector<uint8_t> back(I1394_SECTOR_SIZE, 0xFF);
    ASSERT_EQ(i1394ReadSector(kDrive0, 0, 0, 1, back.data()), I1394_OK);
    EXPECT_EQ(back, std::vector<uint8_t>(I1394_SECTOR_SIZE, 0));
}

TEST_F(TransferTest, FifoOrFolderAsBackingStoreFailsWithoutHanging) {
    std::string fifo = folder_ + "/pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::vector<uint8_t> buffer(I1394_SECTOR_SIZE);
    DriveInfo info{};
    for (const std::string& path : {fifo, folder_}) {
        enumerate({path});
        EXPECT_EQ(i1394ReadSector(kDrive0, 0, 0, 1, buffer.data()), I1394_ERR_IO);
        EXPECT_EQ(i1394WriteSector(kDrive0, 0, 0, 1, buffer.data()), I1394_ERR_IO);
        EXPECT_EQ(i1394GetDriveInfo(kDrive0, &info), I1394_ERR_IO);
    }
}

TEST_F(TransferTest, RewrittenEnumerationPointsTheIndexAtTheNewImage) {
    std::string other = makeImage("b.img", 16);
    auto data = pattern(1, 42);
    enumerate({other});
    ASSERT_EQ(i1394WriteSector(kDrive0, 3, 0, 1, data.data()), I1394_OK);
    enumerate({image_});
    std::vector<uint8_t> back(I1394_SECTOR_SIZE);
    ASSERT_EQ(i1394ReadSector(kDrive0, 3, 0, 1, back.data()), I1394_OK);
    EXPECT_NE(back, data);
    enumerate({other});
    ASSERT_EQ(i1394ReadSector(kDrive0, 3, 0, 1, back.data()), I1394_OK);
    EXPECT_EQ(back, data);
}

TEST_F(TransferTest, SidecarReadErrorFailsOnlyRequestsTouchingTheRange) {
    writeFile(image_ + ".faults", "read-error 100 107\n");
    std::vector<uint8_t> buffer(16 * I1394_SECTOR_SIZE);
    EXPECT_EQ(i1394ReadSector(kDrive0, 90, 0, 10, buffer.data()), I1394_OK);
    EXPECT_EQ(i1394ReadSector(kDrive0, 95, 0, 6, buffer.data()), I1394_ERR_IO);
    EXPECT_EQ(i1394ReadSector(kDrive0, 107, 0, 1, buffer.data()), I1394_ERR_IO);
    EXPECT_EQ(i1394ReadSector(kDrive0, 108, 0, 16, buffer.data()), I1394_OK);
    EXPECT_EQ(i1394WriteSector(kDrive0, 100, 0, 8, buffer.data()), I1394_OK);
}

TEST_F(TransferTest, SidecarReadRateMakesReadsLastAsOnADriveOfThatSpeed) {
    auto data = pattern(2048, 5);
    ASSERT_EQ(i1394WriteSector(kDrive0, 0, 0, 2048, data.data()), I1394_OK);
    writeFile(image_ + ".faults", "read-rate 50\n");
    std::vector<uint8_t> back(data.size());
    const auto start = std::chrono::steady_clock::now();
    for (uint32_t lba = 0; lba < 2048; lba += 512) {
        ASSERT_EQ(i1394ReadSector(kDrive0, lba, 0, 512, back.data() + lba * I1394_SECTOR_SIZE), I1394_OK);
    }
    // 1 MiB at 50 MB/s: 21 ms at the least, the data as written.
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::microseconds(4 * 262144 / 50));
    EXPECT_EQ(back, data);
}

TEST_F(TransferTest, SidecarWriteErrorFailsAndWritesNothing) {
    writeFile(image_ + ".faults", "# bad spot\nwrite-error 5000\n");
    auto data = pattern(4, 5);
    EXPECT_EQ(i1394WriteSector(kDrive0, 4998, 0, 4, data.data()), I1394_ERR_IO);
    std::vector<uint8_t> back(data.size(), 0xFF);
    ASSERT_EQ(i1394ReadSector(kDrive0, 4998, 0, 4, back.data()), I1394_OK);
    EXPECT_EQ(back, std::vector<uint8_t>(data.size(), 0));
    EXPECT_EQ(i1394WriteSector(kDrive0, 5001, 0, 4, data.data()), I1394_OK);
}

TEST_F(TransferTest, SidecarIsReadAgainWhenItChangesOrGoes) {
    std::vector<uint8_t> buffer(I1394_SECTOR_SIZE);
    writeFile(image_ + ".faults", "read-error 0 0\nunmount-error\n");
    EXPECT_EQ(i1394ReadSector(kDrive0, 0, 0, 1, buffer.data()), I1394_ERR_IO);
    EXPECT_EQ(i1394Unmount(kDrive0), I1394_ERR_IO);
    writeFile(image_ + ".faults", "read-error 1 1\n");
    EXPECT_EQ(i1394ReadSector(kDrive0, 0, 0, 1, buffer.data()), I1394_OK);
    EXPECT_EQ(i1394ReadSector(kDrive0, 1, 0, 1, buffer.data()), I1394_ERR_IO);
    EXPECT_EQ(i1394Unmount(kDrive0), I1394_OK);
    std::filesystem::remove(image_ + ".faults");
    EXPECT_EQ(i1394ReadSector(kDrive0, 1, 0, 1, buffer.data()), I1394_OK);
}

TEST_F(TransferTest, SidecarCapacityAndIdentifyFaults) {
    DriveInfo info{};
    writeFile(image_ + ".faults", "no-capacity\n");
    EXPECT_EQ(i1394GetDriveInfo(kDrive0, &info), I1394_OK);
    EXPECT_EQ(info.capacity, 0u);
    writeFile(image_ + ".faults", "no-identify\n");
    EXPECT_EQ(i1394GetDriveInfo(kDrive0, &info), I1394_ERR_IO);
    EXPECT_EQ(info.capacity, kSectors - 1);
}

TEST_F(TransferTest, TestFaultsApplyWhateverFormThePathTakes) {
    testing::Faults faults;
    faults.readErrors.push_back({10, 20});
    testing::setFaults(folder_ + "/./a.img", faults);
    std::vector<uint8_t> buffer(I1394_SECTOR_SIZE);
    EXPECT_EQ(i1394ReadSector(kDrive0, 15, 0, 1, buffer.data()), I1394_ERR_IO);
    testing::clearFaults(image_);
    EXPECT_EQ(i1394ReadSector(kDrive0, 15, 0, 1, buffer.data()), I1394_OK);
}

TEST_F(TransferTest, FailWritesAfterLetsExactlyThatManyWritesThrough) {
    auto data = pattern(1, 8);
    testing::failWritesAfter(2);
    EXPECT_EQ(i1394WriteSector(kDrive0, 1, 0, 1, data.data()), I1394_OK);
    EXPECT_EQ(i1394WriteSector(kDrive0, 2, 0, 1, data.data()), I1394_OK);
    EXPECT_EQ(i1394WriteSector(kDrive0, 3, 0, 1, data.data()), I1394_ERR_IO);
    EXPECT_EQ(i1394WriteSector(kDrive0, 4, 0, 1, data.data()), I1394_ERR_IO);
    std::vector<uint8_t> back(I1394_SECTOR_SIZE);
    ASSERT_EQ(i1394ReadSector(kDrive0, 2, 0, 1, back.data()), I1394_OK);
    EXPECT_EQ(back, data);
    ASSERT_EQ(i1394ReadSector(kDrive0, 3, 0, 1, back.data()), I1394_OK);
    EXPECT_EQ(back, std::vector<uint8_t>(I1394_SECTOR_SIZE, 0));
    testing::clearWriteFailures();
    EXPECT_EQ(i1394WriteSector(kDrive0, 3, 0, 1, data.data()), I1394_OK);
}

TEST_F(TransferTest, FailNthWriteFailsOnlyThatOne) {
    auto data = pattern(1, 8);
    testing::failNthWrite(2);
    EXPECT_EQ(i1394WriteSector(kDrive0, 1, 0, 1, data.data()), I1394_OK);
    EXPECT_EQ(i1394WriteSector(kDrive0, 2, 0, 1, data.data()), I1394_ERR_IO);
    EXPECT_EQ(i1394WriteSector(kDrive0, 3, 0, 1, data.data()), I1394_OK);
}

TEST_F(TransferTest, CountersSeeOnlyRequestsThatReachTheDriver) {
    auto data = pattern(3, 8);
    testing::resetRequestCounters();
    EXPECT_EQ(i1394WriteSector(kDrive0, 0, 0, 0, data.data()), I1394_ERR_PARAMETER);
    EXPECT_EQ(i1394ReadSector(0x00CE0100, 0, 0, 1, data.data()), I1394_ERR_PARAMETER);
    EXPECT_EQ(i1394WriteSector(kDrive0, 0, 0, 3, data.data()), I1394_OK);
    EXPECT_EQ(i1394ReadSector(kDrive0, kSectors, 0, 2, data.data()), I1394_ERR_IO);
    auto c = testing::requestCounters();
    EXPECT_EQ(c.writes, 1u);
    EXPECT_EQ(c.sectorsWritten, 3u);
    EXPECT_EQ(c.reads, 1u);
    EXPECT_EQ(c.sectorsRead, 2u);
    testing::resetRequestCounters();
    EXPECT_EQ(testing::requestCounters().writes, 0u);
}

}  // namespace
}  // namespace vxf1394::test
