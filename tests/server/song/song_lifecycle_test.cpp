// song_lifecycle_test.cpp - creating, choosing, naming, protecting, moving and deleting songs through the exports.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/test_api.h"
#include "volume/project_record.h"
#include "song_fixture.h"
#include "song/song_record.h"

using namespace vxfserver;
using namespace vxfserver::test;

namespace {

class SongLifecycle : public SongFixture {
protected:
    std::string songName(uint32_t h) {
        char name[VXF_SHORT_NAME_SIZE] = "x";
        EXPECT_EQ(tavovxfSongGetName(h, name), VXF_OK);
        return name;
    }
    std::string songExtName(uint32_t h) {
        char name[VXF_EXT_NAME_SIZE] = "x";
        EXPECT_EQ(tavovxfSongGetExtName(h, name), VXF_OK);
        return name;
    }
    // The song handles of the open project, in order.
    std::vector<uint32_t> listedSongs() {
        const ProjectRecord& p = state().project;
        return std::vector<uint32_t>(p.songs, p.songs + p.songCount);
    }
};

}  // namespace

TEST_F(SongLifecycle, CreationRefusesLayoutsTheRecorderDoesNotMake) {
    uint32_t h = openFormatted();
    EXPECT_EQ(tavovxfSongCreate(h, 16, 96000, 24), VXF_ERR_INVALID_PARAMETER);
    EXPECT_EQ(tavovxfSongCreate(h, 12, 48000, 24), VXF_ERR_INVALID_PARAMETER);
    EXPECT_EQ(tavovxfSongCreate(h, 24, 32000, 24), VXF_ERR_INVALID_PARAMETER);
    EXPECT_EQ(tavovxfSongCreate(h, 24, 48000, 16), VXF_ERR_INVALID_PARAMETER);
    EXPECT_EQ(tavovxfSongCreate(h, 0, 48000, 24), VXF_ERR_INVALID_PARAMETER);
    uint16_t songs = 9;
    ASSERT_EQ(tavovxfSongGetNum(h, &songs), VXF_OK);
    EXPECT_EQ(songs, 0);
    EXPECT_EQ(state().superBlock.currentSongs, 0u);
}

TEST_F(SongLifecycle, ANewSongHasTheDefaultsAndBothCopiesOfItsRecord) {
    uint32_t h = openWithSong(12, 96000);
    EXPECT_EQ(state().song.lba, layout::kSongLba);
    EXPECT_EQ(state().song.tracks, 24);
    uint16_t tracks = 0;
    ASSERT_EQ(tavovxfTrackGetNum(h, &tracks), VXF_OK);
    EXPECT_EQ(tracks, 12);
    EXPECT_EQ(songName(h), "Song Name ");
    EXPECT_EQ(songExtName(h), "Song Name");
    EXPECT_EQ(songLength(h), 0u);
    uint32_t rate = 0, flag = 9, kib = 9;
    uint16_t bits = 0;
    ASSERT_EQ(tavovxfSongGetSampleRate(h, &rate), VXF_OK);
    EXPECT_EQ(rate, 96000u);
    ASSERT_EQ(tavovxfSongGetWordLength(h, &bits), VXF_OK);
    EXPECT_EQ(bits, 24);
    ASSERT_EQ(tavovxfSongIsWriteProtect(h, &flag), VXF_OK);
    EXPECT_EQ(flag, 0u);
    ASSERT_EQ(tavovxfSongGetAllocatedSize(h, &kib), VXF_OK);
    EXPECT_EQ(kib, 0u);
    const uint64_t s = state().sectorCount;
    EXPECT_EQ(imageBytes(drivePath_, 119, 2), imageBytes(drivePath_, s - 119 - 2, 2));
    EXPECT_EQ(imageBytes(drivePath_, 121, 5), imageBytes(drivePath_, s - 121 - 5, 5));
    EXPECT_EQ(state().superBlock.currentSongs, 1u);
    ASSERT_EQ(tavovxfSongCreate(h, 2, 44100, 24), VXF_OK);
    EXPECT_EQ(state().song.lba, layout::kSongLba + 7);
    EXPECT_EQ(listedSongs(), (std::vector<uint32_t>{119, 126}));
}

