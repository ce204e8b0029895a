// handles_test.cpp - drive handles: the slot table, selection and what it reads, the lock flag, notices, unmount.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <set>
#include <thread>

#include "api/handles.h"
#include "server_fixture.h"
#include "api/server_lifecycle.h"
#include "core/server_state.h"

namespace vxfserver {
namespace {

using Handles = test::ServerFixture;

TEST_F(Handles, TenHandlesAtMostAllDistinctAndNeverZero) {
    makeDrive(1500000);
    std::set<uint32_t> handles;
    for (int i = 0; i < 10; ++i) {
        uint32_t handle = open();
        EXPECT_NE(handle, 0u);
        EXPECT_LE(handle, 32767u);
        handles.insert(handle);
    }
    EXPECT_EQ(handles.size(), 10u);
    uint32_t eleventh = 0;
    EXPECT_EQ(tavovxfDriveOpen(0, &eleventh), VXF_ERR_INVALID_PARAMETER);
    ASSERT_EQ(tavovxfDriveClose(*handles.begin()), VXF_OK);
    EXPECT_EQ(tavovxfDriveOpen(0, &eleventh), VXF_OK);
}

TEST_F(Handles, OpenChecksTheIndexAgainstTheCountedAndTheFreshDriveList) {
    std::string a = makeImage("a.img", 1500000);
    std::string b = makeImage("b.img", 1500000);
    enumerate({a, b});
    uint32_t handle = 0;
    EXPECT_EQ(tavovxfDriveOpen(0, &handle), VXF_ERR_INVALID_PARAMETER);  // nothing counted yet
    errorText();
    uint16_t count = 0;
    ASSERT_EQ(tavovxfDriveGetNum(&count), VXF_OK);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(tavovxfDriveOpen(2, &handle), VXF_ERR_INVALID_PARAMETER);
    enumerate({a});  // one drive went away since the count
    EXPECT_EQ(tavovxfDriveOpen(1, &handle), VXF_ERR_INVALID_PARAMETER);
    EXPECT_EQ(tavovxfDriveOpen(0, &handle), VXF_OK);
}

TEST_F(Handles, ClosedHandleIsRefusedAsBadExceptByTheRawSelection) {
    uint32_t handle = openFormatted(1500000);
    ASSERT_EQ(tavovxfDriveClose(handle), VXF_OK);
    char name[VXF_SHORT_NAME_SIZE] = "x";
    EXPECT_EQ(tavovxfDriveGetName(handle, name), VXF_ERR_BAD_DRIVE_HANDLE);
    EXPECT_STREQ(name, "");
    EXPECT_EQ(tavovxfDriveClose(handle), VXF_ERR_BAD_DRIVE_HANDLE);
    uint32_t sectors = 5;
    EXPECT_EQ(tavovxfDriveNumLBAs(handle, &sectors), VXF_ERR_INVALID_PARAMETER);
    EXPECT_EQ(tavovxfDriveFormat(handle), VXF_ERR_INVALID_PARAMETER);
}

TEST_F(Handles, SelectingTheCurrentHandleAgainReadsNothing) {
    uint32_t handle = openFormatted();
    char name[VXF_EXT_NAME_SIZE];
    ASSERT_EQ(tavovxfProjectGetName(handle, name), VXF_OK);
    resetCounters();
    uint32_t value = 0;
    uint16_t count = 0;
    EXPECT_EQ(tavovxfDriveGetName(handle, name), VXF_OK);
    EXPECT_EQ(tavovxfDriveGetExtName(handle, name), VXF_OK);
    EXPECT_EQ(tavovxfDriveGetSize(handle, &value), VXF_OK);
    EXPECT_EQ(tavovxfDriveGetFreeSpace(handle, &value), VXF_OK);
    EXPECT_EQ(tavovxfProjectGetNum(handle, &count), VXF_OK);
    EXPECT_EQ(tavovxfProjectGetName(handle, name), VXF_OK);
    EXPECT_EQ(tavovxfProjectGetLastPrimary(handle, &count), VXF_OK);
    EXPECT_EQ(counters().reads, 0u);
    EXPECT_EQ(counters().writes, 0u);
}

TEST_F(Handles, TwoHandlesOnOneDriveBothWorkAndCloseMakesTheOtherReload) {
    uint32_t first = openFormatted(1500000);
    uint32_t second = open();
    EXPECT_NE(first, second);
    char name[VXF_SHORT_NAME_SIZE];
    ASSERT_EQ(tavovxfDriveGetName(second, name), VXF_OK);
    ASSERT_EQ(tavovxfDriveClose(first), VXF_OK);
    resetCounters();
    ASSERT_EQ(tavovxfDriveGetName(second, name), VXF_OK);
    EXPECT_GT(counters().reads, 0u);
    EXPECT_STREQ(name, "Drive Name");
}

TEST_F(Handles, HandleReopensItsProjectAfterAnotherDriveWasUsed) {
    std::string a = makeImage("a.img", 1500000);
    std::string b = makeImage("b.img", 1500000);
    enumerate({a, b});
    uint32_t ha = open(0);
    uint32_t hb = open(1);
    ASSERT_EQ(tavovxfDriveFormat(ha), VXF_OK);
    ASSERT_EQ(tavovxfProjectCreate(ha), VXF_OK);
    ASSERT_EQ(tavovxfProjectSetName(ha, "Second"), VXF_OK);
    ASSERT_EQ(tavovxfProjectSetPrimary(ha, 0), VXF_OK);
    ASSERT_EQ(tavovxfProjectCreate(ha), VXF_OK);
    ASSERT_EQ(tavovxfProjectSetPrimary(ha, 1), VXF_OK);
    ASSERT_EQ(tavovxfDriveFormat(hb), VXF_OK);
    char name[VXF_SHORT_NAME_SIZE];
    resetCounters();
    ASSERT_EQ(tavovxfProjectGetName(ha, name), VXF_OK);
    EXPECT_STREQ(name, "Second    ");
    EXPECT_GT(counters().reads, 0u);
    ASSERT_EQ(tavovxfProjectGetName(hb, name), VXF_OK);
    EXPECT_STREQ(name, "Proj Name ");
}

TEST_F(Handles, SectorCountOfOneDriveThenRenamingItWritesItsOwnProjectList) {
    std::string a = makeImage("a.img", 1500000);
    std::string b = makeImage("b.img", 1500000);
    enumerate({a, b});
    uint32_t ha = open(0);
    uint32_t hb = open(1);
    ASSERT_EQ(tavovxfDriveFormat(hb), VXF_OK);
    ASSERT_EQ(tavovxfDriveFormat(ha), VXF_OK);
    ASSERT_EQ(tavovxfProjectCreate(ha), VXF_OK);
    ASSERT_EQ(tavovxfProjectCreate(ha), VXF_OK);
    char name[VXF_SHORT_NAME_SIZE];
    ASSERT_EQ(tavovxfDriveGetName(ha, name), VXF_OK);  // drive a is mounted
    uint32_t sectors = 0;
    ASSERT_EQ(tavovxfDriveNumLBAs(hb, &sectors), VXF_OK);
    ASSERT_EQ(tavovxfDriveSetName(hb, "Beta"), VXF_OK);
    uint16_t count = 0;
    ASSERT_EQ(tavovxfProjectGetNum(hb, &count), VXF_OK);
    EXPECT_EQ(count, 1);
    ASSERT_EQ(tavovxfProjectGetNum(ha, &count), VXF_OK);
    EXPECT_EQ(count, 3);
    ASSERT_EQ(tavovxfDriveGetName(ha, name), VXF_OK);
    EXPECT_STREQ(name, "Drive Name");
}

TEST_F(Handles, EveryLockCheckedExportRefusesALockedHandleBeforeDoingAnything) {
    uint32_t handle = openFormatted(1500000);
    ASSERT_EQ(tavovxfProjectCreate(handle), VXF_OK);
    ASSERT_TRUE(setHandleLock(handle, 1));
    resetCounters();
    uint32_t value = 0;
    EXPECT_EQ(tavovxfDriveSetName(handle, "X"), VXF_ERR_DRIVE_LOCKED);
    EXPECT_EQ(tavovxfDriveSetExtName(handle, "X"), VXF_ERR_DRIVE_LOCKED);
    EXPECT_EQ(tavovxfProjectCreate(handle), VXF_ERR_DRIVE_LOCKED);
    EXPECT_EQ(tavovxfProjectDelete(handle), VXF_ERR_DRIVE_LOCKED);
    EXPECT_EQ(tavovxfProjectSetName(handle, "X"), VXF_ERR_DRIVE_LOCKED);
    EXPECT_EQ(tavovxfProjectSetExtName(handle, "X"), VXF_ERR_DRIVE_LOCKED);
    EXPECT_EQ(tavovxfProjectMove(handle, 0), VXF_ERR_DRIVE_LOCKED);
    EXPECT_EQ(tavovxfDriveNumLBAs(handle, &value), VXF_ERR_DRIVE_LOCKED);
    EXPECT_EQ(tavovxfDriveFormat(handle), VXF_ERR_DRIVE_LOCKED);
    EXPECT_EQ(counters().writes, 0u);
    // The others still work, and the volume is mounted again after the raw selections.
    char name[VXF_EXT_NAME_SIZE];
    uint16_t count = 0;
    EXPECT_EQ(tavovxfDriveGetName(handle, name), VXF_OK);
    EXPECT_EQ(tavovxfDriveGetSize(handle, &value), VXF_OK);
    EXPECT_EQ(tavovxfProjectGetNum(handle, &count), VXF_OK);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(tavovxfProjectSetPrimary(handle, 0), VXF_OK);
    EXPECT_EQ(tavovxfProjectGetName(handle, name), VXF_OK);
    uint32_t formatted = 0;
    EXPECT_EQ(tavovxfDriveIsFormatted(handle, &formatted), VXF_OK);
    EXPECT_EQ(formatted, 1u);
}

TEST_F(Handles, UnmountClosesTheHandleOnlyWhenTheDriveAgrees) {
    uint32_t handle = openFormatted(1500000);
    vxf1394::testing::Faults faults;
    faults.unmountError = true;
    vxf1394::testing::setFaults(drivePath_, faults);
    EXPECT_EQ(tavovxfDriveUnmount(handle), VXF_ERR_CANNOT_UNMOUNT);
    char name[VXF_SHORT_NAME_SIZE];
    EXPECT_EQ(tavovxfDriveGetName(handle, name), VXF_OK);
    vxf1394::testing::clearFaults(drivePath_);
    EXPECT_EQ(tavovxfDriveUnmount(handle), VXF_OK);
    EXPECT_EQ(tavovxfDriveGetName(handle, name), VXF_ERR_BAD_DRIVE_HANDLE);
}

TEST_F(Handles, DriveWithoutCapacityCannotBeCommunicatedWith) {
    makeDrive(1500000);
    uint32_t handle = open();
    vxf1394::testing::Faults faults;
    faults.noCapacity = true;
    vxf1394::testing::setFaults(drivePath_, faults);
    char name[VXF_SHORT_NAME_SIZE];
    EXPECT_EQ(tavovxfDriveGetName(handle, name), VXF_ERR_NO_COMMUNICATION);
    uint32_t sectors = 0;
    EXPECT_EQ(tavovxfDriveNumLBAs(handle, &sectors), VXF_ERR_INVALID_PARAMETER);
}

struct CountingWindow {
    vxf_window window;
    std::atomic<int> posts{0};
    std::atomic<uint32_t> lastMessage{0};
};

void countPost(vxf_window* window, uint32_t msg, uintptr_t wparam, intptr_t lparam) {
    auto* counting = reinterpret_cast<CountingWindow*>(window);
    if (wparam == 0 && lparam == 0) counting->lastMessage = msg;
    counting->posts++;
}

TEST_F(Handles, DriveChangesArePostedToTheRegisteredWindowOnly) {
    CountingWindow w;
    w.window.post = countPost;
    notifyDrivesChanged();
    EXPECT_EQ(tavovxfSetHWND(&w.window), VXF_OK);
    notifyDrivesChanged();
    EXPECT_EQ(w.posts, 1);
    EXPECT_EQ(w.lastMessage, uint32_t(WM_VXF_DRIVES_CHANGED));
    EXPECT_EQ(tavovxfSetHWND(nullptr), VXF_OK);
    notifyDrivesChanged();
    EXPECT_EQ(w.posts, 1);
}

TEST_F(Handles, RewritingTheEnumerationReachesTheWindowFromTheWatcher) {
    std::string a = makeImage("a.img", 1500000);
    enumerate({a});
    // The watcher's thread may still hold the window after the test: it outlives it.
    static CountingWindow w;
    w.window.post = countPost;
    tavovxfSetHWND(&w.window);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (vxf1394::testing::changeNotificationRequests() == 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    // The count stays the same: the watcher reports the change.
    while (w.posts == 0 && std::chrono::steady_clock::now() < deadline) {
        enumerate({a});
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_GT(w.posts, 0);
    tavovxfSetHWND(nullptr);
}

}  // namespace
}  // namespace vxfserver
