// project_song_commands_test.cpp - Project and Song commands, the Write Protect box and their failures.
#include "deck_fixture.h"
#include "ext_message_box.h"
#include "ids.h"
#include "platform/test_api.h"
#include "recording_client.h"
#include "song_create_dialog.h"
#include "tavovxf.h"

#include <gtest/gtest.h>

namespace decktest {
namespace {

using namespace deck;

class Commands : public DeckFixture {
protected:
    std::string primaryProjectName() {
        char name[128] = {};
        EXPECT_EQ(tavovxfProjectGetExtName(view().drives().handle(), name), VXF_OK);
        return name;
    }
    std::string primarySongName() {
        char name[128] = {};
        EXPECT_EQ(tavovxfSongGetExtName(view().drives().handle(), name), VXF_OK);
        return name;
    }
    uint32_t protectionOf(uint16_t song) {
        uint32_t flag = 0;
        EXPECT_EQ(tavovxfSongSetPrimary(view().drives().handle(), song), VXF_OK);
        EXPECT_EQ(tavovxfSongIsWriteProtect(view().drives().handle(), &flag), VXF_OK);
        return flag;
    }
    RecordingClient* startRecording() {
        auto client = std::make_unique<RecordingClient>();
        RecordingClient* recording = client.get();
        startView(std::move(client));
        recording->calls.clear();
        return recording;
    }
};

TEST_F(Commands, ProjectCreateAddsTheNamedProjectAndSelectsIt) {
    addFormattedDrive("a.img");
    startView();
    std::string initial;
    form_.dialogs.push_back([&](DialogLogic& dialog, FakeDialog& controls) {
        initial = controls.text(ctl::kProjectCreateName);
        typeAndOk(ctl::kProjectCreateName, "Mix B")(dialog, controls);
    });
    view().command(cmd::kProjectCreate);
    EXPECT_EQ(initial, "Proj Name");
    EXPECT_TRUE(form_.boxes.empty());
    EXPECT_EQ(form_.lines(ctl::kProjectName), (std::vector<std::string>{"01: Proj Name", "02: Mix B"}));
    EXPECT_EQ(form_.selection(ctl::kProjectName), 1);
    EXPECT_EQ(form_.text(ctl::kProjectCount), "2");
    EXPECT_EQ(primaryProjectName(), "Mix B");
    EXPECT_TRUE(enabled(cmd::kProjectDelete));
    EXPECT_EQ(form_.waitCursorDepth, 0);
}

TEST_F(Commands, ProjectCreateOnAShortNameDriveStopsAtTheNameCheck) {
    const std::string image = addFormattedDrive("a.img");
    makeVersion100(image);
    startView();
    std::string kept;
    form_.dialogs.push_back([&](DialogLogic& dialog, FakeDialog& controls) {
        controls.setText(ctl::kProjectCreateName, "Twelve chars");
        kept = controls.text(ctl::kProjectCreateName);
        controls.setText(ctl::kProjectCreateName, "Mix-B");
        controls.press(dialog, kIdOk);
        EXPECT_FALSE(controls.ended);
        controls.press(dialog, kIdCancel);
    });
    view().command(cmd::kProjectCreate);
    EXPECT_EQ(kept, "Twelve cha");
    ASSERT_EQ(form_.boxes.size(), 1u);
    EXPECT_EQ(form_.boxes[0].text, "Names can only include alpha and numeric characters in VXF v1.00");
    EXPECT_EQ(form_.text(ctl::kProjectCount), "1");
    uint16_t count = 0;
    EXPECT_EQ(tavovxfProjectGetNum(view().drives().handle(), &count), VXF_OK);
    EXPECT_EQ(count, 1);
}

TEST_F(Commands, FailedRenameAfterProjectCreateMakesTheShownProjectPrimaryAgain) {
    addFormattedDrive("a.img");
    addSongs(0, 2);
    RecordingClient* client = startRecording();
    view().selectSong(0);
    client->failRenames = true;
    form_.dialogs.push_back(typeAndOk(ctl::kProjectCreateName, "Mix B"));
    view().command(cmd::kProjectCreate);
    ASSERT_EQ(form_.boxes.size(), 1u);
    EXPECT_EQ(form_.boxes[0].text, "Hard disk failed write command.");
    // The new project exists with the server's name, the list waits for the next refresh,
    // and the shown project and song are the server's primary ones again.
    EXPECT_EQ(form_.lines(ctl::kProjectName), (std::vector<std::string>{"01: Proj Name"}));
    EXPECT_EQ(primaryProjectName(), "Proj Name");
    EXPECT_EQ(primarySongName(), "Take 1");
    uint16_t count = 0;
    EXPECT_EQ(tavovxfProjectGetNum(view().drives().handle(), &count), VXF_OK);
    EXPECT_EQ(count, 2);
}

TEST_F(Commands, FailedRenameAfterSongCreateMakesTheShownSongPrimaryAgain) {
    addFormattedDrive("a.img");
    addSongs(0, 2);
    RecordingClient* client = startRecording();
    view().selectSong(0);
    client->failRenames = true;
    form_.dialogs.push_back(typeAndOk(ctl::kSongDialogName, "Outro"));
    view().command(cmd::kSongCreate);
    ASSERT_EQ(form_.boxes.size(), 1u);
    EXPECT_EQ(form_.lines(ctl::kSongName).size(), 2u);
    EXPECT_EQ(primarySongName(), "Take 1");
}

TEST_F(Commands, DeletingTheSelectedProjectCallsNoSetPrimary) {
    addFormattedDrive("a.img");
    startView();
    form_.dialogs.push_back(typeAndOk(ctl::kProjectCreateName, "Second"));
    view().command(cmd::kProjectCreate);
    view().shutdown();
    view_.reset();
    RecordingClient* calls = startRecording();
    ASSERT_EQ(view().projects().selected(), 1);
    form_.dialogs.push_back(chooseAndOk(ctl::kProjectDeleteList, 1));
    form_.answers = {idr::kYes};
    calls->calls.clear();
    view().command(cmd::kProjectDelete);
    ASSERT_EQ(form_.boxes.size(), 1u);
    EXPECT_EQ(form_.boxes[0].text, "Are you sure you want to delete 'Project 02: Second'?");
    EXPECT_EQ(form_.boxes[0].caption, "Confirm Project Delete");
    EXPECT_EQ(form_.boxes[0].type, mb::kYesNo | mb::kIconExclamation);
    ASSERT_FALSE(calls->calls.empty());
    // The rebuild after the delete sets primaries; before it nothing did.
    EXPECT_EQ(calls->calls.front(), "projectSetPrimary 0");
    EXPECT_EQ(form_.lines(ctl::kProjectName), (std::vector<std::string>{"01: Proj Name"}));
    EXPECT_FALSE(enabled(cmd::kProjectDelete));
}

TEST_F(Commands, DeletingAnotherProjectMakesItPrimaryFirst) {
    addFormattedDrive("a.img");
    startView();
    form_.dialogs.push_back(typeAndOk(ctl::kProjectCreateName, "Second"));
    view().command(cmd::kProjectCreate);
    view().shutdown();
    view_.reset();
    RecordingClient* calls = startRecording();
    view().selectProject(1);
    form_.dialogs.push_back(chooseAndOk(ctl::kProjectDeleteList, 0));
    form_.answers = {idr::kYes};
    calls->calls.clear();
    view().command(cmd::kProjectDelete);
    ASSERT_FALSE(calls->calls.empty());
    EXPECT_EQ(calls->calls.front(), "projectSetPrimary 0");
    EXPECT_EQ(form_.lines(ctl::kProjectName), (std::vector<std::string>{"01: Second"}));
}

TEST_F(Commands, FailedProjectDeleteMakesTheShownProjectPrimaryAgain) {
    addFormattedDrive("a.img");
    startView();
    form_.dialogs.push_back(typeAndOk(ctl::kProjectCreateName, "Second"));
    view().command(cmd::kProjectCreate);
    view().selectProject(1);
    form_.dialogs.push_back(chooseAndOk(ctl::kProjectDeleteList, 0));
    form_.answers = {idr::kYes};
    vxf1394::testing::failWritesAfter(0);
    view().command(cmd::kProjectDelete);
    vxf1394::testing::clearWriteFailures();
    ASSERT_EQ(form_.boxes.size(), 2u);
    EXPECT_EQ(form_.boxes[1].text, "Hard disk failed write command.");
    EXPECT_EQ(primaryProjectName(), "Second");
}

TEST_F(Commands, ProjectPropertiesRenamesTheSelectedProject) {
    addFormattedDrive("a.img");
    addSongs(0, 3);
    startView();
    std::string name, songs;
    form_.dialogs.push_back([&](DialogLogic& dialog, FakeDialog& controls) {
        name = controls.text(ctl::kProjectPropName);
        songs = controls.text(ctl::kProjectPropSongs);
        typeAndOk(ctl::kProjectPropName, "Verse")(dialog, controls);
    });
    view().command(cmd::kProjectProperties);
    EXPECT_EQ(name, "Proj Name");
    EXPECT_EQ(songs, "3");
    EXPECT_EQ(form_.lines(ctl::kProjectName), (std::vector<std::string>{"01: Verse"}));
}

TEST_F(Commands, SongCreateStartsAtFortyEightAndTwentyFourWithoutSongs) {
    addFormattedDrive("a.img");
    startView();
    int rate = -1, tracks = -1;
    form_.dialogs.push_back([&](DialogLogic& dialog, FakeDialog& controls) {
        rate = controls.selection(ctl::kSongCreateRate);
        tracks = controls.selection(ctl::kSongCreateTracks);
        EXPECT_EQ(controls.text(ctl::kSongDialogName), "Song Name");
        typeAndOk(ctl::kSongDialogName, "Intro")(dialog, controls);
    });
    view().command(cmd::kSongCreate);
    EXPECT_EQ(rate, 1);
    EXPECT_EQ(tracks, 4);
    EXPECT_TRUE(form_.boxes.empty());
    EXPECT_EQ(form_.lines(ctl::kSongName), (std::vector<std::string>{"01: Intro"}));
    EXPECT_EQ(form_.text(ctl::kTrackCount), "24");
    EXPECT_EQ(form_.text(ctl::kSampleRate), "48 kHz");
    EXPECT_TRUE(form_.isEnabled(ctl::kSongName));
}

TEST_F(Commands, SongCreateAtNinetySixOffersTwelveAtMost) {
    addFormattedDrive("a.img");
    startView();
    std::vector<std::string> offered;
    int lowered = -1;
    form_.dialogs.push_back([&](DialogLogic& dialog, FakeDialog& controls) {
        controls.setSelection(ctl::kSongCreateRate, 3);
        controls.press(dialog, ctl::kSongCreateRate);
        offered = controls.lines(ctl::kSongCreateTracks);
        lowered = controls.selection(ctl::kSongCreateTracks);
        typeAndOk(ctl::kSongDialogName, "Hi Res")(dialog, controls);
    });
    view().command(cmd::kSongCreate);
    EXPECT_EQ(offered, (std::vector<std::string>{"2", "6", "8", "12"}));
    EXPECT_EQ(lowered, 3);
    EXPECT_EQ(form_.text(ctl::kTrackCount), "12");
    EXPECT_EQ(form_.text(ctl::kSampleRate), "96 kHz");
}

TEST_F(Commands, SongCreateDefaultsToTheShownSong) {
    addFormattedDrive("a.img");
    addSongs(0, 1, 88200, 6);
    startView();
    int rate = -1, tracks = -1;
    form_.dialogs.push_back([&](DialogLogic& dialog, FakeDialog& controls) {
        rate = controls.selection(ctl::kSongCreateRate);
        tracks = controls.selection(ctl::kSongCreateTracks);
        controls.press(dialog, kIdCancel);
    });
    view().command(cmd::kSongCreate);
    EXPECT_EQ(rate, 2);
    EXPECT_EQ(tracks, 1);
}

TEST_F(Commands, SongDeleteAsksAndDeletesTheChosenSong) {
    addFormattedDrive("a.img");
    addSongs(0, 2);
    startView();
    form_.dialogs.push_back(chooseAndOk(ctl::kSongDeleteList, 1));
    form_.answers = {idr::kYes};
    view().command(cmd::kSongDelete);
    ASSERT_EQ(form_.boxes.size(), 1u);
    EXPECT_EQ(form_.boxes[0].text, "Are you sure you want to delete 'Song 02: Take 2'?");
    EXPECT_EQ(form_.boxes[0].caption, "Confirm Song Delete");
    EXPECT_EQ(form_.lines(ctl::kSongName), (std::vector<std::string>{"01: Take 1"}));
    EXPECT_EQ(form_.text(ctl::kSongCount), "1");
}

TEST_F(Commands, RefusedDeleteOfAProtectedSongLeavesTheShownSongCurrent) {
    addFormattedDrive("a.img");
    addSongs(0, 2);
    onDrive(0, [](uint32_t handle) {
        ASSERT_EQ(tavovxfProjectSetPrimary(handle, 0), VXF_OK);
        ASSERT_EQ(tavovxfSongSetPrimary(handle, 1), VXF_OK);
        ASSERT_EQ(tavovxfSongSetWriteProtect(handle, 1), VXF_OK);
    });
    startView();
    view().selectSong(0);
    form_.dialogs.push_back(chooseAndOk(ctl::kSongDeleteList, 1));
    form_.answers = {idr::kYes};
    view().command(cmd::kSongDelete);
    ASSERT_EQ(form_.boxes.size(), 2u);
    EXPECT_EQ(form_.boxes[1].text, "The song is write protected.");
    EXPECT_EQ(primarySongName(), "Take 1");
    // Song Properties now acts on the shown song, not on the one that refused deletion.
    form_.dialogs.push_back(pressOk());
    view().command(cmd::kSongProperties);
    EXPECT_EQ(protectionOf(1), 1u);
    EXPECT_EQ(form_.lines(ctl::kSongName).size(), 2u);
}

TEST_F(Commands, SongPropertiesSetsProtectionBeforeTheName) {
    addFormattedDrive("a.img");
    addSongs(0, 1);
    RecordingClient* calls = startRecording();
    SongFacts shown;
    form_.dialogs.push_back([&](DialogLogic& dialog, FakeDialog& controls) {
        shown.tracks = controls.text(ctl::kSongPropTracks);
        shown.length = controls.text(ctl::kSongPropLength);
        shown.rate = controls.text(ctl::kSongPropRate);
        shown.wordLength = controls.text(ctl::kSongPropWordLength);
        EXPECT_EQ(controls.text(ctl::kSongDialogName), "Take 1");
        controls.setChecked(ctl::kSongPropWriteProtect, true);
        typeAndOk(ctl::kSongDialogName, "Chorus")(dialog, controls);
    });
    view().command(cmd::kSongProperties);
    EXPECT_EQ(shown.tracks, "8");
    EXPECT_EQ(shown.length, "00:00:00:00");
    EXPECT_EQ(shown.rate, "48 kHz");
    EXPECT_EQ(shown.wordLength, "24 Bits");
    const std::vector<std::string> changes = [&] {
        std::vector<std::string> found;
        for (const std::string& call : calls->calls)
            if (call.rfind("songSet", 0) == 0 && call.rfind("songSetPrimary", 0) != 0) found.push_back(call);
        return found;
    }();
    EXPECT_EQ(changes, (std::vector<std::string>{"songSetWriteProtect 1", "songSetName Chorus"}));
    EXPECT_TRUE(form_.checked(ctl::kWriteProtect));
    EXPECT_EQ(form_.lines(ctl::kSongName), (std::vector<std::string>{"01: Chorus"}));
}

TEST_F(Commands, WriteProtectBoxProtectsTheShownSong) {
    addFormattedDrive("a.img");
    addSongs(0, 2);
    startView();
    view().selectSong(1);
    form_.setChecked(ctl::kWriteProtect, true);
    view().controlChanged(ctl::kWriteProtect);
    EXPECT_TRUE(form_.boxes.empty());
    EXPECT_TRUE(form_.checked(ctl::kWriteProtect));
    EXPECT_EQ(protectionOf(1), 1u);
    EXPECT_EQ(protectionOf(0), 0u);
}

TEST_F(Commands, WriteProtectFailureKeepsTheClickedState) {
    addFormattedDrive("a.img");
    addSongs(0, 1);
    startView();
    form_.setChecked(ctl::kWriteProtect, true);
    vxf1394::testing::failWritesAfter(0);
    view().controlChanged(ctl::kWriteProtect);
    vxf1394::testing::clearWriteFailures();
    ASSERT_EQ(form_.boxes.size(), 1u);
    EXPECT_EQ(form_.boxes[0].text, "Hard disk failed write command.");
    EXPECT_TRUE(form_.checked(ctl::kWriteProtect));
}

TEST_F(Commands, SixtyFourSongsStopSongCreateOnlyBelowVersionOneTen) {
    const std::string image = addFormattedDrive("a.img");
    addSongs(0, 64);
    startView();
    EXPECT_TRUE(enabled(cmd::kSongCreate));
    view().shutdown();
    view_.reset();
    makeVersion100(image);
    startView();
    EXPECT_EQ(form_.text(ctl::kSongCount), "64");
    EXPECT_FALSE(enabled(cmd::kSongCreate));
    EXPECT_EQ(form_.lines(ctl::kSongName).back(), "64: Take 64   ");  // short names keep their blanks
}

TEST_F(Commands, SelectDialogsCopyTheListsAndSelectTheChoice) {
    addFormattedDrive("a.img");
    addSongs(0, 3);
    startView();
    view().selectSong(0);
    std::vector<std::string> offered;
    form_.dialogs.push_back([&](DialogLogic& dialog, FakeDialog& controls) {
        offered = controls.lines(ctl::kSongSelectList);
        EXPECT_EQ(controls.selection(ctl::kSongSelectList), 0);
        chooseAndOk(ctl::kSongSelectList, 2)(dialog, controls);
    });
    view().command(cmd::kSongSelect);
    EXPECT_EQ(offered, (std::vector<std::string>{"01: Take 1", "02: Take 2", "03: Take 3"}));
    EXPECT_EQ(view().songs().selected(), 2);
    EXPECT_EQ(primarySongName(), "Take 3");
    form_.dialogs.push_back(chooseAndOk(ctl::kProjectSelectList, 0));
    view().command(cmd::kProjectSelect);
    EXPECT_EQ(form_.dialogTemplates, (std::vector<int>{tmpl::kSongSelect, tmpl::kProjectSelect}));
}

}  // namespace
}  // namespace decktest