TEST_F(SongLifecycle, TheHundredthSongOfAProjectIsRefused) {
    uint32_t h = openFormatted();
    for (int i = 0; i < 99; ++i) ASSERT_EQ(tavovxfSongCreate(h, 2, 48000, 24), VXF_OK) << i;
    EXPECT_EQ(tavovxfSongCreate(h, 2, 48000, 24), VXF_ERR_PROJECT_FULL);
    EXPECT_EQ(state().superBlock.currentSongs, 99u);
}

TEST_F(SongLifecycle, AFailedRecordWriteLeavesNeitherASlotNorAListingNorACount) {
    uint32_t h = openWithSong(2, 48000);
    const SongBitmap bitmap = state().songBitmap;
    vxf1394::testing::Faults faults;
    faults.writeErrors.push_back({126, 126});  // the second slot's record
    vxf1394::testing::setFaults(drivePath_, faults);
    EXPECT_EQ(tavovxfSongCreate(h, 2, 48000, 24), VXF_ERR_DISK_WRITE);
    vxf1394::testing::clearFaults(drivePath_);
    EXPECT_EQ(std::memcmp(&bitmap, &state().songBitmap, sizeof bitmap), 0);
    EXPECT_EQ(state().superBlock.currentSongs, 1u);
    EXPECT_EQ(listedSongs(), (std::vector<uint32_t>{119}));
    ASSERT_EQ(tavovxfDriveClose(h), VXF_OK);
    h = reopen();
    EXPECT_EQ(state().superBlock.currentSongs, 1u);
    EXPECT_EQ(listedSongs(), (std::vector<uint32_t>{119}));
}

TEST_F(SongLifecycle, SetPrimaryChoosesBySongIndexAndRemembersIt) {
    uint32_t h = openWithSong();
    ASSERT_EQ(tavovxfSongCreate(h, 2, 48000, 24), VXF_OK);
    EXPECT_EQ(tavovxfSongSetPrimary(h, 2), VXF_ERR_INVALID_PARAMETER);
    ASSERT_EQ(tavovxfSongSetPrimary(h, 1), VXF_OK);
    ASSERT_EQ(tavovxfSongSetPrimary(h, 0), VXF_OK);
    uint16_t index = 9;
    ASSERT_EQ(tavovxfSongGetLastPrimary(h, &index), VXF_OK);
    EXPECT_EQ(index, 0);
    EXPECT_EQ(state().project.lastSongHandle, 119u);
    ASSERT_EQ(tavovxfSongSetPrimary(h, 1), VXF_OK);
    ASSERT_EQ(tavovxfSongGetLastPrimary(h, &index), VXF_OK);
    EXPECT_EQ(index, 1);
}

TEST_F(SongLifecycle, NamesFollowTheNameRuleAndEveryByteIsSafe) {
    uint32_t h = openWithSong();
    ASSERT_EQ(tavovxfSongSetName(h, "Take-1!x"), VXF_OK);
    EXPECT_EQ(songName(h), "Take 1 x  ");
    ASSERT_EQ(tavovxfSongSetExtName(h, "Mix/Final  "), VXF_OK);
    EXPECT_EQ(songExtName(h), "Mix Final");
    for (int value = 1; value < 256; ++value) {
        std::string text(70, char(value));
        ASSERT_EQ(tavovxfSongSetName(h, text.c_str()), VXF_OK);
        ASSERT_EQ(tavovxfSongSetExtName(h, text.c_str()), VXF_OK);
        EXPECT_EQ(songName(h).size(), 10u);
        EXPECT_LE(songExtName(h).size(), 64u);
    }
    EXPECT_EQ(tavovxfSongSetName(h, nullptr), VXF_ERR_INVALID_PARAMETER);
    EXPECT_EQ(tavovxfSongGetName(h, nullptr), VXF_ERR_INVALID_PARAMETER);
}

TEST_F(SongLifecycle, ProtectionTouchesBit26OnlyAndGuardsDeletion) {
    uint32_t h = openWithSong();
    state().song.attributes = 0x00000011;
    ASSERT_EQ(tavovxfSongSetWriteProtect(h, 7), VXF_OK);
    EXPECT_EQ(state().song.attributes, 0x04000011u);
    uint32_t flag = 0;
    ASSERT_EQ(tavovxfSongIsWriteProtect(h, &flag), VXF_OK);
    EXPECT_EQ(flag, 1u);
    EXPECT_EQ(getWord(imageBytes(drivePath_, 119, 2).data() + 0x3C), 0x04000011u);
    EXPECT_EQ(tavovxfSongDelete(h), VXF_ERR_SONG_WRITE_PROTECTED);
    ASSERT_EQ(tavovxfSongSetWriteProtect(h, 0), VXF_OK);
    EXPECT_EQ(state().song.attributes, 0x00000011u);
}

