// upgrade_test.cpp - "1.00 " volumes built here, upgraded to "1.10 " on drives of at most and of more than 0x0FFFFFFF sectors.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>

#include "platform/test_api.h"
#include "volume/project_list.h"
#include "volume/project_record.h"
#include "core/record.h"
#include "scan_fixture.h"

namespace vxfserver {
namespace {

using test::Bytes;

constexpr uint32_t kCapped = 0x0FFFFFFF;
constexpr uint32_t kLargeSameCluster = 0x10800000;  // 4 audio blocks per cluster, as at the capped size
constexpr uint32_t kLargeOtherCluster = 0x12000000;  // 5 audio blocks per cluster

class Upgrade : public test::MaintenanceFixture {
protected:
    std::string text(int32_t (*get)(uint32_t, char*), uint32_t handle) {
        char value[VXF_EXT_NAME_SIZE] = {};
        EXPECT_EQ(get(handle, value), VXF_OK);
        return value;
    }
    std::string version(uint32_t handle) { return text(tavovxfDriveGetFSVersion, handle); }

    // What an old volume has: short names only, extended names empty.
    void nameDrive(uint32_t handle, const char* name) {
        ASSERT_EQ(tavovxfDriveSetName(handle, name), VXF_OK);
        ASSERT_EQ(tavovxfDriveSetExtName(handle, ""), VXF_OK);
    }
    void nameProject(uint32_t handle, const char* name) {
        ASSERT_EQ(tavovxfProjectSetName(handle, name), VXF_OK);
        ASSERT_EQ(tavovxfProjectSetExtName(handle, ""), VXF_OK);
    }
    void nameSong(uint32_t handle, const char* name) {
        ASSERT_EQ(tavovxfSongSetName(handle, name), VXF_OK);
        ASSERT_EQ(tavovxfSongSetExtName(handle, ""), VXF_OK);
    }

    // Turns the volume of `sectors` sectors into a "1.00 " one (both super
    // block copies), closing every handle first; the drive may then grow.
    void makeVersion100(uint64_t sectors, uint64_t driveSectors) {
        for (const DriveSlot& slot : state().slots) {
            if (slot.inUse != 0) tavovxfDriveClose(slot.handle);
        }
        patchSuperBlock(drivePath_, uint32_t(sectors), [](SuperBlock& sb) { std::memcpy(sb.version, "1.00 ", 6); });
        ASSERT_EQ(::truncate(drivePath_.c_str(), off_t(driveSectors * 512)), 0);
    }

    // A volume with two projects and three songs with audio, the second
    // project primary; `orphan` adds a song no project lists.
    struct OldVolume {
        Bytes take1, take2, live1;
    };
    OldVolume buildOldVolume(uint32_t handle, bool orphan = false) {
        OldVolume v;
        nameDrive(handle, "          ");
        nameProject(handle, "Project 01");
        songWithAudio(handle, 1, 31, &v.take1);
        nameSong(handle, "Take 1");
        songWithAudio(handle, 5, 32, &v.take2);
        nameSong(handle, "Take 2");
        if (orphan) {
            const uint32_t lba = songWithAudio(handle, 9, 33);
            EXPECT_TRUE(removeSong(lba));
        }
        EXPECT_EQ(tavovxfProjectCreate(handle), VXF_OK);
        nameProject(handle, "Live");
        songWithAudio(handle, 2, 34, &v.live1);
        nameSong(handle, "Live 1");
        return v;
    }

    void expectUpgradedNamesAndAudio(uint32_t handle, const OldVolume& v) {
        EXPECT_EQ(version(handle), "1.10 ");
        EXPECT_EQ(text(tavovxfDriveGetExtName, handle), "Drive Name");
        uint16_t primary = 9;
        ASSERT_EQ(tavovxfProjectGetLastPrimary(handle, &primary), VXF_OK);
        EXPECT_EQ(primary, 1);  // the project primary before
        ASSERT_EQ(tavovxfProjectSetPrimary(handle, 0), VXF_OK);
        EXPECT_EQ(text(tavovxfProjectGetExtName, handle), "Proj Name");
        ASSERT_EQ(tavovxfSongSetPrimary(handle, 1), VXF_OK);
        EXPECT_EQ(text(tavovxfSongGetExtName, handle), "Take 2");
        ASSERT_EQ(tavovxfProjectSetPrimary(handle, 1), VXF_OK);
        EXPECT_EQ(text(tavovxfProjectGetExtName, handle), "Live");
        ASSERT_EQ(tavovxfSongSetPrimary(handle, 0), VXF_OK);
        EXPECT_EQ(text(tavovxfSongGetExtName, handle), "Live 1");
        expectAudio(handle, 0, 0, v.take1);
        expectAudio(handle, 0, 1, v.take2);
        expectAudio(handle, 1, 0, v.live1);
    }

