// song_load_test.cpp - loading song records: repair of either copy, and values from the drive that cannot be trusted.
#include <gtest/gtest.h>

#include "platform/test_api.h"
#include "core/record.h"
#include "song_fixture.h"

using namespace vxfserver;
using namespace vxfserver::test;

namespace {

constexpr uint32_t kFirstSong = layout::kSongLba;
constexpr uint32_t kRunsBlock = kFirstSong + 2;

class SongLoad : public SongFixture {
protected:
    // A 24-track song of two blocks in slot 0, then a fresh handle with the
    // first project open and no song current.
    uint32_t savedSong() {
        uint32_t h = openWithSong(24, 48000);
        Bytes samples = randomBytes(2 * 8192 * 3, 1);
        EXPECT_EQ(tavovxfTrackWrite(h, 0, 0, 2 * 8192, 3, 0, samples.data()), VXF_OK);
        audio_ = samples;
        EXPECT_EQ(tavovxfDriveClose(h), VXF_OK);
        return reopen();
    }

    uint64_t mirrorOf(uint32_t lba, uint32_t sectors) { return uint64_t(state().sectorCount) - lba - sectors; }

    Bytes audio_;
};

}  // namespace

TEST_F(SongLoad, ADamagedFirstInfoCopyIsRepairedFromTheMirror) {
    uint32_t h = savedSong();
    damageSector(drivePath_, kFirstSong);
    ASSERT_EQ(tavovxfSongSetPrimary(h, 0), VXF_OK);
    EXPECT_EQ(imageBytes(drivePath_, kFirstSong, 2), imageBytes(drivePath_, mirrorOf(kFirstSong, 2), 2));
    EXPECT_EQ(readTrack(h, 0, 0, 2 * 8192), audio_);
}

TEST_F(SongLoad, ADamagedMirrorRunsCopyIsRepairedFromTheFirst) {
    uint32_t h = savedSong();
    damageSector(drivePath_, mirrorOf(kRunsBlock, 5) + 4);
    ASSERT_EQ(tavovxfSongSetPrimary(h, 0), VXF_OK);
    EXPECT_EQ(imageBytes(drivePath_, kRunsBlock, 5), imageBytes(drivePath_, mirrorOf(kRunsBlock, 5), 5));
}

TEST_F(SongLoad, BothInfoCopiesDamagedMakeTheSongCorrupt) {
    uint32_t h = savedSong();
    damageSector(drivePath_, kFirstSong);
    damageSector(drivePath_, mirrorOf(kFirstSong, 2));
    EXPECT_EQ(tavovxfSongSetPrimary(h, 0), VXF_ERR_SONG_CORRUPT);
    uint32_t length = 9;
    EXPECT_EQ(tavovxfSongGetLength(h, &length), VXF_ERR_NO_PRIMARY_SONG);
    EXPECT_EQ(length, 0u);
}

TEST_F(SongLoad, ARunsBlockSealedForAnotherLbaIsCorrupt2) {
    uint32_t h = savedSong();
    patchBothCopies(kRunsBlock, 5, [](uint8_t* block) { putWord(block + 0x9F8, magicOf(kRunsBlock + 7)); });
    EXPECT_EQ(tavovxfSongSetPrimary(h, 0), VXF_ERR_SONG_CORRUPT2);
}

TEST_F(SongLoad, TrackLayoutsThatDisagreeWithTheTableAreRefused) {
    struct Damage {
        const char* what;
        std::function<void(uint8_t*)> change;
    };
    const Damage damages[] = {
        {"25 stored tracks", [](uint8_t* b) { putHalf(b + 0x32, 25); }},
        {"no stored tracks", [](uint8_t* b) { putHalf(b + 0x32, 0); }},
        {"samples per block of 12 tracks", [](uint8_t* b) { putWord(b + 0x10, 16384); }},
        {"sectors per block", [](uint8_t* b) { putWord(b + 0x0C, 1152); }},
        {"frames per block", [](uint8_t* b) { putWord(b + 0x08, 0); }},
        {"rate 0", [](uint8_t* b) { b[0x35] = b[0x36] = b[0x37] = 0; }},
    };
    uint32_t h = savedSong();
    const Bytes good = imageBytes(drivePath_, kFirstSong, 2);
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.what);
        patchBothCopies(kFirstSong, 2, [&](uint8_t* b) {
            std::memcpy(b, good.data(), good.size());
            damage.change(b);
        });
        EXPECT_EQ(tavovxfSongSetPrimary(h, 0), VXF_ERR_SONG_CORRUPT);
    }
}

