// sd2_test.cpp - Sound Designer II files: MacBinary header and CRC, the resource fork, its reader and refusals.
#include "test_support.h"

#include <ctime>

#include "macbinary.h"

namespace vxf::transfer::test {
namespace {

// CRC-16/XMODEM bit by bit, apart from the table-driven one under test.
uint16_t bitwiseCrc(const uint8_t* data, size_t count) {
    uint16_t crc = 0;
    for (size_t i = 0; i < count; ++i) {
        crc ^= static_cast<uint16_t>(data[i] << 8);
        for (int bit = 0; bit < 8; ++bit) crc = static_cast<uint16_t>(crc & 0x8000 ? (crc << 1) ^ 0x1021 : crc << 1);
    }
    return crc;
}

struct Resource {
    uint16_t id;
    std::string text;
};
struct ResourceType {
    std::string type;
    std::vector<Resource> resources;
};

// A resource fork built by the book: header, data (length word and counted string per
// resource), then the map with its type list at 28 and the reference lists after it.
Bytes resourceFork(const std::vector<ResourceType>& types, uint32_t dataPadding = 0) {
    Bytes data(dataPadding, 0);
    std::vector<std::vector<uint32_t>> dataOffsets;
    for (const auto& t : types) {
        dataOffsets.emplace_back();
        for (const auto& r : t.resources) {
            dataOffsets.back().push_back(static_cast<uint32_t>(data.size()));
            appendBe32(data, static_cast<uint32_t>(r.text.size() + 1));
            data.push_back(static_cast<uint8_t>(r.text.size()));
            appendText(data, r.text);
        }
    }
    Bytes typeList;
    appendBe16(typeList, static_cast<uint16_t>(types.size() - 1));
    uint32_t referenceOffset = static_cast<uint32_t>(2 + 8 * types.size());
    Bytes references;
    for (size_t i = 0; i < types.size(); ++i) {
        appendText(typeList, types[i].type);
        appendBe16(typeList, static_cast<uint16_t>(types[i].resources.size() - 1));
        appendBe16(typeList, static_cast<uint16_t>(referenceOffset + references.size()));
        for (size_t j = 0; j < types[i].resources.size(); ++j) {
            appendBe16(references, types[i].resources[j].id);
            appendBe16(references, 0xFFFF);
            appendBe32(references, dataOffsets[i][j]);   // attributes 0, then the 3-byte offset
            appendBe32(references, 0);
        }
    }
    const uint32_t dataOffset = 16;
    const uint32_t mapOffset = dataOffset + static_cast<uint32_t>(data.size());
    Bytes header;
    appendBe32(header, dataOffset);
    appendBe32(header, mapOffset);
    appendBe32(header, static_cast<uint32_t>(data.size()));
    appendBe32(header, static_cast<uint32_t>(28 + typeList.size() + references.size()));
    Bytes fork = header;
    fork.insert(fork.end(), data.begin(), data.end());
    fork.insert(fork.end(), header.begin(), header.end());
    fork.resize(fork.size() + 8, 0);
    appendBe16(fork, 28);   // type list offset
    appendBe16(fork, static_cast<uint16_t>(28 + typeList.size() + references.size()));
    fork.insert(fork.end(), typeList.begin(), typeList.end());
    fork.insert(fork.end(), references.begin(), references.end());
    return fork;
}

std::vector<ResourceType> standardTypes(const std::string& size, const std::string& rate, const std::string& channels) {
    return {{"STR ", {{1000, size}, {1001, rate}, {1002, channels}}}};
}

Bytes sd2File(const Bytes& samples, const Bytes& fork) {
    MacBinaryHeader header = buildSd2MacBinaryHeader("test", static_cast<uint32_t>(samples.size()), 0);
    Bytes out(header.begin(), header.end());
    out.insert(out.end(), samples.begin(), samples.end());
    out.resize((out.size() + 127) / 128 * 128, 0);
    out.insert(out.end(), fork.begin(), fork.end());
    return out;
}

using Sd2Test = FormatTest<AudioFormat::Sd2>;

TEST_F(Sd2Test, CrcIsXmodem) {
    const std::string check = "123456789";
    EXPECT_EQ(crc16Xmodem(reinterpret_cast<const uint8_t*>(check.data()), check.size()), 0x31C3);
}

TEST_F(Sd2Test, WritesTheMacBinaryHeaderFieldByField) {
    const uint32_t before = macTimeNow();
    writeAudio(AudioFormat::Sd2, pathOf("Take 1-Track03.sd2"), 48000, 24, patternSamples(10, 3));
    const uint32_t after = macTimeNow();
    const Bytes file = readFile(pathOf("Take 1-Track03.sd2"));
    ASSERT_GE(file.size(), 128u);
    Bytes expected(128, 0);
    const std::string name = "Take 1-Track03";
    expected[1] = static_cast<uint8_t>(name.size());
    std::copy(name.begin(), name.end(), expected.begin() + 2);
    const std::string typeCreator = "Sd2fSd2a";
    std::copy(typeCreator.begin(), typeCreator.end(), expected.begin() + 65);
    expected[73] = 0x01;
    expected[75] = expected[76] = expected[77] = expected[78] = 0xFF;
    expected[86] = 30;                       // data fork length
    expected[89] = 0x01;
    expected[90] = 0x8C;                     // resource fork length 396
    std::copy(file.begin() + 91, file.begin() + 99, expected.begin() + 91);   // dates, checked below
    expected[122] = expected[123] = 0x81;
    const uint16_t crc = bitwiseCrc(expected.data(), 124);
    expected[124] = static_cast<uint8_t>(crc >> 8);
    expected[125] = static_cast<uint8_t>(crc);
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 128), expected);
    EXPECT_GE(be32At(file, 91), before);
    EXPECT_LE(be32At(file, 91), after);
    EXPECT_EQ(be32At(file, 95), be32At(file, 91));
}

