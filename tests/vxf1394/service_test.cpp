// service_test.cpp - the driver service: installed when the first device open fails, removed when this library installed it.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "drive_fixture.h"
#include "lifecycle.h"
#include "platform/test_api.h"

namespace vxf1394::test {
namespace {

constexpr const char* kService = "ZEMDrvr";

class ServiceTest : public DriveFixture {
protected:
    void SetUp() override {
        DriveFixture::SetUp();
        enumerate({makeImage("a.img", 64)});
    }
    bool canRead() {
        std::vector<uint8_t> sector(I1394_SECTOR_SIZE);
        return i1394ReadSector(I1394_DRIVE_ID_BASE, 0, 0, 1, sector.data()) == I1394_OK;
    }
};

TEST_F(ServiceTest, DeviceOpeningAtFirstTryLeavesServicesAlone) {
    testing::preinstallService(kService, true);
    ASSERT_EQ(init(), I1394_OK);
    EXPECT_TRUE(canRead());
    i1394Exit();
    auto service = testing::service(kService);
    ASSERT_TRUE(service.has_value());
    EXPECT_TRUE(service->running);
}

TEST_F(ServiceTest, DeviceOpeningAtFirstTryInstallsNothing) {
    ASSERT_EQ(init(), I1394_OK);
    EXPECT_FALSE(testing::service(kService).has_value());
}

TEST_F(ServiceTest, FailedFirstOpenInstallsAndStartsTheDriverFromTheCurrentFolder) {
    testing::failDeviceOpens(1);
    ASSERT_EQ(init(), I1394_OK);
    EXPECT_TRUE(canRead());
    auto service = testing::service(kService);
    ASSERT_TRUE(service.has_value());
    EXPECT_EQ(service->displayName, "ZEMDrvr");
    EXPECT_EQ(service->binaryPath, std::filesystem::current_path().string() + "\\ZEMDrvr.sys");
    EXPECT_EQ(service->type, 0x1u);          // kernel driver
    EXPECT_EQ(service->startType, 0x2u);     // automatic
    EXPECT_EQ(service->errorControl, 0x1u);  // normal
    EXPECT_TRUE(service->running);
}

TEST_F(ServiceTest, ServiceThisLibraryInstalledIsStoppedAndDeletedAtExit) {
    testing::failDeviceOpens(1);
    ASSERT_EQ(init(), I1394_OK);
    i1394Exit();
    EXPECT_FALSE(testing::service(kService).has_value());
    EXPECT_FALSE(canRead());
}

TEST_F(ServiceTest, ServiceThisLibraryInstalledIsRemovedAtUnload) {
    testing::failDeviceOpens(1);
    ASSERT_EQ(init(), I1394_OK);
    processDetach();
    EXPECT_FALSE(testing::service(kService).has_value());
}

TEST_F(ServiceTest, SecondOpenFailingGivesNoDriverAndTheServiceCountsAsOurs) {
    testing::failDeviceOpens(2);
    EXPECT_EQ(init(), I1394_ERR_NO_DRIVER);
    EXPECT_FALSE(canRead());
    EXPECT_TRUE(testing::service(kService).has_value());
    // A later init opens the device; its exit removes the service installed before.
    ASSERT_EQ(init(), I1394_OK);
    EXPECT_TRUE(canRead());
    i1394Exit();
    EXPECT_FALSE(testing::service(kService).has_value());
}

TEST_F(ServiceTest, ExistingServiceIsNotStartedButStoppedAndDeletedAtExit) {
    testing::preinstallService(kService, true);
    testing::failDeviceOpens(1);
    ASSERT_EQ(init(), I1394_OK);
    auto service = testing::service(kService);
    ASSERT_TRUE(service.has_value());
    EXPECT_EQ(service->binaryPath, "");  // untouched: creating it failed
    i1394Exit();
    EXPECT_FALSE(testing::service(kService).has_value());
}

TEST_F(ServiceTest, ServiceThatCannotBeStoppedIsNotDeleted) {
    testing::preinstallService(kService, false);
    testing::failDeviceOpens(1);
    ASSERT_EQ(init(), I1394_OK);
    i1394Exit();
    EXPECT_TRUE(testing::service(kService).has_value());
}

TEST_F(ServiceTest, WatcherStartFailureGivesThreadError) {
    testing::failNextWatcherStart();
    EXPECT_EQ(init(), I1394_ERR_THREAD);
    EXPECT_TRUE(canRead());
}

TEST_F(ServiceTest, WatcherStartFailureReplacesNoDriver) {
    testing::failDeviceOpens(2);
    testing::failNextWatcherStart();
    EXPECT_EQ(init(), I1394_ERR_THREAD);
    EXPECT_FALSE(canRead());
}

}  // namespace
}  // namespace vxf1394::test
