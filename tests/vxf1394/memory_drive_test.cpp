// memory_drive_test.cpp - a drive in memory is served through the exports as an image is, faults and all.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "disk_enumeration.h"
#include "drive_fixture.h"
#include "platform/test_api.h"

namespace vxf1394::test {
namespace {

constexpr uint64_t kSectors = 100000;
constexpr uint32_t kIndex = 2;

std::vector<uint8_t> pattern(size_t sectors, uint8_t seed) {
    std::vector<uint8_t> data(sectors * I1394_SECTOR_SIZE);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 13 + seed + i / 512);
    return data;
}

// An image is enumerated too: while a memory drive is attached, it is not listed.
class MemoryDriveTest : public DriveFixture {
protected:
    void SetUp() override {
        DriveFixture::SetUp();
        enumerate({makeImage("a.img", 64)});
        drive_ = testing::attachMemoryDrive(kIndex, kSectors, {"TESTLAB", "SCRATCH"});
        ASSERT_TRUE(drive_.valid());
        ASSERT_EQ(init(), I1394_OK);
    }

    int32_t write(uint64_t lba, uint16_t count, std::vector<uint8_t>& data) {
        return i1394WriteSector(drive_.driveId(), static_cast<uint32_t>(lba), 0, count, data.data());
    }
    int32_t read(uint64_t lba, uint16_t count, std::vector<uint8_t>& data) {
        data.assign(size_t{count} * I1394_SECTOR_SIZE, 0xEE);
        return i1394ReadSector(drive_.driveId(), static_cast<uint32_t>(lba), 0, count, data.data());
    }
    int32_t flush() {
        ScsiReply reply{};
        return DoScsiCall(drive_.driveId(), I1394_SCSI_SYNCHRONIZE_CACHE, &reply);
    }

    testing::MemoryDrive drive_;
};

TEST_F(MemoryDriveTest, IsListedAloneAndServedThroughTheExportsAsAnImageIs) {
    DriveList list{};
    ASSERT_EQ(i1394GetDriveList(&list), I1394_OK);
    ASSERT_EQ(list.count, 1);
    EXPECT_EQ(list.ids[0], I1394_DRIVE_ID_BASE + kIndex);
    std::optional<diskenum::DriveEntry> entry = diskenum::recorderDriveAt(kIndex);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->path, "");
    EXPECT_FALSE(diskenum::recorderDriveAt(0));

    DriveInfo info{};
    ASSERT_EQ(i1394GetDriveInfo(drive_.driveId(), &info), I1394_OK);
    EXPECT_EQ(info.capacity, kSectors - 1);
    EXPECT_EQ(std::string(info.vendor, 9), std::string("TESTLAB \0", 9));
    EXPECT_EQ(std::string(info.product, 17), std::string("SCRATCH         \0", 17));

    testing::startJournal();
    auto data = pattern(65535, 4);
    ASSERT_EQ(write(kSectors - 65535, 65535, data), I1394_OK);
    ASSERT_EQ(flush(), I1394_OK);
    std::vector<uint8_t> back;
    ASSERT_EQ(read(kSectors - 65535, 65535, back), I1394_OK);
    EXPECT_EQ(back, data);
    std::vector<testing::JournalEntry> journal = testing::takeJournal();
    ASSERT_EQ(journal.size(), 2u);
    EXPECT_FALSE(journal[0].flush);
    EXPECT_EQ(journal[0].lba, kSectors - 65535);
    EXPECT_EQ(journal[0].data, data);
    EXPECT_TRUE(journal[1].flush);

    // What the drive holds is what the handle sees, both ways.
    std::vector<uint8_t> direct(I1394_SECTOR_SIZE);
    ASSERT_TRUE(drive_.read((kSectors - 1) * I1394_SECTOR_SIZE, direct.data(), direct.size()));
    EXPECT_TRUE(std::equal(direct.begin(), direct.end(), data.end() - I1394_SECTOR_SIZE));
    auto mark = pattern(1, 9);
    ASSERT_TRUE(drive_.write(7 * I1394_SECTOR_SIZE, mark.data(), mark.size()));
    ASSERT_EQ(read(7, 1, back), I1394_OK);
    EXPECT_EQ(back, mark);

    EXPECT_EQ(write(kSectors - 1, 2, data), I1394_ERR_IO);
    EXPECT_EQ(read(kSectors, 1, back), I1394_ERR_IO);
    EXPECT_FALSE(drive_.write(kSectors * I1394_SECTOR_SIZE - 1, mark.data(), 2));
    EXPECT_EQ(i1394Unmount(drive_.driveId()), I1394_OK);
    ASSERT_EQ(read(7, 1, back), I1394_OK);
    EXPECT_EQ(back, mark);

    // Detached, the enumeration file counts again.
    testing::detachMemoryDrive(kIndex);
    ASSERT_EQ(i1394GetDriveList(&list), I1394_OK);
    ASSERT_EQ(list.count, 1);
    EXPECT_EQ(list.ids[0], I1394_DRIVE_ID_BASE);
    EXPECT_EQ(read(7, 1, back), I1394_ERR_IO);
}

