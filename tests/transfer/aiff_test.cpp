// aiff_test.cpp - AIFF files: the exact layout after Close, rates, the chunk search and every refusal.
#include "test_support.h"

#include "aiff_layout.h"

namespace vxf::transfer::test {
namespace {

// An AIFF chunk: identifier, big-endian size, data and a pad byte when the size is odd.
Bytes chunk(const std::string& id, const Bytes& data, uint32_t sizeField) {
    Bytes out;
    appendText(out, id);
    appendBe32(out, sizeField);
    out.insert(out.end(), data.begin(), data.end());
    if (data.size() & 1) out.push_back(0);
    return out;
}
Bytes chunk(const std::string& id, const Bytes& data) { return chunk(id, data, static_cast<uint32_t>(data.size())); }

const Bytes kRate44100 = {0x40, 0x0E, 0xAC, 0x44, 0, 0, 0, 0, 0, 0};
const Bytes kRate22050 = {0x40, 0x0D, 0xAC, 0x44, 0, 0, 0, 0, 0, 0};

Bytes comm(uint16_t channels, uint32_t frames, uint16_t bits, const Bytes& rate = kRate44100) {
    Bytes out;
    appendBe16(out, channels);
    appendBe32(out, frames);
    appendBe16(out, bits);
    out.insert(out.end(), rate.begin(), rate.end());
    return chunk("COMM", out);
}

Bytes ssnd(const Bytes& samples, uint32_t offset = 0, uint32_t blockSize = 0) {
    Bytes out;
    appendBe32(out, offset);
    appendBe32(out, blockSize);
    out.insert(out.end(), samples.begin(), samples.end());
    return chunk("SSND", out);
}

Bytes form(const std::vector<Bytes>& chunks, const std::string& type = "AIFF") {
    Bytes body;
    appendText(body, type);
    for (const Bytes& c : chunks) body.insert(body.end(), c.begin(), c.end());
    Bytes out;
    appendText(out, "FORM");
    appendBe32(out, static_cast<uint32_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

using AiffTest = FormatTest<AudioFormat::Aiff>;

TEST_F(AiffTest, OddCountOf24BitSamplesGivesTheExactBigEndianLayout) {
    const Bytes samples = patternSamples(1001, 3);
    writeAudio(AudioFormat::Aiff, pathOf("odd.aif"), 48000, 24, samples);
    const Bytes file = readFile(pathOf("odd.aif"));
    const Bytes rate48000 = {0x40, 0x0E, 0xBB, 0x80, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(file, form({comm(1, 1001, 24, rate48000), ssnd(samples)}));
    ASSERT_EQ(file.size(), 3058u);
    EXPECT_EQ(be32At(file, 4), 3050u);
    EXPECT_EQ(be32At(file, 16), 18u);
    EXPECT_EQ(be32At(file, 22), 1001u);
    EXPECT_EQ(be32At(file, 42), 3011u);
    EXPECT_EQ(file.back(), 0);
}

TEST_F(AiffTest, EvenCountHasNoPadByte) {
    writeAudio(AudioFormat::Aiff, pathOf("even.aif"), 44100, 24, patternSamples(1000, 3));
    const Bytes file = readFile(pathOf("even.aif"));
    EXPECT_EQ(be32At(file, 42), 3008u);
    EXPECT_EQ(file.size(), 54u + 3000u);
    EXPECT_EQ(be32At(file, 4), file.size() - 8);
}

TEST_F(AiffTest, WritesTheFourRatesAsExtendedNumbers) {
    const std::vector<std::pair<uint32_t, Bytes>> rates = {{44100, {0x40, 0x0E, 0xAC, 0x44}},
                                                           {48000, {0x40, 0x0E, 0xBB, 0x80}},
                                                           {88200, {0x40, 0x0F, 0xAC, 0x44}},
                                                           {96000, {0x40, 0x0F, 0xBB, 0x80}}};
    for (const auto& [rate, prefix] : rates) {
        writeAudio(AudioFormat::Aiff, pathOf("r.aif"), rate, 16, patternSamples(4, 2));
        const Bytes file = readFile(pathOf("r.aif"));
        EXPECT_EQ(Bytes(file.begin() + 28, file.begin() + 32), prefix) << rate;
        EXPECT_EQ(Bytes(file.begin() + 32, file.begin() + 38), Bytes(6, 0)) << rate;
        AudioFile in(sink_);
        const Opened o = open(in, pathOf("r.aif"));
        ASSERT_TRUE(o.ok);
        EXPECT_EQ(o.rate, rate);
        EXPECT_EQ(o.bits, 16);
        EXPECT_EQ(o.count, 4u);
    }
}

TEST_F(AiffTest, ExtendedRateOfOtherValuesIsAProperNumberButReadsAsZero) {
    uint8_t encoded[kExtendedRateSize];
    encodeExtendedRate(22050, encoded);
    EXPECT_EQ(Bytes(encoded, encoded + 10), kRate22050);
    EXPECT_EQ(decodeExtendedRate(encoded), 0u);
    encodeExtendedRate(0, encoded);
    EXPECT_EQ(Bytes(encoded, encoded + 10), Bytes(10, 0));
}

TEST_F(AiffTest, ReadsAMono16BitFileAt44100) {
    const Bytes samples = {0x12, 0x34, 0xFE, 0xDC};
    writeFile(pathOf("a.aif"), form({comm(1, 2, 16), ssnd(samples)}));
    AudioFile file(sink_);
    const Opened o = open(file, pathOf("a.aif"));
    ASSERT_TRUE(o.ok);
    EXPECT_EQ(o.rate, 44100u);
    EXPECT_EQ(o.bits, 16);
    EXPECT_EQ(o.count, 2u);
    EXPECT_EQ(readAllSamples(file, true, false), samples);
}

TEST_F(AiffTest, OtherRatesOpenWithRateZero) {
    writeFile(pathOf("slow.aif"), form({comm(1, 1, 16, kRate22050), ssnd({0, 1})}));
    AudioFile file(sink_);
    const Opened o = open(file, pathOf("slow.aif"));
    ASSERT_TRUE(o.ok);
    EXPECT_EQ(o.rate, 0u);
}

TEST_F(AiffTest, ChunkSearchStepsOverThePadByteOfOddSizedChunks) {
    const Bytes samples = {1, 2, 3, 4, 5, 6};
    writeFile(pathOf("pad.aif"), form({chunk("ANNO", {'o', 'd', 'd'}), comm(1, 3, 16),
                                       chunk("NAME", {'x'}), ssnd(samples), chunk("ANNO", {'e'})}));
    AudioFile file(sink_);
    const Opened o = open(file, pathOf("pad.aif"));
    ASSERT_TRUE(o.ok) << lastMessage();
    EXPECT_EQ(o.count, 3u);
    EXPECT_EQ(readAllSamples(file, true, false), samples);   // not the chunk after the sound data
}

TEST_F(AiffTest, RefusesWhatIsNotAPlainAiffAsInvalid) {
    refuse(form({comm(1, 1, 16), ssnd({0, 0})}, "AIFC"), AUDIO_ERR_INVALID);
    Bytes riff = form({comm(1, 1, 16), ssnd({0, 0})});
    riff[0] = 'R';
    refuse(riff, AUDIO_ERR_INVALID);
    refuse(form({ssnd({0, 0})}), AUDIO_ERR_INVALID);                         // no COMM
    refuse(form({comm(1, 1, 16)}), AUDIO_ERR_INVALID);                       // no SSND
    refuse(form({chunk("COMM", Bytes(16, 0)), ssnd({0, 0})}), AUDIO_ERR_INVALID);  // COMM too short
}

TEST_F(AiffTest, AFileShorterThanTheFormHeaderIsAReadError) {
    refuse({'F', 'O', 'R', 'M', 0, 0}, AUDIO_ERR_READ);
}

TEST_F(AiffTest, RefusesStereoAndOddSampleSizes) {
    refuse(form({comm(2, 1, 16), ssnd({0, 0, 0, 0})}), AUDIO_ERR_MULTICHANNEL);
    refuse(form({comm(1, 1, 12), ssnd({0, 0})}), AUDIO_ERR_UNSUPPORTED);
    refuse(form({comm(1, 1, 32), ssnd({0, 0, 0, 0})}), AUDIO_ERR_UNSUPPORTED);
}

TEST_F(AiffTest, RefusesAnSsndOffsetOrBlockSizeAsUnsupported) {
    refuse(form({comm(1, 1, 16), ssnd({0, 0, 0, 0, 0, 0}, 4)}), AUDIO_ERR_UNSUPPORTED);
    EXPECT_EQ(lastMessage(), badPath() + "\r\nUnsupport file format.");
    refuse(form({comm(1, 1, 16), ssnd({0, 0}, 0, 8)}), AUDIO_ERR_UNSUPPORTED);
}

TEST_F(AiffTest, RefusesCountsAndSizesBeyondTheFile) {
    refuse(form({comm(1, 0xFFFFFFFF, 24), ssnd({0, 0, 0})}), AUDIO_ERR_INVALID);   // frames beyond the data
    refuse(form({chunk("ANNO", {1, 2}, 0xFFFFFFF0), comm(1, 1, 16), ssnd({0, 0})}), AUDIO_ERR_INVALID);
    Bytes bigSsnd = form({comm(1, 4, 16), chunk("SSND", Bytes(10, 0), 0xFFFFFFFF)});
    refuse(bigSsnd, AUDIO_ERR_INVALID);   // 4 frames claimed, 2 present
    Bytes cutSsnd = form({comm(1, 1, 16), chunk("SSND", {0, 0, 0, 0})});
    refuse(cutSsnd, AUDIO_ERR_READ);      // SSND header cut short
}

TEST_F(AiffTest, CloseAfterAnEarlyStopGivesTheFramesActuallyWritten) {
    writeStoppedEarly(AudioFormat::Aiff, pathOf("cut.aif"), 24, 1000, patternSamples(401, 3));
    const Bytes bytes = readFile(pathOf("cut.aif"));
    EXPECT_EQ(be32At(bytes, 22), 401u);
    EXPECT_EQ(be32At(bytes, 42), 8u + 1203u);
    EXPECT_EQ(be32At(bytes, 4), bytes.size() - 8);

    AudioFile in(sink_);
    const Opened o = open(in, pathOf("cut.aif"));
    ASSERT_TRUE(o.ok);
    EXPECT_EQ(o.count, 401u);
}

}  // namespace
}  // namespace vxf::transfer::test
