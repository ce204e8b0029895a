// startup_test.cpp - start-up with and without drives, settings, a failed server start, Ctrl+E.
#include "deck_fixture.h"
#include "ext_message_box.h"
#include "ids.h"
#include "recording_client.h"
#include "tavovxf.h"
#include "time_texts.h"

#include <gtest/gtest.h>

namespace decktest {
namespace {

using namespace deck;

const int kMenuCommands[] = {cmd::kDriveSelect,   cmd::kDriveFormat,        cmd::kDriveUpgrade,
                             cmd::kDriveScanRemap, cmd::kDriveProperties,   cmd::kProjectSelect,
                             cmd::kProjectCreate, cmd::kProjectDelete,      cmd::kProjectProperties,
                             cmd::kSongSelect,    cmd::kSongCreate,         cmd::kSongDelete,
                             cmd::kSongProperties};

class Startup : public DeckFixture {};

TEST_F(Startup, WithoutDrivesEveryCommandButExitIsDisabled) {
    startView();
    EXPECT_TRUE(form_.boxes.empty());
    EXPECT_TRUE(form_.lines(ctl::kDriveName).empty());
    for (int id : kMenuCommands) EXPECT_FALSE(enabled(id)) << id;
    EXPECT_TRUE(enabled(cmd::kAppExit));
    EXPECT_TRUE(enabled(cmd::kTransferOptions));
    EXPECT_EQ(view().drives().handle(), 0u);
}

TEST_F(Startup, DemoDriveShowsDriveProjectAndSong) {
    addFormattedDrive("studio-a.img");
    onDrive(0, [](uint32_t handle) {
        ASSERT_EQ(tavovxfDriveSetExtName(handle, "Studio A"), VXF_OK);
        ASSERT_EQ(tavovxfDriveSetName(handle, "Studio A"), VXF_OK);
    });
    addSongs(0, 2, 48000, 8);
    startView();

    EXPECT_TRUE(takeBoxTexts().empty());
    EXPECT_EQ(form_.lines(ctl::kDriveName), (std::vector<std::string>{"1:  Studio A"}));
    EXPECT_EQ(form_.selection(ctl::kDriveName), 0);
    EXPECT_EQ(form_.text(ctl::kVersion), "1.10 ");
    EXPECT_EQ(form_.text(ctl::kProjectCount), "1");
    EXPECT_EQ(form_.lines(ctl::kProjectName), (std::vector<std::string>{"01: Proj Name"}));
    EXPECT_EQ(form_.text(ctl::kSongCount), "2");
    EXPECT_EQ(form_.lines(ctl::kSongName), (std::vector<std::string>{"01: Take 1", "02: Take 2"}));
    EXPECT_EQ(form_.selection(ctl::kSongName), view().songs().selected());
    EXPECT_EQ(form_.text(ctl::kTrackCount), "8");
    EXPECT_EQ(form_.text(ctl::kSongLength), "00:00:00:00");
    EXPECT_EQ(form_.text(ctl::kSampleRate), "48 kHz");
    EXPECT_EQ(form_.text(ctl::kWordLength), "24 Bits");
    EXPECT_FALSE(form_.checked(ctl::kWriteProtect));
    // The preview follows the song: 48 kHz, 8 tracks.
    EXPECT_EQ(form_.selection(ctl::kPreviewRate), 1);
    EXPECT_EQ(form_.selection(ctl::kPreviewTracks), 2);
    uint32_t freeKb = 0;
    ASSERT_EQ(tavovxfDriveGetFreeSpace(view().drives().handle(), &freeKb), VXF_OK);
    EXPECT_EQ(form_.text(ctl::kPreviewLength), intervalText(previewMilliseconds(freeKb, 8, 48000)));
    EXPECT_EQ(form_.lines(ctl::kTransferList).size(), 8u);

    EXPECT_TRUE(view().server().extendedNames());
    EXPECT_FALSE(enabled(cmd::kDriveUpgrade));
    EXPECT_TRUE(enabled(cmd::kDriveProperties));
    EXPECT_FALSE(enabled(cmd::kProjectDelete));
    EXPECT_TRUE(enabled(cmd::kProjectCreate));
    EXPECT_TRUE(enabled(cmd::kSongCreate));
    EXPECT_TRUE(enabled(cmd::kSongDelete));
    EXPECT_NE(view().drives().handle(), 0u);
}

TEST_F(Startup, ProjectWithoutSongsShowsZeroAndDisablesTheSongGroup) {
    addFormattedDrive("a.img");
    startView();
    EXPECT_EQ(form_.text(ctl::kSongCount), "0");
    EXPECT_TRUE(form_.lines(ctl::kSongName).empty());
    EXPECT_EQ(form_.text(ctl::kTrackCount), "");
    EXPECT_FALSE(form_.isEnabled(ctl::kSongName));
    EXPECT_FALSE(form_.isEnabled(ctl::kWriteProtect));
    EXPECT_FALSE(form_.checked(ctl::kWriteProtect));
    EXPECT_FALSE(enabled(cmd::kSongSelect));
}

TEST_F(Startup, BlankDriveIsUnknownAndItsGroupsAreDisabled) {
    addBlankDrive("blank.img");
    startView();
    EXPECT_TRUE(form_.boxes.empty());
    EXPECT_EQ(form_.lines(ctl::kDriveName), (std::vector<std::string>{"1:  Unknown Drive"}));
    EXPECT_EQ(form_.text(ctl::kVersion), "");
    EXPECT_FALSE(form_.isEnabled(ctl::kProjectName));
    EXPECT_FALSE(form_.isEnabled(ctl::kSongName));
    EXPECT_FALSE(form_.isEnabled(ctl::kPreviewRate));
    EXPECT_TRUE(enabled(cmd::kDriveFormat));
    EXPECT_TRUE(enabled(cmd::kDriveScanRemap));
    EXPECT_FALSE(enabled(cmd::kDriveProperties));
    EXPECT_FALSE(enabled(cmd::kProjectCreate));
}

TEST_F(Startup, SettingsSelectTheDriveAndAreWrittenBack) {
    addFormattedDrive("a.img");
    addFormattedDrive("b.img");
    profile_.ints = {{"DriveName", 1}, {"DriveTrack", 4}, {"DriveRate", 0}};
    startView();
    EXPECT_EQ(form_.selection(ctl::kDriveName), 1);
    EXPECT_EQ(view().drives().selected(), 1);
    EXPECT_EQ(form_.selection(ctl::kPreviewTracks), 4);
    view().shutdown();
    EXPECT_EQ(profile_.ints["DriveName"], 1);
    EXPECT_EQ(profile_.ints["DriveTrack"], 4);
    EXPECT_EQ(profile_.ints["DriveRate"], 0);
    EXPECT_EQ(profile_.ints["ProjectName"], 0);
    EXPECT_EQ(profile_.ints["SongName"], 0);
}

TEST_F(Startup, StoredDriveBeyondTheListFallsBackToTheFirst) {
    addFormattedDrive("a.img");
    profile_.ints = {{"DriveName", 7}, {"DriveRate", 3}, {"DriveTrack", 4}};
    startView();
    EXPECT_EQ(view().drives().selected(), 0);
    // 96 kHz offers four track counts: a stored choice of 4 falls back to "2".
    EXPECT_EQ(view().drives().trackChoice(), 0);
    EXPECT_EQ(form_.lines(ctl::kPreviewTracks), (std::vector<std::string>{"2", "6", "8", "12"}));
}

TEST_F(Startup, FailedServerStartClosesTheWindow) {
    auto client = std::make_unique<RecordingClient>();
    client->driveCountOverride = [](uint16_t&) { return int32_t{VXF_ERR_DRIVER_LOAD}; };
    startView(std::move(client));
    ASSERT_EQ(form_.boxes.size(), 1u);
    EXPECT_EQ(form_.boxes[0].text, "tavo VXF Server failed initialization.");
    EXPECT_EQ(form_.boxes[0].caption, "Corvane VXF Deck");
    EXPECT_TRUE(form_.closeRequested);
    EXPECT_TRUE(view().serverStartFailed());
    EXPECT_FALSE(enabled(cmd::kDriveSelect));
    EXPECT_TRUE(enabled(cmd::kAppExit));
}

TEST_F(Startup, ExtractWithoutDrivePassesHandleZeroAndLeavesNoStaleError) {
    auto client = std::make_unique<RecordingClient>();
    RecordingClient& calls = *client;
    startView(std::move(client));
    view().command(cmd::kExtractFileSystem);
    EXPECT_EQ(calls.callsStartingWith("extractFileSystem"), (std::vector<std::string>{"extractFileSystem 0"}));
    // The failure is nobody's message: the next count of drives still works.
    uint16_t count = 99;
    EXPECT_EQ(tavovxfDriveGetNum(&count), VXF_OK);
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(form_.boxes.empty());
}

TEST_F(Startup, ExitAsksTheWindowToClose) {
    startView();
    view().command(cmd::kAppExit);
    EXPECT_TRUE(form_.closeRequested);
}

TEST_F(Startup, LogoOpensTheMakersSite) {
    startView();
    view().controlChanged(ctl::kLogo);
    ASSERT_EQ(form_.sites.size(), 1u);
    EXPECT_EQ(form_.sites[0].rfind("https://", 0), 0u);
}

TEST_F(Startup, InvalidRateAndWordLengthShowInvalidAndKeepDefaults) {
    addFormattedDrive("a.img");
    addSongs(0, 1, 44100, 24);
    auto client = std::make_unique<RecordingClient>();
    const uint32_t zeroRate = 0;
    const uint16_t sixteenBits = 16;
    client->rateOverride = &zeroRate;
    client->wordLengthOverride = &sixteenBits;
    startView(std::move(client));
    EXPECT_EQ(form_.text(ctl::kSampleRate), "invalid");
    EXPECT_EQ(view().songs().sampleRate(), 48000u);
    EXPECT_EQ(form_.text(ctl::kWordLength), "invalid");
    EXPECT_EQ(view().songs().wordLength(), 24);
    EXPECT_EQ(form_.text(ctl::kSongLength), "00:00:00:00");
}

}  // namespace
}  // namespace decktest
