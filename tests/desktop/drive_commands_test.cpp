// drive_commands_test.cpp - Drive Select, Properties, Format, Upgrade and Scan/Remap with their questions.
#include "deck_fixture.h"
#include "ext_message_box.h"
#include "ids.h"
#include "name_dialogs.h"
#include "platform/test_api.h"
#include "server_client.h"
#include "tavovxf.h"

#include <gtest/gtest.h>

#include <fstream>

namespace decktest {
namespace {

using namespace deck;

class DriveCommandsTest : public DeckFixture {};

TEST_F(DriveCommandsTest, SelectDialogOffersTheDriveLinesAndSelectsTheChosenOne) {
    addBlankDrive("blank.img");
    addFormattedDrive("b.img");
    startView();
    std::vector<std::string> offered;
    form_.dialogs.push_back([&](DialogLogic& dialog, FakeDialog& controls) {
        offered = controls.lines(ctl::kDriveSelectList);
        EXPECT_EQ(controls.selection(ctl::kDriveSelectList), 0);
        chooseAndOk(ctl::kDriveSelectList, 1)(dialog, controls);
    });
    view().command(cmd::kDriveSelect);
    EXPECT_EQ(form_.dialogTemplates, (std::vector<int>{tmpl::kDriveSelect}));
    EXPECT_EQ(offered, (std::vector<std::string>{"1:  Unknown Drive", "2:  Drive Name"}));
    EXPECT_EQ(view().drives().selected(), 1);
    EXPECT_EQ(form_.text(ctl::kVersion), "1.10 ");
}

TEST_F(DriveCommandsTest, AReadOnlyDriveIsMarkedAndItsChangingCommandsAreOff) {
    const std::string path = addFormattedDrive("a.img");
    addSongs(0, 1, 48000, 2);
    std::ofstream(enumPath_) << "Count=1\n0=SBP2\\" << path << "|readonly\n";
    startView();
    EXPECT_EQ(form_.lines(ctl::kDriveName), (std::vector<std::string>{"1:  Drive Name (read-only)"}));
    EXPECT_TRUE(view().drives().selectedReadOnly());
    for (int id : {cmd::kDriveFormat, cmd::kDriveUpgrade, cmd::kProjectCreate, cmd::kSongCreate, cmd::kSongDelete}) {
        EXPECT_FALSE(view().isCommandEnabled(id)) << id;
    }
    for (int id : {cmd::kDriveSelect, cmd::kDriveProperties, cmd::kProjectSelect, cmd::kSongSelect,
                   cmd::kSongProperties, cmd::kDriveScanRemap}) {
        EXPECT_TRUE(view().isCommandEnabled(id)) << id;
    }
    // Attached as usual again, the same drive may be changed.
    enumerateDrives();
    view().refreshAll();
    EXPECT_EQ(form_.lines(ctl::kDriveName), (std::vector<std::string>{"1:  Drive Name"}));
    EXPECT_TRUE(view().isCommandEnabled(cmd::kSongDelete));
}

TEST_F(DriveCommandsTest, PropertiesShowTheFactsAndRenameTheDrive) {
    addFormattedDrive("a.img");
    startView();
    FakeControl model, size, name, version;
    form_.dialogs.push_back([&](DialogLogic& dialog, FakeDialog& controls) {
        model = controls.controls[ctl::kDrivePropModel];
        size = controls.controls[ctl::kDrivePropSize];
        name = controls.controls[ctl::kDrivePropName];
        version = controls.controls[ctl::kDrivePropVersion];
        typeAndOk(ctl::kDrivePropName, "Studio B - Live")(dialog, controls);
    });
    view().command(cmd::kDriveProperties);
    EXPECT_EQ(form_.dialogTemplates, (std::vector<int>{tmpl::kDriveProperties}));
    EXPECT_EQ(model.text, "DISKIMG a");
    EXPECT_EQ(size.text, driveSizeText(vxfserver::test::kDriveSectors / 2));
    EXPECT_EQ(size.text, "40.02 GB");
    EXPECT_EQ(name.text, "Drive Name");
    EXPECT_EQ(name.textLimit, 64);
    EXPECT_EQ(version.text, "1.10");
    EXPECT_TRUE(form_.boxes.empty());
    EXPECT_EQ(form_.lines(ctl::kDriveName), (std::vector<std::string>{"1:  Studio B - Live"}));
}

TEST_F(DriveCommandsTest, ShortNameDriveRefusesAHyphenAndKeepsTheDialogOpen) {
    const std::string image = addFormattedDrive("a.img");
    makeVersion100(image);
    startView();
    ASSERT_FALSE(view().server().extendedNames());
    bool stayedOpen = false;
    int limit = 0;
    form_.dialogs.push_back([&](DialogLogic& dialog, FakeDialog& controls) {
        limit = controls.controls[ctl::kDrivePropName].textLimit;
        controls.setText(ctl::kDrivePropName, "A-B");
        controls.press(dialog, kIdOk);
        stayedOpen = !controls.ended;
        EXPECT_EQ(controls.text(ctl::kDrivePropName), "A-B");
        typeAndOk(ctl::kDrivePropName, "Studio 2")(dialog, controls);
    });
    view().command(cmd::kDriveProperties);
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(limit, 10);
    ASSERT_GE(form_.boxes.size(), 1u);
    EXPECT_EQ(form_.boxes[0].text, "Names can only include alpha and numeric characters in VXF v1.00");
    EXPECT_EQ(form_.boxes[0].type, mb::kIconStop | mb::kOk);
    EXPECT_EQ(form_.lines(ctl::kDriveName).at(0).rfind("1:  Studio 2", 0), 0u);
}

TEST_F(DriveCommandsTest, RenameFailureShowsTheServersMessageAndKeepsTheList) {
    addFormattedDrive("a.img");
    startView();
    form_.dialogs.push_back(typeAndOk(ctl::kDrivePropName, "Other"));
    vxf1394::testing::failWritesAfter(0);
    view().command(cmd::kDriveProperties);
    vxf1394::testing::clearWriteFailures();
    ASSERT_EQ(form_.boxes.size(), 1u);
    EXPECT_EQ(form_.boxes[0].text, "Hard disk failed write command.");
    EXPECT_EQ(form_.boxes[0].caption, "Corvane VXF Deck");
    EXPECT_EQ(form_.lines(ctl::kDriveName), (std::vector<std::string>{"1:  Drive Name"}));
}

TEST_F(DriveCommandsTest, FormatOfAnUnknownDriveAsksTwiceThenFormats) {
    addBlankDrive("blank.img");
    startView();
    form_.answers = {idr::kYes, idr::kYes};
    view().command(cmd::kDriveFormat);
    ASSERT_EQ(form_.boxes.size(), 2u);
    EXPECT_EQ(form_.boxes[0].text,
              "The 'Drive 1:  Unknown Drive' is not an tavo VXF drive. It might be your system drive and contains "
              "crucial data.\r\nDo you still want to format it?");
    EXPECT_EQ(form_.boxes[0].caption, "Confirm Drive Format");
    EXPECT_EQ(form_.boxes[0].type, mb::kYesNo | mb::kIconExclamation);
    EXPECT_EQ(form_.boxes[1].text,
              "All data on 'Drive 1:  Unknown Drive' will be lost. Are you sure you want to proceed with format?");
    EXPECT_EQ(form_.waitCursorShows, 1);
    EXPECT_EQ(form_.waitCursorDepth, 0);
    EXPECT_EQ(form_.lines(ctl::kDriveName), (std::vector<std::string>{"1:  Drive Name"}));
    EXPECT_EQ(form_.lines(ctl::kProjectName), (std::vector<std::string>{"01: Proj Name"}));
}

TEST_F(DriveCommandsTest, FormatOfAVxfDriveAsksOnceAndNoEndsIt) {
    addFormattedDrive("a.img");
    addSongs(0, 1);
    startView();
    form_.answers = {idr::kNo};
    view().command(cmd::kDriveFormat);
    ASSERT_EQ(form_.boxes.size(), 1u);
    EXPECT_EQ(form_.boxes[0].text,
              "All data on 'Drive 1:  Drive Name' will be lost. Are you sure you want to proceed with format?");
    EXPECT_EQ(form_.waitCursorShows, 0);
    EXPECT_EQ(form_.text(ctl::kSongCount), "1");
}

TEST_F(DriveCommandsTest, FormatFailureShowsTheMessageAndKeepsTheList) {
    addBlankDrive("blank.img");
    startView();
    form_.answers = {idr::kYes, idr::kYes};
    vxf1394::testing::failWritesAfter(0);
    view().command(cmd::kDriveFormat);
    vxf1394::testing::clearWriteFailures();
    ASSERT_EQ(form_.boxes.size(), 3u);
    EXPECT_EQ(form_.boxes[2].text, "Hard disk failed write command.");
    EXPECT_EQ(form_.boxes[2].type, mb::kIconStop | mb::kOk);
    EXPECT_EQ(form_.lines(ctl::kDriveName), (std::vector<std::string>{"1:  Unknown Drive"}));
}

TEST_F(DriveCommandsTest, UpgradeIsOfferedOnlyBelowVersionOneTen) {
    const std::string image = addFormattedDrive("a.img");
    startView();
    EXPECT_FALSE(enabled(cmd::kDriveUpgrade));
    view().shutdown();
    view_.reset();
    makeVersion100(image);
    startView();
    EXPECT_EQ(form_.text(ctl::kVersion), "1.00 ");
    EXPECT_TRUE(enabled(cmd::kDriveUpgrade));
}

TEST_F(DriveCommandsTest, UpgradeAsksWithTheDriveLabel) {
    const std::string image = addFormattedDrive("a.img");
    makeVersion100(image);
    startView();
    form_.answers = {idr::kYes};
    view().command(cmd::kDriveUpgrade);
    ASSERT_GE(form_.boxes.size(), 1u);
    EXPECT_EQ(form_.boxes[0].text,
              "This command will upgrade 'Drive 1:  Drive Name' to TAVO-VXF version 1.10.\nThe drive will then only "
              "work in KX90 v1.10 and higher.\nDo you wish to proceed?");
    EXPECT_EQ(form_.boxes[0].caption, "Confirm Drive Upgrade");
    EXPECT_EQ(form_.waitCursorShows, 1);
    if (form_.boxes.size() == 1) {  // the server upgraded: the drive now reads 1.10
        EXPECT_EQ(form_.text(ctl::kVersion), "1.10 ");
        EXPECT_FALSE(enabled(cmd::kDriveUpgrade));
    } else {  // the server refused: its message, the drive unchanged
        EXPECT_EQ(form_.boxes[1].caption, "Corvane VXF Deck");
        EXPECT_EQ(form_.text(ctl::kVersion), "1.00 ");
    }
}

// The surface of a drive as the remap sees it: unreadable sectors, and sectors whose
// rewrite fails. Stands in for the server where a test looks at the scan's loop alone.
class SurfaceClient : public ServerClient {
public:
    int32_t driveNumLBAs(uint32_t, uint32_t& count) override {
        count = sectors;
        return 0;
    }
    int32_t driveRemap(uint32_t, uint32_t first, uint16_t count, uint8_t fix, uint16_t& failedReads,
                       uint16_t& rewritten) override {
        calls.push_back({first, count});
        failedReads = 0;
        rewritten = 0;
        for (uint32_t lba : bad)
            if (lba >= first && lba < first + count) failedReads = 1;
        if (failedReads == 0 || count != 1 || fix == 0) return 0;
        for (uint32_t lba : unwritable)
            if (lba == first) return VXF_ERR_DISK_WRITE;
        rewritten = 1;
        return 0;
    }
    std::string errorText() override { return "Hard disk failed write command."; }

