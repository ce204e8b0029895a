// scan_repair_test.cpp - what the scan must put right after an interrupted change or a damaged record, without losing a take.
#include <gtest/gtest.h>

#include "volume/bitmaps.h"
#include "song/current_song.h"
#include "volume/project_record.h"
#include "platform/test_api.h"
#include "server_fixture.h"
#include "core/server_state.h"
#include "song_fixture.h"
#include "volume/super_block.h"
#include "volume_checks.h"
#include "vxfx.h"

namespace vxf::reliability {
namespace {

using vxfserver::state;
using vxfserver::test::Bytes;
using vxfserver::test::randomBytes;
using vxfserver::test::smallDriveSectors;

constexpr uint32_t kBlock2 = 98304;  // samples per track block of a 2-track song

class ScanRepair : public vxfserver::test::SongFixture {
protected:
    // A 2-track song of `blocks` blocks at the end of the open project; answers its track 0.
    Bytes addSong(uint32_t h, uint32_t blocks, uint32_t seed) {
        EXPECT_EQ(tavovxfSongCreate(h, 2, 48000, 24), VXF_OK);
        const Bytes audio = randomBytes(size_t(blocks) * kBlock2 * 3, seed);
        EXPECT_EQ(tavovxfTrackWrite(h, 0, 0, blocks * kBlock2, 3, 0, audio.data()), VXF_OK);
        return audio;
    }
    Bytes trackOf(uint32_t h, uint16_t project, uint16_t song) {
        EXPECT_EQ(tavovxfProjectSetPrimary(h, project), VXF_OK);
        EXPECT_EQ(tavovxfSongSetPrimary(h, song), VXF_OK);
        return readTrack(h, 0, 0, songLength(h));
    }
    // The current song's runs changed and saved with sound checksums, as damage that passes them.
    static void rewriteRuns(const std::function<void(vxfserver::BlockRun*)>& change) {
        change(state().song.runs);
        ASSERT_TRUE(vxfserver::saveSong());
    }
    VxfxScanReport scan(uint32_t h, int32_t expected = VXF_OK) {
        VxfxScanReport report{};
        EXPECT_EQ(vxfxDriveScan(h, &report), expected) << report.unresolved;
        errorText();
        return report;
    }
    void expectConsistent() {
        uint32_t h = 0;
        ASSERT_EQ(remount(h), VXF_OK);
        for (const std::string& problem : consistencyProblems(h)) ADD_FAILURE() << problem;
    }
};

// A create cut off after the count was written but before the slot was taken leaves the
// count one too high; the scan counts the slots the song bitmap holds.
TEST_F(ScanRepair, SongCountBecomesTheNumberOfSongSlotsInUse) {
    const uint32_t sectors = uint32_t(smallDriveSectors(8));
    const uint32_t h = openWithSong(2, 48000, sectors);
    ASSERT_EQ(tavovxfSongCreate(h, 2, 48000, 24), VXF_OK);
    patchSuperBlock(drivePath_, sectors, [](vxfserver::SuperBlock& sb) { sb.currentSongs = 5; });
    uint32_t handle = 0;
    ASSERT_EQ(remount(handle), VXF_OK);
    ASSERT_EQ(state().superBlock.currentSongs, 5u);
    ASSERT_EQ(tavovxfDriveScan(handle), VXF_OK);
    ASSERT_EQ(remount(handle), VXF_OK);
    EXPECT_EQ(state().superBlock.currentSongs, 2u);
}

// A move to another project cut between its two writes leaves the song in both lists: a delete
// in one of them keeps the take, and the scan keeps the song where the move was heading.
TEST_F(ScanRepair, ASongLeftInTwoProjectsByACutMoveKeepsItsTake) {
    uint32_t h = openFormatted(smallDriveSectors(16));
    const Bytes take = addSong(h, 2, 1);
    ASSERT_EQ(tavovxfProjectCreate(h), VXF_OK);
    ASSERT_EQ(tavovxfProjectSetPrimary(h, 0), VXF_OK);
    ASSERT_EQ(tavovxfSongSetPrimary(h, 0), VXF_OK);
    vxf1394::testing::failWritesAfter(4);  // the target lists it; its source never lets go
    EXPECT_EQ(tavovxfSongMoveOut(h, 1, 0), VXF_ERR_DISK_WRITE);
    vxf1394::testing::clearWriteFailures();
    errorText();

    ASSERT_EQ(remount(h), VXF_OK);
    ASSERT_EQ(tavovxfProjectSetPrimary(h, 0), VXF_OK);
    ASSERT_EQ(tavovxfSongSetPrimary(h, 0), VXF_OK);
    uint16_t listings = 0;
    ASSERT_EQ(vxfxSongGetListingCount(h, &listings), VXF_OK);
    ASSERT_EQ(listings, 2);
    ASSERT_EQ(tavovxfSongDelete(h), VXF_OK);
    addSong(h, 2, 2);  // a new song must not be given the take's slot or clusters
    EXPECT_EQ(trackOf(h, 1, 0), take);

    const VxfxScanReport report = scan(h);
    EXPECT_EQ(report.extraListings, 0u);
    expectConsistent();
    ASSERT_EQ(remount(h), VXF_OK);
    EXPECT_EQ(trackOf(h, 1, 0), take);
}

TEST_F(ScanRepair, TheScanKeepsOneListingOfASongListedTwice) {
    uint32_t h = openFormatted(smallDriveSectors(16));
    const Bytes take = addSong(h, 1, 3);
    const uint32_t song = state().song.lba;
    ASSERT_EQ(tavovxfProjectCreate(h), VXF_OK);
    ASSERT_TRUE(vxfserver::insertSong(song, 0) && vxfserver::insertSong(song, 1));  // twice in the new project
    ASSERT_EQ(tavovxfProjectSetPrimary(h, 0), VXF_OK);  // the last opened: where the song stays

    EXPECT_EQ(scan(h).extraListings, 2u);
    expectConsistent();
    ASSERT_EQ(remount(h), VXF_OK);
    EXPECT_EQ(trackOf(h, 0, 0), take);
    ASSERT_EQ(tavovxfProjectSetPrimary(h, 1), VXF_OK);
    uint16_t songs = 9;
    ASSERT_EQ(tavovxfSongGetNum(h, &songs), VXF_OK);
    EXPECT_EQ(songs, 0);
    EXPECT_EQ(scan(h).extraListings, 0u);
}

// A song bitmap whose bits are wrong but whose checksum is sound: every listed song is counted.
TEST_F(ScanRepair, ADamagedSongBitmapFreesNoListedSongsAudio) {
    uint32_t h = openFormatted(smallDriveSectors(16));
    const Bytes first = addSong(h, 2, 4);
    const Bytes second = addSong(h, 3, 5);
    std::fill(state().songBitmap.words, state().songBitmap.words + vxfserver::kSongBitmapBitWords, 0u);
    ASSERT_TRUE(vxfserver::writeSongBitmap());

    const VxfxScanReport report = scan(h);
    EXPECT_EQ(report.relistedSongs, 2u);
    EXPECT_EQ(report.spaceKiB, 0u);
    expectConsistent();
    ASSERT_EQ(remount(h), VXF_OK);
    EXPECT_EQ(state().superBlock.currentSongs, 2u);
    ASSERT_EQ(tavovxfProjectSetPrimary(h, 0), VXF_OK);
    addSong(h, 4, 6);  // lands in free space
    EXPECT_EQ(trackOf(h, 0, 0), first);
    EXPECT_EQ(trackOf(h, 0, 1), second);
    expectConsistent();
}

// Runs of one song pointed into another's clusters: before the scan neither is written into;
// the scan gives the later one copies, and both keep what they held.
TEST_F(ScanRepair, ClustersTwoSongsClaimAreCopiedSoEachKeepsItsAudio) {
    uint32_t h = openFormatted(smallDriveSectors(16));
    const Bytes first = addSong(h, 2, 7);
    const vxfserver::BlockRun firstRun = state().song.runs[0];
    addSong(h, 2, 8);
    rewriteRuns([&](vxfserver::BlockRun* runs) { runs[0] = firstRun; });
    const Bytes linked = trackOf(h, 0, 1);
    EXPECT_EQ(linked, first);

    // An import into either would overwrite the other: refused, nothing written.
    ASSERT_EQ(remount(h), VXF_OK);
    ASSERT_EQ(tavovxfProjectSetPrimary(h, 0), VXF_OK);
    ASSERT_EQ(tavovxfSongSetPrimary(h, 1), VXF_OK);
    vxf1394::testing::resetRequestCounters();
    EXPECT_EQ(tavovxfTrackWrite(h, 1, 0, 10, 3, 0, first.data()), VXF_ERR_SONG_CORRUPT);
    errorText();
    EXPECT_EQ(vxf1394::testing::requestCounters().writes, 0u);

    const VxfxScanReport report = scan(h);
    EXPECT_EQ(report.sharedClusters, 2u);
    EXPECT_EQ(report.copiedClusters, 2u);
    expectConsistent();
    ASSERT_EQ(remount(h), VXF_OK);
    EXPECT_EQ(trackOf(h, 0, 0), first);
    EXPECT_EQ(trackOf(h, 0, 1), linked);
    const VxfxScanReport again = scan(h);
    EXPECT_EQ(again.sharedClusters, 0u);
    EXPECT_EQ(again.spaceKiB, 0u);
}

TEST_F(ScanRepair, ABlockASongClaimsTwiceGetsACopy) {
    uint32_t h = openFormatted(smallDriveSectors(16));
    addSong(h, 3, 9);
    rewriteRuns([](vxfserver::BlockRun* runs) { runs[0].length = 1, runs[1] = runs[0], runs[1].length = 2; });
    state().song.audioBlocks = 3;
    ASSERT_TRUE(vxfserver::saveSong());
    const Bytes before = trackOf(h, 0, 0);

    EXPECT_EQ(scan(h).copiedClusters, 1u);
    expectConsistent();
    ASSERT_EQ(remount(h), VXF_OK);
    EXPECT_EQ(trackOf(h, 0, 0), before);
}

TEST_F(ScanRepair, WithNoFreeClusterForACopyTheSharingSongsStayAsTheyWere) {
    uint32_t h = openFormatted(smallDriveSectors(4));
    const Bytes first = addSong(h, 2, 10);
    const vxfserver::BlockRun firstRun = state().song.runs[0];
    addSong(h, 2, 11);
    const vxfserver::BlockRun secondRun = state().song.runs[0];
    rewriteRuns([&](vxfserver::BlockRun* runs) { runs[0] = firstRun; });
    const Bytes linked = trackOf(h, 0, 1);
    // The second song's own clusters claimed by a third: no cluster of the drive is free.
    ASSERT_EQ(tavovxfSongCreate(h, 2, 48000, 24), VXF_OK);
    state().song.audioBlocks = secondRun.length;
    state().song.samples = 10;
    rewriteRuns([&](vxfserver::BlockRun* runs) { runs[0] = secondRun; });

    const VxfxScanReport report = scan(h, VXF_ERR_DISK_FULL);
    EXPECT_EQ(report.copiedClusters, 0u);
    EXPECT_NE(std::string(report.unresolved).find("no free space"), std::string::npos) << report.unresolved;
    ASSERT_EQ(remount(h), VXF_OK);
    EXPECT_EQ(trackOf(h, 0, 0), first);
    EXPECT_EQ(trackOf(h, 0, 1), linked);
    EXPECT_TRUE(safetyProblems(h).size() > 0);  // still shared, and said so
}

// A run into the system area is damage to cut away, not a reason to lose the song.
TEST_F(ScanRepair, ARunOutsideTheAudioSpaceIsCutAndTheSongKept) {
    uint32_t h = openFormatted(smallDriveSectors(16));
    addSong(h, 1, 13);
    const Bytes take = addSong(h, 1, 14);
    EXPECT_EQ(tavovxfSongCreate(h, 2, 48000, 24), VXF_OK);
    const Bytes longer = randomBytes(size_t(2) * kBlock2 * 3, 15);
    ASSERT_EQ(tavovxfTrackWrite(h, 0, 0, 2 * kBlock2, 3, 0, longer.data()), VXF_OK);
    rewriteRuns([](vxfserver::BlockRun* runs) {
        runs[1] = vxfserver::BlockRun{runs[0].lba + runs[0].length * 1152, 1};
        runs[0].length = 1;
        runs[1].lba = 1152;  // the system area
    });

    const VxfxScanReport report = scan(h);
    EXPECT_EQ(report.repairedSongs, 1u);
    EXPECT_EQ(report.removedSongs, 0u);
    expectConsistent();
    ASSERT_EQ(remount(h), VXF_OK);
    EXPECT_EQ(trackOf(h, 0, 1), take);
    ASSERT_EQ(tavovxfSongSetPrimary(h, 2), VXF_OK);
    EXPECT_EQ(songLength(h), kBlock2);
    EXPECT_EQ(readTrack(h, 0, 0, kBlock2), Bytes(longer.begin(), longer.begin() + kBlock2 * 3));
}

}  // namespace
}  // namespace vxf::reliability
