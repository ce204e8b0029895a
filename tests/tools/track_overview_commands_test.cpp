// track_overview_commands_test.cpp - vxf tracks and vxf overview on the demo drive, checked with sox and python.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>

#include "cli_fixture.h"

namespace vxf::transfer::test {
namespace {

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string q(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// Standard output of a shell command.
std::string shell(const std::string& command) {
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return out;
    char chunk[4096];
    size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) out.append(chunk, n);
    ::pclose(pipe);
    return out;
}

struct Levels {
    double peak = 0;
    double rms = 0;
    bool silent = true;
};

// `vxf tracks --json` as python's json module reads it: track number to its levels.
std::map<int, Levels> parsedTracks(const std::string& json, const std::string& folder) {
    const std::string path = folder + "/tracks.json";
    FILE* file = std::fopen(path.c_str(), "w");
    std::fputs(json.c_str(), file);
    std::fclose(file);
    const std::string lines = shell(
        "python3 -c 'import json,sys\n"
        "for t in json.load(open(sys.argv[1]))[\"tracks\"]:\n"
        "  print(t[\"track\"], t[\"peakDbfs\"] or 0, t[\"rmsDbfs\"] or 0, int(t[\"silent\"]))' " +
        q(path));
    std::map<int, Levels> tracks;
    std::istringstream in(lines);
    int track = 0;
    Levels levels;
    int silent = 0;
    while (in >> track >> levels.peak >> levels.rms >> silent) {
        levels.silent = silent != 0;
        tracks[track] = levels;
    }
    return tracks;
}

// A figure of `sox FILE -n stat`, such as "Maximum amplitude".
double soxStat(const std::string& sox, const std::string& file, const std::string& name) {
    const std::string stat = shell(q(sox) + " " + q(file) + " -n stat 2>&1");
    const size_t at = stat.find(name + ":");
    EXPECT_NE(at, std::string::npos) << stat;
    return at == std::string::npos ? 0 : std::stod(stat.substr(at + name.size() + 1));
}

class TrackOverviewCommands : public CliFixture {
protected:
    void makeDemo() {
        const ToolRun run = vxf("demo --image " + quoted(folder_ + "/demo.img"));
        ASSERT_EQ(run.status, 0) << run.err;
        ASSERT_TRUE(contains(run.out, "is drive 1")) << run.out;
    }
};

// The demo's tones reach 0.4 of full scale.
const double kDemoPeakDbfs = 20 * std::log10(0.4 * 8388607 / 8388608);

TEST_F(TrackOverviewCommands, TheDemoSongsTracksAllHoldTheirToneAndANewSongShowsItsThreeImportedTracks) {
    makeDemo();
    ToolRun run = vxf("tracks --drive 1 --project 1 --song 1 --json");
    ASSERT_EQ(run.status, 0) << run.err;
    const std::map<int, Levels> tracks = parsedTracks(run.out, folder_);
    ASSERT_EQ(tracks.size(), 24u) << run.out;
    for (const auto& [number, levels] : tracks) {
        EXPECT_FALSE(levels.silent) << number;
        EXPECT_NEAR(levels.peak, kDemoPeakDbfs, 0.01) << number;
        // A sine's RMS lies 3 dB under its peak (the fades take a little more).
        EXPECT_NEAR(levels.rms, kDemoPeakDbfs - 3.01, 0.05) << number;
    }
    run = vxf("tracks --drive 1 --project 1 --song 1");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(contains(run.out, "Track 01  peak   -8.0 dBFS  RMS  -11.0 dBFS\n")) << run.out;
    EXPECT_FALSE(contains(run.out, "silent")) << run.out;

    ASSERT_EQ(vxf("create song --drive 1 --project 1 --tracks 8 --rate 48000").status, 0);
    std::string files;
    for (int track : {2, 5, 7}) {
        Bytes samples;
        for (int i = 0; i < 5000 * track; ++i) samples.insert(samples.end(), {0, uint8_t(i), uint8_t(i % 3 ? 9 : 0)});
        writeAudio(AudioFormat::Wav, out("Track0" + std::to_string(track) + ".wav"), 48000, 24, samples);
        files += " " + quoted(out("Track0" + std::to_string(track) + ".wav"));
    }
    ASSERT_EQ(vxf("import --drive 1 --project 1 --song 3 --yes" + files).status, 0);
    run = vxf("tracks --drive 1 --project 1 --song 3");
    ASSERT_EQ(run.status, 0) << run.err;
    for (int track = 1; track <= 8; ++track) {
        const std::string silent = "Track 0" + std::to_string(track) + "  \u2014 silent\n";
        EXPECT_EQ(contains(run.out, silent), track != 2 && track != 5 && track != 7) << run.out;
    }
}

TEST_F(TrackOverviewCommands, PeaksAndRmsMatchWhatSoxReadsFromTheExportedFiles) {
    const std::string sox = findSox();
    if (sox.empty()) GTEST_SKIP() << "sox is not installed (Debian package sox)";
    makeDemo();
    const ToolRun run = vxf("tracks --drive 1 --project 1 --song 2 --json");
    ASSERT_EQ(run.status, 0) << run.err;
    const std::map<int, Levels> tracks = parsedTracks(run.out, folder_);
    ASSERT_EQ(tracks.size(), 8u) << run.out;
    ASSERT_EQ(vxf("export --drive 1 --project 1 --song 2 --out " + quoted(outDir_)).status, 0);
    for (const auto& [number, levels] : tracks) {
        const std::string file = out("Tones 96k-Track0" + std::to_string(number) + ".wav");
        const double peak = std::max(std::abs(soxStat(sox, file, "Maximum amplitude")),
                                     std::abs(soxStat(sox, file, "Minimum amplitude")));
        EXPECT_NEAR(levels.peak, 20 * std::log10(peak), 0.1) << file;
        EXPECT_NEAR(levels.rms, 20 * std::log10(soxStat(sox, file, "RMS     amplitude")), 0.1) << file;
    }
}

TEST_F(TrackOverviewCommands, OverviewDrawsALanePerTrackAndReplacesAFileOnlyWithYesAndALinkNever) {
    makeDemo();
    const std::string picture = out("song.png");
    ToolRun run = vxf("overview --drive 1 --project 1 --song 2 --out " + quoted(picture));
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string kind = shell("file " + quoted(picture));
    EXPECT_TRUE(contains(kind, "PNG image data, 1200 x 390")) << kind;
    // Eight lanes of 44 pixels, a margin of 8 and the time axis of 30; python reads the header the same.
    EXPECT_EQ(shell("python3 -c 'import struct,sys; d=open(sys.argv[1],\"rb\").read(); "
                    "print(d[:8]==b\"\\x89PNG\\r\\n\\x1a\\n\", *struct.unpack(\">II\", d[16:24]))' " +
                    quoted(picture)),
              "True 1200 390\n");
    const auto written = std::filesystem::last_write_time(picture);
    run = vxf("overview --drive 1 --project 1 --song 2 --out " + quoted(picture));
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(contains(run.err, "already exists; add --yes to replace it")) << run.err;
    EXPECT_EQ(std::filesystem::last_write_time(picture), written);
    run = vxf("overview --drive 1 --project 1 --song 1 --out " + quoted(picture) + " --yes");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(contains(shell("file " + quoted(picture)), "1200 x 1094"));
    const std::string link = out("link.png");
    ASSERT_EQ(::symlink(picture.c_str(), link.c_str()), 0);
    run = vxf("overview --drive 1 --project 1 --song 2 --out " + quoted(link) + " --yes");
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(contains(run.err, "is a symbolic link")) << run.err;
    EXPECT_TRUE(contains(shell("file " + quoted(picture)), "1200 x 1094"));
    // Nothing is left beside the picture.
    size_t names = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(outDir_)) ++names;
    EXPECT_EQ(names, 2u);
}

}  // namespace
}  // namespace vxf::transfer::test
