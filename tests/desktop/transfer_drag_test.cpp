// transfer_drag_test.cpp - tracks dragged out of the export list: exported as Export does into a private folder.
#include "deck_transfer_fixture.h"
#include "ext_message_box.h"
#include "transfer_ids.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace decktest {
namespace {

using namespace deck;
using vxf::transfer::AudioFormat;
namespace fs = std::filesystem;

class DragTest : public TransferDeckFixture {
protected:
    void SetUp() override {
        TransferDeckFixture::SetUp();
        cache_ = folder_ + "/cache";
        stagingRoot_ = cache_ + "/vxfdeck/drag";
        ::setenv("XDG_CACHE_HOME", cache_.c_str(), 1);
    }
    void TearDown() override {
        ::unsetenv("XDG_CACHE_HOME");
        TransferDeckFixture::TearDown();
    }
    void startOn(uint16_t tracks, uint32_t samples) {
        makeDrive({{"Take 1", tracks, 48000, samples}});
        profile_.texts = {{"TransExportStr", exportDir_}};
        start();
    }
    // A staging folder holding one file, last changed `age` ago.
    void makeStaging(const std::string& name, std::chrono::hours age) {
        fs::create_directories(stagingRoot_ + "/" + name);
        std::ofstream(stagingRoot_ + "/" + name + "/Take 1-Track01.wav") << "copied long ago";
        fs::last_write_time(stagingRoot_ + "/" + name, fs::file_time_type::clock::now() - age);
    }
    std::string cache_;
    std::string stagingRoot_;
};

TEST_F(DragTest, TracksOneAndThreeBecomeTheirExportedFilesInAFreshPrivateFolder) {
    constexpr uint32_t kSamples = 30000;
    startOn(8, kSamples);
    selectLines({0, 2});
    const std::vector<std::string> files = view().exportForDrag();
    EXPECT_TRUE(boxTexts().empty());
    ASSERT_EQ(files.size(), 2u);
    const fs::path folder = fs::path(files[0]).parent_path();
    EXPECT_EQ(folder.parent_path(), fs::path(stagingRoot_));
    EXPECT_EQ(fs::path(files[1]).parent_path(), folder);
    struct stat info {};
    ASSERT_EQ(::lstat(folder.c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    // Named and written as the Export button writes them, with its progress window.
    EXPECT_EQ(fs::path(files[0]).filename(), "Take 1-Track01.wav");
    EXPECT_EQ(fs::path(files[1]).filename(), "Take 1-Track03.wav");
    EXPECT_EQ(fileAudio(AudioFormat::Wav, files[0]), trackAudio(0));
    EXPECT_EQ(fileAudio(AudioFormat::Wav, files[1]), trackAudio(2));
    EXPECT_EQ(fileAudio(AudioFormat::Wav, files[1]), trackPattern(kSamples, 3));
    EXPECT_EQ(tform_.services.copy.opened, (std::vector<uint16_t>{1, 1}));
    // Nothing went to the export directory, and the private folder is no recent directory.
    EXPECT_TRUE(fs::is_empty(exportDir_));
    for (const std::string& line : tform_.lines(ctl::kTransferDirectory))
        EXPECT_EQ(line.find(cache_), std::string::npos);

    // Another drag of the same tracks asks nothing: its folder is new.
    const std::vector<std::string> again = view().exportForDrag();
    ASSERT_EQ(again.size(), 2u);
    EXPECT_NE(fs::path(again[0]).parent_path(), folder);
    EXPECT_TRUE(boxTexts().empty());
    // The drop's target may still be copying when the drag ends: both folders stay.
    view().dragEnded();
    EXPECT_TRUE(fs::exists(files[0]));
    EXPECT_TRUE(fs::exists(again[0]));
}

TEST_F(DragTest, ACancelledExportOffersNoFilesAndLeavesNoFolder) {
    startOn(2, 450000);
    tform_.services.copy.cancelInWindow = 2;
    tform_.answers = {idr::kYes};
    selectLines({0, 1});
    EXPECT_TRUE(view().exportForDrag().empty());
    EXPECT_EQ(boxTexts(), (std::vector<std::string>{"Are you sure you want to cancel?"}));
    ASSERT_TRUE(fs::is_directory(stagingRoot_));
    EXPECT_TRUE(fs::is_empty(stagingRoot_));
    // Nothing selected: no export, no folder.
    selectLines({});
    EXPECT_TRUE(view().exportForDrag().empty());
    EXPECT_TRUE(fs::is_empty(stagingRoot_));
}

TEST_F(DragTest, StagingFoldersOlderThanADayGoAtStartUpAndAfterADrag) {
    makeStaging("old", std::chrono::hours(25));
    makeStaging("recent", std::chrono::hours(23));
    // A link among them is not followed: what it points at stays.
    fs::create_directories(folder_ + "/elsewhere");
    std::ofstream(folder_ + "/elsewhere/keep.wav") << "kept";
    fs::create_directory_symlink(folder_ + "/elsewhere", stagingRoot_ + "/link");
    startOn(2, 1000);
    EXPECT_FALSE(fs::exists(stagingRoot_ + "/old"));
    EXPECT_TRUE(fs::exists(stagingRoot_ + "/recent/Take 1-Track01.wav"));
    EXPECT_TRUE(fs::exists(folder_ + "/elsewhere/keep.wav"));

    makeStaging("old", std::chrono::hours(48));
    view().dragEnded();
    EXPECT_FALSE(fs::exists(stagingRoot_ + "/old"));
    EXPECT_TRUE(fs::exists(stagingRoot_ + "/recent"));
}

TEST_F(DragTest, AStagingPlaceThatIsALinkIsRefused) {
    fs::create_directories(cache_);
    fs::create_directories(folder_ + "/elsewhere");
    fs::create_directory_symlink(folder_ + "/elsewhere", cache_ + "/vxfdeck");
    startOn(2, 1000);
    selectLines({0});
    EXPECT_TRUE(view().exportForDrag().empty());
    EXPECT_EQ(boxTexts(), (std::vector<std::string>{"No folder could be made for the dragged tracks."}));
    EXPECT_TRUE(fs::is_empty(folder_ + "/elsewhere"));
}

}  // namespace
}  // namespace decktest
