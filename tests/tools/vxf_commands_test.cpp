// vxf_commands_test.cpp - the vxf tool's drive and project commands, run as a user runs them, on sparse images.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "server_fixture.h"
#include "tool_runner.h"

namespace vxfserver {
namespace {

using test::ToolRun;

class VxfCommands : public test::ServerFixture {
protected:
    // Runs the tool with the test's enumeration file; stderr joins stdout.
    ToolRun vxf(const std::string& arguments) { return test::runTool(arguments, "2>&1"); }
    bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }
};

TEST_F(VxfCommands, DrivesListsStatusNameVersionSizeAndFreeSpace) {
    std::string a = makeImage("a.img", test::kDriveSectors);
    std::string b = makeImage("b.img", 1000000);
    std::string c = makeImage("c.img", 1500000);
    enumerate({a, b, c});
    std::ofstream(c + ".faults") << "no-capacity\n";
    ASSERT_EQ(vxf("format --drive 1 --yes").status, 0);
    ToolRun run = vxf("drives --json");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_TRUE(contains(run.out, "{\"number\": 1, \"status\": \"VXF\", \"name\": \"Drive Name\", \"version\": "
                                  "\"1.10 \", \"sizeKiB\": 39082680, \"freeKiB\": 38405376, \"readOnly\": false}"))
        << run.out;
    EXPECT_TRUE(contains(run.out, "{\"number\": 2, \"status\": \"Unknown Drive\", \"name\": null, \"version\": null, "
                                  "\"sizeKiB\": 500000, \"freeKiB\": null, \"readOnly\": false}"))
        << run.out;
    EXPECT_TRUE(contains(run.out, "\"number\": 3, \"status\": \"No Drive Communication\"")) << run.out;
    run = vxf("drives");
    EXPECT_TRUE(contains(run.out, "No Drive Communication")) << run.out;
}

TEST_F(VxfCommands, FormatRefusesWithoutYesAndWritesNothing) {
    makeDrive(1500000);
    ToolRun run = vxf("format --drive 1");
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(contains(run.out, "--yes")) << run.out;
    EXPECT_EQ(readSector(drivePath_, 0), test::Sector{});
    run = vxf("format --drive 2 --yes");
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(contains(run.out, "there is no drive 2")) << run.out;
    run = vxf("format --drive 1 --yes");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(readSector(drivePath_, 0), test::Sector{});
}

TEST_F(VxfCommands, FormatOfATooSmallDriveShowsTheServersSentence) {
    makeDrive(1000000);
    ToolRun run = vxf("format --drive 1 --yes");
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(contains(run.out, "There is not enough space available in the hard disk.")) << run.out;
}

TEST_F(VxfCommands, ProjectsAreCreatedRenamedListedAndDeletedByTheirNumbers) {
    makeDrive(1500000);
    ASSERT_EQ(vxf("format --drive 1 --yes").status, 0);
    ToolRun run = vxf("rename drive --drive 1 \"Studio-A!\"");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_TRUE(contains(run.out, "Studio-A!")) << run.out;
    run = vxf("create project --drive 1 --name \"Take/2\"");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_TRUE(contains(run.out, "created project 2 on drive 1: Take 2")) << run.out;
    ASSERT_EQ(vxf("create project --drive 1").status, 0);
    ASSERT_EQ(vxf("rename project --drive 1 --project 3 \"Mix Down\"").status, 0);
    run = vxf("projects --drive 1 --json");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_TRUE(contains(run.out, "{\"number\": 2, \"name\": \"Take 2\", \"primary\": false}")) << run.out;
    EXPECT_TRUE(contains(run.out, "{\"number\": 3, \"name\": \"Mix Down\", \"primary\": true}")) << run.out;
    EXPECT_EQ(vxf("delete project --drive 1 --project 2").status, 2);
    EXPECT_EQ(vxf("delete project --drive 1 --project 4 --yes").status, 1);
    ASSERT_EQ(vxf("delete project --drive 1 --project 2 --yes").status, 0);
    run = vxf("projects --drive 1");
    EXPECT_FALSE(contains(run.out, "Take 2")) << run.out;
    EXPECT_TRUE(contains(run.out, "Mix Down")) << run.out;
    run = vxf("drives");
    EXPECT_TRUE(contains(run.out, "Studio-A!")) << run.out;
}

TEST_F(VxfCommands, DeletingTheOnlyProjectIsRefusedWithTheServersSentence) {
    makeDrive(1500000);
    ASSERT_EQ(vxf("format --drive 1 --yes").status, 0);
    ToolRun run = vxf("delete project --drive 1 --project 1 --yes");
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(contains(run.out, "The Project List must contain at least one project.")) << run.out;
}

}  // namespace
}  // namespace vxfserver
