// archive_dialog_test.cpp - Drive › Archive… on the fake form: the folder asked for, progress, Stop, resume and the summary.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "archive_dialog.h"
#include "bag_check.h"
#include "deck_transfer_fixture.h"
#include "ids.h"
#include "vxf_layout.h"

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

    // Drive › Archive… stopped as the second song begins, then started again to the end.
    void archiveStoppedAndResumed(std::string& stopped, std::string& finished) {
        tform_.services.folders = {bag_};
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
    EXPECT_EQ(summary, "Complete: 2 songs, 21 files, 0.4 MB, 0 gaps.");
    EXPECT_TRUE(openEnabled);
    EXPECT_TRUE(vxf::transfer::checkBag(bag_).valid());
    EXPECT_TRUE(std::filesystem::exists(bag_ + "/data/01 Demo Session/01 Take 1 2  Intro/Take 1 2  Intro-Track08.wav"));
    EXPECT_TRUE(std::filesystem::exists(bag_ + "/data/01 Demo Session/02 CON_/CON_-Track08.wav"));
}

TEST_F(ArchiveDialogTest, StopLeavesTheBagToGoOnWithAndArchiveFinishesIt) {
    std::string stopped, finished;
    archiveStoppedAndResumed(stopped, finished);
    EXPECT_EQ(stopped, "Stopped; Archive goes on where it stopped.");
    EXPECT_EQ(finished, "Complete: 2 songs, 21 files, 0.4 MB, 0 gaps.");
    EXPECT_TRUE(vxf::transfer::checkBag(bag_).valid());
}

// A drive that fails a sector inside a take still archives whole: the sector's samples are silence and counted,
// also by a run that goes on from a stop and keeps the take's files.
TEST_F(ArchiveDialogTest, AnUnreadableSectorOfATakeBecomesAGapAndTheArchiveCompletes) {
    uint32_t badSector = 0;
    onDrive(0, [&](uint32_t handle) {
        std::vector<VxfxArea> areas(64);
        uint32_t count = 0;
        ASSERT_EQ(vxfxDriveGetAreas(handle, areas.data(), uint32_t(areas.size()), &count), VXF_OK);
        for (uint32_t i = 0; i < std::min<uint32_t>(count, uint32_t(areas.size())); ++i) {
            if (areas[i].kind == VXFX_AREA_SONG && badSector == 0) badSector = areas[i].first + 7;
        }
    });
    ASSERT_NE(badSector, 0u);
    std::ofstream(drives_[0] + ".faults") << "read-error " << badSector << " " << badSector << "\n";

    std::string summary, stopped, resumed;
    tform_.dialogs.push_back([&](DialogLogic& dialog, FakeDialog& controls) {
        controls.press(dialog, ctl::kArchiveStart);
        summary = controls.text(ctl::kArchiveSummary);
        controls.press(dialog, kIdOk);
    });
    view().command(cmd::kDriveArchive);
    EXPECT_EQ(summary.rfind("Complete: 2 songs, 21 files, 0.4 MB, ", 0), 0u) << summary;
    EXPECT_EQ(summary.find(" 0 gaps."), std::string::npos) << summary;

    std::filesystem::remove_all(bag_);
    archiveStoppedAndResumed(stopped, resumed);
    EXPECT_EQ(stopped, "Stopped; Archive goes on where it stopped.");
    EXPECT_EQ(resumed, summary);
    EXPECT_TRUE(vxf::transfer::checkBag(bag_).valid());
    std::ifstream report(bag_ + "/data/salvage-report.txt");
    const std::string text((std::istreambuf_iterator<char>(report)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("Intro"), std::string::npos) << text;
}

}  // namespace
}  // namespace decktest
