// archive_dialog_test.cpp - Drive › Archive… on the fake form: the folder asked for, progress, Stop, resume and the summary.
#include <gtest/gtest.h>

#include <filesystem>

#include "archive_dialog.h"
#include "bag_check.h"
#include "deck_transfer_fixture.h"
#include "ids.h"

namespace decktest {
namespace {

using namespace deck;

class ArchiveDialogTest : public TransferDeckFixture {
protected:
    void SetUp() override {
        TransferDeckFixture::SetUp();
        // Names no file system takes as they are (the drive itself makes "/" and ":" blanks).
        makeDrive({{"Take 1/2: Intro.", 8, 48000, 10000}, {"CON", 8, 96000, 5000}});
        bag_ = exportDir_ + "/bag";
        tform_.services.folders = {bag_};
        start();
    }
    std::string bag_;
};

TEST_F(ArchiveDialogTest, ArchivesTheDriveIntoTheChosenFolderWithProgressAndASummary) {
    std::vector<std::string> songs;
    std::string bytes, summary, folder;
    bool openEnabled = false;
    tform_.dialogs.push_back([&](DialogLogic& dialog, FakeDialog& controls) {
        folder = controls.text(ctl::kArchiveFolder);
        EXPECT_FALSE(controls.isEnabled(ctl::kArchiveOpenFolder));
        tform_.onPump = [&](int) {
            const std::string song = controls.text(ctl::kArchiveSong);
            if (songs.empty() || songs.back() != song) songs.push_back(song);
        };
        controls.press(dialog, ctl::kArchiveStart);
        bytes = controls.text(ctl::kArchiveBytes);
        summary = controls.text(ctl::kArchiveSummary);
        openEnabled = controls.isEnabled(ctl::kArchiveOpenFolder);
        controls.press(dialog, kIdOk);
    });
    view().command(cmd::kDriveArchive);
    EXPECT_EQ(folder, bag_);
    EXPECT_EQ(songs, (std::vector<std::string>{"1/1 Take 1 2  Intro.", "1/2 CON"}));
    EXPECT_EQ(bytes, "0.4 MB of 0.4 MB");
    EXPECT_EQ(summary, "Complete: 2 songs, 20 files, 0.4 MB, 0 gaps.");
    EXPECT_TRUE(openEnabled);
    EXPECT_TRUE(vxf::transfer::checkBag(bag_).valid());
    EXPECT_TRUE(std::filesystem::exists(bag_ + "/data/01 Demo Session/01 Take 1 2  Intro/Take 1 2  Intro-Track08.wav"));
    EXPECT_TRUE(std::filesystem::exists(bag_ + "/data/01 Demo Session/02 CON_/CON_-Track08.wav"));
}

TEST_F(ArchiveDialogTest, StopLeavesTheBagToGoOnWithAndArchiveFinishesIt) {
    std::string stopped, finished;
    tform_.dialogs.push_back([&](DialogLogic& dialog, FakeDialog& controls) {
        tform_.onPump = [&](int) {
            if (controls.text(ctl::kArchiveSong) == "1/2 CON") controls.press(dialog, ctl::kArchiveStop);
        };
        controls.press(dialog, ctl::kArchiveStart);
        stopped = controls.text(ctl::kArchiveSummary);
        EXPECT_TRUE(controls.isEnabled(ctl::kArchiveStart));
        tform_.onPump = nullptr;
        controls.press(dialog, ctl::kArchiveStart);
        finished = controls.text(ctl::kArchiveSummary);
        controls.press(dialog, kIdOk);
    });
    tform_.answers = {idr::kYes};  // "Are you sure you want to cancel?"
    view().command(cmd::kDriveArchive);
    EXPECT_EQ(stopped, "Stopped; Archive goes on where it stopped.");
    EXPECT_EQ(finished, "Complete: 2 songs, 20 files, 0.4 MB, 0 gaps.");
    EXPECT_TRUE(vxf::transfer::checkBag(bag_).valid());
}

}  // namespace
}  // namespace decktest
