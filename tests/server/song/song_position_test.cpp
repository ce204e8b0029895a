// song_position_test.cpp - seeking and stepping through a song's block runs.
#include <gtest/gtest.h>

#include "song/block_runs.h"
#include "core/errors.h"
#include "song/track_layout.h"

namespace vxfserver {
bool operator==(const SongPosition& a, const SongPosition& b) {
    return a.blockIndex == b.blockIndex && a.runIndex == b.runIndex && a.offsetInRun == b.offsetInRun;
}
std::ostream& operator<<(std::ostream& out, const SongPosition& p) {
    return out << "(" << p.blockIndex << ", " << p.runIndex << ", " << p.offsetInRun << ")";
}
}  // namespace vxfserver

using namespace vxfserver;

namespace {

// Runs of 3, 2 and 4 blocks: 9 audio blocks.
struct Runs {
    BlockRun entries[kSongRunsInMemory]{};
    operator const BlockRun*() const { return entries; }
};

Runs threeRuns() {
    Runs runs;
    runs.entries[0] = {2000000, 3};
    runs.entries[1] = {3000000, 2};
    runs.entries[2] = {4000000, 4};
    return runs;
}

}  // namespace

TEST(SongSeek, FindsRunAndOffsetOfEveryBlock) {
    Runs runs = threeRuns();
    SongPosition p{};
    ASSERT_TRUE(seekPosition(runs, 9, 4, p));
    EXPECT_EQ(p, (SongPosition{4, 1, 1}));
    ASSERT_TRUE(seekPosition(runs, 9, 5, p));
    EXPECT_EQ(p, (SongPosition{5, 2, 0}));
    ASSERT_TRUE(seekPosition(runs, 9, 0, p));
    EXPECT_EQ(p, (SongPosition{0, 0, 0}));
}

TEST(SongSeek, TheSongsEndLandsJustPastTheLastRun) {
    Runs runs = threeRuns();
    SongPosition p{};
    ASSERT_TRUE(seekPosition(runs, 9, 9, p));
    EXPECT_EQ(p, (SongPosition{9, 2, 4}));
    setLastError(VXF_OK);
    EXPECT_FALSE(seekPosition(runs, 9, 10, p));
    EXPECT_EQ(lastError(), VXF_ERR_SONGINFO_CORRUPT2);
    EXPECT_EQ(p, (SongPosition{9, 2, 4}));
}

TEST(SongSeek, EmptySongOnlyHasBlockZero) {
    Runs runs;
    SongPosition p{5, 5, 5};
    ASSERT_TRUE(seekPosition(runs, 0, 0, p));
    EXPECT_EQ(p, (SongPosition{0, 0, 0}));
    EXPECT_FALSE(seekPosition(runs, 0, 1, p));
    EXPECT_EQ(lastError(), VXF_ERR_SONGINFO_CORRUPT2);
}

TEST(SongSeek, ACountAboveTheRunsIsTooFragmentedNotAnOverrun) {
    Runs runs = threeRuns();
    SongPosition p{};
    EXPECT_FALSE(seekPosition(runs, 50, 20, p));
    EXPECT_EQ(lastError(), VXF_ERR_SONG_FRAGMENTED);
}

TEST(SongStep, ReadingCrossesIntoTheNextRunAndStopsAtTheLastBlock) {
    Runs runs = threeRuns();
    SongPosition p{2, 0, 2};
    ASSERT_TRUE(stepForwardToRead(runs, 9, p));
    EXPECT_EQ(p, (SongPosition{3, 1, 0}));
    p = {8, 2, 3};
    EXPECT_FALSE(stepForwardToRead(runs, 9, p));
    EXPECT_EQ(lastError(), VXF_ERR_END_OF_SONG);
    EXPECT_EQ(p, (SongPosition{8, 2, 3}));
}

TEST(SongStep, WritingStepsOntoTheSongsEndInsideTheLastRun) {
    Runs runs = threeRuns();
    SongPosition p{8, 2, 3};
    ASSERT_TRUE(stepForwardToWrite(runs, 9, p));
    EXPECT_EQ(p, (SongPosition{9, 2, 4}));
    p = {4, 1, 1};
    ASSERT_TRUE(stepForwardToWrite(runs, 9, p));
    EXPECT_EQ(p, (SongPosition{5, 2, 0}));
}

TEST(SongStep, BackwardReturnsToThePreviousRunsLastBlock) {
    Runs runs = threeRuns();
    SongPosition p{5, 2, 0};
    ASSERT_TRUE(stepBackward(runs, p));
    EXPECT_EQ(p, (SongPosition{4, 1, 1}));
    p = SongPosition{};
    EXPECT_FALSE(stepBackward(runs, p));
    EXPECT_EQ(lastError(), VXF_ERR_END_OF_SONG);
}

TEST(SongAddress, BlockLbaIsRunStartPlusWholeAudioBlocks) {
    Runs runs = threeRuns();
    uint32_t lba = 0;
    ASSERT_TRUE(audioBlockLba(runs, 9, {4, 1, 1}, lba));
    EXPECT_EQ(lba, 3000000u + kSectorsPerAudioBlock);
    EXPECT_FALSE(audioBlockLba(runs, 9, {9, 2, 4}, lba));
    EXPECT_EQ(lastError(), VXF_ERR_END_OF_SONG);
    EXPECT_FALSE(audioBlockLba(runs, 12, {9, 2, 4}, lba));
    EXPECT_EQ(lastError(), VXF_ERR_UNEXPECTED_END_OF_SONG);
}

TEST(SongRuns, TheFirstEmptyLbaEndsTheList) {
    Runs runs = threeRuns();
    runs.entries[4] = {5000000, 7};  // after the end marker: not part of the song
    EXPECT_EQ(runsInUse(runs), 3u);
    EXPECT_EQ(blocksInRuns(runs), 9u);
}
