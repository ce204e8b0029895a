// format_test.cpp - the format: the figures of a 40 GB drive, what it writes and where, small drives, write faults.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "volume/bitmaps.h"
#include "maintenance/format.h"
#include "volume/project_list.h"
#include "volume/project_record.h"
#include "core/record.h"
#include "server_fixture.h"
#include "core/server_state.h"
#include "volume/super_block.h"

namespace vxfserver {
namespace {

constexpr uint32_t kS = test::kDriveSectors;

using Format = test::ServerFixture;

TEST_F(Format, FortyGigabyteDriveGetsTheExpectedGeometry) {
    openFormatted();
    SuperBlock sb{};
    const test::Sector sector = readSector(drivePath_, 0);
    ASSERT_TRUE(checksumMatches(sector.data(), 512));
    decodeSuperBlock(sector.data(), sb);
    EXPECT_STREQ(sb.tag, "TAVO VXF");
    EXPECT_STREQ(sb.version, "1.10 ");
    EXPECT_EQ(getWord(sector.data() + 8), uint32_t('1') << 24 | uint32_t('1') << 16 | uint32_t('0') << 8 | ' ');
    EXPECT_EQ(sb.validWord, 0x55AACC33u);
    EXPECT_EQ(sb.sectorsPerAudioBlock, 1152u);
    EXPECT_EQ(sb.audioBlocksPerCluster, 2u);
    EXPECT_EQ(sb.availableClusters, 33338u);
    EXPECT_EQ(sb.audioBitmapActiveWords, 1042u);
    EXPECT_EQ(sb.audioSpaceLba, 1284086u);
    EXPECT_EQ(sb.audioSpaceLength, 76812548u);
    EXPECT_EQ(sb.driveLastLba, kS - 1);
    EXPECT_EQ(sb.projectListLba, 1u);
    EXPECT_EQ(sb.songBitmapLba, 2u);
    EXPECT_EQ(sb.songBitmapLength, 3u);
    EXPECT_EQ(sb.audioBitmapLba, 5u);
    EXPECT_EQ(sb.audioBitmapLength, 15u);
    EXPECT_EQ(sb.projectLba, 20u);
    EXPECT_EQ(sb.maxProjects, 99u);
    EXPECT_EQ(sb.songsPerProject, 99u);
    EXPECT_EQ(sb.songLba, 119u);
    EXPECT_EQ(sb.songLength, 7u);
    EXPECT_EQ(sb.maxSongs, 9801u);
    EXPECT_EQ(sb.editSpaceLba, 68726u);
    EXPECT_EQ(sb.editSpaceLength, 1215360u);
    EXPECT_EQ(sb.audioBlocksPerEditSpace, 1055u);
    EXPECT_EQ(sb.magic, 0xFFFF0000u);
    // Reserved bytes stay zero.
    for (size_t i = 0x88; i < 0x1F8; ++i) ASSERT_EQ(sector[i], 0) << i;
    for (size_t i = 0x18; i < 0x28; ++i) ASSERT_EQ(sector[i], 0) << i;
}

TEST_F(Format, EveryStructureHasItsCopyAtSectorCountLessStartLessLength) {
    openFormatted();
    struct Structure {
        uint32_t lba;
        uint32_t sectors;
    };
    for (Structure s : {Structure{0, 1}, Structure{1, 1}, Structure{2, 3}, Structure{5, 15}, Structure{20, 1}}) {
        for (uint32_t i = 0; i < s.sectors; ++i) {
            EXPECT_EQ(readSector(drivePath_, s.lba + i), readSector(drivePath_, kS - s.lba - s.sectors + i)) << s.lba;
        }
    }
    std::vector<uint8_t> bitmap(15 * 512);
    for (uint32_t i = 0; i < 15; ++i) {
        const test::Sector s = readSector(drivePath_, 5 + i);
        std::memcpy(bitmap.data() + 512 * i, s.data(), 512);
    }
    EXPECT_EQ(getWord(bitmap.data() + 4 * 1040), 0u);
    EXPECT_EQ(getWord(bitmap.data() + 4 * 1041), 0xFC000000u);
    EXPECT_EQ(getWord(bitmap.data() + 4 * 1042), 0xFFFFFFFFu);
    EXPECT_EQ(getWord(bitmap.data() + 4 * 1918), 0xFFFA0005u);
    EXPECT_TRUE(checksumMatches(bitmap.data(), bitmap.size()));
}

TEST_F(Format, OneProjectInSlotTwentyOpenAndPrimary) {
    uint32_t handle = openFormatted();
    const test::Sector list = readSector(drivePath_, 1);
    EXPECT_EQ(getHalf(list.data() + 0x0C), 1);
    EXPECT_EQ(getWord(list.data() + 0x10), 20u);
    EXPECT_EQ(getWord(list.data() + 0x20), 20u);
    EXPECT_EQ(getWord(list.data() + 0x1F8), 0xFFFE0001u);
    ProjectRecord record{};
    EXPECT_EQ(decodeProjectRecord(readSector(drivePath_, 20).data(), 20, record), 0);
    EXPECT_STREQ(record.shortName, "Proj Name ");
    EXPECT_STREQ(record.extName, "Proj Name");
    EXPECT_EQ(record.songCount, 0u);
    EXPECT_EQ(state().openProject, 20u);
    EXPECT_TRUE(hasFlag(kFlagMounted | kFlagProjectOpen));
    char name[VXF_EXT_NAME_SIZE];
    ASSERT_EQ(tavovxfDriveGetName(handle, name), VXF_OK);
    EXPECT_STREQ(name, "Drive Name");
    ASSERT_EQ(tavovxfDriveGetExtName(handle, name), VXF_OK);
    EXPECT_STREQ(name, "Drive Name");
    uint32_t kib = 0;
    ASSERT_EQ(tavovxfDriveGetFreeSpace(handle, &kib), VXF_OK);
    EXPECT_EQ(kib, 33338u * 2 * 576);
}

TEST_F(Format, LeavesOtherSlotsAndTheAudioSpaceAlone) {
    makeDrive();
    test::Sector pattern;
    pattern.fill(0xA5);
    for (uint64_t lba : {uint64_t(21), uint64_t(119), uint64_t(68725), uint64_t(68726), uint64_t(1284086)}) {
        writeSector(drivePath_, lba, pattern);
    }
    uint32_t handle = open();
    resetCounters();
    ASSERT_EQ(tavovxfDriveFormat(handle), VXF_OK);
    for (uint64_t lba : {uint64_t(21), uint64_t(119), uint64_t(68725), uint64_t(68726), uint64_t(1284086)}) {
        EXPECT_EQ(readSector(drivePath_, lba), pattern) << lba;
    }
    // Cleared last sector, list, song bitmap, audio bitmap, super block, project record, list again.
    EXPECT_EQ(counters().sectorsWritten, 1u + 2 + 6 + 30 + 2 + 2 + 2);
}

TEST_F(Format, DriveTooSmallForTheLayoutIsRefusedBeforeAnyWrite) {
    makeDrive(kMinimumFormatSectors - 1);
    uint32_t handle = open();
    resetCounters();
    EXPECT_EQ(tavovxfDriveFormat(handle), VXF_ERR_NOT_ENOUGH_SPACE);
    EXPECT_EQ(counters().writes, 0u);
    EXPECT_EQ(errorText(), "There is not enough space available in the hard disk.");
}

TEST_F(Format, SmallestDriveGetsOneCluster) {
    uint32_t handle = openFormatted(kMinimumFormatSectors);
    EXPECT_EQ(state().superBlock.availableClusters, 1u);
    EXPECT_EQ(state().superBlock.audioBitmapActiveWords, 1u);
    EXPECT_EQ(state().audioBitmap.words[0], 0xFFFFFFFEu);
    uint32_t kib = 0;
    ASSERT_EQ(tavovxfDriveGetFreeSpace(handle, &kib), VXF_OK);
    EXPECT_EQ(kib, 576u);
}

TEST_F(Format, WriteFailureAtAnyStepIsReportedAndTheDriveStaysUsable) {
    makeDrive(1500000);
    uint32_t handle = open();
    ASSERT_EQ(tavovxfDriveFormat(handle), VXF_OK);
    resetCounters();
    ASSERT_EQ(tavovxfDriveFormat(handle), VXF_OK);
    const uint64_t writes = counters().writes;
    for (uint64_t k = 1; k <= writes; ++k) {
        vxf1394::testing::failNthWrite(k);
        EXPECT_EQ(tavovxfDriveFormat(handle), VXF_ERR_DISK_WRITE) << k;
        vxf1394::testing::clearWriteFailures();
        EXPECT_FALSE(hasFlag(kFlagMounted)) << k;
        // The next call mounts what the drive holds now, or says cleanly why not.
        uint16_t count = 0;
        const int32_t result = tavovxfProjectGetNum(handle, &count);
        EXPECT_TRUE(result == VXF_OK || (result >= 200 && result <= 401)) << k << " " << result;
        ASSERT_EQ(tavovxfDriveFormat(handle), VXF_OK) << k;
        ASSERT_EQ(tavovxfProjectGetNum(handle, &count), VXF_OK) << k;
        EXPECT_EQ(count, 1) << k;
    }
}

TEST_F(Format, FormatOfADriveLastMountedAsOneHundredClearsItsCappedCopy) {
    constexpr uint32_t kCapped = 0x0FFFFFFF;
    constexpr uint64_t kLarge = 0x10000400;
    uint32_t handle = openFormatted(kCapped);
    ASSERT_EQ(tavovxfDriveClose(handle), VXF_OK);
    patchSuperBlock(drivePath_, kCapped, [](SuperBlock& sb) { std::memcpy(sb.version, "1.00 ", 6); });
    ASSERT_EQ(::truncate(drivePath_.c_str(), off_t(kLarge * 512)), 0);
    handle = open();
    char version[VXF_VERSION_SIZE];
    ASSERT_EQ(tavovxfDriveGetFSVersion(handle, version), VXF_OK);
    EXPECT_STREQ(version, "1.00 ");
    ASSERT_EQ(tavovxfDriveFormat(handle), VXF_OK);
    EXPECT_EQ(readSector(drivePath_, kCapped - 1), test::Sector{});
    EXPECT_EQ(readSector(drivePath_, kLarge - 1), readSector(drivePath_, 0));
    ASSERT_EQ(tavovxfDriveGetFSVersion(handle, version), VXF_OK);
    EXPECT_STREQ(version, "1.10 ");
    uint32_t size = 0;
    ASSERT_EQ(tavovxfDriveGetSize(handle, &size), VXF_OK);
    EXPECT_EQ(size, uint32_t(kLarge * 512 / 1000));
}

}  // namespace
}  // namespace vxfserver
