// song_commands_test.cpp - the vxf tool's song commands and dump-track, run as a user runs them, on sparse images.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "song_fixture.h"
#include "tool_runner.h"

namespace vxfserver {
namespace {

using Output = test::ToolRun;

class SongCommands : public test::SongFixture {
protected:
    // Standard output alone: dump-track writes samples there.
    Output vxf(const std::string& arguments) { return test::runTool(arguments, "2>/dev/null"); }
    static bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }
};

TEST_F(SongCommands, SongsAreCreatedListedRenamedProtectedAndDeleted) {
    makeDrive(test::smallDriveSectors(100));
    ASSERT_EQ(vxf("format --drive 1 --yes").status, 0);
    Output run = vxf("create song --drive 1 --project 1 --tracks 24 --rate 48000 --name \"Take-1\"");
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(contains(run.out, "created drive 1, project 1, song 1: Take-1")) << run.out;
    EXPECT_EQ(vxf("create song --drive 1 --project 1 --tracks 16 --rate 96000").status, 1);
    ASSERT_EQ(vxf("create song --drive 1 --project 1 --tracks 12 --rate 96000").status, 0);
    ASSERT_EQ(vxf("rename song --drive 1 --project 1 --song 2 \"Mix/2\"").status, 0);
    ASSERT_EQ(vxf("protect on --drive 1 --project 1 --song 2").status, 0);
    run = vxf("songs --drive 1 --project 1 --json");
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(contains(run.out, "{\"number\": 1, \"name\": \"Take-1\", \"tracks\": 24, \"sampleRate\": 48000, "
                                  "\"wordLength\": 24, \"samples\": 0, \"length\": \"00:00:00:00\", "
                                  "\"writeProtected\": false, \"allocatedKiB\": 0}"))
        << run.out;
    EXPECT_TRUE(contains(run.out, "\"number\": 2, \"name\": \"Mix 2\", \"tracks\": 12, \"sampleRate\": 96000"))
        << run.out;
    EXPECT_TRUE(contains(run.out, "\"writeProtected\": true")) << run.out;
    EXPECT_EQ(vxf("delete song --drive 1 --project 1 --song 2").status, 2);
    EXPECT_EQ(vxf("delete song --drive 1 --project 1 --song 2 --yes").status, 1);
    ASSERT_EQ(vxf("protect off --drive 1 --project 1 --song 2").status, 0);
    ASSERT_EQ(vxf("delete song --drive 1 --project 1 --song 2 --yes").status, 0);
    EXPECT_EQ(vxf("delete song --drive 1 --project 1 --song 2 --yes").status, 1);
    EXPECT_EQ(vxf("protect maybe --drive 1 --project 1 --song 1").status, 2);
    run = vxf("songs --drive 1 --project 1");
    EXPECT_TRUE(contains(run.out, "Take-1")) << run.out;
    EXPECT_FALSE(contains(run.out, "Mix 2")) << run.out;
}

TEST_F(SongCommands, LengthsAreShownInSamplesAndAsTimeAt30Frames) {
    uint32_t h = openWithSong(2, 48000, test::smallDriveSectors(100));
    const uint32_t samples = 48000 * 61 + 1600 * 7 + 5;  // 1 minute 1 second, 7 frames and a bit
    test::Bytes audio = test::randomBytes(size_t(samples) * 3, 1);
    ASSERT_EQ(tavovxfTrackWrite(h, 0, 0, samples, 3, 0, audio.data()), VXF_OK);
    ASSERT_EQ(tavovxfDriveClose(h), VXF_OK);
    Output run = vxf("songs --drive 1 --project 1");
    EXPECT_TRUE(contains(run.out, std::to_string(samples) + "     00:01:01:07")) << run.out;
}

TEST_F(SongCommands, DumpTrackWritesTheCallerSamplesOfOneTrack) {
    uint32_t h = openWithSong(6, 44100, test::smallDriveSectors(100));
    const uint32_t samples = 70000;
    test::Bytes audio = test::randomBytes(size_t(samples) * 3, 2);
    ASSERT_EQ(tavovxfTrackWrite(h, 4, 0, samples, 3, 0, audio.data()), VXF_OK);
    ASSERT_EQ(tavovxfDriveClose(h), VXF_OK);
    Output run = vxf("dump-track --drive 1 --project 1 --song 1 --track 5");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, std::string(audio.begin(), audio.end()));
    run = vxf("dump-track --drive 1 --project 1 --song 1 --track 5 --offset 40000 --count 100");
    EXPECT_EQ(run.out, std::string(audio.begin() + 120000, audio.begin() + 120300));
    EXPECT_EQ(vxf("dump-track --drive 1 --project 1 --song 1 --track 7").status, 1);
    EXPECT_EQ(vxf("dump-track --drive 1 --project 1 --song 2 --track 1").status, 1);
    EXPECT_EQ(vxf("dump-track --drive 1 --project 1 --song 1 --track 1 --offset 70001").status, 1);
}

}  // namespace
}  // namespace vxfserver
