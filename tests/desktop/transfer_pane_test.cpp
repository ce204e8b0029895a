// transfer_pane_test.cpp - the Transfer group: first start, settings, tabs, formats, file lists, recent directories, options.
#include "deck_transfer_fixture.h"
#include "ext_message_box.h"
#include "ids.h"
#include "recent_directories.h"
#include "transfer_ids.h"
#include "transfer_options_dialog.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace decktest {
namespace {

using namespace deck;
using vxf::transfer::AudioFormat;

const std::vector<std::string> kNoDirectories(5, "");

class TransferPaneTest : public TransferDeckFixture {
protected:
    void touch(const std::string& path) { std::ofstream(path) << "x"; }
    std::vector<std::string> listed() const { return tform_.lines(ctl::kTransferList); }
    void pressEnter() { press(ctl::kTransferDirectory | kNotifyEnter); }
    void chooseRecent(int index) {
        tform_.setSelection(ctl::kTransferDirectory, index);
        press(ctl::kTransferDirectory);
    }
};

TEST_F(TransferPaneTest, FirstStartShowsExportModeWavTwentyFourBitsAndEmptyDirectories) {
    makeDrive({{"Take 1", 16, 48000, 1000}});
    start();
    EXPECT_TRUE(boxTexts().empty());
    const TransferSettings& settings = view().transfer().settings();
    EXPECT_EQ(settings.mode, TransferMode::Export);
    EXPECT_EQ(settings.format, AudioFormat::Wav);
    EXPECT_EQ(settings.exportWordLength, 24);
    EXPECT_EQ(tform_.lines(ctl::kTransferTab), (std::vector<std::string>{"tavo VXF --> PC", "PC --> tavo VXF"}));
    EXPECT_EQ(tform_.selection(ctl::kTransferTab), 0);
    EXPECT_TRUE(tform_.checked(ctl::kFormatWav));
    EXPECT_FALSE(tform_.checked(ctl::kFormatAiff));
    EXPECT_EQ(tform_.text(ctl::kTransferDirectory), "");
    EXPECT_EQ(tform_.lines(ctl::kTransferDirectory), kNoDirectories);
    EXPECT_EQ(tform_.text(ctl::kTransferDirectoryLabel), "Export to Directory:");
    EXPECT_EQ(tform_.text(ctl::kTransferListLabel), "Select tavo VXF Tracks for Export:");
    EXPECT_EQ(tform_.text(ctl::kTransferAction), "Export");
    ASSERT_EQ(listed().size(), 16u);
    EXPECT_EQ(listed().front(), "Track 01");
    EXPECT_EQ(listed().back(), "Track 16");
    EXPECT_FALSE(tform_.isEnabled(ctl::kTransferAction));
    EXPECT_FALSE(tform_.isEnabled(ctl::kPreviewPlay));
    EXPECT_EQ(tform_.text(ctl::kPreviewBox), "Preview");
    EXPECT_EQ(tform_.text(ctl::kPreviewTime), "00:00:00");
    EXPECT_EQ(tform_.text(ctl::kTransferRate), "0 Mbs");
    EXPECT_EQ(tform_.text(ctl::kTransferTime), "0 s");
    EXPECT_EQ(view().transfer().trackCount(), 16);
}

class OrderedProfile : public MemoryProfile {
public:
    void writeInt(const std::string& key, int value) override {
        order.push_back(key);
        MemoryProfile::writeInt(key, value);
    }
    void writeText(const std::string& key, const std::string& value) override {
        order.push_back(key);
        MemoryProfile::writeText(key, value);
    }
    std::vector<std::string> order;
};

TEST(TransferSettingsTest, AreWrittenInTheirOrderAndReadBack) {
    TransferSettings settings;
    settings.mode = TransferMode::Import;
    settings.format = AudioFormat::DigSd;
    settings.exportWordLength = 16;
    settings.exportDirectory = "/e";
    settings.importDirectory = "/i";
    settings.recentExport.set(0, "/e");
    settings.recentImport.set(4, "/i4");
    OrderedProfile profile;
    settings.write(profile);
    EXPECT_EQ(profile.order,
              (std::vector<std::string>{"TabSelection", "TransFormat", "TransExportWL", "TransExportStr", "TransImportStr",
                                        "TransExportStr0", "TransImportStr0", "TransExportStr1", "TransImportStr1",
                                        "TransExportStr2", "TransImportStr2", "TransExportStr3", "TransImportStr3",
                                        "TransExportStr4", "TransImportStr4", "TransBWF", "TransPoly"}));
    EXPECT_EQ(profile.ints["TabSelection"], 1);
    EXPECT_EQ(profile.ints["TransFormat"], 3);
    TransferSettings read;
    read.read(profile);
    EXPECT_EQ(read.mode, TransferMode::Import);
    EXPECT_EQ(read.format, AudioFormat::DigSd);
    EXPECT_EQ(read.exportWordLength, 16);
    EXPECT_EQ(read.importDirectory, "/i");
    EXPECT_EQ(read.recentImport.at(4), "/i4");
}

TEST(TransferSettingsTest, ValuesTheProgramNeverWritesGiveTheDefaults) {
    MemoryProfile profile;
    profile.ints = {{"TabSelection", 7}, {"TransFormat", 9}, {"TransExportWL", 20}};
    TransferSettings settings;
    settings.read(profile);
    EXPECT_EQ(settings.mode, TransferMode::Export);
    EXPECT_EQ(settings.format, AudioFormat::Wav);
    EXPECT_EQ(settings.exportWordLength, 24);
}

TEST_F(TransferPaneTest, StoredImportModeListsTheMatchingFilesSortedAndKeepsTheSettings) {
    for (const char* name : {"b.aiff", "A.aif", "c.wav", "d.AIF", "notes.txt"}) touch(importDir_ + "/" + name);
    std::filesystem::create_directory(importDir_ + "/folder.aif");
    makeDrive({{"Take 1", 16, 48000, 1000}});
    profile_.ints = {{"TabSelection", 1}, {"TransFormat", 1}, {"TransExportWL", 16}};
    profile_.texts = {{"TransImportStr", importDir_}, {"TransImportStr0", importDir_}, {"TransImportStr1", "/elsewhere"}};
    start();
    EXPECT_EQ(tform_.selection(ctl::kTransferTab), 1);
    EXPECT_TRUE(tform_.checked(ctl::kFormatAiff));
    EXPECT_EQ(listed(), (std::vector<std::string>{"A.aif", "b.aiff", "d.AIF"}));
    EXPECT_EQ(tform_.text(ctl::kTransferDirectory), importDir_);
    EXPECT_EQ(tform_.lines(ctl::kTransferDirectory), (std::vector<std::string>{importDir_, "/elsewhere", "", "", ""}));
    EXPECT_EQ(tform_.text(ctl::kTransferDirectoryLabel), "Import from Directory:");
    EXPECT_EQ(tform_.text(ctl::kTransferListLabel), "Select PC Files for Import:");
    EXPECT_EQ(tform_.text(ctl::kTransferAction), "Import");
    view().shutdown();
    EXPECT_EQ(profile_.ints["TabSelection"], 1);
    EXPECT_EQ(profile_.ints["TransFormat"], 1);
    EXPECT_EQ(profile_.ints["TransExportWL"], 16);
    EXPECT_EQ(profile_.texts["TransImportStr"], importDir_);
    EXPECT_EQ(profile_.texts["TransImportStr1"], "/elsewhere");
}

TEST_F(TransferPaneTest, FormatChangeRebuildsTheFileListOnlyInImportMode) {
    for (const char* name : {"x.sd", "y.dig", "z.wav"}) touch(importDir_ + "/" + name);
    makeDrive({{"Take 1", 8, 48000, 1000}});
    profile_.texts = {{"TransImportStr", importDir_}};
    start();
    press(ctl::kFormatDigSd);
    EXPECT_EQ(listed().size(), 8u);  // export mode: the tracks stay
    EXPECT_TRUE(tform_.checked(ctl::kFormatDigSd));
    EXPECT_FALSE(tform_.checked(ctl::kFormatWav));
    switchTab(1);
    EXPECT_EQ(listed(), (std::vector<std::string>{"x.sd", "y.dig"}));
    press(ctl::kFormatWav);
    EXPECT_EQ(listed(), (std::vector<std::string>{"z.wav"}));
    switchTab(0);
    EXPECT_EQ(listed().size(), 8u);
    EXPECT_EQ(tform_.text(ctl::kTransferAction), "Export");
}

TEST_F(TransferPaneTest, TypingADirectoryListsThatFolderAtOnce) {
    const std::string other = folder_ + "/other";
    std::filesystem::create_directory(other);
    touch(importDir_ + "/Track01.wav");
    touch(other + "/Track02.wav");
    makeDrive({{"Take 1", 8, 48000, 1000}});
    profile_.ints = {{"TabSelection", 1}};
    profile_.texts = {{"TransImportStr", importDir_}};
    start();
    EXPECT_EQ(listed(), (std::vector<std::string>{"Track01.wav"}));
    typeDirectory(other + "/nowhere");
    EXPECT_TRUE(listed().empty());
    EXPECT_TRUE(boxTexts().empty());  // typing reports nothing
    typeDirectory(other);
    EXPECT_EQ(listed(), (std::vector<std::string>{"Track02.wav"}));
    EXPECT_EQ(view().transfer().listDirectory(), other + "/");
    EXPECT_EQ(view().transfer().settings().importDirectory, other);
}

TEST_F(TransferPaneTest, EnterOnAMissingImportDirectorySaysSo) {
    makeDrive({{"Take 1", 8, 48000, 1000}});
    profile_.ints = {{"TabSelection", 1}};
    start();
    typeDirectory(folder_ + "/missing");
    pressEnter();
    EXPECT_EQ(boxTexts(), (std::vector<std::string>{"Import directory is invalid."}));
    EXPECT_EQ(tform_.lines(ctl::kTransferDirectory).front(), folder_ + "/missing");
}

TEST(RecentDirectoriesTest, ChoosingTheThirdMakesItFirst) {
    RecentDirectories recent;
    for (size_t i = 0; i < 5; ++i) recent.set(i, "d" + std::to_string(i));
    recent.moveToFront(2);
    EXPECT_EQ(recent.entries(), (std::array<std::string, 5>{"d2", "d0", "d1", "d3", "d4"}));
}

TEST(RecentDirectoriesTest, AKnownDirectoryMovesUpAndANewOneDropsTheFifth) {
    RecentDirectories recent;
    for (size_t i = 0; i < 5; ++i) recent.set(i, "d" + std::to_string(i));
    recent.pushFront("d3");
    EXPECT_EQ(recent.entries(), (std::array<std::string, 5>{"d3", "d0", "d1", "d2", "d4"}));
    recent.pushFront("new");
    EXPECT_EQ(recent.entries(), (std::array<std::string, 5>{"new", "d3", "d0", "d1", "d2"}));
    recent.pushFront("new");
    EXPECT_EQ(recent.entries(), (std::array<std::string, 5>{"new", "d3", "d0", "d1", "d2"}));
}

TEST_F(TransferPaneTest, RecentExportDirectoriesFollowChoiceEnterAndBrowse) {
    makeDrive({{"Take 1", 8, 48000, 1000}});
    profile_.texts = {{"TransExportStr", "/a"}, {"TransExportStr0", "/a"}, {"TransExportStr1", "/b"},
                      {"TransExportStr2", "/c"}, {"TransExportStr3", "/d"}, {"TransExportStr4", "/e"}};
    start();
    chooseRecent(2);
    EXPECT_EQ(tform_.lines(ctl::kTransferDirectory), (std::vector<std::string>{"/c", "/a", "/b", "/d", "/e"}));
    EXPECT_EQ(tform_.text(ctl::kTransferDirectory), "/c");
    EXPECT_EQ(view().transfer().settings().exportDirectory, "/c");

    typeDirectory("/d");
    pressEnter();
    EXPECT_EQ(tform_.lines(ctl::kTransferDirectory), (std::vector<std::string>{"/d", "/c", "/a", "/b", "/e"}));

    tform_.services.folders.push_back(exportDir_);
    press(ctl::kTransferBrowse);
    ASSERT_EQ(tform_.services.browses.size(), 1u);
    EXPECT_EQ(tform_.services.browses[0], std::make_pair(std::string("Select Destination Directory:"), std::string("/d")));
    EXPECT_EQ(tform_.lines(ctl::kTransferDirectory), (std::vector<std::string>{exportDir_, "/d", "/c", "/a", "/b"}));
    EXPECT_EQ(tform_.text(ctl::kTransferDirectory), exportDir_);

    press(ctl::kTransferBrowse);  // Cancel in the browser changes nothing
    EXPECT_EQ(tform_.text(ctl::kTransferDirectory), exportDir_);
    view().shutdown();
    EXPECT_EQ(profile_.texts["TransExportStr"], exportDir_);
    EXPECT_EQ(profile_.texts["TransExportStr4"], "/b");
}

TEST_F(TransferPaneTest, SelectionDecidesTheActionAndPreviewButtons) {
    makeDrive({{"Take 1", 8, 48000, 1000}});
    start();
    selectLines({2});
    EXPECT_TRUE(tform_.isEnabled(ctl::kTransferAction));
    EXPECT_TRUE(tform_.isEnabled(ctl::kPreviewPlay));
    selectLines({2, 5});
    EXPECT_TRUE(tform_.isEnabled(ctl::kTransferAction));
    EXPECT_FALSE(tform_.isEnabled(ctl::kPreviewPlay));
    selectLines({});
    EXPECT_FALSE(tform_.isEnabled(ctl::kTransferAction));
}

TEST_F(TransferPaneTest, SelectAllSelectsEveryLine) {
    makeDrive({{"Take 1", 6, 48000, 1000}});
    start();
    view().command(cmd::kSelectAll);
    EXPECT_EQ(tform_.selectedLines(ctl::kTransferList), (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_TRUE(tform_.isEnabled(ctl::kTransferAction));
    EXPECT_FALSE(tform_.isEnabled(ctl::kPreviewPlay));
}

TEST_F(TransferPaneTest, ProjectWithoutSongsOffersNoExportButImportFiles) {
    addFormattedDrive("a.img");
    start();
    EXPECT_TRUE(listed().empty());
    EXPECT_EQ(view().transfer().trackCount(), 0);
    EXPECT_FALSE(tform_.isEnabled(ctl::kTransferList));
    EXPECT_FALSE(tform_.isEnabled(ctl::kTransferAction));
    switchTab(1);
    EXPECT_EQ(view().transfer().trackCount(), 24);
    EXPECT_TRUE(tform_.isEnabled(ctl::kTransferList));
    EXPECT_FALSE(tform_.isEnabled(ctl::kTransferAction));
}

TEST_F(TransferPaneTest, DriveWithoutFileSystemDisablesAllButTheTab) {
    addBlankDrive("blank.img");
    profile_.ints = {{"TabSelection", 1}};
    start();
    EXPECT_FALSE(tform_.isEnabled(ctl::kTransferList));
    EXPECT_FALSE(tform_.isEnabled(ctl::kTransferBrowse));
    EXPECT_FALSE(tform_.isEnabled(ctl::kFormatWav));
    EXPECT_TRUE(tform_.isEnabled(ctl::kTransferTab));
}

TEST_F(TransferPaneTest, OptionsDialogSetsTheExportWordLengthOnOkOnly) {
    makeDrive({{"Take 1", 2, 48000, 1000}});
    start();
    int opened16 = -1;
    tform_.dialogs.push_back([&](DialogLogic& dialog, FakeDialog& controls) {
        opened16 = controls.checked(ctl::kOptions16Bit);
        EXPECT_TRUE(controls.checked(ctl::kOptions24Bit));
        controls.setChecked(ctl::kOptions16Bit, true);
        controls.setChecked(ctl::kOptions24Bit, false);
        controls.press(dialog, kIdCancel);
    });
    view().command(cmd::kTransferOptions);
    EXPECT_EQ(opened16, 0);
    EXPECT_EQ(view().transfer().settings().exportWordLength, 24);
    tform_.dialogs.push_back([&](DialogLogic& dialog, FakeDialog& controls) {
        controls.setChecked(ctl::kOptions16Bit, true);
        controls.setChecked(ctl::kOptions24Bit, false);
        controls.press(dialog, kIdOk);
    });
    view().command(cmd::kTransferOptions);
    EXPECT_EQ(view().transfer().settings().exportWordLength, 16);
    EXPECT_EQ(tform_.dialogTemplates.back(), tmpl::kTransferOptions);
    tform_.dialogs.push_back([&](DialogLogic& dialog, FakeDialog& controls) {
        EXPECT_TRUE(controls.checked(ctl::kOptions16Bit));
        controls.press(dialog, kIdOk);
    });
    view().command(cmd::kTransferOptions);
    EXPECT_EQ(view().transfer().settings().exportWordLength, 16);
}

}  // namespace
}  // namespace decktest
