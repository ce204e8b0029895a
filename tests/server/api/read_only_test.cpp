// read_only_test.cpp - read-only drives through the exports: every change refused, nothing written, selections kept in memory.
#include <gtest/gtest.h>

#include <fstream>

#include "server_fixture.h"
#include "vxfx.h"

namespace vxfserver {
namespace {

class ReadOnlyDrive : public test::ServerFixture {
protected:
    void SetUp() override {
        ServerFixture::SetUp();
        handle_ = openFormatted(1500000);
        ASSERT_EQ(tavovxfProjectCreate(handle_), VXF_OK);
        ASSERT_EQ(tavovxfSongCreate(handle_, 2, 48000, 24), VXF_OK);
        ASSERT_EQ(tavovxfProjectSetPrimary(handle_, 0), VXF_OK);
    }

    uint32_t reasons(uint32_t handle) {
        uint32_t r = 99;
        EXPECT_EQ(vxfxDriveIsReadOnly(handle, &r), VXF_OK);
        return r;
    }

    // Every changing export, each refused before it touches the drive.
    void expectEveryChangeRefused() {
        uint16_t failed = 0, rewritten = 0;
        const int32_t sample[2] = {};
        const std::vector<int32_t> results = {
            tavovxfDriveSetName(handle_, "X"), tavovxfDriveSetExtName(handle_, "X"), tavovxfProjectCreate(handle_),
            tavovxfProjectSetName(handle_, "X"), tavovxfProjectMove(handle_, 1), tavovxfSongSetName(handle_, "X"),
            tavovxfSongSetWriteProtect(handle_, 1), tavovxfSongCreate(handle_, 2, 48000, 24),
            tavovxfTrackWrite(handle_, 0, 0, 1, 4, 0, sample), tavovxfSongDelete(handle_),
            tavovxfProjectDelete(handle_), tavovxfDriveScan(handle_), tavovxfDriveUpgrade(handle_),
            tavovxfDriveRemap(handle_, 100, 1, 1, &failed, &rewritten), tavovxfDriveFormat(handle_)};
        for (size_t i = 0; i < results.size(); ++i) EXPECT_EQ(results[i], VXF_ERR_SONG_WRITE_PROTECTED) << i;
    }

    uint32_t handle_ = 0;
};

TEST_F(ReadOnlyDrive, AKeptDriveRefusesEveryChangeWritesNothingAndKeepsItsSelectionsInMemory) {
    ASSERT_EQ(vxfxDriveKeepReadOnly(handle_, 1), VXF_OK);
    EXPECT_EQ(reasons(handle_), VXFX_READ_ONLY_KEPT);
    resetCounters();
    // Selections and reads work; the last project opened is remembered, not written.
    ASSERT_EQ(tavovxfProjectSetPrimary(handle_, 1), VXF_OK);
    ASSERT_EQ(tavovxfSongSetPrimary(handle_, 0), VXF_OK);
    uint16_t primary = 0;
    ASSERT_EQ(tavovxfProjectGetLastPrimary(handle_, &primary), VXF_OK);
    EXPECT_EQ(primary, 1);
    int32_t samples[4] = {};
    uint32_t read = 0;
    EXPECT_EQ(tavovxfTrackRead(handle_, 0, 0, 4, &read, 4, 0, samples), VXF_OK);
    uint16_t failed = 0, rewritten = 0;
    EXPECT_EQ(tavovxfDriveRemap(handle_, 100, 8, 0, &failed, &rewritten), VXF_OK);
    expectEveryChangeRefused();
    EXPECT_EQ(vxfxDriveRelease(handle_), VXF_OK);
    EXPECT_EQ(counters().writes, 0u);

    // Another handle of this program is kept out too; closing the keeping handle ends it.
    const uint32_t other = open();
    EXPECT_EQ(reasons(other), VXFX_READ_ONLY_KEPT);
    EXPECT_EQ(tavovxfDriveSetName(other, "X"), VXF_ERR_SONG_WRITE_PROTECTED);
    ASSERT_EQ(tavovxfDriveClose(handle_), VXF_OK);
    EXPECT_EQ(reasons(other), 0u);
    EXPECT_EQ(tavovxfDriveSetName(other, "X"), VXF_OK);
    EXPECT_EQ(vxfxDriveKeepReadOnly(other, 2), VXF_ERR_INVALID_PARAMETER);
}

TEST_F(ReadOnlyDrive, AnAttachedDriveMountsWithoutRepairingADamagedCopy) {
    ASSERT_EQ(tavovxfDriveClose(handle_), VXF_OK);
    // The super block's mirror copy damaged: a writable drive would rewrite it from the first copy.
    const uint64_t mirror = 1500000 - 1;
    damageSector(drivePath_, mirror);
    const test::Sector damaged = readSector(drivePath_, mirror);
    std::ofstream(enumPath_) << "Count=1\n0=SBP2\\" << drivePath_ << "|readonly\n";
    resetCounters();
    handle_ = open();
    EXPECT_EQ(reasons(handle_), VXFX_READ_ONLY_ATTACHED);
    ASSERT_EQ(tavovxfProjectSetPrimary(handle_, 1), VXF_OK);
    ASSERT_EQ(tavovxfProjectSetPrimary(handle_, 0), VXF_OK);
    char name[VXF_EXT_NAME_SIZE] = {};
    EXPECT_EQ(tavovxfProjectGetName(handle_, name), VXF_OK);
    expectEveryChangeRefused();
    ASSERT_EQ(tavovxfDriveClose(handle_), VXF_OK);
    EXPECT_EQ(counters().writes, 0u);
    EXPECT_EQ(readSector(drivePath_, mirror), damaged);
}

}  // namespace
}  // namespace vxfserver
