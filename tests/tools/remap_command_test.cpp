// remap_command_test.cpp - vxf remap run as a user runs it: chunks narrowed to the bad sectors, totals, the fix.
#include <gtest/gtest.h>

#include <fstream>

#include "server_fixture.h"
#include "tool_runner.h"

namespace vxfserver {
namespace {

class RemapCommand : public test::ServerFixture {
protected:
    void SetUp() override {
        ServerFixture::SetUp();
        makeDrive(20000);
        pattern_.fill(0x3C);
        for (uint32_t lba : {5000u, 15000u, 15001u}) writeSector(drivePath_, lba, pattern_);
        std::ofstream(drivePath_ + ".faults") << "read-error 5000 5000\nread-error 15000 15001\n";
    }
    static bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }
    test::Sector pattern_{};
};

TEST_F(RemapCommand, TheWholeDriveIsTestedAndEachBadSectorNamed) {
    const test::ToolRun run = test::runTool("remap --drive 1", "2>&1");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_TRUE(contains(run.out, "bad sector 5000\nbad sector 15000\nbad sector 15001\n")) << run.out;
    EXPECT_TRUE(contains(run.out, "drive 1: 20000 sectors tested from 0, 3 bad, 0 rewritten")) << run.out;
    EXPECT_EQ(readSector(drivePath_, 15001), pattern_);
}

TEST_F(RemapCommand, FixRewritesOnlyTheBadSectors) {
    const test::ToolRun run = test::runTool("remap --drive 1 --fix", "2>&1");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_TRUE(contains(run.out, "bad sector 5000 (rewritten)")) << run.out;
    EXPECT_TRUE(contains(run.out, "3 bad, 3 rewritten")) << run.out;
    for (uint32_t lba : {5000u, 15000u, 15001u}) EXPECT_EQ(readSector(drivePath_, lba), test::Sector{}) << lba;
    EXPECT_EQ(readSector(drivePath_, 14999), test::Sector{});
}

TEST_F(RemapCommand, AStretchIsTestedFromItsFirstSector) {
    const test::ToolRun run = test::runTool("remap --drive 1 --first 14000 --count 1001", "2>&1");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_TRUE(contains(run.out, "bad sector 15000\ndrive 1: 1001 sectors tested from 14000, 1 bad, 0 rewritten"))
        << run.out;
}

TEST_F(RemapCommand, WrongStretchesAreUsageErrors) {
    EXPECT_EQ(test::runTool("remap --drive 1 --first 10", "2>&1").status, 2);
    const test::ToolRun run = test::runTool("remap --drive 1 --first 19990 --count 11", "2>&1");
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(contains(run.out, "20000 sectors")) << run.out;
    EXPECT_EQ(test::runTool("remap --drive 2", "2>&1").status, 1);
}

}  // namespace
}  // namespace vxfserver
