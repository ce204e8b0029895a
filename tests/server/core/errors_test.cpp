// errors_test.cpp - the error table, the last-error rules and the failed read range in message 100.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "core/errors.h"
#include "server_fixture.h"
#include "tavovxf.h"

namespace vxfserver {
namespace {

struct Entry {
    int32_t code;
    const char* message;
};
constexpr Entry kTable[] = {
#define ENTRY(name, value, message) {value, message},
    VXF_ERROR_TABLE(ENTRY)
#undef ENTRY
};

TEST(ErrorTable, EveryCodeHasItsOwnSentenceThatFitsTheCallersBuffer) {
    std::set<int32_t> seen;
    for (const Entry& e : kTable) {
        EXPECT_TRUE(seen.insert(e.code).second) << e.code;
        ASSERT_NE(messageTemplate(e.code), nullptr) << e.code;
        char buffer[VXF_ERROR_STRING_SIZE];
        messageForCode(e.code, buffer, sizeof buffer);
        EXPECT_LT(std::strlen(buffer), size_t(VXF_ERROR_STRING_SIZE)) << e.code;
        if (e.code != VXF_ERR_DISK_READ) {
            EXPECT_STREQ(buffer, e.message);
        }
    }
    EXPECT_EQ(seen.size(), 63u);
    EXPECT_EQ(std::strlen("The Audio Bitmap is locked and being used by another application."), 65u);
}

TEST(ErrorTable, KeepsTheSystemsOwnWording) {
    EXPECT_STREQ(messageTemplate(VXF_ERR_NO_SONG), "The is no song.");
    EXPECT_STREQ(messageTemplate(VXF_ERR_FS_INVALID), "The file system is NOT a valid TAVO VXF file system.");
    EXPECT_STREQ(messageTemplate(VXF_ERR_DRIVER_LOAD), "Can't load IEEE-1394 Driver: ZEMDRVR.INF.");
    EXPECT_EQ(VXF_ERR_SAMPLE_RATE_MISMATCH, 602);
    EXPECT_EQ(VXF_ERR_INVALID_SAMPLE_OFFSET, 610);
}

TEST(ErrorTable, CodesOutsideTheTableHaveTheInvalidCodeSentence) {
    for (int32_t code : {7, 609, -1, 99, 1000}) {
        char buffer[VXF_ERROR_STRING_SIZE];
        messageForCode(code, buffer, sizeof buffer);
        EXPECT_STREQ(buffer, "INVALID ERROR CODE.") << code;
    }
}

TEST(ErrorTable, ReadFailureShowsTheRefusedRangeOnAnIndentedSecondLine) {
    resetErrors();
    failRead(0x10, 2);
    char buffer[VXF_ERROR_STRING_SIZE];
    messageForCode(VXF_ERR_DISK_READ, buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "Hard disk failed read command.\n\t00000010 - 00000011");
    failRead(78165359, 1);
    messageForCode(VXF_ERR_DISK_READ, buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "Hard disk failed read command.\n\t04a8b56f - 04a8b56f");
    // Other failures leave the range alone.
    fail(VXF_ERR_DISK_WRITE);
    EXPECT_EQ(failedReadRange().first, 78165359u);
    resetErrors();
}

using LastError = test::ServerFixture;

TEST_F(LastError, GetErrorStringGivesTheFailureOnceThenNoError) {
    uint32_t formatted = 0;
    EXPECT_EQ(tavovxfDriveIsFormatted(1234, &formatted), VXF_ERR_BAD_DRIVE_HANDLE);
    char buffer[VXF_ERROR_STRING_SIZE] = {};
    EXPECT_EQ(tavovxfGetErrorString(buffer), VXF_OK);
    EXPECT_STREQ(buffer, "Invalid drive handle.");
    EXPECT_EQ(tavovxfGetErrorString(buffer), VXF_OK);
    EXPECT_STREQ(buffer, "There is no error.");
}

TEST_F(LastError, DriveGetNumReturnsAPendingFailureAndLeavesTheCountAlone) {
    makeDrive(1000000);
    EXPECT_EQ(tavovxfDriveClose(77), VXF_ERR_BAD_DRIVE_HANDLE);
    uint16_t count = 99;
    EXPECT_EQ(tavovxfDriveGetNum(&count), VXF_ERR_BAD_DRIVE_HANDLE);
    EXPECT_EQ(count, 99);
    EXPECT_EQ(errorText(), "Invalid drive handle.");
    EXPECT_EQ(tavovxfDriveGetNum(&count), VXF_OK);
    EXPECT_EQ(count, 1);
}

TEST_F(LastError, ASuccessfulCallClearsAnEarlierFailure) {
    uint32_t handle = openFormatted(1500000);
    EXPECT_EQ(tavovxfDriveClose(handle + 1), VXF_ERR_BAD_DRIVE_HANDLE);
    char name[VXF_SHORT_NAME_SIZE];
    EXPECT_EQ(tavovxfDriveGetName(handle, name), VXF_OK);
    EXPECT_EQ(errorText(), "There is no error.");
}

TEST_F(LastError, SetHwndNeitherFailsNorTouchesTheLastError) {
    EXPECT_EQ(tavovxfDriveClose(5), VXF_ERR_BAD_DRIVE_HANDLE);
    EXPECT_EQ(tavovxfSetHWND(nullptr), VXF_OK);
    EXPECT_EQ(errorText(), "Invalid drive handle.");
}

}  // namespace
}  // namespace vxfserver