TEST_F(SongLifecycle, DeletionGivesBackTheSongsClustersSlotAndCount) {
    uint32_t h = openWithSong();
    const uint32_t freeBefore = state().superBlock.availableClusters;
    Bytes samples = randomBytes(5 * 8192 * 3, 1);
    ASSERT_EQ(tavovxfTrackWrite(h, 0, 0, 5 * 8192, 3, 0, samples.data()), VXF_OK);
    EXPECT_EQ(state().superBlock.availableClusters, freeBefore - 3);
    ASSERT_EQ(tavovxfSongSetWriteProtect(h, 1), VXF_OK);
    ASSERT_EQ(tavovxfSongSetWriteProtect(h, 0), VXF_OK);
    ASSERT_EQ(tavovxfSongDelete(h), VXF_OK);
    EXPECT_EQ(state().superBlock.availableClusters, freeBefore);
    EXPECT_EQ(state().superBlock.currentSongs, 0u);
    EXPECT_EQ(state().songBitmap.words[0] & 1u, 0u);
    uint16_t songs = 9;
    ASSERT_EQ(tavovxfSongGetNum(h, &songs), VXF_OK);
    EXPECT_EQ(songs, 0);
    EXPECT_EQ(state().slots[state().currentSlot].song, 0u);
    // The emptied record stays in the slot; the bitmap and count are on the drive too.
    ASSERT_EQ(tavovxfDriveClose(h), VXF_OK);
    h = reopen();
    EXPECT_EQ(state().superBlock.availableClusters, freeBefore);
    EXPECT_EQ(getWord(imageBytes(drivePath_, 119, 2).data()), 0u);
    expectVolumeConsistent(h, true);
}

TEST_F(SongLifecycle, DeletingWithNoSongCurrentFreesNothing) {
    uint32_t h = openFormatted();
    const uint32_t freeBefore = state().superBlock.availableClusters;
    EXPECT_EQ(tavovxfSongDelete(h), VXF_ERR_NO_PRIMARY_SONG);
    EXPECT_EQ(state().superBlock.availableClusters, freeBefore);
}

TEST_F(SongLifecycle, GettersWithoutASongClearTheirOutputs) {
    uint32_t h = openFormatted();
    char name[VXF_EXT_NAME_SIZE] = "old";
    uint32_t number = 5;
    uint16_t bits = 5;
    EXPECT_EQ(tavovxfSongGetName(h, name), VXF_ERR_NO_PRIMARY_SONG);
    EXPECT_STREQ(name, "");
    std::strcpy(name, "old");
    EXPECT_EQ(tavovxfSongGetExtName(h, name), VXF_ERR_NO_PRIMARY_SONG);
    EXPECT_STREQ(name, "");
    EXPECT_EQ(tavovxfSongGetSampleRate(h, &number), VXF_ERR_NO_PRIMARY_SONG);
    EXPECT_EQ(number, 0u);
    EXPECT_EQ(tavovxfSongGetWordLength(h, &bits), VXF_ERR_NO_PRIMARY_SONG);
    EXPECT_EQ(bits, 0);
    number = 5;
    EXPECT_EQ(tavovxfSongGetLength(h, &number), VXF_ERR_NO_PRIMARY_SONG);
    EXPECT_EQ(number, 0u);
    EXPECT_EQ(tavovxfSongSetName(h, "x"), VXF_ERR_NO_PRIMARY_SONG);
    EXPECT_EQ(tavovxfSongSetWriteProtect(h, 1), VXF_ERR_NO_PRIMARY_SONG);
    EXPECT_EQ(tavovxfSongMoveWithin(h, 0), VXF_ERR_NO_PRIMARY_SONG);
}

