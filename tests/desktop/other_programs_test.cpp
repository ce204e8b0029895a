// other_programs_test.cpp - the window beside another program on the same drive: it shows that program's changes and never undoes them.
#include "deck_fixture.h"
#include "core/drive_claim.h"
#include "ids.h"
#include "tavovxf.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>

namespace decktest {
namespace {

using namespace deck;

class OtherPrograms : public DeckFixture {
protected:
    // The vxf tool as another program on the same drive list.
    static int vxf(const std::string& arguments) {
        const std::string command = std::string("'") + VXF_TOOL + "' " + arguments + " </dev/null >/dev/null 2>&1";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

TEST_F(OtherPrograms, ASongAnotherProgramCreatedIsShownAndKeptByTheNextCreate) {
    addFormattedDrive("a.img");
    addSongs(0, 1);
    startView();
    view().followOtherPrograms();  // the first look only notes where the drive stands
    ASSERT_EQ(vxf("create song --drive 1 --project 1 --tracks 2 --rate 48000 --name CLI3"), 0);
    view().followOtherPrograms();
    EXPECT_EQ(form_.lines(ctl::kSongName), (std::vector<std::string>{"01: Take 1", "02: CLI3"}));

    // The window's own create goes into another slot: the other program's song stays.
    form_.dialogs.push_back(typeAndOk(ctl::kSongDialogName, "GUI3"));
    view().command(cmd::kSongCreate);
    EXPECT_EQ(form_.lines(ctl::kSongName), (std::vector<std::string>{"01: Take 1", "02: CLI3", "03: GUI3"}));
    EXPECT_TRUE(takeBoxTexts().empty());
}

TEST_F(OtherPrograms, ACreateRightAfterAnotherProgramsChangeKeepsItEvenBeforeTheWindowLooked) {
    addFormattedDrive("a.img");
    addSongs(0, 1);
    startView();
    ASSERT_EQ(vxf("create song --drive 1 --project 1 --tracks 2 --rate 48000 --name CLI3"), 0);
    form_.dialogs.push_back(typeAndOk(ctl::kSongDialogName, "GUI3"));
    view().command(cmd::kSongCreate);
    ASSERT_EQ(vxf("scan --drive 1"), 0);
    uint16_t songs = 0;
    onDrive(0, [&](uint32_t handle) {
        ASSERT_EQ(tavovxfProjectSetPrimary(handle, 0), VXF_OK);
        ASSERT_EQ(tavovxfSongGetNum(handle, &songs), VXF_OK);
    });
    EXPECT_EQ(songs, 3);
}

TEST_F(OtherPrograms, WhileAnotherProgramKeepsTheDriveTheWindowWaitsAndSaysWhoKeepsIt) {
    const std::string image = addFormattedDrive("a.img");
    addSongs(0, 1);
    startView();
    view().followOtherPrograms();
    auto other = vxfserver::DriveClaim::open(image);
    ASSERT_TRUE(other && other->tryLock());
    other->noteHolder(vxfserver::ClaimPurpose::Change);
    other->countChange();

    // Nothing is refreshed from under the other program.
    view().followOtherPrograms();
    EXPECT_TRUE(takeBoxTexts().empty());
    form_.dialogs.push_back(typeAndOk(ctl::kSongDialogName, "GUI3"));
    view().command(cmd::kSongCreate);
    // Program names are kept to 15 characters, as the system keeps them.
    const std::vector<std::string> boxes = takeBoxTexts();
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.front(), "Drive is locked and being used by another application.\nDrive 1 (a.img) is being changed by " +
                                 std::string(program_invocation_short_name).substr(0, 15) + " (pid " + std::to_string(::getpid()) +
                                 "); try again when it has finished.");

    other->unlock();
    form_.dialogs.push_back(typeAndOk(ctl::kSongDialogName, "GUI3"));
    view().command(cmd::kSongCreate);
    EXPECT_EQ(form_.lines(ctl::kSongName), (std::vector<std::string>{"01: Take 1", "02: GUI3"}));
}

}  // namespace
}  // namespace decktest
