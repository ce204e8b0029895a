// project_test.cpp - the project list and project records: slots, order, names, song lists, repair, write faults.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/errors.h"
#include "volume/project_list.h"
#include "volume/project_record.h"
#include "core/record.h"
#include "server_fixture.h"
#include "core/server_state.h"
#include "song/project_songs.h"
#include "platform/test_api.h"
#include "vxfx.h"

namespace vxfserver {
namespace {

constexpr uint32_t kS = 1500000;

class Projects : public test::ServerFixture {
protected:
    void SetUp() override {
        test::ServerFixture::SetUp();
        handle_ = openFormatted(kS);
    }
    std::vector<uint32_t> listed() {
        const ProjectList& l = state().projectList;
        return std::vector<uint32_t>(l.handles, l.handles + l.count);
    }
    std::string projectName() {
        char name[VXF_SHORT_NAME_SIZE] = {};
        EXPECT_EQ(tavovxfProjectGetName(handle_, name), VXF_OK);
        return name;
    }
    int32_t remount() { return test::ServerFixture::remount(handle_); }
    uint32_t handle_ = 0;
};

TEST_F(Projects, FreshVolumeHasOneOpenPrimaryProject) {
    uint16_t count = 0;
    ASSERT_EQ(tavovxfProjectGetNum(handle_, &count), VXF_OK);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(projectName(), "Proj Name ");
    char ext[VXF_EXT_NAME_SIZE];
    ASSERT_EQ(tavovxfProjectGetExtName(handle_, ext), VXF_OK);
    EXPECT_STREQ(ext, "Proj Name");
    uint16_t primary = 9;
    ASSERT_EQ(tavovxfProjectGetLastPrimary(handle_, &primary), VXF_OK);
    EXPECT_EQ(primary, 0);
    EXPECT_EQ(listed(), std::vector<uint32_t>{20});
}

TEST_F(Projects, NewProjectTakesTheFirstSlotTheListDoesNotName) {
    for (int i = 0; i < 3; ++i) ASSERT_EQ(tavovxfProjectCreate(handle_), VXF_OK);
    ASSERT_EQ(listed(), (std::vector<uint32_t>{20, 21, 22, 23}));
    ASSERT_EQ(tavovxfProjectSetPrimary(handle_, 2), VXF_OK);
    ASSERT_EQ(tavovxfProjectDelete(handle_), VXF_OK);
    ASSERT_EQ(tavovxfProjectCreate(handle_), VXF_OK);
    EXPECT_EQ(listed(), (std::vector<uint32_t>{20, 21, 23, 22}));
    uint16_t primary = 0;
    ASSERT_EQ(tavovxfProjectGetLastPrimary(handle_, &primary), VXF_OK);
    EXPECT_EQ(primary, 3);
}

TEST_F(Projects, TheLastProjectCannotBeDeleted) {
    resetCounters();
    EXPECT_EQ(tavovxfProjectDelete(handle_), VXF_ERR_PLIST_LAST_PROJECT);
    EXPECT_EQ(counters().writes, 0u);
    EXPECT_EQ(listed(), std::vector<uint32_t>{20});
}

TEST_F(Projects, DeletingLeavesNoProjectOpen) {
    ASSERT_EQ(tavovxfProjectCreate(handle_), VXF_OK);
    ASSERT_EQ(tavovxfProjectDelete(handle_), VXF_OK);
    char name[VXF_SHORT_NAME_SIZE] = "x";
    EXPECT_EQ(tavovxfProjectGetName(handle_, name), VXF_ERR_NO_PROJECT_OPEN);
    EXPECT_STREQ(name, "");
    EXPECT_EQ(tavovxfProjectSetName(handle_, "New"), VXF_ERR_NO_PROJECT_OPEN);
    EXPECT_EQ(tavovxfProjectDelete(handle_), VXF_ERR_PLIST_LAST_PROJECT);
}

TEST_F(Projects, MovingTheFirstOfThreeToTheEnd) {
    for (int i = 0; i < 2; ++i) ASSERT_EQ(tavovxfProjectCreate(handle_), VXF_OK);
    ASSERT_EQ(tavovxfProjectSetPrimary(handle_, 0), VXF_OK);
    resetCounters();
    ASSERT_EQ(tavovxfProjectMove(handle_, 2), VXF_OK);
    EXPECT_EQ(counters().writes, 2u);  // the list, both copies, once
    EXPECT_EQ(listed(), (std::vector<uint32_t>{21, 22, 20}));
    EXPECT_EQ(tavovxfProjectMove(handle_, 3), VXF_ERR_INVALID_PARAMETER);
    ASSERT_EQ(remount(), VXF_OK);
    EXPECT_EQ(listed(), (std::vector<uint32_t>{21, 22, 20}));
}

TEST_F(Projects, InsertAppendsAtTheCountAndRefusesBeyondIt) {
    const uint16_t count = state().projectList.count;
    EXPECT_FALSE(insertProject(30, count + 1));
    EXPECT_EQ(lastError(), VXF_ERR_INVALID_PARAMETER);
    EXPECT_TRUE(insertProject(30, count));
    EXPECT_EQ(listed(), (std::vector<uint32_t>{20, 30}));
    EXPECT_TRUE(removeProject(30));
    EXPECT_FALSE(removeProject(30));
    EXPECT_EQ(lastError(), VXF_ERR_INVALID_PARAMETER);
}

TEST_F(Projects, ListIsFullAtNinetyNine) {
    for (int i = 1; i < 99; ++i) ASSERT_EQ(tavovxfProjectCreate(handle_), VXF_OK) << i;
    EXPECT_EQ(tavovxfProjectCreate(handle_), VXF_ERR_PLIST_FULL);
    EXPECT_EQ(listed().back(), 118u);
}

TEST_F(Projects, SetPrimaryOutsideTheListIsRefused) {
    EXPECT_EQ(tavovxfProjectSetPrimary(handle_, 1), VXF_ERR_INVALID_PARAMETER);
    EXPECT_FALSE(openProject(119));
    EXPECT_EQ(lastError(), VXF_ERR_INVALID_PARAMETER);
    EXPECT_FALSE(openProject(19));
}

TEST_F(Projects, NeverWrittenSlotFailsItsCheckWhenOpened) {
    EXPECT_FALSE(openProject(30));
    EXPECT_TRUE(lastError() == VXF_ERR_PROJECT_CORRUPT || lastError() == VXF_ERR_PROJECT_CORRUPT2);
    EXPECT_FALSE(hasFlag(kFlagProjectOpen));
}

TEST_F(Projects, NamesFollowTheNameRule) {
    ASSERT_EQ(tavovxfDriveSetName(handle_, "Drive-1!"), VXF_OK);
    ASSERT_EQ(tavovxfDriveSetExtName(handle_, "Drive-1!"), VXF_OK);
    ASSERT_EQ(tavovxfProjectSetName(handle_, "My Song?"), VXF_OK);
    ASSERT_EQ(tavovxfProjectSetExtName(handle_, "     "), VXF_OK);
    ASSERT_EQ(remount(), VXF_OK);
    char name[VXF_EXT_NAME_SIZE];
    ASSERT_EQ(tavovxfDriveGetName(handle_, name), VXF_OK);
    EXPECT_STREQ(name, "Drive 1   ");
    ASSERT_EQ(tavovxfDriveGetExtName(handle_, name), VXF_OK);
    EXPECT_STREQ(name, "Drive-1!");
    ASSERT_EQ(tavovxfProjectSetPrimary(handle_, 0), VXF_OK);
    EXPECT_EQ(projectName(), "My Song   ");
    ASSERT_EQ(tavovxfProjectGetExtName(handle_, name), VXF_OK);
    EXPECT_STREQ(name, "");
    // The packed bytes on the drive: "Driv", "e 1 ", then the last two reversed.
    const test::Sector list = readSector(drivePath_, 1);
    EXPECT_EQ(getWord(list.data()), uint32_t('D') << 24 | uint32_t('r') << 16 | uint32_t('i') << 8 | 'v');
    EXPECT_EQ(getHalf(list.data() + 8), uint16_t(' ' << 8 | ' '));
}

TEST_F(Projects, NamesWithEveryByteValueAreStoredClean) {
    std::string text;
    for (int c = 1; c < 256; ++c) text += char(c);
    ASSERT_EQ(tavovxfProjectSetExtName(handle_, text.c_str()), VXF_OK);
    ASSERT_EQ(tavovxfProjectSetName(handle_, text.c_str() + 47), VXF_OK);
    char name[VXF_EXT_NAME_SIZE];
    ASSERT_EQ(tavovxfProjectGetExtName(handle_, name), VXF_OK);
    for (const char* p = name; *p; ++p) EXPECT_TRUE(*p >= 0x20 && *p <= 0x7E);
    EXPECT_EQ(projectName(), "0123456789");
}

TEST_F(Projects, DamagedListCopyIsRepairedAndBothDamagedRefused) {
    damageSector(drivePath_, 1);
    ASSERT_EQ(remount(), VXF_OK);
    EXPECT_EQ(readSector(drivePath_, 1), readSector(drivePath_, kS - 2));
    patchRecord(drivePath_, kS - 2, [](uint8_t* s) { putWord(s + 0x1F8, 0); });
    damageSector(drivePath_, 1);
    EXPECT_EQ(remount(), VXF_ERR_PLIST_CORRUPT2);
}

TEST_F(Projects, SealedListCountingAHundredProjectsIsCorrupt) {
    patchRecord(drivePath_, 1, [](uint8_t* s) { putHalf(s + 0x0C, 100); });
    ASSERT_EQ(remount(), VXF_OK);  // repaired from the copy
    EXPECT_EQ(readSector(drivePath_, 1), readSector(drivePath_, kS - 2));
    patchRecord(drivePath_, 1, [](uint8_t* s) { putHalf(s + 0x0C, 0xFFFF); });
    patchRecord(drivePath_, kS - 2, [](uint8_t* s) { putHalf(s + 0x0C, 0xFFFF); });
    EXPECT_EQ(remount(), VXF_ERR_PLIST_CORRUPT);
}

TEST_F(Projects, SealedRecordCountingAHundredSongsIsCorrupt) {
    patchRecord(drivePath_, 20, [](uint8_t* s) { putWord(s + 0x0C, 100); });
    patchRecord(drivePath_, kS - 21, [](uint8_t* s) { putWord(s + 0x0C, 0x80000000u); });
    EXPECT_EQ(tavovxfDriveClose(handle_), VXF_OK);
    handle_ = open();
    EXPECT_EQ(tavovxfProjectSetPrimary(handle_, 0), VXF_ERR_PROJECT_CORRUPT);
}

TEST_F(Projects, DamagedRecordCopyIsRepairedWhenOpened) {
    damageSector(drivePath_, kS - 21);
    ASSERT_EQ(tavovxfProjectSetPrimary(handle_, 0), VXF_OK);
    EXPECT_EQ(readSector(drivePath_, 20), readSector(drivePath_, kS - 21));
}

TEST_F(Projects, FailedRecordWriteListsNothingAndTheHandleKeepsItsProject) {
    ASSERT_EQ(tavovxfProjectSetName(handle_, "Keep"), VXF_OK);
    const test::Sector oldSlot = readSector(drivePath_, 21);
    vxf1394::testing::failNthWrite(1);
    EXPECT_EQ(tavovxfProjectCreate(handle_), VXF_ERR_DISK_WRITE);
    vxf1394::testing::clearWriteFailures();
    EXPECT_EQ(listed(), std::vector<uint32_t>{20});
    EXPECT_EQ(readSector(drivePath_, 21), oldSlot);
    EXPECT_EQ(projectName(), "Keep      ");
    ASSERT_EQ(remount(), VXF_OK);
    EXPECT_EQ(listed(), std::vector<uint32_t>{20});
}

TEST_F(Projects, FailedListWriteLeavesTheDriveListingTheOldProjects) {
    vxf1394::testing::failNthWrite(3);  // the record's two copies pass
    EXPECT_EQ(tavovxfProjectCreate(handle_), VXF_ERR_DISK_WRITE);
    vxf1394::testing::clearWriteFailures();
    ASSERT_EQ(remount(), VXF_OK);
    EXPECT_EQ(listed(), std::vector<uint32_t>{20});
}

// The song list of the open project, with song handles as plain numbers.
TEST_F(Projects, SongListKeepsOrderLimitsAndMovesInOneWrite) {
    EXPECT_FALSE(removeSong(119));
    EXPECT_EQ(lastError(), VXF_ERR_PROJECT_EMPTY);
    for (uint32_t i = 0; i < 99; ++i) ASSERT_TRUE(insertSong(119 + 7 * i, i));
    EXPECT_FALSE(insertSong(119 + 7 * 99, 99));
    EXPECT_EQ(lastError(), VXF_ERR_PROJECT_FULL);
    ASSERT_TRUE(removeSong(119 + 7 * 98));
    EXPECT_FALSE(insertSong(5000, 99));
    EXPECT_EQ(lastError(), VXF_ERR_INVALID_PARAMETER);
    resetCounters();
    ASSERT_TRUE(moveSongWithin(0, 2));
    EXPECT_EQ(counters().writes, 2u);
    EXPECT_EQ(songHandleAt(0), 126u);
    EXPECT_EQ(songHandleAt(2), 119u);
    EXPECT_FALSE(moveSongWithin(0, 98));
}

TEST_F(Projects, SongMovedOutLandsInTheTargetWhichBecomesPrimary) {
    ASSERT_TRUE(insertSong(119, 0));
    ASSERT_TRUE(insertSong(126, 1));
    ASSERT_EQ(tavovxfProjectCreate(handle_), VXF_OK);  // 21, now open
    ASSERT_TRUE(openProject(20));
    ASSERT_TRUE(moveSongOut(1, 21, 0));
    EXPECT_EQ(state().openProject, 21u);
    EXPECT_EQ(state().projectList.lastProjectHandle, 21u);
    EXPECT_EQ(songHandleAt(0), 126u);
    ASSERT_TRUE(openProject(20));
    EXPECT_EQ(state().project.songCount, 1u);
}

TEST_F(Projects, SongMovedOutToAFullProjectGoesBackWhereItWas) {
    ASSERT_EQ(tavovxfProjectCreate(handle_), VXF_OK);  // 21
    for (uint32_t i = 0; i < 99; ++i) ASSERT_TRUE(insertSong(1000 + 7 * i, i));
    ASSERT_TRUE(openProject(20));
    ASSERT_TRUE(insertSong(119, 0));
    ASSERT_TRUE(insertSong(126, 1));
    EXPECT_FALSE(moveSongOut(0, 21, 0));
    EXPECT_EQ(lastError(), VXF_ERR_PROJECT_FULL);
    EXPECT_EQ(state().openProject, 20u);
    EXPECT_EQ(songHandleAt(0), 119u);
    EXPECT_EQ(songHandleAt(1), 126u);
}

}  // namespace
}  // namespace vxfserver

