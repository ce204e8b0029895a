// wav_test.cpp - RIFF WAVE files: the exact header, the pad byte, the chunk search and every refusal.
#include "test_support.h"

namespace vxf::transfer::test {
namespace {

// A RIFF chunk with its pad byte.
Bytes chunk(const std::string& id, const Bytes& data) {
    Bytes out;
    appendText(out, id);
    appendLe32(out, static_cast<uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    if (data.size() & 1) out.push_back(0);
    return out;
}

Bytes fmtRecord(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t align, uint16_t bits) {
    Bytes out;
    appendLe16(out, tag);
    appendLe16(out, channels);
    appendLe32(out, rate);
    appendLe32(out, rate * align);
    appendLe16(out, align);
    appendLe16(out, bits);
    return out;
}

Bytes riffWave(const std::vector<Bytes>& chunks) {
    Bytes body;
    appendText(body, "WAVE");
    for (const Bytes& c : chunks) body.insert(body.end(), c.begin(), c.end());
    Bytes out;
    appendText(out, "RIFF");
    appendLe32(out, static_cast<uint32_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

Bytes monoWav(uint16_t bits, const Bytes& samples, uint32_t rate = 48000) {
    const uint16_t align = static_cast<uint16_t>(bits / 8);
    return riffWave({chunk("fmt ", fmtRecord(1, 1, rate, align, bits)), chunk("data", samples)});
}

// The extensible format record: PCM unless another sub-format's first byte is given (3: floating point).
Bytes extensibleRecord(uint16_t channels, uint16_t align, uint16_t bits, uint16_t validBits, uint8_t subFormat = 1) {
    Bytes out = fmtRecord(0xFFFE, channels, 48000, align, bits);
    appendLe16(out, 22);
    appendLe16(out, validBits);
    appendLe32(out, 0);
    const Bytes guid = {subFormat, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                        0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    out.insert(out.end(), guid.begin(), guid.end());
    return out;
}

// An RF64 file: its ds64 chunk holds the data size, the 32-bit fields hold 0xFFFFFFFF.
Bytes rf64Wave(const Bytes& samples, bool withDs64 = true) {
    Bytes ds64;
    appendLe32(ds64, 0xFFFFFFFF);  // RIFF size, not checked
    appendLe32(ds64, 0);
    appendLe32(ds64, static_cast<uint32_t>(samples.size()));
    appendLe32(ds64, 0);
    appendLe32(ds64, static_cast<uint32_t>(samples.size() / 3));
    appendLe32(ds64, 0);
    appendLe32(ds64, 0);  // no table
    Bytes file = riffWave({withDs64 ? chunk("ds64", ds64) : chunk("JUNK", ds64),
                           chunk("fmt ", fmtRecord(1, 1, 48000, 3, 24))});
    std::copy_n("RF64", 4, file.begin());
    std::fill_n(file.begin() + 4, 4, 0xFF);
    appendText(file, "data");
    appendLe32(file, 0xFFFFFFFF);
    file.insert(file.end(), samples.begin(), samples.end());
    return file;
}

using WavTest = FormatTest<AudioFormat::Wav>;

TEST_F(WavTest, ReadsMonoPcmInTheExtensibleHeaderWhateverItsValidBits) {
    const Bytes samples = patternSamples(101, 3);
    for (uint16_t valid : {24, 20, 1}) {
        writeFile(pathOf("ext.wav"), riffWave({chunk("fmt ", extensibleRecord(1, 3, 24, valid)),
                                               chunk("bext", Bytes(603, 0)), chunk("data", samples)}));
        AudioFile file(sink_);
        const Opened opened = open(file, pathOf("ext.wav"));
        ASSERT_TRUE(opened.ok) << valid;
        EXPECT_EQ(opened.bits, 24);
        EXPECT_EQ(opened.count, 101u);
        EXPECT_EQ(readAllSamples(file, false, false), samples);
    }
}

TEST_F(WavTest, AnExtensibleHeaderThatLiesOrIsNotMonoPcmIsRefused) {
    const Bytes data = chunk("data", Bytes(30, 0));
    refuse(riffWave({chunk("fmt ", extensibleRecord(1, 3, 24, 28)), data}), AUDIO_ERR_INVALID);  // valid > container
    EXPECT_EQ(lastMessage(), badPath() + "\r\nInvalid file format.");
    refuse(riffWave({chunk("fmt ", extensibleRecord(0, 3, 24, 24)), data}), AUDIO_ERR_INVALID);   // no channels
    refuse(riffWave({chunk("fmt ", extensibleRecord(1, 3, 24, 0)), data}), AUDIO_ERR_INVALID);    // no valid bits
    refuse(riffWave({chunk("fmt ", fmtRecord(0xFFFE, 1, 48000, 3, 24)), data}), AUDIO_ERR_INVALID);  // cut short
    refuse(riffWave({chunk("fmt ", extensibleRecord(1, 4, 32, 32, 3)), data}), AUDIO_ERR_UNSUPPORTED);  // float
    refuse(riffWave({chunk("fmt ", extensibleRecord(2, 6, 24, 24)), data}), AUDIO_ERR_MULTICHANNEL);
    refuse(riffWave({chunk("fmt ", extensibleRecord(1, 2, 24, 24)), data}), AUDIO_ERR_INVALID);  // align 2, 24 bits
}

TEST_F(WavTest, ReadsRf64ThroughItsDs64Chunk) {
    const Bytes samples = patternSamples(77, 3);
    writeFile(pathOf("rf.wav"), rf64Wave(samples));
    AudioFile file(sink_);
    const Opened opened = open(file, pathOf("rf.wav"));
    ASSERT_TRUE(opened.ok);
    EXPECT_EQ(opened.count, 77u);
    EXPECT_EQ(readAllSamples(file, false, false), samples);
    // Without ds64 the size 0xFFFFFFFF says nothing: refused, never read past the file.
    refuse(rf64Wave(samples, false), AUDIO_ERR_INVALID);
}

TEST_F(WavTest, WritesTheExactHeaderAndSizes) {
    const Bytes samples = {1, 2, 3, 4, 5, 6};
    writeAudio(AudioFormat::Wav, pathOf("a.wav"), 48000, 24, samples);
    EXPECT_EQ(readFile(pathOf("a.wav")), monoWav(24, samples));
    const Bytes file = readFile(pathOf("a.wav"));
    EXPECT_EQ(le32At(file, 4), 42u);
    EXPECT_EQ(le32At(file, 28), 144000u);  // average bytes per second
}

TEST_F(WavTest, OddDataGetsAZeroPadByteCountedInTheRiffSizeOnly) {
    writeAudio(AudioFormat::Wav, pathOf("odd.wav"), 44100, 8, {0x80, 0x81, 0x7F});
    const Bytes file = readFile(pathOf("odd.wav"));
    ASSERT_EQ(file.size(), 48u);
    EXPECT_EQ(le32At(file, 40), 3u);   // data size: the samples only
    EXPECT_EQ(le32At(file, 4), 40u);   // RIFF size: pad byte included
    EXPECT_EQ(file.back(), 0);
}

TEST_F(WavTest, RoundTripsEveryWordLengthWithOddAndEvenCounts) {
    for (uint16_t bits : {8, 16, 24}) {
        for (size_t count : {1000u, 1001u}) {
            const Bytes samples = patternSamples(count, bits / 8, bits);
            const std::string path = pathOf("rt" + std::to_string(bits) + "_" + std::to_string(count) + ".wav");
            writeAudio(AudioFormat::Wav, path, 96000, bits, samples);
            AudioFile file(sink_);
            auto o = open(file, path);
            ASSERT_TRUE(o.ok);
            EXPECT_EQ(o.rate, 96000u);
            EXPECT_EQ(o.bits, bits);
            EXPECT_EQ(o.count, count);
            Bytes back(samples.size() + 16);
            size_t got = 0;
            ASSERT_TRUE(file.ReadSamples(back.data(), back.size(), false, true, got));
            ASSERT_EQ(got, samples.size());  // the pad byte is not a sample
            back.resize(got);
            EXPECT_EQ(back, samples);
        }
    }
}

TEST_F(WavTest, FindsFormatAndDataPastOtherChunksAndTheirPadBytes) {
    const Bytes samples = {0x10, 0x20, 0x30, 0x40};
    writeFile(pathOf("list.wav"), riffWave({chunk("LIST", {'I', 'N', 'F', 'O', 'x'}),
                                            chunk("fmt ", fmtRecord(1, 1, 44100, 2, 16)),
                                            chunk("junk", {1, 2, 3}), chunk("data", samples),
                                            chunk("LIST", {'a', 'b', 'c', 'd'})}));
    AudioFile file(sink_);
    auto o = open(file, pathOf("list.wav"));
    ASSERT_TRUE(o.ok) << lastMessage();
    EXPECT_EQ(o.rate, 44100u);
    EXPECT_EQ(o.count, 2u);
    Bytes back(64);
    size_t got = 0;
    ASSERT_TRUE(file.ReadSamples(back.data(), back.size(), false, true, got));
    EXPECT_EQ(got, 4u);  // the LIST chunk after the data is not read as samples
    ASSERT_TRUE(file.ReadSamples(back.data(), back.size(), false, true, got));
    EXPECT_EQ(got, 0u);
}

TEST_F(WavTest, LargerFormatChunksAreAccepted) {
    Bytes fmt = fmtRecord(1, 1, 48000, 2, 16);
    fmt.push_back(0);
    fmt.push_back(0);   // cbSize of a WAVEFORMATEX
    writeFile(pathOf("ex.wav"), riffWave({chunk("fmt ", fmt), chunk("data", {1, 2})}));
    AudioFile file(sink_);
    EXPECT_TRUE(open(file, pathOf("ex.wav")).ok);
}

TEST_F(WavTest, SampleCountIsTheDataSizeDividedByTheBlockAlign) {
    writeFile(pathOf("part.wav"), monoWav(16, {1, 2, 3, 4, 5}));
    AudioFile file(sink_);
    auto o = open(file, pathOf("part.wav"));
    ASSERT_TRUE(o.ok);
    EXPECT_EQ(o.count, 2u);
}

TEST_F(WavTest, RefusesStereoAsMultipleChannel) {
    refuse(riffWave({chunk("fmt ", fmtRecord(1, 2, 48000, 4, 16)), chunk("data", {})}), AUDIO_ERR_MULTICHANNEL);
    EXPECT_EQ(lastMessage(), badPath() + "\r\nUnsupport multiple-channel format.");
}

TEST_F(WavTest, RefusesFormatTagsOtherThanPcmAsUnsupported) {
    refuse(riffWave({chunk("fmt ", fmtRecord(3, 1, 48000, 4, 32)), chunk("data", {})}), AUDIO_ERR_UNSUPPORTED);
    EXPECT_EQ(lastMessage(), badPath() + "\r\nUnsupport file format.");
}

TEST_F(WavTest, RefusesABlockAlignThatDisagreesWithTheBitsAsInvalid) {
    refuse(riffWave({chunk("fmt ", fmtRecord(1, 1, 48000, 2, 24)), chunk("data", {})}), AUDIO_ERR_INVALID);
    EXPECT_EQ(lastMessage(), badPath() + "\r\nInvalid file format.");
}

TEST_F(WavTest, RefusesOtherBlockAlignsAsUnsupported) {
    refuse(riffWave({chunk("fmt ", fmtRecord(1, 1, 48000, 4, 32)), chunk("data", {})}), AUDIO_ERR_UNSUPPORTED);
    refuse(riffWave({chunk("fmt ", fmtRecord(1, 1, 48000, 0, 0)), chunk("data", {})}), AUDIO_ERR_UNSUPPORTED);
}

TEST_F(WavTest, RefusesMalformedContainersAsInvalid) {
    const Bytes fmt = chunk("fmt ", fmtRecord(1, 1, 48000, 2, 16));
    const Bytes data = chunk("data", {1, 2});
    refuse({}, AUDIO_ERR_INVALID);
    refuse({'R', 'I', 'F', 'F'}, AUDIO_ERR_INVALID);
    Bytes rifx = riffWave({fmt, data});
    rifx[3] = 'X';
    refuse(rifx, AUDIO_ERR_INVALID);
    Bytes avi = riffWave({fmt, data});
    avi[8] = 'A';
    refuse(avi, AUDIO_ERR_INVALID);
    refuse(riffWave({data}), AUDIO_ERR_INVALID);                       // no format chunk
    refuse(riffWave({fmt}), AUDIO_ERR_INVALID);                        // no data chunk
    refuse(riffWave({data, fmt}), AUDIO_ERR_INVALID);                  // data before the format
    refuse(riffWave({chunk("fmt ", Bytes(14, 1)), data}), AUDIO_ERR_INVALID);  // format record too short
}

TEST_F(WavTest, RefusesSizesRunningPastTheEndOfTheFile) {
    Bytes hugeChunk = riffWave({chunk("LIST", {1, 2}), chunk("fmt ", fmtRecord(1, 1, 48000, 2, 16)),
                                chunk("data", {1, 2})});
    hugeChunk[16] = hugeChunk[17] = hugeChunk[18] = hugeChunk[19] = 0xFF;   // LIST size 0xFFFFFFFF
    refuse(hugeChunk, AUDIO_ERR_INVALID);

    Bytes hugeData = monoWav(16, {1, 2, 3, 4});
    for (size_t i = 40; i < 44; ++i) hugeData[i] = 0xFF;                     // data size 0xFFFFFFFF
    refuse(hugeData, AUDIO_ERR_INVALID);

    Bytes shortData = monoWav(16, {1, 2, 3, 4});
    shortData.resize(shortData.size() - 1);                                 // one sample byte missing
    refuse(shortData, AUDIO_ERR_INVALID);
}

TEST_F(WavTest, AFormatRecordCutByTheEndOfTheFileIsAReadError) {
    Bytes cut = riffWave({chunk("fmt ", fmtRecord(1, 1, 48000, 2, 16))});
    cut.resize(cut.size() - 6);
    refuse(cut, AUDIO_ERR_READ);
}

TEST_F(WavTest, AMissingFileFailsToOpen) {
    expectRefused(AudioFormat::Wav, pathOf("none.wav"), AUDIO_ERR_OPEN);
    EXPECT_EQ(lastMessage(), pathOf("none.wav") + "\r\nFailed to open file.");
}

}  // namespace
}  // namespace vxf::transfer::test
