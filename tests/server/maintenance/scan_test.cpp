// scan_test.cpp - the drive scan on damaged volumes built here: removals, recoveries, adoptions, the bitmap rebuilt.
#include <gtest/gtest.h>

#include <fstream>

#include "volume/project_list.h"
#include "volume/project_record.h"
#include "scan_fixture.h"
#include "song/song_slots.h"

namespace vxfserver {
namespace {

constexpr uint32_t kClusterKiB = 2 * 1152 / 2;  // a cluster of the usual drive: 2 audio blocks

using Scan = test::MaintenanceFixture;
using test::Bytes;

std::string projectName(uint32_t handle, uint16_t index) {
    char name[VXF_EXT_NAME_SIZE] = {};
    EXPECT_EQ(tavovxfProjectSetPrimary(handle, index), VXF_OK);
    EXPECT_EQ(tavovxfProjectGetName(handle, name), VXF_OK);
    return name;
}

uint16_t songsIn(uint32_t handle, uint16_t project) {
    uint16_t count = 0;
    EXPECT_EQ(tavovxfProjectSetPrimary(handle, project), VXF_OK);
    EXPECT_EQ(tavovxfSongGetNum(handle, &count), VXF_OK);
    return count;
}

TEST_F(Scan, ASongWhoseRecordNoLongerLoadsIsRemovedAndItsClustersComeBack) {
    uint32_t handle = openFormatted();
    const uint32_t broken = songWithAudio(handle, 3, 1);  // two clusters
    Bytes kept;
    songWithAudio(handle, 2, 2, &kept);
    const uint32_t freeBefore = freeKiB(handle);
    breakBothCopies(broken, 2);

    const ScanResult result = scan(handle);
    EXPECT_EQ(result.removedSongs, 1);
    EXPECT_EQ(result.spaceKiB, 2 * kClusterKiB);
    EXPECT_FALSE(songSlotMarked(broken));
    EXPECT_EQ(state().superBlock.currentSongs, 1u);
    EXPECT_EQ(freeKiB(handle), freeBefore + 2 * kClusterKiB);
    EXPECT_EQ(songsIn(handle, 0), 1);
    expectAudio(handle, 0, 0, kept);
    expectBitmapIsTheSongsClusters();
}

TEST_F(Scan, AClusterMarkedButUsedByNoSongIsFreed) {
    uint32_t handle = openFormatted();
    Bytes kept;
    songWithAudio(handle, 2, 3, &kept);
    state().audioBitmap.words[3] |= 1u << 7;  // cluster 103
    state().superBlock.availableClusters -= 1;
    ASSERT_TRUE(writeAudioBitmap() && writeSuperBlock());
    const uint32_t freeBefore = freeKiB(handle);

    const ScanResult result = scan(handle);
    EXPECT_EQ(result.removedSongs, 0);
    EXPECT_EQ(result.spaceKiB, kClusterKiB);
    EXPECT_FALSE(clusterMarked(103));
    EXPECT_EQ(freeKiB(handle), freeBefore + kClusterKiB);
    expectBitmapIsTheSongsClusters();
    expectAudio(handle, 0, 0, kept);
}

TEST_F(Scan, AClusterInUseButMarkedFreeIsMarkedSoThatNoOtherSongIsGrantedIt) {
    uint32_t handle = openFormatted();
    Bytes first;
    songWithAudio(handle, 4, 4, &first);  // clusters 0 and 1
    state().audioBitmap.words[0] &= ~1u;
    state().superBlock.availableClusters += 1;
    ASSERT_TRUE(writeAudioBitmap() && writeSuperBlock());

    const ScanResult result = scan(handle);
    EXPECT_EQ(result.spaceKiB, kClusterKiB);
    EXPECT_TRUE(clusterMarked(0));
    expectBitmapIsTheSongsClusters();
    // A new song grows into free clusters only; the first song's audio stays.
    ASSERT_EQ(tavovxfProjectSetPrimary(handle, 0), VXF_OK);
    songWithAudio(handle, 40, 5);
    expectAudio(handle, 0, 0, first);
}

TEST_F(Scan, AListedProjectWhoseCopiesAreBothBrokenIsRecoveredWithItsOrphans) {
    uint32_t handle = openFormatted();
    Bytes a, b, c;
    songWithAudio(handle, 1, 6, &a);
    ASSERT_EQ(tavovxfProjectCreate(handle), VXF_OK);  // slot 21
    ASSERT_EQ(tavovxfProjectSetName(handle, "Second"), VXF_OK);
    songWithAudio(handle, 2, 7, &b);
    songWithAudio(handle, 1, 8, &c);
    breakBothCopies(21, 1);

    const ScanResult result = scan(handle);
    EXPECT_EQ(result.removedSongs, 0);
    EXPECT_EQ(result.spaceKiB, 0u);
    uint16_t projects = 0;
    ASSERT_EQ(tavovxfProjectGetNum(handle, &projects), VXF_OK);
    EXPECT_EQ(projects, 2);
    EXPECT_EQ(state().projectList.handles[1], 21u);
    EXPECT_EQ(projectName(handle, 1), "Proj Name ");
    EXPECT_EQ(songsIn(handle, 1), 2);
    EXPECT_EQ(songsIn(handle, 0), 1);
    expectAudio(handle, 1, 0, b);
    expectAudio(handle, 1, 1, c);
    expectAudio(handle, 0, 0, a);
}

TEST_F(Scan, TwoBrokenProjectsAreBothRecoveredAndNoSongIsLost) {
    uint32_t handle = openFormatted();
    songWithAudio(handle, 1, 9);
    ASSERT_EQ(tavovxfProjectCreate(handle), VXF_OK);
    songWithAudio(handle, 1, 10);
    ASSERT_EQ(tavovxfProjectCreate(handle), VXF_OK);
    songWithAudio(handle, 1, 11);
    breakBothCopies(20, 1);
    breakBothCopies(22, 1);

    scan(handle);
    // The first recovery takes every song no sound project names.
    EXPECT_EQ(songsIn(handle, 0), 2);
    EXPECT_EQ(songsIn(handle, 1), 1);
    EXPECT_EQ(songsIn(handle, 2), 0);
    EXPECT_EQ(scan(handle).removedSongs, 0);
}

TEST_F(Scan, AnOrphanSongIsAdoptedIntoANewProjectRecovered) {
    uint32_t handle = openFormatted();
    Bytes listed, orphan;
    songWithAudio(handle, 1, 12, &listed);
    const uint32_t lba = songWithAudio(handle, 2, 13, &orphan);
    ASSERT_TRUE(removeSong(lba));

    const ScanResult result = scan(handle);
    EXPECT_EQ(result.removedSongs, 0);
    EXPECT_EQ(result.spaceKiB, 0u);
    uint16_t projects = 0;
    ASSERT_EQ(tavovxfProjectGetNum(handle, &projects), VXF_OK);
    ASSERT_EQ(projects, 2);
    EXPECT_EQ(state().projectList.handles[1], 21u);
    EXPECT_EQ(projectName(handle, 1), "Recovered ");
    char ext[VXF_EXT_NAME_SIZE] = {};
    ASSERT_EQ(tavovxfProjectGetExtName(handle, ext), VXF_OK);
    EXPECT_STREQ(ext, "Recovered");
    expectAudio(handle, 1, 0, orphan);
    expectAudio(handle, 0, 0, listed);
    EXPECT_EQ(state().superBlock.currentSongs, 2u);
}

TEST_F(Scan, WithAFullProjectListAnOrphanStaysWithItsClustersInUse) {
    uint32_t handle = openFormatted();
    const uint32_t lba = songWithAudio(handle, 2, 14);
    ASSERT_TRUE(removeSong(lba));
    for (int i = 1; i < 99; ++i) ASSERT_EQ(tavovxfProjectCreate(handle), VXF_OK) << i;
    const uint32_t freeBefore = freeKiB(handle);

    const ScanResult result = scan(handle);
    EXPECT_EQ(result.removedSongs, 0);
    EXPECT_EQ(result.spaceKiB, 0u);
    EXPECT_TRUE(songSlotMarked(lba));
    EXPECT_EQ(freeKiB(handle), freeBefore);
    expectBitmapIsTheSongsClusters();
}

TEST_F(Scan, ABrokenOrphanWithNoRoomToAdoptItIsGivenUp) {
    uint32_t handle = openFormatted();
    const uint32_t lba = songWithAudio(handle, 2, 15);
    ASSERT_TRUE(removeSong(lba));
    for (int i = 1; i < 99; ++i) ASSERT_EQ(tavovxfProjectCreate(handle), VXF_OK) << i;
    breakBothCopies(lba, 2);

    const ScanResult result = scan(handle);
    EXPECT_EQ(result.removedSongs, 1);
    EXPECT_EQ(result.spaceKiB, kClusterKiB);
    EXPECT_FALSE(songSlotMarked(lba));
    EXPECT_EQ(state().superBlock.currentSongs, 0u);
}

TEST_F(Scan, StrayHandlesInAListAreOnlyDroppedFromIt) {
    uint32_t handle = openFormatted();
    songWithAudio(handle, 1, 16);
    const uint32_t neverWritten = layout::kSongLba + 50 * layout::kSongLength;  // a slot not in use
    ASSERT_TRUE(insertSong(neverWritten, 0));
    ASSERT_TRUE(insertSong(layout::kSongLba + 3, 1));  // not a slot's record
    const SongBitmap slots = state().songBitmap;
    state().superBlock.currentSongs = 0;  // a count that disagrees with the song bitmap
    ASSERT_TRUE(writeSuperBlock());

    const ScanResult result = scan(handle);
    EXPECT_EQ(result.removedSongs, 2);
    EXPECT_EQ(std::memcmp(&slots, &state().songBitmap, sizeof slots), 0);
    // Never below 0 on the way, and counted again from the song bitmap at the end.
    EXPECT_EQ(state().superBlock.currentSongs, 1u);
    EXPECT_EQ(songsIn(handle, 0), 1);
}

TEST_F(Scan, TheSongCheckRunsOnEverySong) {
    uint32_t handle = openFormatted();
    const uint32_t lba = songWithAudio(handle, 2, 17);
    state().song.samples = 5 * kSamplesPerBlock;
    ASSERT_TRUE(saveSong());
    scan(handle);
    Song song;
    ASSERT_TRUE(readSongRecord(lba, song));
    EXPECT_EQ(song.samples, 2 * kSamplesPerBlock);
}

TEST_F(Scan, ASecondScanFindsNothingToChange) {
    uint32_t handle = openFormatted();
    songWithAudio(handle, 3, 18);
    const uint32_t broken = songWithAudio(handle, 2, 19);
    const uint32_t orphan = songWithAudio(handle, 1, 20);
    ASSERT_TRUE(removeSong(orphan));
    ASSERT_EQ(tavovxfProjectCreate(handle), VXF_OK);
    songWithAudio(handle, 1, 21);
    state().audioBitmap.words[5] |= 0xF0u;
    ASSERT_TRUE(writeAudioBitmap());
    breakBothCopies(broken, 2);
    breakBothCopies(21, 1);

    const ScanResult first = scan(handle);
    EXPECT_EQ(first.removedSongs, 1);
    // The free count moved by the broken song's cluster only: the four marked
    // clusters had never been counted out of it.
    EXPECT_EQ(first.spaceKiB, kClusterKiB);
    const Bytes repaired = systemAndMirror(test::kDriveSectors);
    const ScanResult second = scan(handle);
    EXPECT_EQ(second.removedSongs, 0);
    EXPECT_EQ(second.spaceKiB, 0u);
    EXPECT_TRUE(systemAndMirror(test::kDriveSectors) == repaired);
    expectBitmapIsTheSongsClusters();
}

TEST_F(Scan, TheScanLeavesTheProjectsPrimarySongsAndNoSongCurrent) {
    uint32_t handle = openFormatted();
    songWithAudio(handle, 1, 22);
    songWithAudio(handle, 1, 23);
    ASSERT_EQ(tavovxfProjectCreate(handle), VXF_OK);
    Bytes other;
    songWithAudio(handle, 2, 24, &other);
    ASSERT_EQ(tavovxfProjectSetPrimary(handle, 0), VXF_OK);
    ASSERT_EQ(tavovxfSongSetPrimary(handle, 0), VXF_OK);
    const Bytes records = imageRange(1, 21);  // project list and both project records

    ASSERT_EQ(tavovxfDriveScan(handle), VXF_OK);
    EXPECT_TRUE(imageRange(1, 21) == records);
    EXPECT_EQ(state().song.lba, 0u);
    EXPECT_EQ(state().slots[state().currentSlot].song, 0u);
    // With no song current a delete finds nothing to delete.
    EXPECT_EQ(tavovxfSongDelete(handle), VXF_ERR_NO_PRIMARY_SONG);
    expectAudio(handle, 1, 0, other);
}

TEST_F(Scan, ARefusedReadEndsTheScanAndRemovesNothing) {
    uint32_t handle = openFormatted();
    const uint32_t lba = songWithAudio(handle, 1, 25);
    const uint64_t mirror = test::kDriveSectors - lba - 2;
    std::ofstream(drivePath_ + ".faults") << "read-error " << lba << " " << lba + 1 << "\nread-error " << mirror << " "
                                          << mirror + 1 << "\n";
    EXPECT_EQ(tavovxfDriveScan(handle), VXF_ERR_DISK_READ);
    std::remove((drivePath_ + ".faults").c_str());
    EXPECT_EQ(state().flags, 0u);  // nothing stays mounted
    EXPECT_EQ(songsIn(handle, 0), 1);
    EXPECT_TRUE(songSlotMarked(lba));
    EXPECT_EQ(state().superBlock.currentSongs, 1u);
}

TEST_F(Scan, ARecoveryThatCannotCollectItsSongsLeavesTheBrokenRecordAsItWas) {
    uint32_t handle = openFormatted();
    ASSERT_EQ(tavovxfProjectCreate(handle), VXF_OK);  // slot 21, now first in the list
    ASSERT_EQ(tavovxfProjectMove(handle, 0), VXF_OK);
    breakBothCopies(21, 1);
    const Bytes broken = imageRange(21, 1);
    std::ofstream(drivePath_ + ".faults") << "read-error 20 20\nread-error " << test::kDriveSectors - 21 << " "
                                          << test::kDriveSectors - 21 << "\n";
    EXPECT_EQ(tavovxfDriveScan(handle), VXF_ERR_DISK_READ);
    EXPECT_TRUE(imageRange(21, 1) == broken);
}

TEST_F(Scan, DrivesWithoutAVolumeLockedAndClosedHandlesAreRefused) {
    makeDrive(1500000);
    uint32_t handle = open();
    EXPECT_EQ(tavovxfDriveScan(handle), VXF_ERR_SUPER_CORRUPT2);
    ASSERT_EQ(tavovxfDriveFormat(handle), VXF_OK);
    ASSERT_TRUE(setHandleLock(handle, 1));
    resetCounters();
    EXPECT_EQ(tavovxfDriveScan(handle), VXF_ERR_DRIVE_LOCKED);
    EXPECT_EQ(counters().writes, 0u);
    ASSERT_TRUE(setHandleLock(handle, 0));
    EXPECT_EQ(tavovxfDriveScan(handle), VXF_OK);
    ASSERT_EQ(tavovxfDriveClose(handle), VXF_OK);
    EXPECT_EQ(tavovxfDriveScan(handle), VXF_ERR_INVALID_PARAMETER);
}

}  // namespace
}  // namespace vxfserver