namespace vxfserver {
namespace {

size_t writesOf(const std::vector<vxf1394::testing::JournalEntry>& journal, uint64_t lba) {
    size_t n = 0;
    for (const auto& e : journal) n += !e.flush && e.lba == lba;
    return n;
}

}  // namespace

// Selecting what is selected already rewrites the project list and the
// project's record with their own bytes: those writes are skipped, but never
// one whose copies may hold something else.
TEST_F(Projects, RewritingARecordsOwnBytesIsSkippedUnlessItsCopiesMayDiffer) {
    for (int k = 0; k < 3; ++k) ASSERT_EQ(tavovxfSongCreate(handle_, 2, 48000, 24), VXF_OK);
    ASSERT_EQ(tavovxfSongSetPrimary(handle_, 1), VXF_OK);
    const uint32_t project = state().openProject;
    const uint32_t list = state().superBlock.projectListLba;

    vxf1394::testing::startJournal();
    ASSERT_EQ(tavovxfProjectSetPrimary(handle_, 0), VXF_OK);
    ASSERT_EQ(tavovxfSongSetPrimary(handle_, 1), VXF_OK);
    ASSERT_EQ(tavovxfSongSetPrimary(handle_, 1), VXF_OK);
    EXPECT_TRUE(vxf1394::testing::takeJournal().empty());

    // A new last song is written to both copies.
    vxf1394::testing::startJournal();
    ASSERT_EQ(tavovxfSongSetPrimary(handle_, 2), VXF_OK);
    auto journal = vxf1394::testing::takeJournal();
    EXPECT_EQ(writesOf(journal, project), 1u);
    EXPECT_EQ(writesOf(journal, kS - project - 1), 1u);

    // A write refused half way: the same bytes are written again, both copies.
    vxf1394::testing::failNthWrite(2);
    EXPECT_NE(tavovxfSongSetPrimary(handle_, 0), VXF_OK);
    vxf1394::testing::clearWriteFailures();
    vxf1394::testing::startJournal();
    ASSERT_EQ(tavovxfSongSetPrimary(handle_, 0), VXF_OK);
    journal = vxf1394::testing::takeJournal();
    EXPECT_EQ(writesOf(journal, project), 1u);
    EXPECT_EQ(writesOf(journal, kS - project - 1), 1u);

    // Copies found unlike on a fresh mount: the list is written over both.
    patchRecord(drivePath_, kS - list - 1, [](uint8_t* sector) { sector[100] ^= 1; });
    ASSERT_EQ(remount(), VXF_OK);
    vxf1394::testing::startJournal();
    ASSERT_EQ(tavovxfProjectSetPrimary(handle_, 0), VXF_OK);
    journal = vxf1394::testing::takeJournal();
    EXPECT_EQ(writesOf(journal, list), 1u);
    EXPECT_EQ(writesOf(journal, kS - list - 1), 1u);
    EXPECT_EQ(readSector(drivePath_, list), readSector(drivePath_, kS - list - 1));
}

}  // namespace vxfserver
