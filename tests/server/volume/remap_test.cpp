// remap_test.cpp - the surface test and single-sector rewrite, with bad sectors from the drive's fault sidecar.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>

#include "api/handles.h"
#include "server_fixture.h"

namespace vxfserver {
namespace {

constexpr uint32_t kBad = 5000;

class Remap : public test::ServerFixture {
protected:
    // A blank drive whose sector kBad fails reads (and writes, when asked).
    uint32_t openWithBadSector(bool writesFail = false) {
        makeDrive(20000);
        test::Sector pattern{};
        pattern.fill(0x6B);
        writeSector(drivePath_, kBad, pattern);
        std::ofstream faults(drivePath_ + ".faults");
        faults << "read-error " << kBad << " " << kBad << "\n";
        if (writesFail) faults << "write-error " << kBad << " " << kBad << "\n";
        return open();
    }
    int32_t remap(uint32_t handle, uint32_t lba, uint16_t count, uint8_t fix) {
        failed_ = rewritten_ = 0xEEEE;
        return tavovxfDriveRemap(handle, lba, count, fix, &failed_, &rewritten_);
    }
    test::Sector patternSector() {
        test::Sector pattern{};
        pattern.fill(0x6B);
        return pattern;
    }
    uint16_t failed_ = 0;
    uint16_t rewritten_ = 0;
};

TEST_F(Remap, EightSectorsWithOneBadReportOneFailedReadAndRewriteNothingEvenWithFix) {
    uint32_t handle = openWithBadSector();
    resetCounters();
    ASSERT_EQ(remap(handle, kBad - 3, 8, 1), VXF_OK);
    EXPECT_EQ(failed_, 1);
    EXPECT_EQ(rewritten_, 0);
    EXPECT_EQ(counters().writes, 0u);
    EXPECT_EQ(readSector(drivePath_, kBad), patternSector());
    // A failed read is a result: the last error is clear.
    EXPECT_EQ(errorText(), "There is no error.");
}

TEST_F(Remap, TheSingleBadSectorIsRewrittenWithZerosOnlyWithTheFixFlag) {
    uint32_t handle = openWithBadSector();
    ASSERT_EQ(remap(handle, kBad, 1, 0), VXF_OK);
    EXPECT_EQ(failed_, 1);
    EXPECT_EQ(rewritten_, 0);
    EXPECT_EQ(readSector(drivePath_, kBad), patternSector());

    resetCounters();
    ASSERT_EQ(remap(handle, kBad, 1, 1), VXF_OK);
    EXPECT_EQ(failed_, 1);
    EXPECT_EQ(rewritten_, 1);
    EXPECT_EQ(counters().writes, 1u);
    EXPECT_EQ(counters().sectorsWritten, 1u);
    EXPECT_EQ(readSector(drivePath_, kBad), test::Sector{});
}

TEST_F(Remap, GoodSectorsReportNothingAndWriteNothing) {
    uint32_t handle = openWithBadSector();
    resetCounters();
    ASSERT_EQ(remap(handle, 0, 4096, 1), VXF_OK);
    EXPECT_EQ(failed_, 0);
    EXPECT_EQ(rewritten_, 0);
    ASSERT_EQ(remap(handle, kBad + 1, 1, 1), VXF_OK);
    EXPECT_EQ(failed_, 0);
    EXPECT_EQ(counters().writes, 0u);
    ASSERT_EQ(remap(handle, 0, 0, 1), VXF_OK);
    EXPECT_EQ(failed_, 0);
    EXPECT_EQ(rewritten_, 0);
}

TEST_F(Remap, ARefusedRewriteIsAWriteErrorAndStillReportsTheFailedRead) {
    uint32_t handle = openWithBadSector(true);
    EXPECT_EQ(remap(handle, kBad, 1, 1), VXF_ERR_DISK_WRITE);
    EXPECT_EQ(failed_, 1);
    EXPECT_EQ(rewritten_, 0);
    EXPECT_EQ(errorText(), "Hard disk failed write command.");
}

TEST_F(Remap, SectorsPastTheDriveEndFailToReadAndAreNeverWritten) {
    uint32_t handle = openWithBadSector();
    struct stat before{};
    ASSERT_EQ(::stat(drivePath_.c_str(), &before), 0);
    EXPECT_EQ(remap(handle, 19999, 2, 1), VXF_OK);
    EXPECT_EQ(failed_, 1);
    EXPECT_EQ(remap(handle, 20000, 1, 1), VXF_ERR_DISK_WRITE);
    EXPECT_EQ(failed_, 1);
    EXPECT_EQ(rewritten_, 0);
    EXPECT_EQ(remap(handle, 0xFFFFFFFFu, 8, 0), VXF_OK);
    EXPECT_EQ(failed_, 1);
    struct stat after{};
    ASSERT_EQ(::stat(drivePath_.c_str(), &after), 0);
    EXPECT_EQ(after.st_size, before.st_size);
}

TEST_F(Remap, LockedClosedHandlesAndNullCountsAreRefused) {
    uint32_t handle = openWithBadSector();
    ASSERT_TRUE(setHandleLock(handle, 1));
    EXPECT_EQ(remap(handle, kBad, 1, 1), VXF_ERR_DRIVE_LOCKED);
    EXPECT_EQ(readSector(drivePath_, kBad), patternSector());
    ASSERT_TRUE(setHandleLock(handle, 0));
    uint16_t count = 0;
    EXPECT_EQ(tavovxfDriveRemap(handle, 0, 1, 0, nullptr, &count), VXF_ERR_INVALID_PARAMETER);
    EXPECT_EQ(tavovxfDriveRemap(handle, 0, 1, 0, &count, nullptr), VXF_ERR_INVALID_PARAMETER);
    ASSERT_EQ(tavovxfDriveClose(handle), VXF_OK);
    // A raw selection of a closed handle is an invalid parameter, not a bad handle.
    EXPECT_EQ(remap(handle, 0, 1, 0), VXF_ERR_INVALID_PARAMETER);
}

TEST_F(Remap, AMountedVolumeIsReadAfreshAfterARemap) {
    uint32_t handle = openFormatted(test::kDriveSectors);
    ASSERT_EQ(tavovxfDriveSetName(handle, "Studio"), VXF_OK);
    ASSERT_EQ(remap(handle, 0, 64, 0), VXF_OK);
    EXPECT_EQ(failed_, 0);
    char name[VXF_EXT_NAME_SIZE] = {};
    ASSERT_EQ(tavovxfDriveGetName(handle, name), VXF_OK);
    EXPECT_STREQ(name, "Studio    ");
    uint16_t projects = 0;
    ASSERT_EQ(tavovxfProjectGetNum(handle, &projects), VXF_OK);
    EXPECT_EQ(projects, 1);
}

}  // namespace
}  // namespace vxfserver
