// transfer_export_test.cpp - the Export button on a demo-like drive: one, two and five tracks, replace questions, space, cancel.
#include "deck_transfer_fixture.h"
#include "copy_progress_dialog.h"
#include "ext_message_box.h"
#include "ids.h"
#include "transfer_ids.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>

namespace decktest {
namespace {

using namespace deck;
using vxf::transfer::AudioFormat;

constexpr uint32_t kSamples = 30000;
constexpr uint32_t kReplaceAll = mb::kYesNoCancel | mb::kYesToAll | mb::kIconExclamation | mb::kSetForeground;
constexpr uint32_t kReplaceLast = mb::kYesNo | mb::kIconExclamation | mb::kSetForeground;

class ExportTest : public TransferDeckFixture {
protected:
    void startOn(uint16_t tracks, uint32_t samples = kSamples) {
        makeDrive({{"Take 1", tracks, 48000, samples}});
        profile_.texts = {{"TransExportStr", exportDir_}};
        start();
    }
    std::string target(int track) const {
        char name[32];
        std::snprintf(name, sizeof name, "/Take 1-Track%02d.wav", track);
        return exportDir_ + name;
    }
    void exportLines(const std::vector<int>& lines) {
        selectLines(lines);
        press(ctl::kTransferAction);
    }
    static void writeText(const std::string& path, const std::string& text) { std::ofstream(path) << text; }
    static std::string readText(const std::string& path) {
        std::ifstream in(path);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    uint64_t bytesForTracks(uint64_t tracks, uint32_t samples = kSamples) const {
        return tracks * (uint64_t{samples} * 3 + 1024);
    }
};

TEST_F(ExportTest, OneTrackBecomesItsFileWithProgressAndStatistics) {
    startOn(16);
    exportLines({2});
    EXPECT_TRUE(boxTexts().empty());
    uint32_t rate = 0;
    uint16_t bits = 0;
    EXPECT_EQ(fileAudio(AudioFormat::Wav, target(3), &rate, &bits), trackPattern(kSamples, 3));
    EXPECT_EQ(rate, 48000u);
    EXPECT_EQ(bits, 24);
    const FakeCopyProgress& copy = tform_.services.copy;
    EXPECT_EQ(copy.opened, (std::vector<uint16_t>{1}));
    EXPECT_EQ(copy.from, (std::vector<std::string>{"Track 03"}));
    EXPECT_EQ(copy.to, (std::vector<std::string>{target(3)}));
    ASSERT_FALSE(copy.percentTexts.empty());
    EXPECT_EQ(copy.percentTexts.front(), " 0 %");
    EXPECT_EQ(copy.percentTexts.back(), "100%");
    EXPECT_EQ(copy.closed, 1);
    EXPECT_TRUE(std::regex_match(tform_.text(ctl::kTransferRate), std::regex(" *[0-9]+\\.[0-9]{2} Mbs")))
        << tform_.text(ctl::kTransferRate);
    EXPECT_TRUE(std::regex_match(tform_.text(ctl::kTransferTime), std::regex(" *[0-9]+\\.[0-9]{2} s")));
    EXPECT_EQ(tform_.lines(ctl::kTransferDirectory).front(), exportDir_);
}

TEST_F(ExportTest, TwoExistingFilesAskWithYesToAllOnTheFirstOnlyAndGoOneByOne) {
    startOn(16);
    writeText(target(1), "old");
    writeText(target(2), "old");
    exportLines({0, 1});
    ASSERT_EQ(tform_.boxes.size(), 2u);
    EXPECT_EQ(tform_.boxes[0].text, target(1) + " already exists.\r\nDo you want to replace it?");
    EXPECT_EQ(tform_.boxes[0].caption, "Confirm File Replace");
    EXPECT_EQ(tform_.boxes[0].type, kReplaceAll);
    EXPECT_EQ(tform_.boxes[1].type, kReplaceLast);
    EXPECT_EQ(tform_.services.copy.opened, (std::vector<uint16_t>{1, 1}));
    EXPECT_EQ(fileAudio(AudioFormat::Wav, target(2)), trackPattern(kSamples, 2));
}

TEST_F(ExportTest, FiveTracksGoInOnePassAndTheSpaceCountsDeclinedOnes) {
    startOn(16);
    writeText(target(2), "old");
    writeText(target(4), "old");
    tform_.services.freeSpace = bytesForTracks(5);
    tform_.answers = {idr::kNo, idr::kYes};
    exportLines({0, 1, 2, 3, 4});
    ASSERT_EQ(tform_.boxes.size(), 2u);
    EXPECT_EQ(tform_.boxes[0].type, kReplaceAll);  // track 2
    EXPECT_EQ(tform_.boxes[1].type, kReplaceAll);  // track 4; track 5 is the last item
    EXPECT_EQ(tform_.services.copy.opened, (std::vector<uint16_t>{4}));
    EXPECT_EQ(tform_.services.copy.from, (std::vector<std::string>{"Take 1"}));
    EXPECT_EQ(readText(target(2)), "old");
    for (int track : {1, 3, 4, 5}) EXPECT_EQ(fileAudio(AudioFormat::Wav, target(track)), trackPattern(kSamples, track));

    // One byte short of five tracks: nothing is written, although one track may be declined.
    boxTexts();
    tform_.services.freeSpace = bytesForTracks(5) - 1;
    tform_.answers = {idr::kYesToAll};
    std::filesystem::remove(target(5));
    exportLines({0, 1, 2, 3, 4});
    EXPECT_EQ(boxTexts().back(), "Not enough hard drive space available!");
    EXPECT_FALSE(std::filesystem::exists(target(5)));
    EXPECT_EQ(tform_.services.copy.opened.size(), 1u);
}

TEST_F(ExportTest, CancelInTheReplaceQuestionOfManyTracksExportsNothing) {
    startOn(8);
    writeText(target(2), "old");
    tform_.answers = {idr::kCancel};
    exportLines({0, 1, 2});
    EXPECT_FALSE(std::filesystem::exists(target(1)));
    EXPECT_TRUE(tform_.services.copy.opened.empty());
    // The command got as far as a question: the directory is remembered.
    EXPECT_EQ(tform_.lines(ctl::kTransferDirectory).front(), exportDir_);
}

TEST_F(ExportTest, CancelMidwayKeepsTheFinishedFileAndAConsistentPartialOne) {
    constexpr uint32_t kLong = 450000;
    startOn(2, kLong);
    tform_.services.copy.cancelInWindow = 2;
    tform_.answers = {idr::kYes};
    exportLines({0, 1});
    EXPECT_EQ(boxTexts(), (std::vector<std::string>{"Are you sure you want to cancel?"}));
    EXPECT_EQ(fileAudio(AudioFormat::Wav, target(1)), trackPattern(kLong, 1));
    const Bytes partial = fileAudio(AudioFormat::Wav, target(2));
    ASSERT_FALSE(partial.empty());
    ASSERT_LT(partial.size(), size_t{kLong} * 3);
    const Bytes whole = trackPattern(kLong, 2);
    EXPECT_TRUE(std::equal(partial.begin(), partial.end(), whole.begin()));
    // The header tells exactly what was written.
    EXPECT_EQ(std::filesystem::file_size(target(2)), 44 + partial.size() + partial.size() % 2);
}

TEST_F(ExportTest, SixteenBitsChosenInTheOptionsGiveSixteenBitFiles) {
    startOn(6);
    tform_.dialogs.push_back([](DialogLogic& dialog, FakeDialog& controls) {
        controls.setChecked(ctl::kOptions16Bit, true);
        controls.setChecked(ctl::kOptions24Bit, false);
        controls.press(dialog, kIdOk);
    });
    view().command(cmd::kTransferOptions);
    tform_.services.freeSpace = uint64_t{kSamples} * 2 + 1024;  // exactly one 16-bit track
    exportLines({0});
    EXPECT_TRUE(boxTexts().empty());
    uint16_t bits = 0;
    EXPECT_EQ(fileAudio(AudioFormat::Wav, target(1), nullptr, &bits).size(), size_t{kSamples} * 2);
    EXPECT_EQ(bits, 16);
}

TEST_F(ExportTest, BroadcastWaveAndPolyChosenInTheOptionsGiveMarkedFilesAndOnePolyFile) {
    startOn(6);
    tform_.dialogs.push_back([](DialogLogic& dialog, FakeDialog& controls) {
        EXPECT_FALSE(controls.checked(ctl::kOptionsBroadcastWave));
        controls.setChecked(ctl::kOptionsBroadcastWave, true);
        controls.press(dialog, kIdOk);
    });
    view().command(cmd::kTransferOptions);
    exportLines({0});
    EXPECT_TRUE(boxTexts().empty());
    EXPECT_NE(readText(target(1)).find("bext"), std::string::npos);
    EXPECT_NE(readText(exportDir_ + "/song.json").find("\"song\": \"Take 1\""), std::string::npos);

    tform_.dialogs.push_back([](DialogLogic& dialog, FakeDialog& controls) {
        EXPECT_TRUE(controls.checked(ctl::kOptionsBroadcastWave));
        controls.setChecked(ctl::kOptionsPoly, true);
        controls.press(dialog, kIdOk);
    });
    view().command(cmd::kTransferOptions);
    EXPECT_TRUE(view().transfer().settings().polyFile);
    exportLines({0, 2});
    EXPECT_TRUE(boxTexts().empty());
    const std::string poly = readText(exportDir_ + "/Take 1-Poly.wav");
    ASSERT_GT(poly.size(), 44u);
    EXPECT_EQ(poly[58] | poly[59] << 8, 2);  // the channels of the format record after RIFF and JUNK
}

TEST_F(ExportTest, TheMarkersButtonListsThePointsAndTempoBeforeAnExport) {
    startOn(6);
    std::vector<std::string> lines;
    tform_.dialogs.push_back([&](DialogLogic& dialog, FakeDialog& controls) {
        for (int i = 0; i < controls.lineCount(ctl::kSongMarkersList); ++i) {
            lines.push_back(controls.line(ctl::kSongMarkersList, i));
        }
        controls.press(dialog, kIdOk);
    });
    press(ctl::kSongMarkers);
    EXPECT_EQ(tform_.dialogTemplates.back(), tmpl::kSongMarkers);
    // A new song: the start point, the tempo of 4/4 at 120 and pitch 0; the loop's points are unset.
    EXPECT_EQ(lines, (std::vector<std::string>{"START     00:00:00:00  (sample 0)", "Tempo: measure 0, 4/4, 120 BPM",
                                               "Pitch: 0"}));
}

TEST_F(ExportTest, MissingDirectoryIsRefusedAndNotRemembered) {
    startOn(6);
    typeDirectory(folder_ + "/missing");
    exportLines({0});
    EXPECT_EQ(boxTexts(), (std::vector<std::string>{"Export directory is invalid."}));
    EXPECT_EQ(tform_.lines(ctl::kTransferDirectory).front(), "");
}

TEST_F(ExportTest, AiffChosenWritesAiffFilesNamedAfterTheSong) {
    startOn(6);
    press(ctl::kFormatAiff);
    exportLines({3});
    const std::string path = exportDir_ + "/Take 1-Track04.aif";
    Bytes expected = trackPattern(kSamples, 4);
    EXPECT_EQ(fileAudio(AudioFormat::Aiff, path), expected);
}

TEST(CopyProgressTest, PercentOfRangesBeyondThirtyTwoBitProducts) {
    FakeCopyProgress view;
    vxf::transfer::CopyProgressDialog dialog(view);
    dialog.Open(1);
    dialog.SetRange(0, 4000000000u);
    dialog.SetStep(3000000000u);
    dialog.Step();
    dialog.SetStep(1000000000u);
    dialog.Step();
    EXPECT_EQ(view.percentTexts, (std::vector<std::string>{" 0 %", "75%", "100%"}));
}

}  // namespace
}  // namespace decktest