TEST_F(Sd2Test, ChangingAnyCoveredHeaderByteBreaksTheCrc) {
    writeAudio(AudioFormat::Sd2, pathOf("crc.sd2"), 44100, 16, patternSamples(5, 2));
    const Bytes file = readFile(pathOf("crc.sd2"));
    const uint16_t stored = be16At(file, 124);
    EXPECT_EQ(bitwiseCrc(file.data(), 124), stored);
    for (size_t i = 0; i < 124; ++i) {
        Bytes changed(file.begin(), file.begin() + 124);
        changed[i] ^= 0x01;
        EXPECT_NE(bitwiseCrc(changed.data(), 124), stored) << "byte " << i;
    }
}

TEST_F(Sd2Test, WritesTheResourceForkByteForByte) {
    writeAudio(AudioFormat::Sd2, pathOf("fork.sd2"), 88200, 24, {});
    const Bytes file = readFile(pathOf("fork.sd2"));
    ASSERT_EQ(file.size(), 128u + 512u);   // fork at 128, padded to a multiple of 128
    Bytes expected;
    for (uint32_t v : {256u, 288u, 32u, 108u}) appendBe32(expected, v);
    expected.resize(256, 0);
    appendBe32(expected, 2);
    appendText(expected, "\x01" "3");
    appendBe32(expected, 16);
    appendText(expected, "\x0c" "88200.000000");
    expected.resize(282, 0);
    appendBe32(expected, 2);
    appendText(expected, "\x01" "1");
    for (uint32_t v : {256u, 288u, 32u, 108u}) appendBe32(expected, v);
    for (uint8_t b : {0x01, 0x64, 0xD8, 0xF8, 0x13, 0xD6}) expected.push_back(b);
    for (uint16_t v : {0, 28, 74, 0}) appendBe16(expected, v);
    appendText(expected, "STR ");
    appendBe16(expected, 2);
    appendBe16(expected, 10);
    appendBe16(expected, 1000); appendBe16(expected, 0);  appendBe32(expected, 0);  appendBe32(expected, 0x45230100);
    appendBe16(expected, 1001); appendBe16(expected, 12); appendBe32(expected, 6);  appendBe32(expected, 0x56341200);
    appendBe16(expected, 1002); appendBe16(expected, 24); appendBe32(expected, 26); appendBe32(expected, 0x67452301);
    appendText(expected, "\x0bsample-size\x0bsample-rate\x08" "channels");
    ASSERT_EQ(expected.size(), 395u);
    expected.resize(512, 0);
    EXPECT_EQ(Bytes(file.begin() + 128, file.end()), expected);
}

TEST_F(Sd2Test, AnUnusualRateIsWrittenAsAnEmptyString) {
    writeAudio(AudioFormat::Sd2, pathOf("r.sd2"), 22050, 16, {});
    const Bytes file = readFile(pathOf("r.sd2"));
    EXPECT_EQ(be32At(file, 128 + 262), 16u);
    EXPECT_EQ(Bytes(file.begin() + 128 + 266, file.begin() + 128 + 282), Bytes(16, 0));
}

