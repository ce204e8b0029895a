// memory_volume_test.cpp - the server on a memory drive: a volume it formats and fills reads back after a fresh start.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "api/server_lifecycle.h"
#include "lifecycle.h"
#include "platform/test_api.h"
#include "tavovxf.h"
#include "vxfx.h"

namespace vxf1394::test {
namespace {

// About 2 GB: formatted in a moment, and kept in memory as the few pages formatting writes.
constexpr uint64_t kSectors = 4'000'000;
constexpr uint32_t kSamples = 50'000;

void startLibraries() {
    processAttach();
    vxfserver::processAttach();
}

void stopLibraries() {
    vxfserver::processDetach();
    processDetach();
}

std::vector<uint8_t> ramp(uint32_t samples) {
    std::vector<uint8_t> bytes(size_t{samples} * 3);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7 + i / 3);
    return bytes;
}

uint32_t openOnlyDrive() {
    uint16_t count = 0;
    uint32_t handle = 0;
    EXPECT_EQ(tavovxfDriveGetNum(&count), VXF_OK);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(tavovxfDriveOpen(0, &handle), VXF_OK);
    return handle;
}

void makeVolume(const std::vector<uint8_t>& samples) {
    const uint32_t handle = openOnlyDrive();
    ASSERT_EQ(tavovxfDriveFormat(handle), VXF_OK);
    ASSERT_EQ(tavovxfDriveSetName(handle, "Memory Vol"), VXF_OK);
    ASSERT_EQ(tavovxfSongCreate(handle, 2, 48000, 24), VXF_OK);
    ASSERT_EQ(tavovxfTrackWrite(handle, 1, 0, kSamples, 3, 0, samples.data()), VXF_OK);
    // Nobody else can reach a drive without a file: holding it is never refused.
    EXPECT_EQ(vxfxDriveHold(handle, VXFX_PURPOSE_CHANGE, 0), VXF_OK);
    EXPECT_EQ(vxfxDriveRelease(handle), VXF_OK);
    ASSERT_EQ(tavovxfDriveClose(handle), VXF_OK);
}

void expectVolume(const std::vector<uint8_t>& samples) {
    const uint32_t handle = openOnlyDrive();
    uint32_t formatted = 0;
    ASSERT_EQ(tavovxfDriveIsFormatted(handle, &formatted), VXF_OK);
    EXPECT_EQ(formatted, 1u);
    char name[VXF_EXT_NAME_SIZE] = {};
    ASSERT_EQ(tavovxfDriveGetName(handle, name), VXF_OK);
    EXPECT_STREQ(name, "Memory Vol");
    ASSERT_EQ(tavovxfProjectSetPrimary(handle, 0), VXF_OK);
    uint16_t songs = 0;
    ASSERT_EQ(tavovxfSongGetNum(handle, &songs), VXF_OK);
    ASSERT_EQ(songs, 1);
    ASSERT_EQ(tavovxfSongSetPrimary(handle, 0), VXF_OK);
    std::vector<uint8_t> back(samples.size());
    uint32_t read = 0;
    ASSERT_EQ(tavovxfTrackRead(handle, 1, 0, kSamples, &read, 3, 0, back.data()), VXF_OK);
    EXPECT_EQ(read, kSamples);
    EXPECT_EQ(back, samples);
    EXPECT_EQ(tavovxfDriveClose(handle), VXF_OK);
}

bool anyFlush(const std::vector<testing::JournalEntry>& journal) {
    for (const testing::JournalEntry& entry : journal) {
        if (entry.flush) return true;
    }
    return false;
}

TEST(MemoryVolume, FormattedAndFilledByTheServerItReadsBackAfterAFreshStart) {
    testing::resetAll();
    testing::MemoryDrive drive = testing::attachMemoryDrive(0, kSectors);
    ASSERT_TRUE(drive.valid());
    startLibraries();
    const std::vector<uint8_t> samples = ramp(kSamples);
    testing::startJournal();
    makeVolume(samples);
    EXPECT_TRUE(anyFlush(testing::takeJournal()));
    EXPECT_GT(drive.pagesHeld(), 0u);
    EXPECT_LT(drive.pagesHeld(), 4096u);
    stopLibraries();
    startLibraries();
    expectVolume(samples);
    stopLibraries();
    testing::resetAll();
}

}  // namespace
}  // namespace vxf1394::test
