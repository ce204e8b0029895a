// cli_conventions_test.cpp - what every vxf command shares: version, wrong usage in one line, failures told as JSON, the tree.
#include <gtest/gtest.h>

#include "cli_fixture.h"

namespace vxf::transfer::test {
namespace {

class CliConventions : public CliFixture {};

TEST_F(CliConventions, WrongUsageIsOneLineAndAPointerToHelpAndJsonCallersGetTheFailureAsAnObject) {
    const ToolRun version = vxf("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("vxf ", 0), 0u) << version.out;

    const ToolRun unknown = vxf("frobnicate");
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(unknown.err, "vxf: unknown command 'frobnicate'\nTry 'vxf --help'.\n");

    enumerate({});
    const ToolRun missing = vxf("songs --drive 3 --project 1 --json");
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out.rfind("{\"error\": {\"status\": 1, \"message\": \"", 0), 0u) << missing.out;
    EXPECT_NE(missing.err.find("vxf: "), std::string::npos);

    const ToolRun wrong = vxf("projects --drive x --json");
    EXPECT_EQ(wrong.status, 2);
    EXPECT_EQ(wrong.out.rfind("{\"error\": {\"status\": 2, ", 0), 0u) << wrong.out;
    EXPECT_NE(wrong.err.find("\nTry 'vxf --help'.\n"), std::string::npos) << wrong.err;
}

TEST_F(CliConventions, DrivesAddRefusesWhatIsNoDriveImageAndNamesTheDriveNumberUsersSee) {
    enumerate({});
    const ToolRun text = vxf("drives add /etc/hostname");
    EXPECT_EQ(text.status, 1);
    EXPECT_NE(text.err.find("/etc/hostname: not a drive image"), std::string::npos) << text.err;
    const std::string small = makeImage("small.img", 1000);
    EXPECT_EQ(vxf("drives add " + quoted(small)).status, 1);
    const ToolRun forced = vxf("drives add --force " + quoted(small));
    EXPECT_EQ(forced.status, 0) << forced.err;
    EXPECT_NE(forced.out.find(" as drive 1 in "), std::string::npos) << forced.out;
}

TEST_F(CliConventions, TheTreeListsProjectsSongsAndTracksAndSongLengthsReadAsTheDesktopShowsThem) {
    enumerate({});
    ASSERT_EQ(vxf("demo --image " + quoted(folder_ + "/demo.img")).status, 0);
    const ToolRun tree = vxf("tree --drive 1");
    ASSERT_EQ(tree.status, 0) << tree.err;
    EXPECT_NE(tree.out.find("1 Demo Session\n   1 Tones 48k  (24 tracks, 48000 Hz, 24-bit, 00:00:20:00)\n"),
              std::string::npos)
        << tree.out;
    EXPECT_NE(tree.out.find("   2 Tones 96k  (8 tracks, 96000 Hz, 24-bit, 00:00:10:00)\n       tracks: 1 2 3 4 5 6 7 8\n"),
              std::string::npos)
        << tree.out;
}

TEST_F(CliConventions, QuietLeavesOutTheReportAndVerboseTellsWhatWasOpenedWhereverTheFlagsStand) {
    enumerate({});
    ASSERT_EQ(vxf("demo --image " + quoted(folder_ + "/demo.img")).status, 0);
    const ToolRun quiet = vxf("-q export --drive 1 --project 1 --song 2 --yes --out " + quoted(folder_));
    EXPECT_EQ(quiet.status, 0) << quiet.err;
    EXPECT_EQ(quiet.out, "");
    EXPECT_EQ(quiet.err, "");

    const ToolRun verbose = vxf("songs --drive 1 --project 1 --verbose");
    EXPECT_EQ(verbose.status, 0) << verbose.err;
    EXPECT_NE(verbose.out.find("Tones 96k"), std::string::npos) << verbose.out;
    EXPECT_NE(verbose.err.find("vxf: drive 1: "), std::string::npos) << verbose.err;
    EXPECT_NE(verbose.err.find(", file system 1.10, held for reading\n"), std::string::npos) << verbose.err;

    // A song may be named "-v": as an option's value it stays a name.
    const ToolRun both = vxf("-q songs --drive 1 --project 1 -v");
    EXPECT_EQ(both.status, 2);
    EXPECT_NE(both.err.find("-q and -v exclude each other"), std::string::npos) << both.err;
    const ToolRun created = vxf("create song --drive 1 --project 1 --tracks 2 --rate 48000 --name -v -q");
    EXPECT_EQ(created.status, 0) << created.err;
    EXPECT_NE(vxf("songs --drive 1 --project 1").out.find("  -v\n"), std::string::npos);
}

}  // namespace
}  // namespace vxf::transfer::test