    uint32_t sectors = 5000;
    std::vector<uint32_t> bad{4500};
    std::vector<uint32_t> unwritable;
    std::vector<std::pair<uint32_t, uint32_t>> calls;
};

// A drive of 5000 sectors with one unreadable sector at 4500.
class ScanTest : public DeckFixture {
protected:
    void SetUp() override {
        DeckFixture::SetUp();
        image_ = addBlankDrive("small.img", 5000);
        std::ofstream(image_ + ".faults") << "read-error 4500 4500\n";
        auto client = std::make_unique<SurfaceClient>();
        surface_ = client.get();
        client_ = std::move(client);
    }
    // Starts the view and the scan dialog; `script` runs in the dialog.
    void runScan(const FakeForm::DialogScript& script) {
        startView(std::move(client_));
        form_.answers = {idr::kYes};
        form_.dialogs.push_back(script);
        view().command(cmd::kDriveScanRemap);
    }
    std::string image_;
    std::unique_ptr<ServerClient> client_;
    SurfaceClient* surface_ = nullptr;
};

TEST_F(ScanTest, ScanFindsTheBadSectorInTwoChunks) {
    std::vector<std::string> percents;
    FakeControl bad, cleared;
    std::string atStart;
    runScan([&](DialogLogic& dialog, FakeDialog& controls) {
        atStart = controls.text(ctl::kScanPercent);
        form_.onPump = [&](int) {
            const std::string percent = controls.text(ctl::kScanPercent);
            if (percents.empty() || percents.back() != percent) percents.push_back(percent);
        };
        controls.press(dialog, ctl::kScanDrive);
        bad = controls.controls[ctl::kScanBad];
        cleared = controls.controls[ctl::kScanCleared];
        percents.push_back(controls.text(ctl::kScanPercent));
        controls.press(dialog, kIdOk);
    });
    ASSERT_GE(form_.boxes.size(), 1u);
    EXPECT_EQ(form_.boxes[0].caption, "Scan and Remap");
    EXPECT_EQ(form_.boxes[0].text.rfind("This function scans every sector of a drive looking for bad sectors.\n", 0), 0u);
    EXPECT_NE(form_.boxes[0].text.find("Choose 'Scan && Remap' to scan"), std::string::npos);
    EXPECT_NE(form_.boxes[0].text.find("\n\n\t\t\tContinue?"), std::string::npos);
    EXPECT_EQ(atStart, "0%");
    EXPECT_EQ(percents, (std::vector<std::string>{"81%", "100%", "Complete"}));
    EXPECT_EQ(bad.text, "1");
    EXPECT_EQ(cleared.text, "0");
    EXPECT_EQ(form_.dialogTemplates, (std::vector<int>{tmpl::kScanRemap}));
    // Chunk, chunk, the narrowed part, then every single sector of it.
    ASSERT_GE(surface_->calls.size(), 3u);
    EXPECT_EQ(surface_->calls[0], (std::pair<uint32_t, uint32_t>{0, 4096}));
    EXPECT_EQ(surface_->calls[1], (std::pair<uint32_t, uint32_t>{4096, 904}));
    EXPECT_EQ(surface_->calls[2], (std::pair<uint32_t, uint32_t>{4096, 904}));
    EXPECT_EQ(surface_->calls.size(), 3u + 904u);
}

TEST_F(ScanTest, ScanAndRemapClearsTheBadSector) {
    FakeControl bad, cleared;
    runScan([&](DialogLogic& dialog, FakeDialog& controls) {
        controls.press(dialog, ctl::kScanRemapDrive);
        bad = controls.controls[ctl::kScanBad];
        cleared = controls.controls[ctl::kScanCleared];
        controls.press(dialog, kIdOk);
    });
    EXPECT_EQ(bad.text, "1");
    EXPECT_EQ(cleared.text, "1");
}

TEST_F(ScanTest, WideChunksAreNarrowedToThousandTwentyFourSectors) {
    surface_->sectors = 4096;
    surface_->bad = {3000};
    runScan([&](DialogLogic& dialog, FakeDialog& controls) {
        controls.press(dialog, ctl::kScanDrive);
        controls.press(dialog, kIdOk);
    });
    const std::vector<std::pair<uint32_t, uint32_t>> head(surface_->calls.begin(), surface_->calls.begin() + 5);
    EXPECT_EQ(head, (std::vector<std::pair<uint32_t, uint32_t>>{{0, 4096}, {0, 1024}, {1024, 1024}, {2048, 1024},
                                                                 {2048, 1}}));
    EXPECT_EQ(surface_->calls.back(), (std::pair<uint32_t, uint32_t>{3072, 1024}));
}

TEST_F(ScanTest, StopLeavesTheDialogOpenWithAborted) {
    std::string percent;
    bool ended = true;
    uint32_t position = 1;
    runScan([&](DialogLogic& dialog, FakeDialog& controls) {
        form_.onPump = [&](int) { controls.press(dialog, ctl::kScanStop); };
        controls.press(dialog, ctl::kScanDrive);
        percent = controls.text(ctl::kScanPercent);
        ended = controls.ended;
        position = controls.controls[ctl::kScanProgress].progressPosition;
    });
    EXPECT_EQ(percent, "Aborted");
    EXPECT_FALSE(ended);
    EXPECT_EQ(position, 0u);
}

TEST_F(ScanTest, ExitDuringTheScanClosesAtTheEndOfTheChunk) {
    bool ended = false;
    int result = 0;
    runScan([&](DialogLogic& dialog, FakeDialog& controls) {
        form_.onPump = [&](int) {
            if (!controls.ended) controls.press(dialog, kIdOk);
        };
        controls.press(dialog, ctl::kScanDrive);
        ended = controls.ended;
        result = controls.result;
    });
    EXPECT_TRUE(ended);
    EXPECT_EQ(result, kIdOk);
    EXPECT_EQ(form_.pumps, 1);  // the first chunk is clean: its end is the first pump
    EXPECT_EQ(surface_->calls.size(), 1u);
}

TEST_F(ScanTest, RemapFailureOffersCancelWhichStopsTheScan) {
    surface_->bad = {4500, 4600};
    surface_->unwritable = {4500, 4600};
    std::string percent;
    runScan([&](DialogLogic& dialog, FakeDialog& controls) {
        form_.answers = {idr::kCancel};
        controls.press(dialog, ctl::kScanRemapDrive);
        percent = controls.text(ctl::kScanPercent);
        controls.press(dialog, kIdOk);
    });
    // One box for the first failure, not one per remaining sector.
    ASSERT_EQ(form_.boxes.size(), 2u);
    EXPECT_EQ(form_.boxes[1].text, "Hard disk failed write command.");
    EXPECT_EQ(form_.boxes[1].type, mb::kIconStop | mb::kOkCancel);
    EXPECT_EQ(percent, "Aborted");
}

TEST_F(ScanTest, RemapFailureWithOkGoesOn) {
    surface_->bad = {4500, 4600};
    surface_->unwritable = {4500};
    FakeControl bad, cleared;
    runScan([&](DialogLogic& dialog, FakeDialog& controls) {
        form_.answers = {idr::kOk};
        controls.press(dialog, ctl::kScanRemapDrive);
        bad = controls.controls[ctl::kScanBad];
        cleared = controls.controls[ctl::kScanCleared];
        controls.press(dialog, kIdOk);
    });
    EXPECT_EQ(bad.text, "2");
    EXPECT_EQ(cleared.text, "1");
}

TEST_F(ScanTest, ScanOfTheLargestSectorCountEnds) {
    surface_->sectors = 0xFFFFFFFFu;  // what a drive beyond 32 bits of sectors reports
    surface_->bad = {};
    std::string percent;
    runScan([&](DialogLogic& dialog, FakeDialog& controls) {
        controls.press(dialog, ctl::kScanDrive);
        percent = controls.text(ctl::kScanPercent);
        controls.press(dialog, kIdOk);
    });
    EXPECT_EQ(percent, "Complete");
    EXPECT_EQ(surface_->calls.back(), (std::pair<uint32_t, uint32_t>{0xFFFFF000u, 4095}));
}

TEST_F(ScanTest, NoToTheQuestionRunsNoScan) {
    startView(std::move(client_));
    form_.answers = {idr::kNo};
    view().command(cmd::kDriveScanRemap);
    EXPECT_TRUE(form_.dialogTemplates.empty());
}

// The server's own remap over the sidecar's bad sector.
class ServerScanTest : public DeckFixture {};

TEST_F(ServerScanTest, ScanOverTheDrivesFaultsFindsTheBadSector) {
    if (!ServerClient::hasMaintenanceExports()) GTEST_SKIP() << "the server offers no remap yet";
    const std::string image = addBlankDrive("small.img", 5000);
    std::ofstream(image + ".faults") << "read-error 4500 4500\n";
    startView();
    FakeControl bad, cleared;
    std::string percent;
    form_.answers = {idr::kYes};
    form_.dialogs.push_back([&](DialogLogic& dialog, FakeDialog& controls) {
        controls.press(dialog, ctl::kScanRemapDrive);
        bad = controls.controls[ctl::kScanBad];
        cleared = controls.controls[ctl::kScanCleared];
        percent = controls.text(ctl::kScanPercent);
        controls.press(dialog, kIdOk);
    });
    view().command(cmd::kDriveScanRemap);
    EXPECT_EQ(percent, "Complete");
    EXPECT_EQ(bad.text, "1");
    EXPECT_EQ(cleared.text, "1");
    EXPECT_EQ(form_.boxes.size(), 1u);
}

}  // namespace
}  // namespace decktest