    // Every record's copy lies at the drive's real end now: a structure of n
    // sectors at x has its copy at S - x - n.
    void expectCopiesAt(uint64_t sectors) {
        const struct {
            uint32_t lba, count;
        } records[] = {{0, 1}, {1, 1}, {2, 3}, {5, 15}, {20, 1}, {21, 1}, {119, 2}, {121, 5}, {126, 2}, {128, 5}};
        for (const auto& r : records) {
            EXPECT_TRUE(imageRange(r.lba, r.count) == imageRange(sectors - r.lba - r.count, r.count)) << r.lba;
        }
    }
};

TEST_F(Upgrade, ACurrentVolumeSucceedsWithNothingWritten) {
    openFormatted();
    ASSERT_EQ(tavovxfDriveClose(state().slots[0].handle), VXF_OK);
    uint32_t handle = open();
    ASSERT_EQ(version(handle), "1.10 ");
    resetCounters();
    EXPECT_EQ(tavovxfDriveUpgrade(handle), VXF_OK);
    EXPECT_EQ(counters().writes, 0u);
}

TEST_F(Upgrade, ASmallDriveKeepsItsGeometryAndBitmapsAndGainsExtendedNames) {
    uint32_t handle = openFormatted();
    const OldVolume v = buildOldVolume(handle);
    makeVersion100(test::kDriveSectors, test::kDriveSectors);
    handle = open();
    ASSERT_EQ(version(handle), "1.00 ");
    const Bytes bitmaps = imageRange(2, 18);
    const SuperBlock before = state().superBlock;

    ASSERT_EQ(tavovxfDriveUpgrade(handle), VXF_OK);
    EXPECT_EQ(state().song.lba, 0u);
    EXPECT_EQ(state().slots[state().currentSlot].song, 0u);
    const SuperBlock& after = state().superBlock;
    EXPECT_EQ(after.audioBlocksPerCluster, before.audioBlocksPerCluster);
    EXPECT_EQ(after.availableClusters, before.availableClusters);
    EXPECT_EQ(after.audioSpaceLength, before.audioSpaceLength);
    EXPECT_EQ(after.driveLastLba, test::kDriveSectors - 1);
    EXPECT_TRUE(imageRange(2, 18) == bitmaps);
    expectCopiesAt(test::kDriveSectors);
    expectUpgradedNamesAndAudio(handle, v);
}

TEST_F(Upgrade, ALargeDriveGrowsItsAudioSpaceAndCountsEverySongsClustersOnce) {
    makeDrive(kCapped);
    uint32_t handle = open();
    ASSERT_EQ(tavovxfDriveFormat(handle), VXF_OK);
    ASSERT_EQ(state().superBlock.audioBlocksPerCluster, 4u);
    const OldVolume v = buildOldVolume(handle, true);
    makeVersion100(kCapped, kLargeSameCluster);
    handle = open();
    ASSERT_EQ(version(handle), "1.00 ");
    EXPECT_EQ(state().sectorCount, kCapped);

    ASSERT_EQ(tavovxfDriveUpgrade(handle), VXF_OK);
    const SuperBlock& sb = state().superBlock;
    EXPECT_EQ(state().sectorCount, kLargeSameCluster);
    EXPECT_EQ(sb.driveLastLba, kLargeSameCluster - 1);
    EXPECT_EQ(sb.audioSpaceLength, kLargeSameCluster - layout::kLayoutOverhead);
    EXPECT_EQ(sb.audioBlocksPerCluster, 4u);
    EXPECT_EQ(totalClusters(sb), 59781u);
    EXPECT_EQ(sb.audioBitmapActiveWords, 1869u);
    // The orphan's nine blocks (three clusters) are counted with the others.
    EXPECT_EQ(clustersOfAllSongs().size(), 1u + 2u + 3u + 1u);
    expectBitmapIsTheSongsClusters();
    EXPECT_TRUE(imageRange(kCapped - 1, 1) == Bytes(512, 0));
    expectCopiesAt(kLargeSameCluster);
    expectUpgradedNamesAndAudio(handle, v);
}

TEST_F(Upgrade, ANewClusterSizeIsRefusedWhileSongsOwnAudioAndNothingIsWritten) {
    makeDrive(kCapped);
    uint32_t handle = open();
    ASSERT_EQ(tavovxfDriveFormat(handle), VXF_OK);
    buildOldVolume(handle);
    makeVersion100(kCapped, kLargeOtherCluster);
    const Bytes system = imageRange(0, layout::kSongLba + 4 * layout::kSongLength);
    const Bytes copies = imageRange(kCapped - 68726, 68726);
    handle = open();
    resetCounters();
    EXPECT_EQ(tavovxfDriveUpgrade(handle), VXF_ERR_UPGRADE_INVALID);
    EXPECT_EQ(errorText(), "Invalid File System for upgrading drive.");
    EXPECT_EQ(counters().writes, 0u);
    EXPECT_TRUE(imageRange(0, layout::kSongLba + 4 * layout::kSongLength) == system);
    EXPECT_TRUE(imageRange(kCapped - 68726, 68726) == copies);
    EXPECT_EQ(version(handle), "1.00 ");
}

TEST_F(Upgrade, ANewClusterSizeIsTakenWhenNoSongOwnsAudio) {
    makeDrive(kCapped);
    uint32_t handle = open();
    ASSERT_EQ(tavovxfDriveFormat(handle), VXF_OK);
    ASSERT_EQ(tavovxfSongCreate(handle, 24, 48000, 24), VXF_OK);
    makeVersion100(kCapped, kLargeOtherCluster);
    handle = open();
    ASSERT_EQ(tavovxfDriveUpgrade(handle), VXF_OK);
    const SuperBlock& sb = state().superBlock;
    EXPECT_EQ(sb.audioBlocksPerCluster, 5u);
    EXPECT_EQ(sb.availableClusters, totalClusters(sb));
    expectBitmapIsTheSongsClusters();
    uint16_t songs = 0;
    ASSERT_EQ(tavovxfProjectSetPrimary(handle, 0), VXF_OK);
    ASSERT_EQ(tavovxfSongGetNum(handle, &songs), VXF_OK);
    EXPECT_EQ(songs, 1);
}

TEST_F(Upgrade, AnUpgradeCutShortLeavesNothingMountedAndCanBeRunAgain) {
    uint32_t handle = openFormatted();
    Bytes take;
    songWithAudio(handle, 1, 35, &take);
    nameSong(handle, "Take 1");
    for (uint64_t k = 1;; ++k) {
        makeVersion100(test::kDriveSectors, test::kDriveSectors);
        handle = open();
        ASSERT_EQ(version(handle), "1.00 ");
        vxf1394::testing::failNthWrite(k);
        const int32_t result = tavovxfDriveUpgrade(handle);
        vxf1394::testing::clearWriteFailures();
        if (result == VXF_OK) break;
        ASSERT_EQ(result, VXF_ERR_DISK_WRITE) << "write " << k;
        EXPECT_EQ(state().flags, 0u) << "write " << k;
        EXPECT_EQ(state().currentDriveId, 0u) << "write " << k;
        errorText();
        // The volume mounts as one version or the other, and the upgrade completes.
        const std::string found = version(handle);
        EXPECT_TRUE(found == "1.00 " || found == "1.10 ") << "write " << k << ": " << found;
        ASSERT_EQ(tavovxfDriveUpgrade(handle), VXF_OK) << "write " << k;
        EXPECT_EQ(version(handle), "1.10 ");
        expectAudio(handle, 0, 0, take);
        ASSERT_LT(k, 40u);
    }
}

TEST_F(Upgrade, ABrokenSongNoProjectListsIsLeftAsItIs) {
    uint32_t handle = openFormatted();
    const OldVolume v = buildOldVolume(handle);
    ASSERT_EQ(tavovxfProjectSetPrimary(handle, 0), VXF_OK);
    const uint32_t orphan = songWithAudio(handle, 1, 36);
    ASSERT_TRUE(removeSong(orphan));
    ASSERT_EQ(tavovxfProjectSetPrimary(handle, 1), VXF_OK);
    makeVersion100(test::kDriveSectors, test::kDriveSectors);
    breakBothCopies(orphan, 2);
    const Bytes broken = imageRange(orphan, 7);
    handle = open();
    ASSERT_EQ(tavovxfDriveUpgrade(handle), VXF_OK);
    EXPECT_TRUE(imageRange(orphan, 7) == broken);
    expectUpgradedNamesAndAudio(handle, v);
}

TEST_F(Upgrade, ABrokenListedSongEndsTheUpgradeBeforeAnythingIsWritten) {
    uint32_t handle = openFormatted();
    buildOldVolume(handle);
    makeVersion100(test::kDriveSectors, test::kDriveSectors);
    breakBothCopies(layout::kSongLba + layout::kSongLength, 2);  // "Take 2"
    handle = open();
    resetCounters();
    EXPECT_EQ(tavovxfDriveUpgrade(handle), VXF_ERR_SONG_CORRUPT);
    EXPECT_EQ(counters().writes, 0u);
    EXPECT_EQ(version(handle), "1.00 ");
}

TEST_F(Upgrade, ALockedHandleIsRefused) {
    uint32_t handle = openFormatted(1500000);
    makeVersion100(1500000, 1500000);
    handle = open();
    ASSERT_TRUE(setHandleLock(handle, 1));
    resetCounters();
    EXPECT_EQ(tavovxfDriveUpgrade(handle), VXF_ERR_DRIVE_LOCKED);
    EXPECT_EQ(counters().writes, 0u);
}

}  // namespace
}  // namespace vxfserver
