// extract_command_test.cpp - vxf extract run as a user runs it: the six dumps in the folder asked for.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "server_fixture.h"
#include "tool_runner.h"

namespace vxfserver {
namespace {

using ExtractCommand = test::ServerFixture;

TEST_F(ExtractCommand, TheSixDumpsGoIntoTheFolderAskedFor) {
    openFormatted(1500000);
    const std::string out = folder_ + "/dumps";
    const test::ToolRun run = test::runTool("extract --drive 1 --out " + out, "2>&1");
    EXPECT_EQ(run.status, 0) << run.out;
    const char* names[] = {"super_block.txt", "project_list.txt", "song_bitmap.txt", "audio_bitmap.txt",
                           "primary_project.txt", "primary_song.txt"};
    std::string listed;
    for (const char* name : names) listed += out + "/" + name + "\n";
    EXPECT_EQ(run.out, listed);
    std::ifstream list(out + "/project_list.txt");
    std::stringstream text;
    text << list.rdbuf();
    EXPECT_EQ(text.str().rfind("PROJECT LIST\n\nHard Disk Name:\t\tDrive Name\n", 0), 0u) << text.str();
}

TEST_F(ExtractCommand, AFolderThatCannotBeWrittenIsAFailure) {
    openFormatted(1500000);
    std::ofstream(folder_ + "/plain") << "not a folder";
    const test::ToolRun run = test::runTool("extract --drive 1 --out " + folder_ + "/plain/dumps", "2>&1");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("could not write"), std::string::npos) << run.out;
}

TEST_F(ExtractCommand, AnUnformattedDriveShowsTheServersSentence) {
    makeDrive(1500000);
    const test::ToolRun run = test::runTool("extract --drive 1 --out " + folder_ + "/dumps", "2>&1");
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("The file system has a corrupt Super Block."), std::string::npos) << run.out;
}

}  // namespace
}  // namespace vxfserver
