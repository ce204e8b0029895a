// conversion_test.cpp - sample conversions on the way in and out of files, and the preview reductions.
#include "test_support.h"

#include "sample_conversion.h"

namespace vxf::transfer::test {
namespace {

class ConversionTest : public TransferTest {
protected:
    // Writes `input` to a fresh file and gives the sample bytes that landed in it.
    Bytes writeThrough(AudioFormat format, uint16_t bits, Bytes input, bool bigEndian, bool unsigned8,
                       size_t* consumedOut = nullptr) {
        const std::string path = pathOf("c.bin");
        AudioFile file(sink_);
        EXPECT_TRUE(file.OpenForWrite(format, path, 48000, bits, 0));
        size_t consumed = 0;
        EXPECT_TRUE(file.WriteSamples(input.data(), input.size(), bigEndian, unsigned8, consumed));
        if (consumedOut) *consumedOut = consumed;
        EXPECT_TRUE(file.Close());
        AudioFile in(sink_);
        EXPECT_TRUE(openForRead(in, format, path).ok);
        return readAllSamples(in, isBigEndianFormat(format), isUnsigned8Format(format));
    }

    Bytes readAs(AudioFormat format, uint16_t bits, const Bytes& fileSamples, bool bigEndian, bool unsigned8) {
        writeAudio(format, pathOf("r.bin"), 44100, bits, fileSamples);
        AudioFile in(sink_);
        EXPECT_TRUE(openForRead(in, format, pathOf("r.bin")).ok);
        return readAllSamples(in, bigEndian, unsigned8);
    }
};

TEST_F(ConversionTest, SixteenBitFilesRound24BitInputAndReportInputBytes) {
    size_t consumed = 0;
    EXPECT_EQ(writeThrough(AudioFormat::Aiff, 16, {0x7F, 0xFF, 0x90, 0x12, 0x34, 0x80}, true, false, &consumed),
              Bytes({0x7F, 0xFF, 0x12, 0x35}));
    EXPECT_EQ(consumed, 6u);
    EXPECT_EQ(writeThrough(AudioFormat::Wav, 16, {0x90, 0xFF, 0x7F, 0x80, 0x34, 0x12}, false, false, &consumed),
              Bytes({0xFF, 0x7F, 0x35, 0x12}));
    EXPECT_EQ(consumed, 6u);
}

TEST_F(ConversionTest, RoundingLeavesLowHalvesAndAllOnesAlone) {
    EXPECT_EQ(writeThrough(AudioFormat::Sd2, 16, {0x12, 0x34, 0x7F, 0xFF, 0xFF, 0x80, 0x80, 0x00, 0xFF}, true, false),
              Bytes({0x12, 0x34, 0xFF, 0xFF, 0x80, 0x01}));
}

TEST_F(ConversionTest, SixteenBitFilesIgnoreAnIncompleteTrailingSample) {
    size_t consumed = 0;
    EXPECT_EQ(writeThrough(AudioFormat::DigSd, 16, {0x01, 0x02, 0x03, 0x04, 0x05}, true, false, &consumed),
              Bytes({0x01, 0x02}));
    EXPECT_EQ(consumed, 3u);
}

TEST_F(ConversionTest, SixteenBitFilesTakeInputInTheOtherOrderToo) {
    EXPECT_EQ(writeThrough(AudioFormat::Aiff, 16, {0x80, 0x34, 0x12}, false, false), Bytes({0x12, 0x35}));
}

TEST_F(ConversionTest, EightBitWavStoresUnsignedAndTheOthersSigned) {
    EXPECT_EQ(writeThrough(AudioFormat::Wav, 8, {0x00, 0x7F, 0x80}, false, false), Bytes({0x80, 0xFF, 0x00}));
    EXPECT_EQ(writeThrough(AudioFormat::Wav, 8, {0x80, 0x01}, false, true), Bytes({0x80, 0x01}));
    EXPECT_EQ(writeThrough(AudioFormat::Aiff, 8, {0x80, 0x01}, true, true), Bytes({0x00, 0x81}));
    EXPECT_EQ(writeThrough(AudioFormat::Sd2, 8, {0x80, 0x01}, true, false), Bytes({0x80, 0x01}));
}

TEST_F(ConversionTest, TwentyFourBitInputInTheOtherOrderIsSwapped) {
    EXPECT_EQ(writeThrough(AudioFormat::Wav, 24, {1, 2, 3, 4, 5, 6}, true, false), Bytes({3, 2, 1, 6, 5, 4}));
    EXPECT_EQ(writeThrough(AudioFormat::Aiff, 24, {1, 2, 3}, true, false), Bytes({1, 2, 3}));
}

TEST_F(ConversionTest, ReadingConvertsToTheWantedCoding) {
    EXPECT_EQ(readAs(AudioFormat::Wav, 8, {0x80, 0x00, 0xFF}, false, false), Bytes({0x00, 0x80, 0x7F}));
    EXPECT_EQ(readAs(AudioFormat::Wav, 8, {0x80, 0x00}, false, true), Bytes({0x80, 0x00}));
    EXPECT_EQ(readAs(AudioFormat::Aiff, 8, {0x00, 0x7F}, true, true), Bytes({0x80, 0xFF}));
    EXPECT_EQ(readAs(AudioFormat::DigSd, 8, {0x00, 0x7F}, false, false), Bytes({0x00, 0x7F}));
    EXPECT_EQ(readAs(AudioFormat::Wav, 16, {1, 2, 3, 4}, true, false), Bytes({2, 1, 4, 3}));
    EXPECT_EQ(readAs(AudioFormat::Sd2, 16, {1, 2, 3, 4}, false, false), Bytes({2, 1, 4, 3}));
    EXPECT_EQ(readAs(AudioFormat::Aiff, 24, {1, 2, 3, 4, 5, 6}, false, false), Bytes({3, 2, 1, 6, 5, 4}));
    EXPECT_EQ(readAs(AudioFormat::Aiff, 24, {1, 2, 3}, true, false), Bytes({1, 2, 3}));
}

TEST_F(ConversionTest, PreviewOf24BitAt16KeepsTheTwoHighBytes) {
    Bytes data = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77};
    EXPECT_EQ(reduceForPreview(data.data(), data.size(), 24, 16), 2u);
    EXPECT_EQ(Bytes(data.begin(), data.begin() + 4), Bytes({0x22, 0x33, 0x55, 0x66}));
}

TEST_F(ConversionTest, PreviewAt8BitsKeepsTheHighByteUnsigned) {
    Bytes from24 = {0x11, 0x22, 0x33, 0x44, 0x55, 0x96};
    EXPECT_EQ(reduceForPreview(from24.data(), from24.size(), 24, 8), 2u);
    EXPECT_EQ(Bytes(from24.begin(), from24.begin() + 2), Bytes({0xB3, 0x16}));
    Bytes from16 = {0x11, 0x00, 0x22, 0xFF};
    EXPECT_EQ(reduceForPreview(from16.data(), from16.size(), 16, 8), 2u);
    EXPECT_EQ(Bytes(from16.begin(), from16.begin() + 2), Bytes({0x80, 0x7F}));
}

TEST_F(ConversionTest, PreviewAtTheFilesOwnWidthChangesNothing) {
    Bytes data = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(reduceForPreview(data.data(), data.size(), 24, 24), 2u);
    EXPECT_EQ(data, Bytes({1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(reduceForPreview(data.data(), data.size(), 16, 24), 3u);
}

}  // namespace
}  // namespace vxf::transfer::test
