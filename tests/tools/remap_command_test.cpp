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

// Sectors that stay unreadable are summed up as ranges and give status 3.
TEST_F(RemapCommand, TheWholeDriveIsTestedAndTheBadSectorsListedAsRanges) {
    const test::ToolRun run = test::runTool("remap --drive 1", "2>&1");
    EXPECT_EQ(run.status, 3) << run.out;
    EXPECT_TRUE(contains(run.out, "drive 1: 20000 sectors tested from 0, 3 bad, 0 rewritten\n"
                                  "bad sectors: 5000, 15000-15001\n"))
        << run.out;
    EXPECT_EQ(readSector(drivePath_, 15001), pattern_);

    const test::ToolRun json = test::runTool("remap --drive 1 --json", "2>/dev/null");
    EXPECT_EQ(json.status, 3);
    EXPECT_EQ(json.out, "{\"drive\": \"drive 1\", \"first\": 0, \"tested\": 20000, \"bad\": 3, \"rewritten\": 0, "
                        "\"interrupted\": false, \"badRanges\": [{\"first\": 5000, \"last\": 5000, \"rewritten\": 0}, "
                        "{\"first\": 15000, \"last\": 15001, \"rewritten\": 0}]}\n");
}

TEST_F(RemapCommand, CtrlCStopsAfterTheChunkUnderWayWithStatus130AndSaysHowFarItGot) {
    // Every sector fails slowly, so the test narrows down one sector at a time for seconds.
    std::ofstream(drivePath_ + ".faults") << "read-error 0 19999\nslow-read 0 19999\n";
    const std::string tool = VXF_TOOL;
    const std::string script = "sh -c '" + tool + " remap --drive 1 & pid=$!; sleep 0.5; kill -INT $pid; wait $pid'";
    FILE* pipe = ::popen((script + " 2>&1").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char buffer[4096];
    for (size_t n = 0; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    const int status = ::pclose(pipe);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130) << out;
    EXPECT_TRUE(contains(out, "; interrupted\n")) << out;
    EXPECT_FALSE(contains(out, "20000 sectors tested")) << out;
}

TEST_F(RemapCommand, FixRewritesOnlyTheBadSectors) {
    const test::ToolRun run = test::runTool("remap --drive 1 --fix", "2>&1");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_TRUE(contains(run.out, "bad sectors: 5000 (rewritten), 15000-15001 (rewritten)")) << run.out;
    EXPECT_TRUE(contains(run.out, "3 bad, 3 rewritten")) << run.out;
    for (uint32_t lba : {5000u, 15000u, 15001u}) EXPECT_EQ(readSector(drivePath_, lba), test::Sector{}) << lba;
    EXPECT_EQ(readSector(drivePath_, 14999), test::Sector{});
}

TEST_F(RemapCommand, AStretchIsTestedFromItsFirstSector) {
    const test::ToolRun run = test::runTool("remap --drive 1 --first 14000 --count 1001", "2>&1");
    EXPECT_EQ(run.status, 3) << run.out;
    EXPECT_TRUE(contains(run.out, "drive 1: 1001 sectors tested from 14000, 1 bad, 0 rewritten\nbad sectors: 15000\n"))
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
