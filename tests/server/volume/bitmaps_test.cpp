// bitmaps_test.cpp - bitmap tails, the four steps of cluster allocation, freeing, census, song slots and bitmap repair.
#include <gtest/gtest.h>

#include <vector>

#include "volume/bitmaps.h"
#include "core/errors.h"
#include "core/record.h"
#include "server_fixture.h"
#include "core/server_state.h"
#include "song/song_slots.h"
#include "volume/super_block.h"

namespace vxfserver {
namespace {

constexpr uint32_t kS = test::kDriveSectors;
constexpr uint32_t kAudioLba = layout::kAudioSpaceLba;
constexpr uint32_t kClusterSectors = 2 * 1152;

TEST(BitmapTail, CountOnAWordBoundarySetsEveryWordFromThere) {
    std::vector<uint32_t> words(10, 0);
    setBitmapTail(words.data(), 10, 64);
    EXPECT_EQ(words[0], 0u);
    EXPECT_EQ(words[1], 0u);
    for (size_t w = 2; w < 10; ++w) EXPECT_EQ(words[w], 0xFFFFFFFFu) << w;
}

TEST(BitmapTail, PartialWordKeepsItsExistingBitsClear) {
    std::vector<uint32_t> words(1918, 0);
    setBitmapTail(words.data(), 1918, 33338);
    EXPECT_EQ(words[1040], 0u);
    EXPECT_EQ(words[1041], 0xFC000000u);
    EXPECT_EQ(words[1042], 0xFFFFFFFFu);
    EXPECT_EQ(words[1917], 0xFFFFFFFFu);
}

// The audio bitmap of a 78165360-sector volume, in memory only.
class Allocation : public ::testing::Test {
protected:
    void SetUp() override {
        resetServerState();
        SuperBlock& sb = state().superBlock;
        sb.sectorsPerAudioBlock = 1152;
        sb.audioBlocksPerCluster = 2;
        sb.audioSpaceLba = kAudioLba;
        sb.audioSpaceLength = kS - layout::kLayoutOverhead;
        sb.audioBitmapActiveWords = 1042;
        sb.availableClusters = 33338;
        initAudioBitmap(5, nullptr);
    }
    uint32_t* words() { return state().audioBitmap.words; }
    uint32_t available() { return state().superBlock.availableClusters; }
    static uint32_t lbaOfCluster(uint32_t k) { return kAudioLba + k * kClusterSectors; }
};

TEST_F(Allocation, RestOfTheLastClusterComesFirstWithoutBitmapChange) {
    words()[0] = 1;
    BlockRun grant{};
    ASSERT_TRUE(allocateAudioBlocks({lbaOfCluster(0), 1}, grant));
    EXPECT_EQ(grant.lba, lbaOfCluster(0) + 1152);
    EXPECT_EQ(grant.length, 1u);
    EXPECT_EQ(words()[0], 1u);
    EXPECT_EQ(state().flags, 0u);
}

TEST_F(Allocation, RunGrowsIntoTheFreeClustersThatFollowItInItsWord) {
    words()[0] = 0b1001;  // the run holds cluster 0; cluster 3 belongs to someone else
    BlockRun grant{};
    ASSERT_TRUE(allocateAudioBlocks({lbaOfCluster(0), 2}, grant));
    EXPECT_EQ(grant.lba, lbaOfCluster(1));
    EXPECT_EQ(grant.length, 4u);
    EXPECT_EQ(words()[0], 0b1111u);
    EXPECT_EQ(available(), 33336u);
    EXPECT_EQ(state().flags, kFlagAudioBitmapChanged | kFlagSuperBlockChanged);
}

TEST_F(Allocation, RunEndingOnAWordBoundaryTakesAWholeFreeWordInstead) {
    words()[0] = 0xFFFFFFFF;
    words()[1] = 0xFFFFFFFE;  // cluster 32 is free but lies in the next word
    BlockRun grant{};
    ASSERT_TRUE(allocateAudioBlocks({lbaOfCluster(0), 64}, grant));
    EXPECT_EQ(grant.lba, lbaOfCluster(64));
    EXPECT_EQ(grant.length, 64u);
    EXPECT_EQ(words()[2], 0xFFFFFFFFu);
    EXPECT_EQ(available(), 33338u - 32);
}

TEST_F(Allocation, WithoutAFreeWordTheLowestClearBitOfTheLowestWordIsTaken) {
    for (uint32_t w = 0; w < 1042; ++w) words()[w] = 0xFFFFFFFF;
    words()[5] = 0xFFFFFF0F;
    words()[3] = 0xFFFF7FFF;
    BlockRun grant{};
    ASSERT_TRUE(allocateAudioBlocks({0, 0}, grant));
    EXPECT_EQ(grant.lba, lbaOfCluster(3 * 32 + 15));
    EXPECT_EQ(grant.length, 2u);
    EXPECT_EQ(words()[3], 0xFFFFFFFFu);
}

TEST_F(Allocation, FullAudioSpaceFailsAndChangesNothing) {
    for (uint32_t w = 0; w < 1042; ++w) words()[w] = 0xFFFFFFFF;
    state().superBlock.availableClusters = 0;
    BlockRun grant{};
    EXPECT_FALSE(allocateAudioBlocks({0, 0}, grant));
    EXPECT_EQ(lastError(), VXF_ERR_DISK_FULL);
    EXPECT_EQ(available(), 0u);
    EXPECT_EQ(state().flags, 0u);
}

TEST_F(Allocation, TailNeverGrantsAClusterThatDoesNotExist) {
    for (uint32_t w = 0; w < 1041; ++w) words()[w] = 0xFFFFFFFF;
    words()[1041] = 0xFFFFFFFF;  // bits 0 to 25 are the last real clusters
    BlockRun grant{};
    EXPECT_FALSE(allocateAudioBlocks({lbaOfCluster(33336), 4}, grant));
    EXPECT_EQ(lastError(), VXF_ERR_DISK_FULL);
}

TEST_F(Allocation, FreeingAClusterTwiceCountsItOnce) {
    words()[0] = 0b110;
    state().superBlock.availableClusters = 100;
    EXPECT_TRUE(freeAudioCluster(lbaOfCluster(1) + 1152));
    EXPECT_TRUE(freeAudioCluster(lbaOfCluster(1)));
    EXPECT_EQ(available(), 101u);
    EXPECT_EQ(words()[0], 0b100u);
}

TEST_F(Allocation, FreeingOutsideTheAudioSpaceChangesNothing) {
    const std::vector<uint32_t> before(words(), words() + kAudioBitmapWords);
    EXPECT_FALSE(freeAudioCluster(kAudioLba - 1));
    EXPECT_FALSE(freeAudioCluster(lbaOfCluster(33338)));
    EXPECT_FALSE(freeAudioCluster(0xFFFFFFFF));
    EXPECT_EQ(std::vector<uint32_t>(words(), words() + kAudioBitmapWords), before);
    EXPECT_EQ(available(), 33338u);
}

TEST_F(Allocation, CensusCountsEachClusterOfTheRunsOnce) {
    std::vector<uint32_t> work(kAudioBitmapWords, 0xFFFFFFFF);
    const BlockRun runs[] = {{lbaOfCluster(0), 3}, {lbaOfCluster(1) + 1152, 3}, {lbaOfCluster(40), 2}, {0, 0},
                             {lbaOfCluster(50), 2}};
    EXPECT_EQ(censusOfRuns(runs, 5, work.data()), 4u);  // clusters 0, 1, 2 and 40
    EXPECT_EQ(work[0], 0xFFFFFFF8u);
    EXPECT_EQ(work[1], 0xFFFFFEFFu);
}

using SongSlots = test::ServerFixture;

TEST_F(SongSlots, SlotsAreTakenLowestFirstAndReusedAfterRelease) {
    openFormatted();
    std::vector<uint32_t> handles;
    for (int i = 0; i < 6; ++i) {
        uint32_t handle = 0;
        ASSERT_TRUE(takeSongSlot(handle));
        handles.push_back(handle);
    }
    EXPECT_EQ(handles[0], 119u);
    EXPECT_EQ(handles[1], 126u);
    ASSERT_TRUE(releaseSongSlot(handles[3]));
    uint32_t again = 0;
    ASSERT_TRUE(takeSongSlot(again));
    EXPECT_EQ(again, handles[3]);
    // Written to both copies.
    EXPECT_EQ(readSector(drivePath_, 2), readSector(drivePath_, kS - 5));
    EXPECT_EQ(getWord(readSector(drivePath_, 2).data()), 0x3Fu);
}

TEST_F(SongSlots, AllSlotsInUseGivesNoSongAvailable) {
    openFormatted();
    uint32_t* words = state().songBitmap.words;
    for (size_t w = 0; w < 306; ++w) words[w] = 0xFFFFFFFF;
    words[306] |= 0x1FF;
    uint32_t handle = 0;
    EXPECT_FALSE(takeSongSlot(handle));
    EXPECT_EQ(lastError(), VXF_ERR_NO_SONG_AVAILABLE);
    EXPECT_FALSE(releaseSongSlot(118));
    EXPECT_FALSE(releaseSongSlot(119 + 9801 * 7));
    EXPECT_EQ(lastError(), VXF_ERR_INVALID_PARAMETER);
}

TEST_F(SongSlots, FreshSongBitmapHasItsTailAndMagic) {
    openFormatted();
    const uint32_t* words = state().songBitmap.words;
    EXPECT_EQ(words[305], 0u);
    EXPECT_EQ(words[306], 0xFFFFFE00u);
    EXPECT_EQ(words[307], 0xFFFFFFFFu);
    EXPECT_EQ(words[381], 0xFFFFFFFFu);
    EXPECT_EQ(words[382], 0xFFFD0002u);
}

// Slot 9800 is the volume's last (the bits after it are the tail, set in memory): the slots in
// use are found from word to word, in order, and never in the tail.
TEST_F(SongSlots, SlotsInUseAreFoundInOrderUpToTheLastSlotAndNotInTheTail) {
    openFormatted();
    uint32_t* words = state().songBitmap.words;
    const std::vector<uint32_t> used = {0, 31, 32, 33, 95, 4000, 9800};
    for (uint32_t slot : used) words[slot / 32] |= 1u << (slot % 32);
    std::vector<uint32_t> found;
    for (uint32_t b = nextSongSlotSet(words, 0); b != kNoSongSlot; b = nextSongSlotSet(words, b + 1)) found.push_back(b);
    EXPECT_EQ(found, used);
    EXPECT_EQ(songSlotsSet(words), used.size());
    EXPECT_EQ(nextSongSlotSet(words, 34), 95u);
    EXPECT_EQ(nextSongSlotSet(words, 4001), 9800u);
    EXPECT_EQ(nextSongSlotSet(words, 9801), kNoSongSlot);
    EXPECT_EQ(nextSongSlotSet(words, 50000), kNoSongSlot);
}

class BitmapRepair : public test::ServerFixture {
protected:
    int32_t remount() { return test::ServerFixture::remount(handle_); }
    uint32_t handle_ = 0;
};

TEST_F(BitmapRepair, AudioBitmapWithBadFirstCopyIsRewrittenFromTheMirror) {
    openFormatted();
    damageSector(drivePath_, 12);
    ASSERT_EQ(remount(), VXF_OK);
    for (uint32_t i = 0; i < 15; ++i) EXPECT_EQ(readSector(drivePath_, 5 + i), readSector(drivePath_, kS - 20 + i));
}

TEST_F(BitmapRepair, SongBitmapWithBadMirrorIsRewrittenFromTheFirstCopy) {
    openFormatted();
    damageSector(drivePath_, kS - 4);
    ASSERT_EQ(remount(), VXF_OK);
    EXPECT_EQ(readSector(drivePath_, 3), readSector(drivePath_, kS - 4));
}

TEST_F(BitmapRepair, BothCopiesBadRefusesTheMountWithTheMirrorsError) {
    openFormatted();
    damageSector(drivePath_, 5);
    damageSector(drivePath_, kS - 20);
    EXPECT_EQ(remount(), VXF_ERR_ABITMAP_CORRUPT);
    damageSector(drivePath_, 4);
    damageSector(drivePath_, kS - 3);
    EXPECT_EQ(remount(), VXF_ERR_SBITMAP_CORRUPT);
}

TEST_F(BitmapRepair, UnreadableSectorInOneCopyIsRepairedFromTheOther) {
    openFormatted();
    vxf1394::testing::Faults faults;
    faults.readErrors.push_back({kS - 10, kS - 10});
    vxf1394::testing::setFaults(drivePath_, faults);
    resetCounters();
    ASSERT_EQ(remount(), VXF_OK);
    EXPECT_GT(counters().writes, 0u);
}

TEST_F(BitmapRepair, BothCopiesUnreadableReportsTheReadError) {
    openFormatted();
    vxf1394::testing::Faults faults;
    faults.readErrors.push_back({7, 7});
    faults.readErrors.push_back({kS - 10, kS - 10});
    vxf1394::testing::setFaults(drivePath_, faults);
    EXPECT_EQ(remount(), VXF_ERR_DISK_READ);
    EXPECT_EQ(failedReadRange().first, kS - 20);
    EXPECT_EQ(failedReadRange().last, kS - 6);
}

TEST_F(BitmapRepair, ClearTailOnTheDriveIsSetAgainInMemory) {
    openFormatted();
    // Word 1041 holds the last clusters and the start of the tail; clear it on both copies.
    for (uint64_t base : {uint64_t(5), uint64_t(kS - 20)}) {
        std::vector<test::Sector> sectors;
        for (uint32_t i = 0; i < 15; ++i) sectors.push_back(readSector(drivePath_, base + i));
        std::vector<uint8_t> bytes(15 * 512);
        for (uint32_t i = 0; i < 15; ++i) std::copy(sectors[i].begin(), sectors[i].end(), bytes.begin() + i * 512);
        putWord(bytes.data() + 4 * 1041, 0);
        putWord(bytes.data() + 4 * 1500, 0);
        storeChecksum(bytes.data(), bytes.size());
        for (uint32_t i = 0; i < 15; ++i) {
            test::Sector s;
            std::copy(bytes.begin() + i * 512, bytes.begin() + (i + 1) * 512, s.begin());
            writeSector(drivePath_, base + i, s);
        }
    }
    ASSERT_EQ(remount(), VXF_OK);
    EXPECT_EQ(state().audioBitmap.words[1041], 0xFC000000u);
    EXPECT_EQ(state().audioBitmap.words[1500], 0xFFFFFFFFu);
}

}  // namespace
}  // namespace vxfserver