TEST_F(MemoryDriveTest, FaultsApplyAsToAnImageAndAFaultedWriteChangesNothing) {
    testing::Faults faults;
    faults.readErrors.push_back({10, 12});
    faults.writeErrors.push_back({20, 20});
    faults.flushError = true;
    faults.noIdentify = true;
    faults.unmountError = true;
    drive_.setFaults(faults);
    auto data = pattern(4, 1);
    std::vector<uint8_t> back;
    EXPECT_EQ(read(7, 4, back), I1394_ERR_IO);
    EXPECT_EQ(read(13, 4, back), I1394_OK);
    EXPECT_EQ(write(18, 4, data), I1394_ERR_IO);
    ASSERT_EQ(read(18, 4, back), I1394_OK);
    EXPECT_EQ(back, std::vector<uint8_t>(data.size(), 0));
    testing::startJournal();
    EXPECT_EQ(flush(), I1394_ERR_IO);
    EXPECT_TRUE(testing::takeJournal().empty());
    DriveInfo info{};
    EXPECT_EQ(i1394GetDriveInfo(drive_.driveId(), &info), I1394_ERR_IO);
    EXPECT_EQ(i1394Unmount(drive_.driveId()), I1394_ERR_IO);
    testing::failNthWrite(1);
    drive_.clearFaults();
    EXPECT_EQ(write(18, 4, data), I1394_ERR_IO);
    EXPECT_EQ(write(18, 4, data), I1394_OK);
    EXPECT_EQ(read(10, 1, back), I1394_OK);
    EXPECT_EQ(flush(), I1394_OK);
    EXPECT_EQ(i1394GetDriveInfo(drive_.driveId(), &info), I1394_OK);
    EXPECT_EQ(i1394Unmount(drive_.driveId()), I1394_OK);
}

TEST_F(MemoryDriveTest, KeepsOnlyWhatIsNotZeroAndPutsKeptContentsBack) {
    auto zeros = std::vector<uint8_t>(65535 * I1394_SECTOR_SIZE, 0);
    ASSERT_EQ(write(0, 65535, zeros), I1394_OK);
    EXPECT_EQ(drive_.pagesHeld(), 0u);
    auto first = pattern(16, 3);
    ASSERT_EQ(write(500, 16, first), I1394_OK);
    const size_t held = drive_.pagesHeld();
    EXPECT_LE(held, 3u);
    testing::MemoryContents kept = drive_.contents();
    auto second = pattern(16, 200);
    ASSERT_EQ(write(500, 16, second), I1394_OK);
    ASSERT_EQ(write(90000, 16, second), I1394_OK);
    std::vector<uint8_t> back;
    ASSERT_TRUE(drive_.restore(kept));
    EXPECT_EQ(drive_.pagesHeld(), held);
    ASSERT_EQ(read(500, 16, back), I1394_OK);
    EXPECT_EQ(back, first);
    ASSERT_EQ(read(90000, 16, back), I1394_OK);
    EXPECT_EQ(back, std::vector<uint8_t>(back.size(), 0));
    // The kept contents did not change with the drive: they restore a second time.
    ASSERT_EQ(write(500, 16, second), I1394_OK);
    ASSERT_TRUE(drive_.restore(kept));
    ASSERT_EQ(read(500, 16, back), I1394_OK);
    EXPECT_EQ(back, first);
    // Contents taken from a drive that was put back hold what it was given and what came
    // after; another drive given them shares them, and neither sees the other's writes.
    ASSERT_EQ(write(90000, 16, second), I1394_OK);
    const testing::MemoryContents both = drive_.contents();
    testing::MemoryDrive other = testing::attachMemoryDrive(3, drive_.sectors());
    ASSERT_TRUE(other.restore(both));
    std::vector<uint8_t> seen(back.size());
    ASSERT_TRUE(other.read(500 * uint64_t(I1394_SECTOR_SIZE), seen.data(), seen.size()));
    EXPECT_EQ(seen, first);
    ASSERT_EQ(write(90000, 16, first), I1394_OK);
    ASSERT_TRUE(other.read(90000 * uint64_t(I1394_SECTOR_SIZE), seen.data(), seen.size()));
    EXPECT_EQ(seen, second);
    ASSERT_TRUE(other.write(500 * uint64_t(I1394_SECTOR_SIZE), second.data(), second.size()));
    ASSERT_EQ(read(500, 16, back), I1394_OK);
    EXPECT_EQ(back, first);
    EXPECT_EQ(other.pagesHeld(), drive_.pagesHeld());
    testing::detachMemoryDrive(3);
    EXPECT_FALSE(testing::attachMemoryDrive(3, 8).restore(kept));
    drive_.reset();
    EXPECT_EQ(drive_.pagesHeld(), 0u);
    EXPECT_FALSE(testing::attachMemoryDrive(256, 8).valid());
}

}  // namespace
}  // namespace vxf1394::test
