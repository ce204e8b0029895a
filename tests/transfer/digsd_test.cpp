// digsd_test.cpp - DIG/SD files: every field of the 1336-byte header, the data bound and refusals.
#include "test_support.h"

#include "digsd_layout.h"

namespace vxf::transfer::test {
namespace {

void putBe16(Bytes& b, size_t at, uint16_t v) {
    b[at] = static_cast<uint8_t>(v >> 8);
    b[at + 1] = static_cast<uint8_t>(v);
}
void putBe32(Bytes& b, size_t at, uint32_t v) {
    putBe16(b, at, static_cast<uint16_t>(v >> 16));
    putBe16(b, at + 2, static_cast<uint16_t>(v));
}
void putCounted(Bytes& b, size_t at, const std::string& text) {
    b[at] = static_cast<uint8_t>(text.size());
    std::copy(text.begin(), text.end(), b.begin() + static_cast<long>(at) + 1);
}

// The header as the table lists it, field by field.
Bytes expectedHeader(const std::string& name, uint32_t rate, uint32_t rateCode, uint16_t bits, uint32_t length) {
    Bytes h(1336, 0);
    putBe16(h, 0, 1336);
    putBe16(h, 2, 32);
    h[56] = 0xFF;
    putBe32(h, 58, 1);
    putBe32(h, 62, 327);
    putBe16(h, 66, 4);
    putCounted(h, 68, "%Scale");
    putBe32(h, 102, 1);
    putCounted(h, 108, "Sec");
    putBe32(h, 184, length);
    putCounted(h, 254, name);
    for (size_t k = 0; k < 10; ++k) putBe16(h, 352 + 40 * k, 1);
    std::fill(h.begin() + 752, h.begin() + 760, 0xFF);
    putBe32(h, 1020, rate);
    putBe32(h, 1024, rateCode);
    putBe16(h, 1028, bits);
    putCounted(h, 1030, "Linear");
    std::fill(h.begin() + 1324, h.begin() + 1332, 0xFF);
    return h;
}

class DigSdTest : public FormatTest<AudioFormat::DigSd> {
protected:
    Bytes fileWith(uint32_t rate, uint16_t bits, const Bytes& samples) {
        Bytes out = expectedHeader("x", rate, 0, bits, static_cast<uint32_t>(samples.size()));
        out.insert(out.end(), samples.begin(), samples.end());
        return out;
    }
};

TEST_F(DigSdTest, WritesEveryHeaderField) {
    const Bytes samples = patternSamples(5, 3);
    writeAudio(AudioFormat::DigSd, pathOf("Take 1-Track03.dig"), 44100, 24, samples);
    Bytes expected = expectedHeader("Take 1-Track03", 44100, 23, 24, 15);
    expected.insert(expected.end(), samples.begin(), samples.end());
    EXPECT_EQ(readFile(pathOf("Take 1-Track03.dig")), expected);
}

TEST_F(DigSdTest, RateCodesFollowTheRate) {
    const std::pair<uint32_t, uint32_t> codes[] = {{44100, 23}, {48000, 20}, {88200, 11}, {96000, 10}, {32000, 0}};
    for (const auto& [rate, code] : codes) {
        writeAudio(AudioFormat::DigSd, pathOf("r.dig"), rate, 16, {});
        EXPECT_EQ(readFile(pathOf("r.dig")), expectedHeader("r", rate, code, 16, 0)) << rate;
    }
}

TEST_F(DigSdTest, LongNamesAreCutBeforeTheNextField) {
    const std::string stem(120, 'a');
    writeAudio(AudioFormat::DigSd, pathOf(stem + ".dig"), 48000, 24, {});
    const Bytes file = readFile(pathOf(stem + ".dig"));
    EXPECT_EQ(file[254], 97);
    EXPECT_EQ(file[351], 'a');
    EXPECT_EQ(be16At(file, 352), 1);
}

TEST_F(DigSdTest, ReadsHeaderValuesAndNeverPastTheData) {
    Bytes content = fileWith(48000, 16, {1, 2, 3, 4, 5, 6});
    content.insert(content.end(), {9, 9, 9, 9});   // trailing bytes that are not samples
    writeFile(pathOf("a.dig"), content);
    AudioFile file(sink_);
    const Opened o = open(file, pathOf("a.dig"));
    ASSERT_TRUE(o.ok);
    EXPECT_EQ(o.rate, 48000u);
    EXPECT_EQ(o.bits, 16);
    EXPECT_EQ(o.count, 3u);
    Bytes back(4);
    size_t got = 0;
    ASSERT_TRUE(file.ReadSamples(back.data(), back.size(), true, false, got));
    EXPECT_EQ(got, 4u);
    ASSERT_TRUE(file.ReadSamples(back.data(), back.size(), true, false, got));
    EXPECT_EQ(got, 2u);
    EXPECT_EQ(back[0], 5);
    ASSERT_TRUE(file.ReadSamples(back.data(), back.size(), true, false, got));
    EXPECT_EQ(got, 0u);
}

TEST_F(DigSdTest, AcceptsA32BitHeaderWithThatWordLength) {
    writeFile(pathOf("w.dig"), fileWith(96000, 32, Bytes(16, 1)));
    AudioFile file(sink_);
    const Opened o = open(file, pathOf("w.dig"));
    ASSERT_TRUE(o.ok);
    EXPECT_EQ(o.bits, 32);
    EXPECT_EQ(o.count, 4u);
}

TEST_F(DigSdTest, RefusesMalformedHeaders) {
    Bytes wrongSize = fileWith(48000, 24, {});
    wrongSize[1] = 0x39;
    refuse(wrongSize, AUDIO_ERR_INVALID);
    EXPECT_EQ(lastMessage(), badPath() + "\r\nInvalid file format.");
    Bytes wrongVersion = fileWith(48000, 24, {});
    wrongVersion[3] = 0x21;
    refuse(wrongVersion, AUDIO_ERR_INVALID);
    refuse(fileWith(0, 24, {}), AUDIO_ERR_INVALID);
    refuse(fileWith(48000, 0, {}), AUDIO_ERR_INVALID);
    refuse(fileWith(48000, 4, {}), AUDIO_ERR_INVALID);   // no whole byte per sample
    refuse(Bytes(1335, 0), AUDIO_ERR_READ);
}

TEST_F(DigSdTest, RefusesADataLengthBeyondTheFile) {
    Bytes content = fileWith(48000, 24, Bytes(30, 0));
    putBe32(content, 184, 0xFFFFFFFF);
    refuse(content, AUDIO_ERR_INVALID);
    putBe32(content, 184, 31);
    refuse(content, AUDIO_ERR_INVALID);
}

TEST_F(DigSdTest, CloseAfterAnEarlyStopGivesTheDataLengthWritten) {
    writeStoppedEarly(AudioFormat::DigSd, pathOf("cut.dig"), 24, 2880000, patternSamples(10, 3));
    const Bytes bytes = readFile(pathOf("cut.dig"));
    EXPECT_EQ(be32At(bytes, 184), 30u);
    EXPECT_EQ(bytes.size(), 1336u + 30u);
}

}  // namespace
}  // namespace vxf::transfer::test
