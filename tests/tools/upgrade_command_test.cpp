// upgrade_command_test.cpp - vxf upgrade run as a user runs it on a "1.00 " volume built here.
#include <gtest/gtest.h>

#include <cstring>

#include "server_fixture.h"
#include "tool_runner.h"

namespace vxfserver {
namespace {

using UpgradeCommand = test::ServerFixture;

TEST_F(UpgradeCommand, AnOldVolumeIsUpgradedOnlyWithYes) {
    uint32_t handle = openFormatted(1500000);
    ASSERT_EQ(tavovxfDriveClose(handle), VXF_OK);
    patchSuperBlock(drivePath_, 1500000, [](SuperBlock& sb) { std::memcpy(sb.version, "1.00 ", 6); });
    const test::Sector old = readSector(drivePath_, 0);

    test::ToolRun run = test::runTool("upgrade --drive 1", "2>&1");
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(readSector(drivePath_, 0), old);
    run = test::runTool("upgrade --drive 1 --yes", "2>&1");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(run.out, "upgraded drive 1 to TAVO VXF 1.10: 73152 KiB free\n");
    run = test::runTool("upgrade --drive 1 --yes", "2>&1");
    EXPECT_EQ(run.out, "drive 1 is already TAVO VXF 1.10\n");
    handle = open();
    char version[VXF_VERSION_SIZE] = {};
    ASSERT_EQ(tavovxfDriveGetFSVersion(handle, version), VXF_OK);
    EXPECT_STREQ(version, "1.10 ");
}

}  // namespace
}  // namespace vxfserver
