// transfer_test.cpp - sectors through an image: round trips, large transfers, the end of the store, faults.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "drive_fixture.h"
#include "platform/test_api.h"

namespace vxf1394::test {
namespace {

constexpr uint32_t kDrive0 = I1394_DRIVE_ID_BASE;

class TransferTest : public DriveFixture {
protected:
    void SetUp() override {
        DriveFixture::SetUp();
        image_ = makeImage("a.img", kSectors);
        enumerate({image_});
        ASSERT_EQ(init(), I1394_OK);
    }
    static constexpr uint64_t kSectors = 200000;
    std::string image_;
};

std::vector<uint8_t> pattern(size_t sectors, uint8_t seed) {
    std::vector<uint8_t> data(sectors * I1394_SECTOR_SIZE);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 31 + seed + i / 512);
    return data;
}

TEST_F(TransferTest, SectorsWrittenAreReadBackUnchanged) {
    auto data = pattern(8, 7);
    ASSERT_EQ(i1394WriteSector(kDrive0, 1000, 0, 8, data.data()), I1394_OK);
    std::vector<uint8_t> back(data.size());
    ASSERT_EQ(i1394ReadSector(kDrive0, 1000, 0, 8, back.data()), I1394_OK);
    EXPECT_EQ(back, data);
}

TEST_F(TransferTest, LargestTransferIsOneRequestBothWays) {
    auto data = pattern(65535, 3);
    testing::resetRequestCounters();
    ASSERT_EQ(i1394WriteSector(kDrive0, 5, 0, 65535, data.data()), I1394_OK);
    std::vector<uint8_t> back(data.size());
    ASSERT_EQ(i1394ReadSector(kDrive0, 5, 0, 65535, back.data()), I1394_OK);
    EXPECT_EQ(back, data);
    auto counters = testing::requestCounters();
    EXPECT_EQ(counters.writes, 1u);
    EXPECT_EQ(counters.reads, 1u);
    EXPECT_EQ(counters.sectorsWritten, 65535u);
    EXPECT_EQ(counters.sectorsRead, 65535u);
}

}  // namespace
}  // namespace vxf1394::test
