// exports_test.cpp - the drive and project exports as callers meet them: sizes, texts, bad input, a failed start.
#include <gtest/gtest.h>

#include <cstring>

#include "lifecycle.h"
#include "server_fixture.h"
#include "api/server_lifecycle.h"
#include "core/server_state.h"

namespace vxfserver {
namespace {

using Exports = test::ServerFixture;

TEST_F(Exports, SizeOfAFortyGigabyteDriveIsComputedWithoutOverflow) {
    makeDrive();
    uint32_t handle = open();
    ASSERT_EQ(tavovxfDriveFormat(handle), VXF_OK);
    uint32_t size = 0;
    ASSERT_EQ(tavovxfDriveGetSize(handle, &size), VXF_OK);
    EXPECT_EQ(size, 40020664u);
}

TEST_F(Exports, SizeAndInfoOfAMillionSectorDrive) {
    makeDrive(1000000);
    uint32_t handle = open();
    uint32_t size = 0;
    // Not formatted: the sizes need the volume mounted.
    EXPECT_EQ(tavovxfDriveGetSize(handle, &size), VXF_ERR_SUPER_CORRUPT2);
    EXPECT_EQ(errorText(), "The file system has a corrupt Super Block.");
    ASSERT_EQ(tavovxfDriveClose(handle), VXF_OK);
    // A volume of the drive's size, made without the format's minimum.
    handle = open();
    uint32_t sectors = 0;
    ASSERT_EQ(tavovxfDriveNumLBAs(handle, &sectors), VXF_OK);
    EXPECT_EQ(sectors, 1000000u);
}

TEST_F(Exports, InfoJoinsVendorAndProductAndGivesKibibytes) {
    std::string path = makeImage("studio.img", 1500000);
    std::string text = "Count=1\n0=SBP2\\" + path + "|vendor=ACME|product=Recorder Disk\n";
    FILE* f = std::fopen(enumPath_.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fputs(text.c_str(), f);
    std::fclose(f);
    uint32_t handle = open();
    ASSERT_EQ(tavovxfDriveFormat(handle), VXF_OK);
    char description[VXF_DESCRIPTION_SIZE];
    uint32_t kib = 0;
    ASSERT_EQ(tavovxfDriveGetInfo(handle, description, &kib), VXF_OK);
    EXPECT_STREQ(description, "ACME    Recorder Disk   ");
    EXPECT_EQ(kib, 750000u);
    char version[VXF_VERSION_SIZE];
    ASSERT_EQ(tavovxfDriveGetFSVersion(handle, version), VXF_OK);
    EXPECT_STREQ(version, "1.10 ");
}

TEST_F(Exports, NullArgumentsAreRefusedAsInvalid) {
    uint32_t handle = openFormatted(1500000);
    EXPECT_EQ(tavovxfDriveOpen(0, nullptr), VXF_ERR_INVALID_PARAMETER);
    EXPECT_EQ(errorText(), "Invalid input parameter.");
    EXPECT_EQ(tavovxfDriveGetNum(nullptr), VXF_ERR_INVALID_PARAMETER);
    errorText();
    EXPECT_EQ(tavovxfDriveIsFormatted(handle, nullptr), VXF_ERR_INVALID_PARAMETER);
    EXPECT_EQ(tavovxfDriveGetSize(handle, nullptr), VXF_ERR_INVALID_PARAMETER);
    uint32_t size = 0;
    char text[VXF_EXT_NAME_SIZE];
    EXPECT_EQ(tavovxfDriveGetInfo(handle, nullptr, &size), VXF_ERR_INVALID_PARAMETER);
    EXPECT_EQ(tavovxfDriveGetInfo(handle, text, nullptr), VXF_ERR_INVALID_PARAMETER);
    EXPECT_EQ(tavovxfDriveNumLBAs(handle, nullptr), VXF_ERR_INVALID_PARAMETER);
    EXPECT_EQ(tavovxfDriveGetFSVersion(handle, nullptr), VXF_ERR_INVALID_PARAMETER);
    EXPECT_EQ(tavovxfDriveGetFreeSpace(handle, nullptr), VXF_ERR_INVALID_PARAMETER);
    EXPECT_EQ(tavovxfDriveGetName(handle, nullptr), VXF_ERR_INVALID_PARAMETER);
    EXPECT_EQ(tavovxfDriveSetName(handle, nullptr), VXF_ERR_INVALID_PARAMETER);
    EXPECT_EQ(tavovxfDriveGetExtName(handle, nullptr), VXF_ERR_INVALID_PARAMETER);
    EXPECT_EQ(tavovxfDriveSetExtName(handle, nullptr), VXF_ERR_INVALID_PARAMETER);
    EXPECT_EQ(tavovxfProjectGetNum(handle, nullptr), VXF_ERR_INVALID_PARAMETER);
    EXPECT_EQ(tavovxfProjectGetLastPrimary(handle, nullptr), VXF_ERR_INVALID_PARAMETER);
    EXPECT_EQ(tavovxfProjectGetName(handle, nullptr), VXF_ERR_INVALID_PARAMETER);
    EXPECT_EQ(tavovxfProjectSetName(handle, nullptr), VXF_ERR_INVALID_PARAMETER);
    EXPECT_EQ(tavovxfProjectGetExtName(handle, nullptr), VXF_ERR_INVALID_PARAMETER);
    EXPECT_EQ(tavovxfProjectSetExtName(handle, nullptr), VXF_ERR_INVALID_PARAMETER);
    EXPECT_EQ(tavovxfGetErrorString(nullptr), VXF_OK);
    // Nothing changed on the way.
    EXPECT_EQ(tavovxfDriveGetName(handle, text), VXF_OK);
    EXPECT_STREQ(text, "Drive Name");
}

TEST_F(Exports, FailedCallsEmptyTheirOutputs) {
    uint32_t handle = openFormatted(1500000);
    ASSERT_EQ(tavovxfDriveClose(handle), VXF_OK);
    char text[VXF_EXT_NAME_SIZE] = "stale";
    uint32_t number = 77;
    uint16_t count = 77;
    EXPECT_EQ(tavovxfDriveGetName(handle, text), VXF_ERR_BAD_DRIVE_HANDLE);
    EXPECT_STREQ(text, "");
    std::strcpy(text, "stale");
    EXPECT_EQ(tavovxfDriveGetInfo(handle, text, &number), VXF_ERR_BAD_DRIVE_HANDLE);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(tavovxfDriveGetSize(handle, &number), VXF_ERR_BAD_DRIVE_HANDLE);
    EXPECT_EQ(number, 0u);
    number = 77;
    EXPECT_EQ(tavovxfDriveGetFreeSpace(handle, &number), VXF_ERR_BAD_DRIVE_HANDLE);
    EXPECT_EQ(number, 0u);
    std::strcpy(text, "stale");
    EXPECT_EQ(tavovxfDriveGetFSVersion(handle, text), VXF_ERR_BAD_DRIVE_HANDLE);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(tavovxfProjectGetNum(handle, &count), VXF_ERR_BAD_DRIVE_HANDLE);
    EXPECT_EQ(count, 0);
}

TEST_F(Exports, FailedStartIsReportedByEveryCallThatNeedsTheDrives) {
    vxfserver::processDetach();
    vxf1394::processDetach();
    vxf1394::processAttach();
    vxf1394::testing::failNextWatcherStart();
    vxfserver::processAttach();
    makeDrive(1500000);
    uint16_t count = 5;
    EXPECT_EQ(tavovxfDriveGetNum(&count), VXF_ERR_DRIVER_LOAD);
    EXPECT_EQ(count, 5);
    EXPECT_EQ(errorText(), "Can't load IEEE-1394 Driver: ZEMDRVR.INF.");
    EXPECT_EQ(tavovxfDriveGetNum(&count), VXF_ERR_DRIVER_LOAD);
    uint32_t handle = 0;
    EXPECT_EQ(tavovxfDriveOpen(0, &handle), VXF_ERR_DRIVER_LOAD);
    EXPECT_EQ(tavovxfSetHWND(nullptr), VXF_OK);
}

}  // namespace
}  // namespace vxfserver
