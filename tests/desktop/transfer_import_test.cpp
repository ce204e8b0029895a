// transfer_import_test.cpp - the Import button: track from the name or the dialog, too many files, rate, all 24, cancel.
#include "deck_transfer_fixture.h"
#include "ext_message_box.h"
#include "ids.h"
#include "tavovxf.h"
#include "track_select_dialog.h"
#include "transfer_ids.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace decktest {
namespace {

using namespace deck;
using vxf::transfer::AudioFormat;

constexpr uint32_t kSongSamples = 20000;

class ImportTest : public TransferDeckFixture {
protected:
    void startOn(uint16_t tracks, uint32_t samples = kSongSamples, uint32_t rate = 48000) {
        makeDrive({{"Take 1", tracks, rate, samples}});
        profile_.ints = {{"TabSelection", 1}};
        profile_.texts = {{"TransImportStr", importDir_}};
        start();
    }
    std::string file(const std::string& name) const { return importDir_ + "/" + name; }
    void makeFile(const std::string& name, uint32_t samples, uint32_t seed, uint32_t rate = 48000) {
        writeAudio(AudioFormat::Wav, file(name), rate, 24, trackPattern(samples, seed));
    }
    // The list is read again, as after a change of directory.
    void relist() { typeDirectory(importDir_); }
    int line(const std::string& name) const {
        const auto lines = tform_.lines(ctl::kTransferList);
        return static_cast<int>(std::find(lines.begin(), lines.end(), name) - lines.begin());
    }
    void importAll() {
        relist();
        std::vector<int> all(static_cast<size_t>(tform_.lineCount(ctl::kTransferList)));
        for (size_t i = 0; i < all.size(); ++i) all[i] = static_cast<int>(i);
        selectLines(all);
        press(ctl::kTransferAction);
    }
    static Bytes prefix(const Bytes& bytes, uint32_t samples) { return Bytes(bytes.begin(), bytes.begin() + samples * 3); }
    uint32_t songLength() {
        uint32_t length = 0;
        EXPECT_EQ(tavovxfSongGetLength(view().drives().handle(), &length), VXF_OK);
        return length;
    }
};

TEST_F(ImportTest, NumberedFilesFindTheirTracksAndAnotherGoesThroughTheDialog) {
    startOn(16);
    makeFile("Track01.wav", 25000, 101);
    makeFile("Track02.wav", 20000, 102);
    makeFile("Vocals.wav", 10000, 103);
    std::vector<std::string> offered;
    int preselected = -1;
    tform_.dialogs.push_back([&](DialogLogic& dialog, FakeDialog& controls) {
        offered = controls.lines(ctl::kTrackSelectTo);
        preselected = controls.selection(ctl::kTrackSelectTo);
        EXPECT_EQ(controls.text(ctl::kTrackSelectFrom), file("Vocals.wav"));
        controls.press(dialog, kIdOk);
    });
    importAll();
    EXPECT_EQ(tform_.dialogTemplates, (std::vector<int>{tmpl::kTrackSelect}));
    ASSERT_EQ(offered.size(), 14u);
    EXPECT_EQ(offered.front(), "Track 03");
    EXPECT_EQ(offered.back(), "Track 16");
    EXPECT_EQ(preselected, 0);  // the first free track
    ASSERT_EQ(tform_.boxes.size(), 3u);
    EXPECT_EQ(tform_.boxes[0].caption, "Confirm Track Replace");
    const std::string question = "Do you want to replace tavo VXF Track 01 with\r\n";
    EXPECT_EQ(tform_.boxes[0].text.substr(0, question.size()), question);
    const std::string shown = tform_.boxes[0].text.substr(question.size());
    EXPECT_LE(shown.size(), 39u + 1);  // the path cut to 39 characters, then "?"
    EXPECT_EQ(shown.substr(shown.size() - 13), "/Track01.wav?");
    EXPECT_EQ(tform_.boxes[0].type & mb::kButtonSetMask, mb::kYesNoCancel);
    EXPECT_EQ(tform_.boxes[2].type & mb::kButtonSetMask, mb::kYesNo);
    EXPECT_EQ(tform_.services.copy.opened, (std::vector<uint16_t>{1, 1, 1}));
    EXPECT_EQ(trackAudio(0), trackPattern(25000, 101));
    EXPECT_EQ(prefix(trackAudio(1), 20000), trackPattern(20000, 102));
    EXPECT_EQ(prefix(trackAudio(2), 10000), trackPattern(10000, 103));
    // The song grew to the longest file; the Song group shows it.
    EXPECT_EQ(songLength(), 25000u);
    EXPECT_EQ(view().songs().length(), 25000u);
    EXPECT_EQ(tform_.lines(ctl::kTransferDirectory).front(), importDir_);
}

TEST_F(ImportTest, IntroTakesTheTrackChosenInTheDialog) {
    startOn(16);
    makeFile("Intro.wav", 5000, 7);
    makeFile("Track01.wav", 5000, 8);
    makeFile("Track02.wav", 5000, 9);
    tform_.dialogs.push_back(chooseAndOk(ctl::kTrackSelectTo, 4));  // "Track 05"
    importAll();
    EXPECT_EQ(prefix(trackAudio(4), 5000), trackPattern(5000, 7));
    EXPECT_EQ(prefix(trackAudio(0), 5000), trackPattern(5000, 8));
    EXPECT_EQ(prefix(trackAudio(1), 5000), trackPattern(5000, 9));
}

TEST_F(ImportTest, CancelInTheDialogStopsTheAssignmentAndImportsNothingMore) {
    startOn(8);
    makeFile("Intro.wav", 5000, 7);
    makeFile("Track01.wav", 5000, 8);
    importAll();  // the dialog is cancelled
    EXPECT_EQ(tform_.dialogTemplates, (std::vector<int>{tmpl::kTrackSelect}));
    EXPECT_TRUE(tform_.boxes.empty());
    EXPECT_EQ(prefix(trackAudio(0), kSongSamples), trackPattern(kSongSamples, 1));
}

TEST_F(ImportTest, SeventeenFilesForSixteenTracksAreRefused) {
    startOn(16);
    for (int i = 1; i <= 17; ++i) makeFile("Track" + std::to_string(100 + i).substr(1) + ".wav", 100, i);
    importAll();
    EXPECT_EQ(boxTexts(), (std::vector<std::string>{"Too many tracks selected."}));
    EXPECT_TRUE(tform_.dialogTemplates.empty());
    EXPECT_TRUE(tform_.services.copy.opened.empty());
    EXPECT_EQ(trackAudio(0), trackPattern(kSongSamples, 1));
    EXPECT_EQ(tform_.lines(ctl::kTransferDirectory).front(), "");  // not remembered
}

TEST_F(ImportTest, RateMismatchAnsweredOkGoesOnWithTheNextFile) {
    startOn(8);
    makeFile("Track01.wav", 3000, 11, 44100);
    makeFile("Track02.wav", 3000, 12);
    tform_.answers = {idr::kYes, idr::kOk, idr::kYes};
    importAll();
    ASSERT_EQ(tform_.boxes.size(), 3u);
    EXPECT_EQ(tform_.boxes[1].text, file("Track01.wav") + "\r\nSample rate mismatch. The file is at 44100 Hz, the song at 48000 Hz.");
    EXPECT_EQ(tform_.boxes[1].type, mb::kOkCancel | mb::kIconStop | mb::kSetForeground);
    EXPECT_EQ(prefix(trackAudio(0), 3000), trackPattern(3000, 1));  // untouched
    EXPECT_EQ(prefix(trackAudio(1), 3000), trackPattern(3000, 12));
}

TEST_F(ImportTest, AllTwentyFourInOnePassPadAShorterFileWithSilence) {
    startOn(24);
    for (int i = 1; i <= 24; ++i) {
        makeFile("Track" + std::to_string(100 + i).substr(1) + ".wav", i == 7 ? 12000 : 30000, 200 + i);
    }
    tform_.answers = {idr::kYesToAll};
    importAll();
    EXPECT_EQ(tform_.boxes.size(), 1u);
    EXPECT_EQ(tform_.services.copy.opened, (std::vector<uint16_t>{24}));
    EXPECT_EQ(songLength(), 30000u);
    EXPECT_EQ(trackAudio(0), trackPattern(30000, 201));
    EXPECT_EQ(trackAudio(23), trackPattern(30000, 224));
    const Bytes seventh = trackAudio(6);
    EXPECT_EQ(prefix(seventh, 12000), trackPattern(12000, 207));
    EXPECT_TRUE(std::all_of(seventh.begin() + 12000 * 3, seventh.end(), [](uint8_t b) { return b == 0; }));
}

TEST_F(ImportTest, CancelMidwayKeepsWhatWasWrittenAndShowsTheSong) {
    constexpr uint32_t kLong = 450000;
    startOn(8, 1000);
    makeFile("Track01.wav", kLong, 31);
    makeFile("Track02.wav", kLong, 32);
    tform_.services.copy.cancelInWindow = 2;
    tform_.answers = {idr::kYes, idr::kYes, idr::kYes};
    importAll();
    EXPECT_EQ(boxTexts().back(), "Are you sure you want to cancel?");
    EXPECT_EQ(trackAudio(0), trackPattern(kLong, 31));
    EXPECT_EQ(songLength(), kLong);
    EXPECT_EQ(view().songs().length(), kLong);
    // The second file's first block reached its track, the rest of the track is silence.
    const Bytes second = trackAudio(1);
    const Bytes expected = trackPattern(kLong, 32);
    const size_t firstBlock = static_cast<size_t>(std::mismatch(second.begin(), second.end(), expected.begin()).first -
                                                  second.begin());
    EXPECT_GT(firstBlock, 1000u * 3);
    EXPECT_LT(firstBlock, size_t{kLong} * 3);
}

TEST_F(ImportTest, WriteProtectedSongIsRefused) {
    startOn(8);
    ASSERT_EQ(tavovxfSongSetWriteProtect(view().drives().handle(), 1), VXF_OK);
    view().songSelected();
    makeFile("Track01.wav", 1000, 5);
    importAll();
    EXPECT_EQ(boxTexts().back(), "tavo VXF song is write protected.");
    EXPECT_EQ(trackAudio(0), trackPattern(kSongSamples, 1));
}

TEST(TrackSelectDialogTest, PreselectsTheTrackChosenLastWhenItIsFree) {
    const std::vector<bool> free = {false, true, true, true};
    TrackSelectDialog dialog("/in/a.wav", 4, free, uint16_t{2});
    FakeDialog controls;
    dialog.init(controls);
    EXPECT_EQ(controls.lines(ctl::kTrackSelectTo), (std::vector<std::string>{"Track 02", "Track 03", "Track 04"}));
    EXPECT_EQ(controls.selection(ctl::kTrackSelectTo), 1);
    controls.press(dialog, kIdOk);
    EXPECT_EQ(controls.result, kIdOk);
    EXPECT_EQ(dialog.chosen(), uint16_t{2});
}

TEST(TrackSelectDialogTest, OkWithoutAChoiceIsCancel) {
    TrackSelectDialog dialog("/in/a.wav", 3, {true, true, true}, std::nullopt);
    FakeDialog controls;
    dialog.init(controls);
    EXPECT_EQ(controls.selection(ctl::kTrackSelectTo), 0);
    controls.setSelection(ctl::kTrackSelectTo, -1);
    controls.press(dialog, kIdOk);
    EXPECT_EQ(controls.result, kIdCancel);
    EXPECT_FALSE(dialog.chosen());
}

TEST(TrackSelectDialogTest, NoFreeTrackLeavesOnlyCancel) {
    TrackSelectDialog dialog(std::string(100, 'x') + ".wav", 2, {false, false}, uint16_t{1});
    FakeDialog controls;
    dialog.init(controls);
    EXPECT_TRUE(controls.lines(ctl::kTrackSelectTo).empty());
    EXPECT_EQ(controls.text(ctl::kTrackSelectFrom).size(), 69u);
    controls.press(dialog, kIdOk);
    EXPECT_EQ(controls.result, kIdCancel);
}

TEST_F(ImportTest, FilesDroppedOntoTheListComeFromTheirFolderAndImportAsTheButtonDoes) {
    startOn(8);
    const std::string other = folder_ + "/dropped";
    std::filesystem::create_directories(other);
    writeAudio(AudioFormat::Aiff, other + "/Track02.aif", 48000, 24, trackPattern(12000, 202));
    writeAudio(AudioFormat::Aiff, other + "/Track05.aif", 48000, 24, trackPattern(9000, 205));
    writeAudio(AudioFormat::Aiff, other + "/Track06.aif", 48000, 24, trackPattern(9000, 206));
    const Bytes before = trackAudio(5);

    view().filesDropped({other + "/Track02.aif", other + "/Track05.aif"});
    // Their folder and format are the list's now, the dropped ones chosen and imported, the third left alone.
    EXPECT_EQ(view().transfer().listDirectory(), other + "/");
    EXPECT_TRUE(tform_.checked(ctl::kFormatAiff));
    EXPECT_EQ(tform_.lines(ctl::kTransferList),
              (std::vector<std::string>{"Track02.aif", "Track05.aif", "Track06.aif"}));
    EXPECT_EQ(prefix(trackAudio(1), 12000), trackPattern(12000, 202));
    EXPECT_EQ(prefix(trackAudio(4), 9000), trackPattern(9000, 205));
    EXPECT_EQ(trackAudio(5), before);
}

TEST_F(ImportTest, FilesDroppedOnTheExportListAreRefused) {
    makeDrive({{"Take 1", 8, 48000, 1000}});
    profile_.texts = {{"TransImportStr", importDir_}};
    start();
    makeFile("Track01.wav", 500, 301);
    const Bytes before = trackAudio(0);
    view().filesDropped({file("Track01.wav")});
    EXPECT_EQ(trackAudio(0), before);
    EXPECT_TRUE(tform_.boxes.empty());
}

}  // namespace
}  // namespace decktest
