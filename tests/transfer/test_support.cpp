// test_support.cpp - temp folders, a recording message sink and byte helpers for the transfer tests.
#include "test_support.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace vxf::transfer::test {

void TransferTest::SetUp() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/vxf-transfer-XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
}

void TransferTest::TearDown() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

void TransferTest::writeAudio(AudioFormat format, const std::string& path, uint32_t rate, uint16_t bits,
                              const Bytes& samples) {
    AudioFile file(sink_);
    const unsigned bytes = bits / 8;
    const bool bigEndian = isBigEndianFormat(format);
    ASSERT_TRUE(file.OpenForWrite(format, path, rate, bits, static_cast<uint32_t>(samples.size() / bytes)));
    Bytes buffer;
    if (bits == 16) {
        // 16-bit files take 24-bit samples; a zero low byte keeps them as they are.
        for (size_t i = 0; i + 1 < samples.size(); i += 2) {
            if (!bigEndian) buffer.push_back(0);
            buffer.push_back(samples[i]);
            buffer.push_back(samples[i + 1]);
            if (bigEndian) buffer.push_back(0);
        }
    } else {
        buffer = samples;
    }
    size_t consumed = 0;
    ASSERT_TRUE(file.WriteSamples(buffer.data(), buffer.size(), bigEndian, isUnsigned8Format(format), consumed));
    ASSERT_EQ(consumed, buffer.size());
    ASSERT_TRUE(file.Close());
}

void TransferTest::writeStoppedEarly(AudioFormat format, const std::string& path, uint16_t bits,
                                     uint32_t declaredCount, Bytes input) {
    AudioFile file(sink_);
    ASSERT_TRUE(file.OpenForWrite(format, path, 48000, bits, declaredCount));
    size_t consumed = 0;
    ASSERT_TRUE(file.WriteSamples(input.data(), input.size(), isBigEndianFormat(format), isUnsigned8Format(format),
                                  consumed));
    ASSERT_TRUE(file.Close());
}

TransferTest::Opened TransferTest::openForRead(AudioFile& file, AudioFormat format, const std::string& path) {
    Opened o;
    o.ok = file.OpenForRead(format, path, o.rate, o.bits, o.count);
    return o;
}

Bytes TransferTest::readAllSamples(AudioFile& file, bool bigEndian, bool unsigned8) {
    Bytes all;
    Bytes block(6144);  // whole samples of every width: a sample split between reads would be swapped wrong
    size_t got = 0;
    while (file.ReadSamples(block.data(), block.size(), bigEndian, unsigned8, got) && got > 0) {
        all.insert(all.end(), block.begin(), block.begin() + static_cast<long>(got));
    }
    return all;
}

void TransferTest::expectRefused(AudioFormat format, const std::string& path, int code) {
    AudioFile file(sink_);
    sink_.messages.clear();
    EXPECT_FALSE(openForRead(file, format, path).ok);
    EXPECT_EQ(file.lastError(), code);
    EXPECT_FALSE(file.isOpen());
    ASSERT_EQ(sink_.messages.size(), 1u);
    EXPECT_EQ(sink_.messages[0], audioErrorMessage(code, path));
}

Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void appendBe16(Bytes& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}
void appendBe32(Bytes& out, uint32_t v) {
    appendBe16(out, static_cast<uint16_t>(v >> 16));
    appendBe16(out, static_cast<uint16_t>(v));
}
void appendLe16(Bytes& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void appendLe32(Bytes& out, uint32_t v) {
    appendLe16(out, static_cast<uint16_t>(v));
    appendLe16(out, static_cast<uint16_t>(v >> 16));
}
void appendText(Bytes& out, const std::string& text) { out.insert(out.end(), text.begin(), text.end()); }

uint32_t be32At(const Bytes& b, size_t o) {
    return uint32_t{b.at(o)} << 24 | uint32_t{b.at(o + 1)} << 16 | uint32_t{b.at(o + 2)} << 8 | b.at(o + 3);
}
uint32_t le32At(const Bytes& b, size_t o) {
    return uint32_t{b.at(o + 3)} << 24 | uint32_t{b.at(o + 2)} << 16 | uint32_t{b.at(o + 1)} << 8 | b.at(o);
}
uint16_t be16At(const Bytes& b, size_t o) { return static_cast<uint16_t>(b.at(o) << 8 | b.at(o + 1)); }

Bytes patternSamples(size_t count, unsigned bytesPerSample, unsigned seed) {
    Bytes out(count * bytesPerSample);
    uint32_t state = seed * 2654435761u + 12345;
    for (auto& b : out) {
        state = state * 1103515245u + 12345u;
        b = static_cast<uint8_t>(state >> 16);
    }
    return out;
}

}  // namespace vxf::transfer::test
