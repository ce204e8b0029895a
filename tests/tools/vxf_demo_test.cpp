// vxf_demo_test.cpp - vxf demo: the demo drive made once, listed as a drive, with recognisable tones, and left alone after.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "cli_fixture.h"

namespace vxf::transfer::test {
namespace {

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

int32_t sampleAt(const Bytes& samples, size_t i) {
    const int32_t v = samples[3 * i] | samples[3 * i + 1] << 8 | samples[3 * i + 2] << 16;
    return v << 8 >> 8;
}

// Upward zero crossings per second between two times.
double pitchOf(const Bytes& samples, uint32_t rate, double from, double to) {
    int crossings = 0;
    const size_t first = size_t(from * rate);
    const size_t last = size_t(to * rate);
    for (size_t i = first + 1; i < last; ++i) crossings += sampleAt(samples, i - 1) < 0 && sampleAt(samples, i) >= 0;
    return crossings / (to - from);
}

int32_t peakOf(const Bytes& samples, size_t first, size_t count) {
    int32_t peak = 0;
    for (size_t i = first; i < first + count; ++i) peak = std::max(peak, std::abs(sampleAt(samples, i)));
    return peak;
}

class DemoCommand : public CliFixture {};

TEST_F(DemoCommand, MakesTheDemoDriveAfterOtherDrivesWithATonePerTrackAndLeavesItAloneAfterwards) {
    enumerate({makeImage("other.img", 100000)});
    const std::string image = folder_ + "/demo/studio-a.img";
    ToolRun run = vxf("demo --image " + quoted(image));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(contains(run.out, "is drive 2")) << run.out;
    EXPECT_EQ(std::filesystem::file_size(image), uint64_t{78165360} * 512);
    EXPECT_TRUE(contains(vxf("drives --json").out, "{\"number\": 2, \"status\": \"VXF\", \"name\": \"Studio A\""));
    EXPECT_TRUE(contains(vxf("projects --drive 2 --json").out, "{\"number\": 1, \"name\": \"Demo Session\""));
    const std::string songs = vxf("songs --drive 2 --project 1 --json").out;
    EXPECT_TRUE(contains(songs, "{\"number\": 1, \"name\": \"Tones 48k\", \"tracks\": 24, \"sampleRate\": 48000, "
                                "\"wordLength\": 24, \"samples\": 960000, \"length\": \"00:00:20:00\""))
        << songs;
    EXPECT_TRUE(contains(songs, "{\"number\": 2, \"name\": \"Tones 96k\", \"tracks\": 8, \"sampleRate\": 96000, "
                                "\"wordLength\": 24, \"samples\": 960000, \"length\": \"00:00:10:00\""))
        << songs;
    // Each track its own pitch, a ninth of an octave above the one before, faded in and out.
    for (int track : {1, 2, 24}) {
        const Bytes samples = dumpTrack(1, track, 2);
        ASSERT_EQ(samples.size(), 960000u * 3);
        EXPECT_NEAR(pitchOf(samples, 48000, 5, 15), 220 * std::pow(2.0, (track - 1) / 8.0), 1.0) << track;
        EXPECT_EQ(sampleAt(samples, 0), 0);
        EXPECT_LT(peakOf(samples, 0, 240), peakOf(samples, 480000, 4800) / 2);
        EXPECT_LT(peakOf(samples, 960000 - 240, 240), peakOf(samples, 480000, 4800) / 2);
    }
    const Bytes high = dumpTrack(2, 8, 2);
    EXPECT_NEAR(pitchOf(high, 96000, 2, 8), 220 * std::pow(2.0, 7 / 8.0), 1.0);

    run = vxf("demo --image " + quoted(image));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(contains(run.out, "left as it is")) << run.out;
    EXPECT_EQ(vxf("songs --drive 2 --project 1 --json").out, songs);
    EXPECT_EQ(vxf("drives --json").out.find("\"number\": 3"), std::string::npos);
}

TEST_F(DemoCommand, FillsABlankImageAtTheDefaultPlaceUnderTheDataFolder) {
    ::setenv("XDG_DATA_HOME", (folder_ + "/data").c_str(), 1);
    const std::string image = folder_ + "/data/vxfdeck/demo/studio-a.img";
    std::filesystem::create_directories(folder_ + "/data/vxfdeck/demo");
    ASSERT_EQ(vxf("image create --sectors 2000000 " + quoted(image)).status, 0);
    const ToolRun run = vxf("demo");
    ::unsetenv("XDG_DATA_HOME");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(contains(run.out, "is drive 1")) << run.out;
    EXPECT_EQ(std::filesystem::file_size(image), uint64_t{2000000} * 512);
    EXPECT_TRUE(contains(vxf("songs --drive 1 --project 1").out, "Tones 96k"));
}

}  // namespace
}  // namespace vxf::transfer::test
