// refresh_test.cpp - drive notifications, the change check, deferred checks and the free-space preview.
#include "deck_fixture.h"
#include "ext_message_box.h"
#include "ids.h"
#include "tavovxf.h"
#include "time_texts.h"

#include <gtest/gtest.h>

#include <fstream>

namespace decktest {
namespace {

using namespace deck;

class Refresh : public DeckFixture {
protected:
    void writeFaults(const std::string& image, const std::string& text) {
        std::ofstream(image + ".faults") << text;
    }
    // The name of the server's primary song of the view's handle.
    std::string primarySongName() {
        char name[128] = {};
        EXPECT_EQ(tavovxfSongGetExtName(view().drives().handle(), name), VXF_OK);
        return name;
    }
};

TEST_F(Refresh, AddedDriveIsListedAfterTheNotification) {
    addFormattedDrive("a.img");
    startView();
    addFormattedDrive("b.img");
    notifyDrivesChanged();
    EXPECT_EQ(form_.lines(ctl::kDriveName), (std::vector<std::string>{"1:  Drive Name", "2:  Drive Name"}));
    EXPECT_EQ(form_.selection(ctl::kDriveName), 0);
    EXPECT_TRUE(form_.boxes.empty());
}

TEST_F(Refresh, RemovedSelectedDriveFallsBackToTheFirst) {
    addFormattedDrive("a.img");
    addBlankDrive("b.img");
    profile_.ints["DriveName"] = 1;
    startView();
    ASSERT_EQ(view().drives().selected(), 1);
    drives_.pop_back();
    enumerateDrives();
    notifyDrivesChanged();
    EXPECT_EQ(form_.lines(ctl::kDriveName), (std::vector<std::string>{"1:  Drive Name"}));
    EXPECT_EQ(view().drives().selected(), 0);
    EXPECT_EQ(form_.text(ctl::kVersion), "1.10 ");
    EXPECT_TRUE(form_.isEnabled(ctl::kProjectName));
}

TEST_F(Refresh, DriveFormattedByAnotherProgramIsNoticed) {
    addBlankDrive("blank.img");
    startView();
    ASSERT_EQ(form_.lines(ctl::kDriveName), (std::vector<std::string>{"1:  Unknown Drive"}));
    uint16_t count = 0;
    uint32_t other = 0;
    ASSERT_EQ(tavovxfDriveGetNum(&count), VXF_OK);
    ASSERT_EQ(tavovxfDriveOpen(0, &other), VXF_OK);
    ASSERT_EQ(tavovxfDriveFormat(other), VXF_OK);
    ASSERT_EQ(tavovxfDriveClose(other), VXF_OK);
    notifyDrivesChanged();
    EXPECT_EQ(form_.lines(ctl::kDriveName), (std::vector<std::string>{"1:  Drive Name"}));
    EXPECT_EQ(form_.lines(ctl::kProjectName), (std::vector<std::string>{"01: Proj Name"}));
    EXPECT_TRUE(form_.isEnabled(ctl::kProjectName));
}

TEST_F(Refresh, UnchangedDrivesKeepTheListAndTheShownSongPrimary) {
    addFormattedDrive("a.img");
    addSongs(0, 3);
    startView();
    view().selectSong(0);
    form_.controls[ctl::kDriveName].lines.push_back("sentinel");
    notifyDrivesChanged();
    EXPECT_EQ(form_.lines(ctl::kDriveName).back(), "sentinel");  // not rebuilt
    EXPECT_NE(view().drives().handle(), 0u);
    EXPECT_EQ(primarySongName(), "Take 1");
    EXPECT_TRUE(form_.boxes.empty());
}

TEST_F(Refresh, DriveWithoutCommunicationIsListedWithoutMessageAndRebuiltEveryTime) {
    const std::string image = addFormattedDrive("a.img");
    writeFaults(image, "no-capacity\n");
    startView();
    EXPECT_TRUE(form_.boxes.empty());
    EXPECT_EQ(form_.lines(ctl::kDriveName), (std::vector<std::string>{"1:  No Drive Communication"}));
    EXPECT_EQ(view().drives().handle(), 0u);
    EXPECT_FALSE(form_.isEnabled(ctl::kProjectName));
    EXPECT_FALSE(enabled(cmd::kDriveProperties));
    form_.controls[ctl::kDriveName].lines.push_back("sentinel");
    notifyDrivesChanged();
    EXPECT_EQ(form_.lines(ctl::kDriveName), (std::vector<std::string>{"1:  No Drive Communication"}));
    EXPECT_TRUE(form_.boxes.empty());
}

TEST_F(Refresh, NotificationDuringADialogWaitsForItsEnd) {
    addFormattedDrive("a.img");
    startView();
    size_t linesInsideDialog = 0;
    form_.dialogs.push_back([&](DialogLogic& dialog, FakeDialog& controls) {
        addFormattedDrive("b.img");
        notifyDrivesChanged();
        linesInsideDialog = form_.lines(ctl::kDriveName).size();
        controls.press(dialog, kIdCancel);
    });
    view().command(cmd::kDriveSelect);
    EXPECT_EQ(linesInsideDialog, 1u);
    EXPECT_EQ(form_.lines(ctl::kDriveName).size(), 2u);
}

TEST_F(Refresh, DriveChangeDuringTheFormatQuestionFormatsNothing) {
    addBlankDrive("blank.img");
    addFormattedDrive("data.img");
    addSongs(1, 1);
    startView();
    ASSERT_EQ(view().drives().selected(), 0);
    // While the user reads the question about the blank drive, it goes away: the drive
    // with data moves to its place in the list.
    form_.onBox = [&](const ShownBox&) {
        if (drives_.size() == 2) {
            drives_.erase(drives_.begin());
            enumerateDrives();
            notifyDrivesChanged();
        }
    };
    form_.answers = {idr::kYes, idr::kYes};
    view().command(cmd::kDriveFormat);
    EXPECT_EQ(form_.lines(ctl::kDriveName), (std::vector<std::string>{"1:  Drive Name"}));
    EXPECT_EQ(form_.text(ctl::kSongCount), "1");
    EXPECT_EQ(form_.lines(ctl::kSongName), (std::vector<std::string>{"01: Take 1"}));
}

TEST_F(Refresh, RateChangeToNinetySixLowersTwentyFourTracksToTwelve) {
    addFormattedDrive("a.img");
    profile_.ints = {{"DriveRate", 1}, {"DriveTrack", 4}};
    startView();
    form_.setSelection(ctl::kPreviewRate, 3);
    view().controlChanged(ctl::kPreviewRate);
    EXPECT_EQ(view().drives().rateChoice(), 3);
    EXPECT_EQ(view().drives().trackChoice(), 3);
    EXPECT_EQ(form_.lines(ctl::kPreviewTracks), (std::vector<std::string>{"2", "6", "8", "12"}));
    EXPECT_EQ(form_.selection(ctl::kPreviewTracks), 3);
    uint32_t freeKb = 0;
    ASSERT_EQ(tavovxfDriveGetFreeSpace(view().drives().handle(), &freeKb), VXF_OK);
    EXPECT_EQ(form_.text(ctl::kPreviewLength), intervalText(previewMilliseconds(freeKb, 12, 96000)));
}

TEST_F(Refresh, TrackChoiceChangeRecomputesTheLength) {
    addFormattedDrive("a.img");
    startView();
    form_.setSelection(ctl::kPreviewTracks, 1);
    view().controlChanged(ctl::kPreviewTracks);
    uint32_t freeKb = 0;
    ASSERT_EQ(tavovxfDriveGetFreeSpace(view().drives().handle(), &freeKb), VXF_OK);
    EXPECT_EQ(form_.text(ctl::kPreviewLength), intervalText(previewMilliseconds(freeKb, 6, 44100)));
    EXPECT_EQ(view().drives().trackChoice(), 1);
}

TEST_F(Refresh, PreviewListsAreIgnoredOnAnUnknownDrive) {
    addBlankDrive("blank.img");
    startView();
    form_.controls[ctl::kPreviewRate].lines = {"44.1", "48", "88.2", "96"};
    form_.setSelection(ctl::kPreviewRate, 2);
    view().controlChanged(ctl::kPreviewRate);
    EXPECT_EQ(view().drives().rateChoice(), 0);
    EXPECT_EQ(form_.text(ctl::kPreviewLength), "");
}

TEST_F(Refresh, SongAtFortyFourOneWithTwentyFourTracksMovesThePreview) {
    addFormattedDrive("a.img");
    addSongs(0, 1, 44100, 24);
    profile_.ints = {{"DriveRate", 3}, {"DriveTrack", 1}};
    startView();
    EXPECT_EQ(form_.selection(ctl::kPreviewRate), 0);
    EXPECT_EQ(form_.selection(ctl::kPreviewTracks), 4);
    EXPECT_EQ(form_.line(ctl::kPreviewTracks, 4), "24");
}

TEST_F(Refresh, ChoosingAnotherDriveShowsItsProjects) {
    addBlankDrive("blank.img");
    addFormattedDrive("b.img");
    startView();
    EXPECT_TRUE(form_.lines(ctl::kProjectName).empty());
    form_.setSelection(ctl::kDriveName, 1);
    view().controlChanged(ctl::kDriveName);
    EXPECT_EQ(view().drives().selected(), 1);
    EXPECT_EQ(form_.lines(ctl::kProjectName), (std::vector<std::string>{"01: Proj Name"}));
    EXPECT_TRUE(form_.isEnabled(ctl::kProjectName));
}

}  // namespace
}  // namespace decktest
