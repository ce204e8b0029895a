// transfer_chunking_test.cpp - block sizes, buffer allocation with retreat, and transfer statistics.
#include "test_support.h"

#include <map>

#include "optimal_chunk.h"
#include "transfer_buffers.h"
#include "transfer_statistics.h"

namespace vxf::transfer::test {
namespace {

TEST(OptimalChunkTest, BringsTheBlockBetween100000And200000) {
    EXPECT_EQ(OptimalChunk(1, 1536), 196608u);
    EXPECT_EQ(OptimalChunk(24, 1536), 147456u);
    EXPECT_EQ(OptimalChunk(2, 3125), 200000u);
    EXPECT_EQ(OptimalChunk(1, 200001), 100000u);
    for (uint32_t n : {1u, 3u, 1536u, 3072u, 99999u, 4000000u, 0xFFFFFFFFu}) {
        for (uint16_t m : {uint16_t{1}, uint16_t{2}, uint16_t{24}, uint16_t{65535}}) {
            const uint32_t block = OptimalChunk(m, n);
            EXPECT_GE(block, 100000u) << m << " x " << n;
            EXPECT_LE(block, 200000u) << m << " x " << n;
        }
    }
}

TEST(OptimalChunkTest, ASizeOfZeroGivesZeroInsteadOfLoopingForEver) {
    EXPECT_EQ(OptimalChunk(1, 0), 0u);
    EXPECT_EQ(OptimalChunk(0, 1536), 0u);
}

TEST(OptimalChunkTest, AsksTheServerAndShowsItsMessageOnFailure) {
    RecordingSink sink;
    int calls = 0;
    auto working = [&](uint32_t& size, std::string&) {
        ++calls;
        size = 1536;
        return 0;
    };
    EXPECT_EQ(OptimalChunk(24, working, sink), 147456u);
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(sink.messages.empty());

    auto failing = [](uint32_t& size, std::string& text) {
        size = 0;
        text = "No drive is open.";
        return -5;
    };
    EXPECT_EQ(OptimalChunk(1, failing, sink), 0u);
    EXPECT_EQ(sink.messages, std::vector<std::string>{"No drive is open."});
}

// Gives memory only up to `limit` bytes per buffer, counting the attempts.
struct LimitedAllocator {
    size_t limit;
    std::vector<size_t>* asked;
    SampleBuffer operator()(size_t bytes) const {
        asked->push_back(bytes);
        return bytes <= limit ? allocateBuffer(bytes) : nullptr;
    }
};

TEST(TransferBuffersTest, HalvesTheBlockUntilTheBufferFits) {
    std::vector<size_t> asked;
    TransferBuffers buffers(196608, 3, 1, LimitedAllocator{300000, &asked});
    EXPECT_EQ(buffers.block(), 98304u);
    ASSERT_EQ(buffers.size(), 1u);
    EXPECT_NE(buffers[0], nullptr);
    EXPECT_EQ(asked, (std::vector<size_t>{589824, 294912}));
}

TEST(TransferBuffersTest, AllTracksShareOneRetreatingBlock) {
    // The last of 24 buffers fails while buffers are above 120000 bytes.
    std::map<size_t, int> askedBySize;
    auto allocator = [&](size_t bytes) -> SampleBuffer {
        if (++askedBySize[bytes] == 24 && bytes > 120000) return nullptr;
        return allocateBuffer(bytes);
    };
    TransferBuffers buffers(147456, 3, 24, allocator);
    EXPECT_EQ(buffers.block(), 36864u);
    ASSERT_EQ(buffers.size(), 24u);
    for (size_t i = 0; i < buffers.size(); ++i) EXPECT_NE(buffers[i], nullptr);
    EXPECT_EQ(askedBySize, (std::map<size_t, int>{{442368, 24}, {221184, 24}, {110592, 24}}));
}

TEST(TransferBuffersTest, NoMemoryAtAllGivesBlockZero) {
    std::vector<size_t> asked;
    TransferBuffers buffers(196608, 3, 2, LimitedAllocator{0, &asked});
    EXPECT_EQ(buffers.block(), 0u);
    EXPECT_EQ(buffers.size(), 0u);
    EXPECT_EQ(asked.size(), 18u);   // 196608, 98304, ..., 1
    TransferBuffers none(0, 3, 1);
    EXPECT_EQ(none.block(), 0u);
}

TEST(TransferStatisticsTest, RateIsBinaryMegabitsPerSecond) {
    auto s = computeTransferStatistics(1048576, 1000, 3000, 1000);
    EXPECT_DOUBLE_EQ(s.seconds, 2.0);
    EXPECT_DOUBLE_EQ(s.megabitsPerSecond, 4.0);
    EXPECT_EQ(formatTransferRate(s), " 4.00 Mbs");
    EXPECT_EQ(formatTransferTime(s), " 2.00 s");
}

TEST(TransferStatisticsTest, NoMeasurableTimeOrNoClockGivesZero) {
    auto instant = computeTransferStatistics(5000000, 42, 42, 1000000000);
    EXPECT_EQ(instant.megabitsPerSecond, 0.0);
    EXPECT_EQ(formatTransferRate(instant), " 0.00 Mbs");
    auto noClock = computeTransferStatistics(5000000, 1, 99, 0);
    EXPECT_EQ(noClock.seconds, 0.0);
    EXPECT_EQ(noClock.megabitsPerSecond, 0.0);
}

TEST(TransferStatisticsTest, ByteCountsOfLongSessionsNeed64Bits) {
    const uint64_t thirtyMinutesAt96k = 30ull * 60 * 96000;
    EXPECT_EQ(transferBytes(24, thirtyMinutesAt96k), 12441600000ull);
    auto s = computeTransferStatistics(transferBytes(24, thirtyMinutesAt96k), 0, 100, 1);
    EXPECT_NEAR(s.megabitsPerSecond, 12441600000.0 * 8 / 1048576 / 100, 1e-6);
    EXPECT_EQ(formatTransferRate(s), "949.22 Mbs");
}

TEST(TransferStatisticsTest, TheClockMeasuresForwards) {
    TransferClock clock;
    clock.start();
    clock.stop();
    auto s = clock.statistics(1000);
    EXPECT_GE(s.seconds, 0.0);
    EXPECT_LT(s.seconds, 5.0);
}

TEST(PercentDoneTest, CountsInSixtyFourBitsAndStaysInRange) {
    EXPECT_EQ(percentDone(0, 200, 0), 0);
    EXPECT_EQ(percentDone(0, 200, 199), 99);
    EXPECT_EQ(percentDone(0, 200, 200), 100);
    EXPECT_EQ(percentDone(0, 0xFFFFFFFFll, 0xFFFFFFFEll), 99);   // × 100 overflows 32 bits
    EXPECT_EQ(percentDone(10, 10, 10), 100);
    EXPECT_EQ(percentDone(0, 100, 150), 100);
}

}  // namespace
}  // namespace vxf::transfer::test
