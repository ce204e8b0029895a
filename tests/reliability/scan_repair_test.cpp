// scan_repair_test.cpp - what the scan must put right after an interrupted change, beyond what the sweep shows.
#include <gtest/gtest.h>

#include "server_fixture.h"
#include "server_state.h"
#include "song_fixture.h"
#include "super_block.h"

namespace vxf::reliability {
namespace {

using vxfserver::test::smallDriveSectors;

class ScanRepair : public vxfserver::test::SongFixture {};

// A create cut off after the count was written but before the slot was taken leaves the
// count one too high; the scan counts the slots the song bitmap holds.
TEST_F(ScanRepair, SongCountBecomesTheNumberOfSongSlotsInUse) {
    const uint32_t sectors = uint32_t(smallDriveSectors(8));
    const uint32_t h = openWithSong(2, 48000, sectors);
    ASSERT_EQ(tavovxfSongCreate(h, 2, 48000, 24), VXF_OK);
    patchSuperBlock(drivePath_, sectors, [](vxfserver::SuperBlock& sb) { sb.currentSongs = 5; });
    uint32_t handle = 0;
    ASSERT_EQ(remount(handle), VXF_OK);
    ASSERT_EQ(vxfserver::state().superBlock.currentSongs, 5u);
    ASSERT_EQ(tavovxfDriveScan(handle), VXF_OK);
    ASSERT_EQ(remount(handle), VXF_OK);
    EXPECT_EQ(vxfserver::state().superBlock.currentSongs, 2u);
}

}  // namespace
}  // namespace vxf::reliability
