// track_overview_list_test.cpp - the export list's overview on real images: peaks and "— silent" of imported tracks,
// Select tracks with audio, dropping the work on another song and keeping what was built.
#include "deck_transfer_fixture.h"
#include "ids.h"
#include "transfer_ids.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace decktest {
namespace {

using namespace deck;
using vxf::transfer::AudioFormat;

constexpr uint32_t kFileSamples = 30000;
const std::string kSilent = "\u2014 silent";

// A square wave of the given amplitude, 24 bits little-endian: its peak is the amplitude exactly.
Bytes squareWave(uint32_t samples, int32_t amplitude) {
    Bytes bytes(size_t{samples} * 3);
    for (uint32_t i = 0; i < samples; ++i) {
        const int32_t value = (i / 50) % 2 == 0 ? amplitude : -amplitude;
        const auto raw = static_cast<uint32_t>(value);
        bytes[3 * i] = static_cast<uint8_t>(raw);
        bytes[3 * i + 1] = static_cast<uint8_t>(raw >> 8);
        bytes[3 * i + 2] = static_cast<uint8_t>(raw >> 16);
    }
    return bytes;
}

class TrackOverviewTest : public TransferDeckFixture {
protected:
    // Runs the idle steps the view asks for, as the window's timer would; answers how many ran.
    int runIdleSteps() {
        int steps = 0;
        while (!tform_.idleRequests.empty() && steps < 100000) {
            tform_.idleRequests.clear();
            view().idleStep();
            ++steps;
        }
        return steps;
    }
    // An eight-track song without audio, then three files imported onto tracks 1, 4 and 7.
    void importThreeTracks() {
        makeDrive({{"Take 1", 8, 48000, 0}});
        profile_.ints = {{"TabSelection", 1}};
        profile_.texts = {{"TransImportStr", importDir_}, {"TransExportStr", exportDir_}};
        start();
        writeAudio(AudioFormat::Wav, importDir_ + "/Track01.wav", 48000, 24, squareWave(kFileSamples, 1 << 21));
        writeAudio(AudioFormat::Wav, importDir_ + "/Track04.wav", 48000, 24, squareWave(kFileSamples, 1 << 22));
        writeAudio(AudioFormat::Wav, importDir_ + "/Track07.wav", 48000, 24, squareWave(kFileSamples / 2, 1 << 20));
        typeDirectory(importDir_);
        selectLines({0, 1, 2});
        press(ctl::kTransferAction);
        switchTab(0);
    }
};

TEST_F(TrackOverviewTest, ImportedTracksShowTheirPeaksTheOthersAreSilentAndOnlyTheyAreSelected) {
    importThreeTracks();
    ASSERT_EQ(tform_.lineCount(ctl::kTransferList), 8);
    EXPECT_TRUE(tform_.notes.empty());
    EXPECT_FALSE(tform_.isEnabled(ctl::kSelectTracksWithAudio));
    EXPECT_GT(runIdleSteps(), 1);  // built a block at a time, not in one call

    const std::vector<std::string> expected = {"-12.0 dBFS", kSilent, kSilent, "-6.0 dBFS",
                                               kSilent,      kSilent, "-18.1 dBFS", kSilent};
    for (int line = 0; line < 8; ++line) {
        EXPECT_EQ(tform_.notes[line], expected[static_cast<size_t>(line)]) << "line " << line;
        EXPECT_GT(tform_.stripColumns[line], 100u) << "line " << line;
        EXPECT_LE(tform_.stripColumns[line], 400u) << "line " << line;
    }
    // The lines themselves keep their names.
    EXPECT_EQ(tform_.line(ctl::kTransferList, 0), "Track 01");

    selectLines({1, 2});
    ASSERT_TRUE(tform_.isEnabled(ctl::kSelectTracksWithAudio));
    press(ctl::kSelectTracksWithAudio);
    EXPECT_EQ(tform_.selectedLines(ctl::kTransferList), (std::vector<int>{0, 3, 6}));
    EXPECT_TRUE(tform_.isEnabled(ctl::kTransferAction));
}

TEST_F(TrackOverviewTest, AnotherSongDropsTheWorkAndASongSeenBeforeShowsAtOnce) {
    makeDrive({{"Long", 8, 48000, 200000}, {"Short", 16, 48000, 20000}});
    profile_.texts = {{"TransExportStr", exportDir_}};
    start();
    const auto songs = tform_.lines(ctl::kSongName);
    const int shortSong = static_cast<int>(std::find(songs.begin(), songs.end(), "02: Short") - songs.begin());
    const int longSong = static_cast<int>(std::find(songs.begin(), songs.end(), "01: Long") - songs.begin());
    ASSERT_LT(std::max(shortSong, longSong), static_cast<int>(songs.size()));
    tform_.setSelection(ctl::kSongName, shortSong);
    press(ctl::kSongName);
    runIdleSteps();
    ASSERT_EQ(tform_.notes.size(), 16u);

    // The long song's overview is begun, then the user goes back before it is done.
    tform_.setSelection(ctl::kSongName, longSong);
    press(ctl::kSongName);
    ASSERT_FALSE(tform_.idleRequests.empty());
    tform_.idleRequests.clear();
    view().idleStep();
    ASSERT_FALSE(tform_.idleRequests.empty());
    tform_.setSelection(ctl::kSongName, shortSong);
    press(ctl::kSongName);
    // Kept from before: shown without a step, and nothing left to do for the long song.
    EXPECT_EQ(tform_.notes.size(), 16u);
    EXPECT_TRUE(tform_.isEnabled(ctl::kSelectTracksWithAudio));
    EXPECT_LE(runIdleSteps(), 1);
    EXPECT_EQ(tform_.lineCount(ctl::kTransferList), 16);
    EXPECT_EQ(tform_.notes.size(), 16u);
}

TEST_F(TrackOverviewTest, ImportModeHasNoOverviewAndTheButtonIsOff) {
    makeDrive({{"Take 1", 8, 48000, 20000}});
    profile_.ints = {{"TabSelection", 1}};
    profile_.texts = {{"TransImportStr", importDir_}};
    start();
    runIdleSteps();
    EXPECT_TRUE(tform_.notes.empty());
    EXPECT_FALSE(tform_.isEnabled(ctl::kSelectTracksWithAudio));
}

TEST_F(TrackOverviewTest, AnotherProgramsImportIsInTheOverviewAfterTheNextLook) {
    importThreeTracks();
    runIdleSteps();
    ASSERT_EQ(tform_.notes[1], kSilent);
    view().followOtherPrograms();  // the first look only notes where the drive stands
    const std::string file = importDir_ + "/other/Track02.wav";
    std::filesystem::create_directories(importDir_ + "/other");
    writeAudio(AudioFormat::Wav, file, 48000, 24, squareWave(kFileSamples, 1 << 21));
    const std::string command = std::string("'") + VXF_TOOL + "' import --drive 1 --project 1 --song 1 --yes '" + file +
                                "' </dev/null >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);

    view().followOtherPrograms();
    runIdleSteps();
    EXPECT_EQ(tform_.notes[1], "-12.0 dBFS");
    EXPECT_EQ(tform_.notes[0], "-12.0 dBFS");
    EXPECT_EQ(tform_.notes[2], kSilent);
}

}  // namespace
}  // namespace decktest