namespace decktest {
namespace {

// Songs a format left behind are listed with their state, restored from the dialog, and the panes show them.
TEST_F(DriveCommandsTest, RecoverLostSongsListsTheFormattedAwaySongsAndRestoresTheChosenOne) {
    addFormattedDrive("studio.img");
    addSongs(0, 2);
    onDrive(0, [](uint32_t handle) { ASSERT_EQ(tavovxfDriveFormat(handle), VXF_OK); });
    startView();
    std::vector<std::string> before, after;
    std::string status;
    form_.dialogs.push_back([&](DialogLogic& dialog, FakeDialog& controls) {
        before = controls.lines(ctl::kRecoverList);
        controls.setSelection(ctl::kRecoverList, 1);
        controls.press(dialog, ctl::kRecoverRestore);
        after = controls.lines(ctl::kRecoverList);
        status = controls.text(ctl::kRecoverStatus);
        controls.press(dialog, kIdOk);
    });
    view().command(cmd::kDriveRecoverSongs);
    EXPECT_EQ(form_.dialogTemplates, (std::vector<int>{tmpl::kRecoverSongs}));
    EXPECT_EQ(before, (std::vector<std::string>{"Slot 0: Take 1 - intact", "Slot 1: Take 2 - intact"}));
    EXPECT_EQ(after, (std::vector<std::string>{"Slot 0: Take 1 - intact"}));
    EXPECT_EQ(status, "1 lost songs.");
    ASSERT_EQ(form_.boxes.size(), 1u);
    EXPECT_EQ(form_.boxes[0].text, "Take 2: restored\n");
    // The drive is read again: the new project "Recovered" is there with the song.
    onDrive(0, [](uint32_t handle) {
        uint16_t projects = 0;
        ASSERT_EQ(tavovxfProjectGetNum(handle, &projects), VXF_OK);
        EXPECT_EQ(projects, 2);
    });
}

}  // namespace
}  // namespace decktest
