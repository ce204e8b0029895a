// drive_list_test.cpp - the drive list over hand-written enumeration files.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "drive_fixture.h"
#include "lifecycle.h"
#include "platform/last_error.h"
#include "platform/test_api.h"
#include "process_state.h"

namespace vxf1394::test {
namespace {

class DriveListTest : public DriveFixture {
protected:
    // A list whose every field holds a marker, so untouched fields show.
    static DriveList markedList() {
        DriveList list;
        list.count = 0xEEEE;
        for (uint32_t& id : list.ids) id = 0xDEADBEEF;
        return list;
    }
};

TEST_F(DriveListTest, CountZeroGivesAnEmptyListAndSuccess) {
    writeEnumeration({"Count=0"});
    DriveList list = markedList();
    ASSERT_EQ(i1394GetDriveList(&list), I1394_OK);
    EXPECT_EQ(list.count, 0);
    for (uint32_t id : list.ids) EXPECT_EQ(id, 0u);
}

TEST_F(DriveListTest, MissingFileIsAnEmptyKey) {
    DriveList list = markedList();
    ASSERT_EQ(i1394GetDriveList(&list), I1394_OK);
    EXPECT_EQ(list.count, 0);
    EXPECT_EQ(list.ids[0], 0u);
}

TEST_F(DriveListTest, OnlySbp2DisksAreListedUnderTheirOwnIndex) {
    writeEnumeration({"Count=3", "0=IDE\\DiskST380011A", "1=SBP2\\/tmp/x.img", "2=SBP2\\/tmp/y.img"});
    DriveList list = markedList();
    ASSERT_EQ(i1394GetDriveList(&list), I1394_OK);
    ASSERT_EQ(list.count, 2);
    EXPECT_EQ(list.ids[0], 0x00CE0001u);
    EXPECT_EQ(list.ids[1], 0x00CE0002u);
    EXPECT_EQ(list.ids[2], 0u);
    EXPECT_EQ(list.ids[3], 0u);
}

TEST_F(DriveListTest, PrefixIsCaseSensitiveAndNeedsAllFourCharacters) {
    writeEnumeration({"Count=4", "0=sbp2\\/tmp/a.img", "1=SBP", "2=SBP2", "3=USBSTOR\\SBP2"});
    DriveList list = markedList();
    ASSERT_EQ(i1394GetDriveList(&list), I1394_OK);
    ASSERT_EQ(list.count, 1);
    EXPECT_EQ(list.ids[0], 0x00CE0002u);
}

TEST_F(DriveListTest, RecorderDrivesBeyondFourAreLeftOutNeverWrittenPast) {
    std::vector<std::string> lines{"Count=6"};
    for (int i = 0; i < 6; ++i) lines.push_back(std::to_string(i) + "=SBP2\\/tmp/d" + std::to_string(i));
    writeEnumeration(lines);
    struct Guarded {
        DriveList list;
        uint32_t guard[4];
    } g;
    for (uint32_t& word : g.guard) word = 0xA5A5A5A5;
    ASSERT_EQ(i1394GetDriveList(&g.list), I1394_OK);
    EXPECT_EQ(g.list.count, 4);
    for (uint32_t i = 0; i < 4; ++i) EXPECT_EQ(g.list.ids[i], I1394_DRIVE_ID_BASE + i);
    for (uint32_t word : g.guard) EXPECT_EQ(word, 0xA5A5A5A5u);
}

TEST_F(DriveListTest, ValueThatCannotBeReadIsSkipped) {
    writeEnumeration({"Count=3", "0=SBP2\\/tmp/a", "2=SBP2\\/tmp/c"});
    DriveList list = markedList();
    ASSERT_EQ(i1394GetDriveList(&list), I1394_OK);
    ASSERT_EQ(list.count, 2);
    EXPECT_EQ(list.ids[0], 0x00CE0000u);
    EXPECT_EQ(list.ids[1], 0x00CE0002u);
}

TEST_F(DriveListTest, FailedReadOfTheLastValueGivesIoErrorWithTheListFilled) {
    writeEnumeration({"Count=3", "0=SBP2\\/tmp/a", "1=SBP2\\/tmp/b"});
    DriveList list = markedList();
    platform::setLastError(0);
    EXPECT_EQ(i1394GetDriveList(&list), I1394_ERR_IO);
    EXPECT_EQ(platform::lastError(), platform::kErrorFileNotFound);
    ASSERT_EQ(list.count, 2);
    EXPECT_EQ(list.ids[1], 0x00CE0001u);
    EXPECT_EQ(list.ids[2], 0u);
}

TEST_F(DriveListTest, CountThatIsNotANumberGivesIoError) {
    writeEnumeration({"Count=two", "0=SBP2\\/tmp/a"});
    DriveList list = markedList();
    EXPECT_EQ(i1394GetDriveList(&list), I1394_ERR_IO);
    EXPECT_NE(platform::lastError(), platform::kErrorSuccess);
}

TEST_F(DriveListTest, FileWithoutCountGivesIoError) {
    writeEnumeration({"0=SBP2\\/tmp/a"});
    DriveList list = markedList();
    EXPECT_EQ(i1394GetDriveList(&list), I1394_ERR_IO);
    EXPECT_EQ(platform::lastError(), platform::kErrorFileNotFound);
}

TEST_F(DriveListTest, GarbageLinesAreIgnored) {
    writeFile(enumPath_, std::string("\x01\x02\xff garbage\n=nameless\n\n# note\r\nCount=2\r\n") +
                             std::string("0=SBP2\\/tmp/a\r\n\0\0\0 binary\n1=IDE\\x\nno equals sign\n", 37));
    DriveList list = markedList();
    ASSERT_EQ(i1394GetDriveList(&list), I1394_OK);
    ASSERT_EQ(list.count, 1);
    EXPECT_EQ(list.ids[0], 0x00CE0000u);
}

TEST_F(DriveListTest, ValueNamesIgnoreCase) {
    writeEnumeration({"count=1", "0=SBP2\\/tmp/a"});
    DriveList list = markedList();
    ASSERT_EQ(i1394GetDriveList(&list), I1394_OK);
    EXPECT_EQ(list.count, 1);
}

TEST_F(DriveListTest, UnreadableFileGivesIoErrorWithTheRegistryError) {
    std::filesystem::create_directory(enumPath_);  // a folder where the file should be
    DriveList list = markedList();
    EXPECT_EQ(i1394GetDriveList(&list), I1394_ERR_IO);
    EXPECT_EQ(platform::lastError(), platform::kErrorInvalidData);
}

TEST_F(DriveListTest, OversizedFileIsRefused) {
    writeFile(enumPath_, "Count=0\n" + std::string(2u << 20, '#'));
    DriveList list = markedList();
    EXPECT_EQ(i1394GetDriveList(&list), I1394_ERR_IO);
}

TEST_F(DriveListTest, HugeCountEndsPromptlyWithTheDrivesFound) {
    writeEnumeration({"Count=4000000000", "0=SBP2\\/tmp/a", "7=SBP2\\/tmp/b"});
    DriveList list = markedList();
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(i1394GetDriveList(&list), I1394_ERR_IO);  // the last value read does not exist
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    ASSERT_EQ(list.count, 2);
    EXPECT_EQ(list.ids[1], 0x00CE0007u);
}

TEST_F(DriveListTest, FileIsReadAfreshOnEveryCall) {
    writeEnumeration({"Count=1", "0=SBP2\\/tmp/a"});
    DriveList list = markedList();
    ASSERT_EQ(i1394GetDriveList(&list), I1394_OK);
    EXPECT_EQ(list.count, 1);
    writeEnumeration({"Count=2", "0=IDE\\x", "1=SBP2\\/tmp/a"});
    ASSERT_EQ(i1394GetDriveList(&list), I1394_OK);
    ASSERT_EQ(list.count, 1);
    EXPECT_EQ(list.ids[0], 0x00CE0001u);
}

TEST_F(DriveListTest, KeyClosedByTheEndingWatcherIsReopenedByTheNextList) {
    writeEnumeration({"Count=1", "0=SBP2\\/tmp/a"});
    DriveList list = markedList();
    ASSERT_EQ(i1394GetDriveList(&list), I1394_OK);
    ASSERT_EQ(init(), I1394_OK);
    ASSERT_TRUE(eventually([] { return testing::changeNotificationRequests() >= 1; }));
    i1394Exit();
    processDetach();  // joins the watcher, which closed the shared key as it ended
    EXPECT_EQ(processState().enumKey, platform::kNoKey);
    list = markedList();
    ASSERT_EQ(i1394GetDriveList(&list), I1394_OK);
    EXPECT_EQ(list.count, 1);
    EXPECT_NE(processState().enumKey, platform::kNoKey);
}

}  // namespace
}  // namespace vxf1394::test