TEST_F(SongLoad, RunsOutsideTheAudioSpaceAreRefusedAndNothingIsWritten) {
    uint32_t h = savedSong();
    const uint32_t clusterEnd = layout::kAudioSpaceLba + totalClusters(state().superBlock) * 2 * 1152;
    const std::pair<uint32_t, uint32_t> runs[] = {
        {1000, 2},                                  // the system area
        {layout::kEditSpaceLba, 1},                 // the edit space
        {layout::kAudioSpaceLba + 5, 2},            // not on an audio block
        {clusterEnd - 1152, 2},                     // running past the last cluster
        {0xFFFFFC00u, 4},                           // wrapping around
    };
    for (auto [lba, length] : runs) {
        SCOPED_TRACE(lba);
        patchBothCopies(kRunsBlock, 5, [&](uint8_t* b) {
            putWord(b, lba);
            putWord(b + 4, length);
            putWord(b + 8, 0);
            putWord(b + 12, 0);
        });
        const Bytes before = systemArea(drivePath_);
        EXPECT_EQ(tavovxfSongSetPrimary(h, 0), VXF_ERR_SONG_CORRUPT);
        EXPECT_EQ(systemArea(drivePath_), before);
    }
}

TEST_F(SongLoad, AListedHandleThatIsNoSongSlotIsNeverReadOrRepaired) {
    uint32_t h = savedSong();
    const uint32_t project = state().openProject;
    patchRecord(drivePath_, project, [](uint8_t* p) { putWord(p + 0x20, layout::kSongLba + 3); });
    patchRecord(drivePath_, state().sectorCount - project - 1, [](uint8_t* p) { putWord(p + 0x20, layout::kSongLba + 3); });
    ASSERT_EQ(tavovxfDriveClose(h), VXF_OK);
    h = reopen();
    const Bytes before = systemArea(drivePath_);
    resetCounters();
    EXPECT_EQ(tavovxfSongSetPrimary(h, 0), VXF_ERR_SONG_CORRUPT);
    EXPECT_EQ(counters().reads, 0u);
    EXPECT_EQ(counters().writes, 0u);
    EXPECT_EQ(systemArea(drivePath_), before);
}

TEST_F(SongLoad, RunsThatDisagreeWithTheBlockCountAreReadButNeitherGrownNorFreed) {
    uint32_t h = savedSong();
    patchBothCopies(kFirstSong, 2, [](uint8_t* b) { putWord(b, 1); });  // the runs hold 2 blocks
    ASSERT_EQ(tavovxfSongSetPrimary(h, 0), VXF_OK);
    Bytes samples(300);
    EXPECT_EQ(tavovxfTrackWrite(h, 0, 0, 100, 3, 0, samples.data()), VXF_ERR_SONG_CORRUPT);
    const uint32_t freeBefore = state().superBlock.availableClusters;
    EXPECT_EQ(tavovxfSongDelete(h), VXF_ERR_UNEXPECTED_END_OF_SONG);
    EXPECT_EQ(state().superBlock.availableClusters, freeBefore);
    uint16_t songs = 0;
    ASSERT_EQ(tavovxfSongGetNum(h, &songs), VXF_OK);
    EXPECT_EQ(songs, 1);
}

// Every cluster but every second one is taken, so that each block a song
// grows by opens a run of its own.
TEST_F(SongLoad, ASixtyFifthRunIsRefusedAndTheDriveKeepsTheSixtyFour) {
    uint32_t h = openWithSong(24, 48000, smallDriveSectors(200));
    for (uint32_t w = 0; w < state().superBlock.audioBitmapActiveWords; ++w) {
        state().audioBitmap.words[w] |= 0x55555555u;
    }
    Bytes samples = randomBytes(65 * 8192 * 3, 2);
    for (uint32_t b = 0; b < 64; ++b) {
        ASSERT_EQ(tavovxfTrackWrite(h, 0, b * 8192, 8192, 3, 0, &samples[b * 8192 * 3]), VXF_OK) << b;
    }
    ASSERT_EQ(runsInUse(state().song.runs), 64u);
    const Bytes before = systemArea(drivePath_);
    const AudioBitmap bitmap = state().audioBitmap;
    const uint32_t freeBefore = state().superBlock.availableClusters;
    EXPECT_EQ(tavovxfTrackWrite(h, 0, 64 * 8192, 8192, 3, 0, &samples[64 * 8192 * 3]), VXF_ERR_SONG_FRAGMENTED2);
    EXPECT_EQ(systemArea(drivePath_), before);
    EXPECT_EQ(std::memcmp(&bitmap, &state().audioBitmap, sizeof bitmap), 0);
    EXPECT_EQ(state().superBlock.availableClusters, freeBefore);
    EXPECT_EQ(runsInUse(state().song.runs), 64u);
    EXPECT_EQ(songLength(h), 64u * 8192);

    // Reloaded from the drive, the song has all its runs and audio.
    ASSERT_EQ(tavovxfDriveClose(h), VXF_OK);
    h = reopen();
    ASSERT_EQ(tavovxfSongSetPrimary(h, 0), VXF_OK);
    EXPECT_EQ(state().song.audioBlocks, 64u);
    EXPECT_EQ(readTrack(h, 0, 0, 64 * 8192), Bytes(samples.begin(), samples.begin() + 64 * 8192 * 3));
}
