// scan_command_test.cpp - vxf scan run as a user runs it on a damaged volume: removed songs and the space figure.
#include <gtest/gtest.h>

#include "scan_fixture.h"
#include "tool_runner.h"

namespace vxfserver {
namespace {

using ScanCommand = test::MaintenanceFixture;

TEST_F(ScanCommand, ReportsTheRemovedSongsAndTheSpaceTheScanCorrected) {
    uint32_t handle = openFormatted();
    songWithAudio(handle, 1, 41);
    const uint32_t broken = songWithAudio(handle, 3, 42);  // two clusters
    ASSERT_EQ(tavovxfProjectCreate(handle), VXF_OK);
    songWithAudio(handle, 1, 43);
    state().audioBitmap.words[9] |= 1u;  // a cluster no song uses
    state().superBlock.availableClusters -= 1;
    ASSERT_TRUE(writeAudioBitmap() && writeSuperBlock());
    ASSERT_EQ(tavovxfProjectSetPrimary(handle, 1), VXF_OK);
    ASSERT_EQ(tavovxfDriveClose(handle), VXF_OK);
    breakBothCopies(broken, 2);

    test::ToolRun run = test::runTool("scan --drive 1", "2>&1");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(run.out, "scanned drive 1: 1 song removed, 3456 KiB of space corrected, 38403072 KiB free\n");
    run = test::runTool("scan --drive 1 --json", "2>&1");
    EXPECT_EQ(run.out, "{\"drive\": 1, \"removedSongs\": 0, \"spaceKiB\": 0, \"freeKiB\": 38403072, "
                       "\"projectEntriesDropped\": 0, \"extraListingsRemoved\": 0, \"songSlotsMarked\": 0, \"songsWithRunsCut\": 0, "
                       "\"sharedClusters\": 0, \"copiedClusters\": 0}\n");
    // Counting the songs leaves the primary project as it was.
    handle = open();
    uint16_t primary = 0;
    ASSERT_EQ(tavovxfProjectGetLastPrimary(handle, &primary), VXF_OK);
    EXPECT_EQ(primary, 1);
}

TEST_F(ScanCommand, ABlankDriveShowsTheServersSentence) {
    makeDrive(1500000);
    const test::ToolRun run = test::runTool("scan --drive 1", "2>&1");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("The file system has a corrupt Super Block."), std::string::npos) << run.out;
}

}  // namespace
}  // namespace vxfserver