TEST_F(SongLifecycle, SongCountKeepsItsValueWithoutAProjectAndIsZeroForABadHandle) {
    uint32_t h = openFormatted();
    ASSERT_EQ(tavovxfDriveClose(h), VXF_OK);
    h = open();  // no project open through this handle
    uint16_t songs = 7;
    EXPECT_EQ(tavovxfSongGetNum(h, &songs), VXF_ERR_NO_PROJECT_OPEN);
    EXPECT_EQ(songs, 7);
    EXPECT_EQ(tavovxfSongCreate(h, 2, 48000, 24), VXF_ERR_NO_PROJECT_OPEN);
    EXPECT_EQ(tavovxfSongGetNum(h + 1, &songs), VXF_ERR_BAD_DRIVE_HANDLE);
    EXPECT_EQ(songs, 0);
}

TEST_F(SongLifecycle, LockedHandleRefusesEveryChangingSongCall) {
    uint32_t h = openWithSong();
    state().slots[state().currentSlot].locked = 1;
    EXPECT_EQ(tavovxfSongCreate(h, 2, 48000, 24), VXF_ERR_DRIVE_LOCKED);
    EXPECT_EQ(tavovxfSongDelete(h), VXF_ERR_DRIVE_LOCKED);
    EXPECT_EQ(tavovxfSongSetName(h, "a"), VXF_ERR_DRIVE_LOCKED);
    EXPECT_EQ(tavovxfSongSetExtName(h, "a"), VXF_ERR_DRIVE_LOCKED);
    EXPECT_EQ(tavovxfSongSetWriteProtect(h, 1), VXF_ERR_DRIVE_LOCKED);
    EXPECT_EQ(tavovxfSongMoveWithin(h, 0), VXF_ERR_DRIVE_LOCKED);
    EXPECT_EQ(tavovxfSongMoveOut(h, 0, 0), VXF_ERR_DRIVE_LOCKED);
    const void* sources[24] = {};
    EXPECT_EQ(tavovxfTrackWriteAll(h, 0, 0, 3, 0, sources), VXF_ERR_DRIVE_LOCKED);
    EXPECT_EQ(songName(h), "Song Name ");  // reading still works
    state().slots[state().currentSlot].locked = 0;
}

TEST_F(SongLifecycle, MovingWithinTheProjectWritesItsRecordOnce) {
    uint32_t h = openWithSong();
    ASSERT_EQ(tavovxfSongCreate(h, 2, 48000, 24), VXF_OK);
    ASSERT_EQ(tavovxfSongCreate(h, 2, 48000, 24), VXF_OK);
    ASSERT_EQ(tavovxfSongSetPrimary(h, 0), VXF_OK);
    resetCounters();
    ASSERT_EQ(tavovxfSongMoveWithin(h, 2), VXF_OK);
    EXPECT_EQ(counters().writes, 2u);  // first copy and mirror, once
    EXPECT_EQ(listedSongs(), (std::vector<uint32_t>{126, 133, 119}));
    EXPECT_EQ(state().song.lba, 119u);
    EXPECT_EQ(tavovxfSongMoveWithin(h, 3), VXF_ERR_INVALID_PARAMETER);
}

TEST_F(SongLifecycle, MovingOutOpensTheTargetAndLeavesNoSongCurrent) {
    uint32_t h = openWithSong();
    ASSERT_EQ(tavovxfSongCreate(h, 2, 48000, 24), VXF_OK);
    ASSERT_EQ(tavovxfProjectCreate(h), VXF_OK);  // project 1, now open
    ASSERT_EQ(tavovxfProjectSetPrimary(h, 0), VXF_OK);
    ASSERT_EQ(tavovxfSongSetPrimary(h, 0), VXF_OK);
    EXPECT_EQ(tavovxfSongMoveOut(h, 5, 0), VXF_ERR_FS_NOT_STARTED);
    ASSERT_EQ(tavovxfSongMoveOut(h, 1, 0), VXF_OK);
    EXPECT_EQ(state().openProject, state().projectList.handles[1]);
    EXPECT_EQ(state().projectList.lastProjectHandle, state().projectList.handles[1]);
    EXPECT_EQ(listedSongs(), (std::vector<uint32_t>{119}));
    uint32_t length = 0;
    EXPECT_EQ(tavovxfSongGetLength(h, &length), VXF_ERR_NO_PRIMARY_SONG);
    ASSERT_EQ(tavovxfProjectSetPrimary(h, 0), VXF_OK);
    EXPECT_EQ(listedSongs(), (std::vector<uint32_t>{126}));
}

