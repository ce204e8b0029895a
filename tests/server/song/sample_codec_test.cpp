// sample_codec_test.cpp - drive samples to and from every caller format, byte for byte.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "song/sample_codec.h"

using namespace vxfserver;

namespace {

std::vector<uint8_t> unpack(std::vector<uint8_t> drive, SampleFormat format, size_t stride = 1) {
    size_t count = drive.size() / 3;
    std::vector<uint8_t> out(count * stride * format.bytes, 0xEE);
    unpackSamples(drive.data(), count, out.data(), stride, format);
    return out;
}

std::vector<uint8_t> pack(std::vector<uint8_t> caller, SampleFormat format, size_t count, size_t stride = 1) {
    std::vector<uint8_t> drive(count * 3, 0xEE);
    packSamples(caller.data(), count, stride, format, drive.data());
    return drive;
}

using Bytes = std::vector<uint8_t>;

}  // namespace

TEST(SampleUnpack, NegativeSampleInEveryWidthAndOrder) {
    const Bytes drive{0x56, 0x34, 0x92};
    EXPECT_EQ(unpack(drive, {1, 0}), (Bytes{0x92}));
    EXPECT_EQ(unpack(drive, {1, 1}), (Bytes{0x92}));
    EXPECT_EQ(unpack(drive, {2, 0}), (Bytes{0x34, 0x92}));
    EXPECT_EQ(unpack(drive, {2, 1}), (Bytes{0x92, 0x34}));
    EXPECT_EQ(unpack(drive, {3, 0}), (Bytes{0x56, 0x34, 0x92}));
    EXPECT_EQ(unpack(drive, {3, 1}), (Bytes{0x92, 0x34, 0x56}));
    EXPECT_EQ(unpack(drive, {4, 0}), (Bytes{0x56, 0x34, 0x92, 0xFF}));
    EXPECT_EQ(unpack(drive, {4, 1}), (Bytes{0xFF, 0x92, 0x34, 0x56}));
}

TEST(SampleUnpack, PositiveSampleExtendsWithZeros) {
    EXPECT_EQ(unpack({0x01, 0x02, 0x7F}, {4, 0}), (Bytes{0x01, 0x02, 0x7F, 0x00}));
    EXPECT_EQ(unpack({0x01, 0x02, 0x7F}, {4, 1}), (Bytes{0x00, 0x7F, 0x02, 0x01}));
}

TEST(SampleUnpack, StrideTwoFillsEverySecondSlotOnly) {
    Bytes out = unpack({1, 2, 3, 4, 5, 6}, {3, 0}, 2);
    EXPECT_EQ(out, (Bytes{1, 2, 3, 0xEE, 0xEE, 0xEE, 4, 5, 6, 0xEE, 0xEE, 0xEE}));
}

TEST(SamplePack, EveryWidthAndOrderByTheTable) {
    EXPECT_EQ(pack({0x12, 0x34}, {2, 0}, 1), (Bytes{0x00, 0x12, 0x34}));
    EXPECT_EQ(pack({0x34, 0x12}, {2, 0}, 1), (Bytes{0x00, 0x34, 0x12}));  // 0x1234 LSB first
    EXPECT_EQ(pack({0x12, 0x34}, {2, 1}, 1), (Bytes{0x00, 0x34, 0x12}));
    EXPECT_EQ(pack({0xAB}, {1, 0}, 1), (Bytes{0x00, 0x00, 0xAB}));
    EXPECT_EQ(pack({0xAB}, {1, 1}, 1), (Bytes{0x00, 0x00, 0xAB}));
    EXPECT_EQ(pack({1, 2, 3}, {3, 0}, 1), (Bytes{1, 2, 3}));
    EXPECT_EQ(pack({1, 2, 3}, {3, 1}, 1), (Bytes{3, 2, 1}));
    EXPECT_EQ(pack({1, 2, 3, 4}, {4, 0}, 1), (Bytes{1, 2, 3}));
    EXPECT_EQ(pack({1, 2, 3, 4}, {4, 1}, 1), (Bytes{4, 3, 2}));
}

TEST(SamplePack, ZeroBytesOrNoSourceGivesSilence) {
    std::vector<uint8_t> drive(9, 0xEE);
    packSamples(nullptr, 3, 1, {0, 0}, drive.data());
    EXPECT_EQ(drive, Bytes(9, 0));
    drive.assign(9, 0xEE);
    packSamples(nullptr, 3, 1, {3, 0}, drive.data());
    EXPECT_EQ(drive, Bytes(9, 0));
}

TEST(SamplePack, StrideTwoTakesEverySecondSample) {
    EXPECT_EQ(pack({1, 2, 9, 9, 3, 4, 9, 9}, {2, 1}, 2, 2), (Bytes{0, 2, 1, 0, 4, 3}));
}