TEST_F(Sd2Test, DataForkIsPaddedToAMultipleOf128BeforeTheResourceFork) {
    writeAudio(AudioFormat::Sd2, pathOf("pad.sd2"), 44100, 16, patternSamples(100, 2));
    const Bytes file = readFile(pathOf("pad.sd2"));
    EXPECT_EQ(be32At(file, 83), 200u);
    EXPECT_EQ(Bytes(file.begin() + 328, file.begin() + 384), Bytes(56, 0));
    EXPECT_EQ(be32At(file, 384), 256u);   // resource header at 384
    EXPECT_EQ(file.size(), 384u + 512u);
}

TEST_F(Sd2Test, LongNamesAreCutTo63Bytes) {
    const std::string stem(80, 'n');
    writeAudio(AudioFormat::Sd2, pathOf(stem + ".sd2"), 44100, 24, {});
    const Bytes file = readFile(pathOf(stem + ".sd2"));
    EXPECT_EQ(file[1], 63);
    EXPECT_EQ(Bytes(file.begin() + 2, file.begin() + 65), Bytes(63, 'n'));
    EXPECT_EQ(Bytes(file.begin() + 65, file.begin() + 69), Bytes({'S', 'd', '2', 'f'}));
}

TEST_F(Sd2Test, RoundTripsEveryWordLength) {
    for (uint16_t bits : {8, 16, 24}) {
        const Bytes samples = patternSamples(333, bits / 8, bits);
        writeAudio(AudioFormat::Sd2, pathOf("rt.sd2"), 96000, bits, samples);
        AudioFile file(sink_);
        const Opened o = open(file, pathOf("rt.sd2"));
        ASSERT_TRUE(o.ok) << lastMessage();
        EXPECT_EQ(o.rate, 96000u);
        EXPECT_EQ(o.bits, bits);
        EXPECT_EQ(o.count, 333u);
        EXPECT_EQ(readAllSamples(file, true, false), samples);   // never the padding or the resource fork
    }
}

TEST_F(Sd2Test, ReadsAForkThatListsAnotherTypeBeforeStr) {
    std::vector<ResourceType> types = {{"sdML", {{128, "markers"}, {129, "more"}}},
                                       {"STR ", {{1001, "44100.000000"}, {1000, "2"}, {1002, "1"}, {1003, "x"}}}};
    writeFile(pathOf("other.sd2"), sd2File(patternSamples(7, 2), resourceFork(types)));
    AudioFile file(sink_);
    const Opened o = open(file, pathOf("other.sd2"));
    ASSERT_TRUE(o.ok) << lastMessage();
    EXPECT_EQ(o.rate, 44100u);
    EXPECT_EQ(o.bits, 16);
    EXPECT_EQ(o.count, 7u);
}

TEST_F(Sd2Test, ResourceDataBeyond64KilobytesIsFound) {
    writeFile(pathOf("far.sd2"), sd2File(patternSamples(4, 3), resourceFork(standardTypes("3", "48000.000000", "1"),
                                                                             70000)));
    AudioFile file(sink_);
    const Opened o = open(file, pathOf("far.sd2"));
    ASSERT_TRUE(o.ok) << lastMessage();
    EXPECT_EQ(o.rate, 48000u);
    EXPECT_EQ(o.count, 4u);
}

TEST_F(Sd2Test, RefusesParametersItCannotHandle) {
    const Bytes samples = patternSamples(4, 2);
    refuse(sd2File(samples, resourceFork(standardTypes("2", "44100.000000", "2"))), AUDIO_ERR_MULTICHANNEL);
    EXPECT_EQ(lastMessage(), badPath() + "\r\nUnsupport multiple-channel format.");
    refuse(sd2File(samples, resourceFork(standardTypes("2", "22050.000000", "1"))), AUDIO_ERR_UNSUPPORTED);
    EXPECT_EQ(lastMessage(), badPath() + "\r\nUnsupport file format.");
    refuse(sd2File(samples, resourceFork(standardTypes("4", "44100.000000", "1"))), AUDIO_ERR_UNSUPPORTED);
    refuse(sd2File(samples, resourceFork({{"STR ", {{1000, "2"}, {1002, "1"}}}})), AUDIO_ERR_INVALID);   // no rate
    refuse(sd2File(samples, resourceFork({{"STR ", {{1001, "44100.000000"}}}})), AUDIO_ERR_INVALID);     // no size
}

