// kept_state_test.cpp - what the emulation keeps between requests (open stores, the file's last reading) never goes stale.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "drive_fixture.h"
#include "platform/file_signature.h"
#include "platform/test_api.h"

namespace vxf1394::test {
namespace {

constexpr uint32_t kDrive0 = I1394_DRIVE_ID_BASE;

class KeptStateTest : public DriveFixture {
protected:
    void SetUp() override {
        DriveFixture::SetUp();
        image_ = makeImage("a.img", 64);
        enumerate({image_});
        ASSERT_EQ(init(), I1394_OK);
    }

    std::vector<uint8_t> sector(uint8_t fill) { return std::vector<uint8_t>(I1394_SECTOR_SIZE, fill); }

    uint8_t firstByteOfSector0() {
        std::vector<uint8_t> back = sector(0xEE);
        EXPECT_EQ(i1394ReadSector(kDrive0, 0, 0, 1, back.data()), I1394_OK);
        return back[0];
    }

    // Rewrites the file where it stands (same inode), as an editor saving in place does.
    void rewriteInPlace(const std::string& path, const std::string& text) {
        int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
        ::close(fd);
    }

    std::string image_;
};

TEST_F(KeptStateTest, ImageReplacedUnderItsNameIsTheOneReachedNext) {
    auto ones = sector(1);
    ASSERT_EQ(i1394WriteSector(kDrive0, 0, 0, 1, ones.data()), I1394_OK);
    EXPECT_EQ(testing::openStoreCount(), 1u);
    std::string replacement = makeImage("b.img", 64);
    ASSERT_EQ(std::rename(replacement.c_str(), image_.c_str()), 0);
    EXPECT_EQ(firstByteOfSector0(), 0);
    auto twos = sector(2);
    ASSERT_EQ(i1394WriteSector(kDrive0, 0, 0, 1, twos.data()), I1394_OK);
    std::ifstream in(image_, std::ios::binary);
    EXPECT_EQ(in.get(), 2);
}

TEST_F(KeptStateTest, DeletedImageFailsAndIsLetGo) {
    EXPECT_EQ(firstByteOfSector0(), 0);
    std::filesystem::remove(image_);
    auto data = sector(3);
    EXPECT_EQ(i1394WriteSector(kDrive0, 0, 0, 1, data.data()), I1394_ERR_IO);
    EXPECT_EQ(testing::openStoreCount(), 0u);
    EXPECT_FALSE(std::filesystem::exists(image_));
}

TEST_F(KeptStateTest, ImageThatGrowsOrShrinksIsMeasuredAgain) {
    std::vector<uint8_t> buffer = sector(0);
    EXPECT_EQ(i1394ReadSector(kDrive0, 100, 0, 1, buffer.data()), I1394_ERR_IO);
    std::filesystem::resize_file(image_, 200 * I1394_SECTOR_SIZE);
    EXPECT_EQ(i1394ReadSector(kDrive0, 100, 0, 1, buffer.data()), I1394_OK);
    DriveInfo info{};
    ASSERT_EQ(i1394GetDriveInfo(kDrive0, &info), I1394_OK);
    EXPECT_EQ(info.capacity, 199u);
    std::filesystem::resize_file(image_, 10 * I1394_SECTOR_SIZE);
    EXPECT_EQ(i1394WriteSector(kDrive0, 100, 0, 1, buffer.data()), I1394_ERR_IO);
    EXPECT_EQ(std::filesystem::file_size(image_), 10u * I1394_SECTOR_SIZE);
}

TEST_F(KeptStateTest, UnmountAndExitLetGoOfTheStores) {
    std::string other = makeImage("b.img", 64);
    enumerate({image_, other});
    std::vector<uint8_t> buffer = sector(0);
    ASSERT_EQ(i1394ReadSector(kDrive0, 0, 0, 1, buffer.data()), I1394_OK);
    ASSERT_EQ(i1394ReadSector(kDrive0 + 1, 0, 0, 1, buffer.data()), I1394_OK);
    EXPECT_EQ(testing::openStoreCount(), 2u);
    ASSERT_EQ(i1394Unmount(kDrive0), I1394_OK);
    EXPECT_EQ(testing::openStoreCount(), 1u);
    i1394Exit();
    EXPECT_EQ(testing::openStoreCount(), 0u);
}

TEST_F(KeptStateTest, EnumerationRewrittenInPlaceAtOnceIsSeen) {
    // Same length, same inode, within one clock tick: only the content tells the two apart.
    std::string other = folder_ + "/b.img";
    ASSERT_EQ(other.size(), image_.size());
    std::filesystem::copy_file(image_, other);
    auto nines = sector(9);
    enumerate({other});
    ASSERT_EQ(i1394WriteSector(kDrive0, 0, 0, 1, nines.data()), I1394_OK);
    for (int round = 0; round < 20; ++round) {
        rewriteInPlace(enumPath_, "Count=1\n0=SBP2\\" + image_ + "\n");
        ASSERT_EQ(firstByteOfSector0(), 0) << "round " << round;
        rewriteInPlace(enumPath_, "Count=1\n0=SBP2\\" + other + "\n");
        ASSERT_EQ(firstByteOfSector0(), 9) << "round " << round;
    }
}

TEST_F(KeptStateTest, SidecarRewrittenInPlaceAtOnceIsSeen) {
    std::string sidecar = image_ + ".faults";
    writeFile(sidecar, "read-error 0\n");
    std::vector<uint8_t> buffer = sector(0);
    for (int round = 0; round < 20; ++round) {
        rewriteInPlace(sidecar, "read-error 0\n");
        ASSERT_EQ(i1394ReadSector(kDrive0, 0, 0, 1, buffer.data()), I1394_ERR_IO) << "round " << round;
        rewriteInPlace(sidecar, "read-error 1\n");
        ASSERT_EQ(i1394ReadSector(kDrive0, 0, 0, 1, buffer.data()), I1394_OK) << "round " << round;
    }
}

TEST(FileSnapshotTest, ReadingCountsOnlyOnceTheStampsLieWellBeforeIt) {
    struct stat info {};
    info.st_ino = 7;
    info.st_size = 100;
    info.st_mtim.tv_sec = 1'000'000;
    info.st_ctim.tv_sec = 1'000'000;
    platform::FileSignature signature = platform::signatureOf(info);
    const int64_t stamp = int64_t{1'000'000} * 1'000'000'000;
    EXPECT_FALSE(platform::stillCurrent({signature, stamp + 1'000'000}, info));
    EXPECT_FALSE(platform::stillCurrent({signature, stamp + platform::kTimeStampSlackNs}, info));
    EXPECT_TRUE(platform::stillCurrent({signature, stamp + platform::kTimeStampSlackNs + 1}, info));
    struct stat grown = info;
    grown.st_size = 101;
    EXPECT_FALSE(platform::stillCurrent({signature, stamp + 10 * platform::kTimeStampSlackNs}, grown));
    struct stat touched = info;
    touched.st_ctim.tv_nsec = 1;
    EXPECT_FALSE(platform::stillCurrent({signature, stamp + 10 * platform::kTimeStampSlackNs}, touched));
}

}  // namespace
}  // namespace vxf1394::test
