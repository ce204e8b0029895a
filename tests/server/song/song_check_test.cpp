// song_check_test.cpp - the song check: zero-length runs compacted, counts corrected, saved only when changed.
#include <gtest/gtest.h>

#include "song/current_song.h"
#include "core/errors.h"
#include "platform/test_api.h"
#include "song/song_check.h"
#include "song_fixture.h"

namespace vxfserver {
namespace {

constexpr uint32_t kBlock = 1152;
constexpr uint32_t kAudio = layout::kAudioSpaceLba;

class SongCheck : public test::SongFixture {
protected:
    // A formatted drive with a current 24-track song whose record carries the
    // given runs and counts (the clusters are not taken: the check never looks).
    uint32_t songWith(std::initializer_list<BlockRun> runs, uint32_t audioBlocks, uint32_t samples,
                      uint16_t tracks = 24) {
        uint32_t handle = openWithSong(tracks);
        Song& song = state().song;
        size_t i = 0;
        for (const BlockRun& run : runs) song.runs[i++] = run;
        song.audioBlocks = audioBlocks;
        song.samples = samples;
        EXPECT_TRUE(saveSong());
        return handle;
    }
    // The record as the drive holds it now.
    Song storedSong() {
        Song song;
        EXPECT_TRUE(readSongRecord(state().song.lba, song));
        return song;
    }
};

TEST_F(SongCheck, ZeroLengthRunsAreRemovedAndTheRecordSaved) {
    const BlockRun l1{kAudio, 3}, l2{kAudio + 10 * kBlock, 0}, l3{kAudio + 20 * kBlock, 2};
    songWith({l1, l2, l3}, 5, 5 * 8192);
    ASSERT_TRUE(checkCurrentSong());
    const Song stored = storedSong();
    EXPECT_EQ(stored.runs[0].lba, l1.lba);
    EXPECT_EQ(stored.runs[0].length, 3u);
    EXPECT_EQ(stored.runs[1].lba, l3.lba);
    EXPECT_EQ(stored.runs[1].length, 2u);
    EXPECT_EQ(stored.runs[2].lba, 0u);
    EXPECT_EQ(stored.audioBlocks, 5u);
    EXPECT_NE(state().flags & kFlagRunsCompacted, 0u);
}

TEST_F(SongCheck, SeveralZeroLengthRunsInARowAllGo) {
    songWith({{kAudio, 0}, {kAudio + kBlock, 0}, {kAudio + 2 * kBlock, 4}, {kAudio + 9 * kBlock, 0}}, 4, 0);
    ASSERT_TRUE(checkCurrentSong());
    const Song stored = storedSong();
    EXPECT_EQ(stored.runs[0].lba, kAudio + 2 * kBlock);
    EXPECT_EQ(stored.runs[0].length, 4u);
    EXPECT_EQ(stored.runs[1].lba, 0u);
}

TEST_F(SongCheck, TheBlockCountBecomesTheSumOfTheRuns) {
    songWith({{kAudio, 3}, {kAudio + 8 * kBlock, 4}}, 2, 0);
    ASSERT_TRUE(checkCurrentSong());
    EXPECT_EQ(storedSong().audioBlocks, 7u);
    EXPECT_EQ(state().flags & kFlagRunsCompacted, 0u);
}

TEST_F(SongCheck, ALengthBeyondTheBlocksIsCutToWhatTheyHold) {
    songWith({{kAudio, 2}}, 2, 20000);
    ASSERT_TRUE(checkCurrentSong());
    EXPECT_EQ(storedSong().samples, 16384u);
}

TEST_F(SongCheck, AConsistentSongIsLeftAloneAndNothingIsWritten) {
    songWith({{kAudio, 2}, {kAudio + 64 * kBlock, 1}}, 3, 20000);
    resetCounters();
    ASSERT_TRUE(checkCurrentSong());
    EXPECT_EQ(counters().writes, 0u);
    EXPECT_EQ(storedSong().samples, 20000u);
}

TEST_F(SongCheck, TheCapacityOfALargeSongIsComputedWithoutWrapping) {
    // 50000 blocks of 98304 samples pass 2^32: the full length fits, nothing changes.
    songWith({{kAudio, 50000}}, 50000, 0xFFFFFFFFu, 2);
    resetCounters();
    ASSERT_TRUE(checkCurrentSong());
    EXPECT_EQ(counters().writes, 0u);
    EXPECT_EQ(storedSong().samples, 0xFFFFFFFFu);
}

TEST_F(SongCheck, ARefusedSaveFailsTheCheckWithItsError) {
    songWith({{kAudio, 1}, {kAudio + kBlock, 0}}, 1, 0);
    vxf1394::testing::failNthWrite(1);
    EXPECT_FALSE(checkCurrentSong());
    EXPECT_EQ(lastError(), VXF_ERR_DISK_WRITE);
}

}  // namespace
}  // namespace vxfserver