TEST_F(SongLifecycle, AMoveOutThatFailsPutsTheSongBack) {
    uint32_t h = openWithSong();
    ASSERT_EQ(tavovxfSongCreate(h, 2, 48000, 24), VXF_OK);
    ASSERT_EQ(tavovxfProjectCreate(h), VXF_OK);
    ASSERT_EQ(tavovxfProjectSetPrimary(h, 0), VXF_OK);
    ASSERT_EQ(tavovxfSongSetPrimary(h, 0), VXF_OK);
    EXPECT_EQ(tavovxfSongMoveOut(h, 1, 1), VXF_ERR_INVALID_PARAMETER);  // the target holds no songs
    EXPECT_EQ(state().openProject, state().projectList.handles[0]);
    EXPECT_EQ(listedSongs(), (std::vector<uint32_t>{119, 126}));
}

// A write fault at any point of a move out: afterwards the song is listed
// in one of the two projects, never in none.
TEST_F(SongLifecycle, AWriteFaultDuringAMoveOutNeverLeavesTheSongInNoList) {
    for (uint64_t k = 1; k <= 8; ++k) {
        SCOPED_TRACE(k);
        makeDrive(smallDriveSectors(40), "drive" + std::to_string(k) + ".img");
        uint32_t h = open();
        ASSERT_EQ(tavovxfDriveFormat(h), VXF_OK);
        ASSERT_EQ(tavovxfSongCreate(h, 2, 48000, 24), VXF_OK);
        ASSERT_EQ(tavovxfProjectCreate(h), VXF_OK);
        ASSERT_EQ(tavovxfProjectSetPrimary(h, 0), VXF_OK);
        ASSERT_EQ(tavovxfSongSetPrimary(h, 0), VXF_OK);
        vxf1394::testing::failNthWrite(k);
        const int32_t result = tavovxfSongMoveOut(h, 1, 0);
        vxf1394::testing::clearWriteFailures();
        if (result != VXF_OK) {  // put back into the source project, in memory too
            const std::vector<uint32_t> source = listedSongs();
            EXPECT_EQ(state().openProject, state().projectList.handles[0]);
            EXPECT_EQ(std::count(source.begin(), source.end(), 119u), 1);
        }
        ASSERT_EQ(tavovxfDriveClose(h), VXF_OK);
        h = reopen();
        std::vector<uint32_t> first = listedSongs();
        ASSERT_EQ(tavovxfProjectSetPrimary(h, 1), VXF_OK);
        std::vector<uint32_t> second = listedSongs();
        const auto listings = std::count(first.begin(), first.end(), 119u) + std::count(second.begin(), second.end(), 119u);
        EXPECT_EQ(listings, 1) << "result " << result;
        ASSERT_EQ(tavovxfDriveClose(h), VXF_OK);
    }
}

// Handle A remembers a song that handle B then moves to another project:
// A's next call reopens its project without making that song current.
TEST_F(SongLifecycle, ARememberedSongIsLoadedOnlyWhileItsProjectListsIt) {
    uint32_t a = openWithSong();
    ASSERT_EQ(tavovxfProjectCreate(a), VXF_OK);
    ASSERT_EQ(tavovxfProjectSetPrimary(a, 0), VXF_OK);
    ASSERT_EQ(tavovxfSongSetPrimary(a, 0), VXF_OK);
    const uint32_t projectA = state().openProject;
    uint32_t b = 0;
    ASSERT_EQ(tavovxfDriveOpen(0, &b), VXF_OK);
    ASSERT_EQ(tavovxfProjectSetPrimary(b, 0), VXF_OK);
    ASSERT_EQ(tavovxfSongSetPrimary(b, 0), VXF_OK);
    ASSERT_EQ(tavovxfSongMoveOut(b, 1, 0), VXF_OK);
    uint32_t length = 9;
    EXPECT_EQ(tavovxfSongGetLength(a, &length), VXF_ERR_NO_PRIMARY_SONG);
    EXPECT_EQ(state().openProject, projectA);
    EXPECT_EQ(state().project.lastSongHandle, 119u);  // left as it was, not rewritten
    EXPECT_EQ(state().slots[state().currentSlot].song, 0u);
}
