// super_block_test.cpp - the super block's checks in order, the repair of either copy, versions and geometry.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/record.h"
#include "server_fixture.h"
#include "core/server_state.h"
#include "volume/super_block.h"

namespace vxfserver {
namespace {

constexpr uint32_t kS = test::kDriveSectors;

class SuperBlockTest : public test::ServerFixture {
protected:
    // A formatted drive, its handle closed: the next open mounts afresh.
    void formatted(uint64_t sectors = kS) {
        uint32_t handle = openFormatted(sectors);
        ASSERT_EQ(tavovxfDriveClose(handle), VXF_OK);
    }
    int32_t mount() { return remount(handle_); }
    uint32_t handle_ = 0;
};

TEST_F(SuperBlockTest, DamagedCopyAtTheEndIsRewrittenFromSectorZero) {
    formatted();
    damageSector(drivePath_, kS - 1);
    ASSERT_EQ(mount(), VXF_OK);
    EXPECT_EQ(readSector(drivePath_, kS - 1), readSector(drivePath_, 0));
}

TEST_F(SuperBlockTest, DamagedSectorZeroIsRewrittenFromTheCopyAtTheEnd) {
    formatted();
    const test::Sector good = readSector(drivePath_, 0);
    damageSector(drivePath_, 0);
    ASSERT_EQ(mount(), VXF_OK);
    EXPECT_EQ(readSector(drivePath_, 0), good);
}

TEST_F(SuperBlockTest, RepairOfEveryStructureNeedsOnePass) {
    formatted();
    for (uint64_t lba : {uint64_t(0), uint64_t(kS - 2), uint64_t(3), uint64_t(kS - 9)}) damageSector(drivePath_, lba);
    ASSERT_EQ(mount(), VXF_OK);
    resetCounters();
    ASSERT_EQ(mount(), VXF_OK);
    EXPECT_EQ(counters().writes, 0u);
    EXPECT_EQ(counters().sectorsRead, 2u * (1 + 1 + 3 + 15));
}

TEST_F(SuperBlockTest, BothCopiesDamagedRefusesTheMountWithTheCopysError) {
    formatted();
    damageSector(drivePath_, 0);
    patchRecord(drivePath_, kS - 1, [](uint8_t* s) { putWord(s + 0x1F8, 0x12345678); });
    EXPECT_EQ(mount(), VXF_ERR_SUPER_CORRUPT2);
    char name[VXF_SHORT_NAME_SIZE];
    EXPECT_EQ(tavovxfDriveGetName(handle_, name), VXF_ERR_FS_NOT_STARTED);
}

TEST_F(SuperBlockTest, UnreadableSectorZeroIsRepairedFromTheCopy) {
    formatted();
    const test::Sector good = readSector(drivePath_, 0);
    zeroSector(drivePath_, 0);
    vxf1394::testing::Faults faults;
    faults.readErrors.push_back({0, 0});
    vxf1394::testing::setFaults(drivePath_, faults);
    ASSERT_EQ(mount(), VXF_OK);
    vxf1394::testing::clearFaults(drivePath_);
    EXPECT_EQ(readSector(drivePath_, 0), good);
}

TEST_F(SuperBlockTest, UnreadableSectorZeroOnABlankDriveReportsTheReadRange) {
    makeDrive();
    vxf1394::testing::Faults faults;
    faults.readErrors.push_back({0, 0});
    vxf1394::testing::setFaults(drivePath_, faults);
    EXPECT_EQ(mount(), VXF_ERR_DISK_READ);
    EXPECT_EQ(errorText(), "Hard disk failed read command.\n\t00000000 - 00000000");
}

TEST_F(SuperBlockTest, BootSectorIsRefusedWithoutReadingTheLastSector) {
    makeDrive();
    test::Sector boot{};
    boot[0] = 0xEB;
    boot[510] = 0x55;
    boot[511] = 0xAA;
    writeSector(drivePath_, 0, boot);
    handle_ = open();
    resetCounters();
    char name[VXF_SHORT_NAME_SIZE];
    EXPECT_EQ(tavovxfDriveGetName(handle_, name), VXF_ERR_FS_INVALID);
    EXPECT_EQ(counters().reads, 1u);
    EXPECT_EQ(counters().sectorsRead, 1u);
}

TEST_F(SuperBlockTest, VersionOneTenOfAnotherDriveSizeIsRefusedAtOnce) {
    formatted();
    patchSuperBlock(drivePath_, kS, [](SuperBlock& sb) { sb.driveLastLba = kS; });
    handle_ = open();
    resetCounters();
    char name[VXF_SHORT_NAME_SIZE];
    EXPECT_EQ(tavovxfDriveGetName(handle_, name), VXF_ERR_LARGE_DRIVE);
    EXPECT_EQ(counters().reads, 1u);
}

TEST_F(SuperBlockTest, UnknownVersionIsRefused) {
    formatted();
    patchSuperBlock(drivePath_, kS, [](SuperBlock& sb) { std::memcpy(sb.version, "2.00 ", 6); });
    EXPECT_EQ(mount(), VXF_ERR_FS_VERSION);
    uint32_t formatted = 9;
    EXPECT_EQ(tavovxfDriveIsFormatted(handle_, &formatted), VXF_ERR_FS_VERSION);
    EXPECT_EQ(formatted, 0u);
}

TEST_F(SuperBlockTest, VersionZeroThirtyIsRewrittenAsOneHundredAndMountsSo) {
    formatted();
    patchSuperBlock(drivePath_, kS, [](SuperBlock& sb) { std::memcpy(sb.version, "0.30a", 6); });
    ASSERT_EQ(mount(), VXF_OK);
    char version[VXF_VERSION_SIZE];
    ASSERT_EQ(tavovxfDriveGetFSVersion(handle_, version), VXF_OK);
    EXPECT_STREQ(version, "1.00 ");
    SuperBlock onDisk{};
    decodeSuperBlock(readSector(drivePath_, 0).data(), onDisk);
    EXPECT_STREQ(onDisk.version, "1.00 ");
    EXPECT_EQ(readSector(drivePath_, kS - 1), readSector(drivePath_, 0));
}

TEST_F(SuperBlockTest, VersionOneHundredOnALargeDriveKeepsItsCopiesAtTheCappedEnd) {
    constexpr uint32_t kCapped = 0x0FFFFFFF;
    constexpr uint64_t kLarge = 0x10000400;
    formatted(kCapped);
    patchSuperBlock(drivePath_, kCapped, [](SuperBlock& sb) { std::memcpy(sb.version, "1.00 ", 6); });
    ASSERT_EQ(::truncate(drivePath_.c_str(), off_t(kLarge * 512)), 0);

    damageSector(drivePath_, 0);
    ASSERT_EQ(mount(), VXF_OK);
    EXPECT_EQ(readSector(drivePath_, 0), readSector(drivePath_, kCapped - 1));
    EXPECT_EQ(state().sectorCount, kCapped);
    char description[VXF_DESCRIPTION_SIZE];
    uint32_t kib = 0;
    ASSERT_EQ(tavovxfDriveGetInfo(handle_, description, &kib), VXF_OK);
    EXPECT_EQ(kib, kCapped / 2);
    EXPECT_STREQ(description, "DISKIMG drive           ");
    // The project list and bitmaps are found at the capped end too.
    damageSector(drivePath_, 1);
    ASSERT_EQ(mount(), VXF_OK);
    EXPECT_EQ(readSector(drivePath_, 1), readSector(drivePath_, kCapped - 2));
    // The raw sector count is the drive's own.
    uint32_t sectors = 0;
    ASSERT_EQ(tavovxfDriveNumLBAs(handle_, &sectors), VXF_OK);
    EXPECT_EQ(sectors, kLarge);
}

TEST_F(SuperBlockTest, DriveReportingTheLargestLastLbaCountsAllItsSectors) {
    makeDrive(0x100000008ull);
    handle_ = open();
    uint32_t sectors = 0;
    ASSERT_EQ(tavovxfDriveNumLBAs(handle_, &sectors), VXF_OK);
    EXPECT_EQ(sectors, 0xFFFFFFFFu);
    ASSERT_EQ(tavovxfDriveFormat(handle_), VXF_OK);
    uint32_t size = 0;
    ASSERT_EQ(tavovxfDriveGetSize(handle_, &size), VXF_OK);
    EXPECT_EQ(size, uint32_t(0xFFFFFFFFull * 512 / 1000));
    SuperBlock sb{};
    decodeSuperBlock(readSector(drivePath_, 0xFFFFFFFEull).data(), sb);
    EXPECT_EQ(sb.driveLastLba, 0xFFFFFFFEu);
    EXPECT_EQ(sb.audioBlocksPerCluster, 61u);
    EXPECT_LE(sb.availableClusters, 61376u);
}

struct BadGeometry {
    const char* what;
    void (*change)(SuperBlock&);
};

class GeometryTest : public SuperBlockTest, public ::testing::WithParamInterface<BadGeometry> {};

TEST_P(GeometryTest, SealedSuperBlockWithUnusableGeometryIsRefusedAsInvalid) {
    formatted();
    patchSuperBlock(drivePath_, kS, GetParam().change);
    EXPECT_EQ(mount(), VXF_ERR_FS_INVALID) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    SuperBlock, GeometryTest,
    ::testing::Values(
        BadGeometry{"no audio blocks per cluster", [](SuperBlock& sb) { sb.audioBlocksPerCluster = 0; }},
        BadGeometry{"active words beyond the bitmap", [](SuperBlock& sb) { sb.audioBitmapActiveWords = 1919; }},
        BadGeometry{"active words not the cluster count", [](SuperBlock& sb) { sb.audioBitmapActiveWords = 1041; }},
        BadGeometry{"more songs than bitmap bits", [](SuperBlock& sb) { sb.maxSongs = 12225; }},
        BadGeometry{"song bitmap of four sectors", [](SuperBlock& sb) { sb.songBitmapLength = 4; }},
        BadGeometry{"audio bitmap of sixteen sectors", [](SuperBlock& sb) { sb.audioBitmapLength = 16; }},
        BadGeometry{"project list of two sectors", [](SuperBlock& sb) { sb.projectListLength = 2; }},
        BadGeometry{"a hundred projects", [](SuperBlock& sb) { sb.maxProjects = 100; }},
        BadGeometry{"a hundred songs per project", [](SuperBlock& sb) { sb.songsPerProject = 100; }},
        BadGeometry{"audio blocks of another size", [](SuperBlock& sb) { sb.sectorsPerAudioBlock = 1024; }},
        BadGeometry{"audio space into the mirror area", [](SuperBlock& sb) { sb.audioSpaceLength += 1; }},
        BadGeometry{"audio space over the song slots", [](SuperBlock& sb) { sb.audioSpaceLba = 60000; }},
        BadGeometry{"project list on the super block", [](SuperBlock& sb) { sb.projectListLba = 0; }},
        BadGeometry{"song slots shorter than a record", [](SuperBlock& sb) { sb.songLength = 6; }}));

TEST_F(SuperBlockTest, IsFormattedSaysNoForABlankDriveWithoutAnError) {
    makeDrive();
    handle_ = open();
    uint32_t formatted = 7;
    EXPECT_EQ(tavovxfDriveIsFormatted(handle_, &formatted), VXF_OK);
    EXPECT_EQ(formatted, 0u);
    EXPECT_EQ(errorText(), "There is no error.");
    ASSERT_EQ(tavovxfDriveFormat(handle_), VXF_OK);
    EXPECT_EQ(tavovxfDriveIsFormatted(handle_, &formatted), VXF_OK);
    EXPECT_EQ(formatted, 1u);
}

}  // namespace
}  // namespace vxfserver