TEST_F(Sd2Test, RefusesHeadersThatAreNotSd2) {
    Bytes good = sd2File({}, resourceFork(standardTypes("2", "44100.000000", "1")));
    Bytes notSd2 = good;
    notSd2[68] = 'g';
    refuse(notSd2, AUDIO_ERR_INVALID);
    Bytes notMacBinary = good;
    notMacBinary[0] = notMacBinary[74] = notMacBinary[82] = 1;
    refuse(notMacBinary, AUDIO_ERR_INVALID);
    refuse(Bytes(good.begin(), good.begin() + 100), AUDIO_ERR_READ);
}

TEST_F(Sd2Test, RefusesDamagedResourceForksWithoutReadingPastTheFile) {
    const Bytes samples = patternSamples(4, 2);
    const Bytes fork = resourceFork(standardTypes("2", "44100.000000", "1"));
    const size_t forkStart = 256;   // 8 bytes of samples padded to 128

    Bytes dataTooLong = sd2File(samples, fork);
    dataTooLong[83] = 0x7F;                                   // data fork length far past the file
    {
        SCOPED_TRACE("dataTooLong");
        refuse(dataTooLong, AUDIO_ERR_INVALID);
    }

    Bytes mapPastEnd = sd2File(samples, fork);
    mapPastEnd[forkStart + 4] = 0x40;                         // map offset 1 GB on
    {
        SCOPED_TRACE("mapPastEnd");
        refuse(mapPastEnd, AUDIO_ERR_READ);
    }

    Bytes tooManyTypes = sd2File(samples, fork);
    const size_t map = forkStart + be32At(tooManyTypes, forkStart + 4);
    tooManyTypes[map + 28] = tooManyTypes[map + 29] = 0xFF;   // 65536 types
    {
        SCOPED_TRACE("tooManyTypes");
        refuse(tooManyTypes, AUDIO_ERR_READ);
    }

    Bytes allResources = sd2File(samples, fork);
    allResources[map + 30 + 4] = allResources[map + 30 + 5] = 0xFF;   // 'STR ' claims 65536 resources
    {
        SCOPED_TRACE("allResources");
        refuse(allResources, AUDIO_ERR_INVALID);
    }

    Bytes referencesPastEnd = sd2File(samples, fork);
    referencesPastEnd[map + 30 + 6] = 0x7F;                  // reference list 32 KB on
    {
        SCOPED_TRACE("referencesPastEnd");
        refuse(referencesPastEnd, AUDIO_ERR_READ);
    }

    Bytes stringPastEnd = sd2File(samples, fork);
    const size_t firstReference = map + 28 + be16At(stringPastEnd, map + 30 + 6);
    stringPastEnd[firstReference + 5] = 0x10;                 // resource data 1 MB on
    {
        SCOPED_TRACE("stringPastEnd");
        refuse(stringPastEnd, AUDIO_ERR_READ);
    }

    Bytes cutFork = sd2File(samples, fork);
    cutFork.resize(forkStart + 8);
    {
        SCOPED_TRACE("cutFork");
        refuse(cutFork, AUDIO_ERR_READ);
    }
}

TEST_F(Sd2Test, ACountedStringLongerThanItsResourceIsInvalid) {
    Bytes file = sd2File({}, resourceFork(standardTypes("2", "44100.000000", "1")));
    file[128 + 16 + 4] = 200;   // "sample-size" claims 200 characters
    refuse(file, AUDIO_ERR_INVALID);
}

TEST_F(Sd2Test, CloseAfterAnEarlyStopDescribesTheDataWritten) {
    writeStoppedEarly(AudioFormat::Sd2, pathOf("cut.sd2"), 16, 100000, patternSamples(100, 3));
    const Bytes bytes = readFile(pathOf("cut.sd2"));
    EXPECT_EQ(be32At(bytes, 83), 200u);
    EXPECT_EQ(be16At(bytes, 124), bitwiseCrc(bytes.data(), 124));
    EXPECT_EQ(be32At(bytes, 384), 256u);   // the resource fork follows the real data
    EXPECT_EQ(bytes.size(), 896u);
    AudioFile in(sink_);
    const Opened o = open(in, pathOf("cut.sd2"));
    ASSERT_TRUE(o.ok);
    EXPECT_EQ(o.count, 100u);
}

}  // namespace
}  // namespace vxf::transfer::test
