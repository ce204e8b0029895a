// test_support.h - temp folders, a recording message sink and byte helpers for the transfer tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "audio_file.h"
#include "message_sink.h"

namespace vxf::transfer::test {

using Bytes = std::vector<uint8_t>;

// Remembers every message instead of showing it.
class RecordingSink : public MessageSink {
public:
    void showError(const std::string& text) override { messages.push_back(text); }
    std::vector<std::string> messages;
};

// Each test case works in a folder of its own, removed afterwards.
class TransferTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::string pathOf(const std::string& name) const { return dir_ + "/" + name; }

    // The message the sink got last, or "" when none.
    std::string lastMessage() const { return sink_.messages.empty() ? "" : sink_.messages.back(); }

    // Announces `declaredCount` samples, writes `input` (24-bit for 16-bit files) in the file's
    // own coding and closes: what a transfer that stopped early leaves.
    void writeStoppedEarly(AudioFormat format, const std::string& path, uint16_t bits, uint32_t declaredCount,
                           Bytes input);
    // Writes `samples`, given in `format`'s own coding and width, through AudioFile and closes it.
    void writeAudio(AudioFormat format, const std::string& path, uint32_t rate, uint16_t bits, const Bytes& samples);
    struct Opened {
        bool ok = false;
        uint32_t rate = 0;
        uint16_t bits = 0;
        uint32_t count = 0;
    };
    Opened openForRead(AudioFile& file, AudioFormat format, const std::string& path);
    // Every sample ReadSamples hands out, in the wanted coding, up to its read of 0 bytes.
    Bytes readAllSamples(AudioFile& file, bool bigEndian, bool unsigned8);
    // Opens `path` for reading and expects it to fail with `code` and that code's message.
    void expectRefused(AudioFormat format, const std::string& path, int code);

    std::string dir_;
    RecordingSink sink_;
};

Bytes readFile(const std::string& path);
void writeFile(const std::string& path, const Bytes& bytes);

void appendBe16(Bytes& out, uint16_t v);
void appendBe32(Bytes& out, uint32_t v);
void appendLe16(Bytes& out, uint16_t v);
void appendLe32(Bytes& out, uint32_t v);
void appendText(Bytes& out, const std::string& text);
uint32_t be32At(const Bytes& bytes, size_t offset);
uint32_t le32At(const Bytes& bytes, size_t offset);
uint16_t be16At(const Bytes& bytes, size_t offset);

// Samples of a recognisable pattern, `count` samples of `bytesPerSample` bytes.
Bytes patternSamples(size_t count, unsigned bytesPerSample, unsigned seed = 1);

// A fixture for one format: a damaged file is refused, a good one opened.
template <AudioFormat kFormat>
class FormatTest : public TransferTest {
protected:
    std::string badPath() const { return pathOf("bad.file"); }
    void refuse(const Bytes& content, int code) {
        writeFile(badPath(), content);
        expectRefused(kFormat, badPath(), code);
    }
    Opened open(AudioFile& file, const std::string& path) { return openForRead(file, kFormat, path); }
};

}  // namespace vxf::transfer::test