TEST(SampleFormats, OnlyOneToFourBytesAndTwoOrdersAreCallerFormats) {
    EXPECT_FALSE(isCallerSampleFormat(0, 0));
    EXPECT_FALSE(isCallerSampleFormat(5, 0));
    EXPECT_FALSE(isCallerSampleFormat(3, 2));
    for (uint32_t b = 1; b <= 4; ++b) {
        EXPECT_TRUE(isCallerSampleFormat(b, 0));
        EXPECT_TRUE(isCallerSampleFormat(b, 1));
    }
}

// Unpacking then packing keeps the bytes each width carries.
TEST(SampleRoundTrip, RandomSamplesKeepTheirSignificantBytes) {
    std::mt19937 random(7);
    Bytes drive(3 * 1000);
    for (auto& b : drive) b = uint8_t(random());
    for (uint32_t bytes = 1; bytes <= 4; ++bytes) {
        for (uint32_t order = 0; order <= 1; ++order) {
            for (size_t stride : {size_t(1), size_t(2), size_t(3)}) {
                Bytes caller = unpack(drive, {bytes, order}, stride);
                Bytes back = pack(caller, {bytes, order}, 1000, stride);
                for (size_t j = 0; j < 1000; ++j) {
                    SCOPED_TRACE(testing::Message() << bytes << "/" << order << "/" << stride << " #" << j);
                    EXPECT_EQ(back[3 * j + 2], drive[3 * j + 2]);
                    EXPECT_EQ(back[3 * j + 1], bytes >= 2 ? drive[3 * j + 1] : 0);
                    EXPECT_EQ(back[3 * j], bytes >= 3 ? drive[3 * j] : 0);
                }
            }
        }
    }
}

namespace {

// The caller bytes of one drive sample, written out the slow way.
Bytes referenceCaller(const uint8_t* s, SampleFormat format) {
    const uint8_t sign = (s[2] & 0x80) ? 0xFF : 0x00;
    Bytes little;  // least significant first
    if (format.bytes == 1) little = {s[2]};
    if (format.bytes == 2) little = {s[1], s[2]};
    if (format.bytes == 3) little = {s[0], s[1], s[2]};
    if (format.bytes == 4) little = {s[0], s[1], s[2], sign};
    if (format.order == 1) return Bytes(little.rbegin(), little.rend());
    return little;
}

}  // namespace

// Every width, order and stride, over counts around the fast paths' step and
// buffers at every alignment: the same bytes as the reference, and nothing
// outside the samples' own slots touched.
TEST(SampleCodec, EveryFormatMatchesTheReferenceAtAnyCountAndAlignment) {
    std::mt19937 random(18);
    for (uint32_t bytes = 1; bytes <= 4; ++bytes) {
        for (uint32_t order = 0; order <= 1; ++order) {
            const SampleFormat format{bytes, order};
            for (size_t stride : {size_t(1), size_t(2), size_t(3)}) {
                for (size_t count : {size_t(0), size_t(1), size_t(7), size_t(8), size_t(9), size_t(23), size_t(24),
                                     size_t(25), size_t(61), size_t(1027)}) {
                    for (size_t shift : {size_t(0), size_t(1), size_t(5)}) {
                        SCOPED_TRACE(testing::Message() << bytes << "/" << order << " stride " << stride << " count "
                                                        << count << " shift " << shift);
                        const size_t callerBytes = count * stride * bytes;
                        Bytes drive(shift + count * 3 + 8);
                        for (auto& b : drive) b = uint8_t(random());
                        Bytes caller(shift + callerBytes + 8, 0xEE);
                        unpackSamples(drive.data() + shift, count, caller.data() + shift, stride, format);
                        Bytes expected(caller.size(), 0xEE);
                        for (size_t j = 0; j < count; ++j) {
                            const Bytes one = referenceCaller(drive.data() + shift + 3 * j, format);
                            std::copy(one.begin(), one.end(), expected.begin() + long(shift + j * stride * bytes));
                        }
                        ASSERT_EQ(caller, expected);

                        for (auto& b : caller) b = uint8_t(random());
                        Bytes packed(shift + count * 3 + 8, 0xEE);
                        packSamples(caller.data() + shift, count, stride, format, packed.data() + shift);
                        Bytes wanted(packed.size(), 0xEE);
                        for (size_t j = 0; j < count; ++j) {
                            const uint8_t* c = caller.data() + shift + j * stride * bytes;
                            uint8_t little[4] = {};
                            for (uint32_t k = 0; k < bytes; ++k) little[k] = order ? c[bytes - 1 - k] : c[k];
                            // A narrower sample goes to the top with zeros below; a 4-byte one
                            // is a 24-bit value extended, whose low three bytes are kept.
                            uint8_t* w = wanted.data() + shift + 3 * j;
                            const int low = bytes == 4 ? 2 : int(bytes) - 1;
                            for (int k = 2, from = low; k >= 0; --k, --from) w[k] = from >= 0 ? little[from] : 0;
                        }
                        ASSERT_EQ(packed, wanted);
                    }
                }
            }
        }
    }
}
