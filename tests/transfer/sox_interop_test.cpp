// sox_interop_test.cpp - files we write are read by sox, files sox makes are read by us.
#include "test_support.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace vxf::transfer::test {
namespace {

std::string findSox() {
    const char* path = std::getenv("PATH");
    std::stringstream folders(path ? path : "/usr/bin:/bin");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        const std::string candidate = (folder.empty() ? "." : folder) + "/sox";
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return {};
}

std::string shellQuoted(const std::string& text) { return "'" + text + "'"; }

// Signed big-endian samples from a file's own coding.
Bytes toSignedBigEndian(AudioFormat format, unsigned bits, Bytes samples) {
    if (format != AudioFormat::Wav) return samples;
    const unsigned bytes = bits / 8;
    for (size_t i = 0; i + bytes <= samples.size(); i += bytes) {
        if (bytes == 1) samples[i] ^= 0x80;
        else std::swap(samples[i], samples[i + bytes - 1]);
    }
    return samples;
}

// An extra chunk with an odd size (so with a pad byte) placed at `at`, the outer size adjusted.
void insertOddChunk(Bytes& file, size_t at, const std::string& id, bool bigEndian) {
    Bytes chunk;
    appendText(chunk, id);
    if (bigEndian) appendBe32(chunk, 5);
    else appendLe32(chunk, 5);
    appendText(chunk, "extra");
    chunk.push_back(0);
    file.insert(file.begin() + static_cast<long>(at), chunk.begin(), chunk.end());
    const uint32_t outer = static_cast<uint32_t>(file.size() - 8);
    Bytes size;
    if (bigEndian) appendBe32(size, outer);
    else appendLe32(size, outer);
    std::copy(size.begin(), size.end(), file.begin() + 4);
}

class SoxInteropTest : public TransferTest {
protected:
    void SetUp() override {
        TransferTest::SetUp();
        sox_ = findSox();
        if (sox_.empty()) GTEST_SKIP() << "sox is not installed (Debian package sox); interoperability not checked";
    }

    // Runs sox with `arguments`; its complaints go to a file shown on failure.
    bool sox(const std::string& arguments) {
        const std::string errors = pathOf("sox.err");
        const int status = std::system((shellQuoted(sox_) + " " + arguments + " 2>" + shellQuoted(errors)).c_str());
        if (status != 0) {
            const Bytes text = readFile(errors);
            ADD_FAILURE() << "sox " << arguments << ": " << std::string(text.begin(), text.end());
        }
        return status == 0;
    }

    std::string soxInfo(const std::string& option, const std::string& path) {
        std::string output;
        FILE* pipe = popen((shellQuoted(sox_) + " --i " + option + " " + shellQuoted(path) + " 2>/dev/null").c_str(), "r");
        if (!pipe) return output;
        char line[256];
        while (std::fgets(line, sizeof line, pipe)) output += line;
        pclose(pipe);
        while (!output.empty() && (output.back() == '\n' || output.back() == '\r')) output.pop_back();
        return output;
    }

    // Makes a mono file with sox from signed big-endian raw samples.
    std::string soxMakes(const Bytes& raw, unsigned bits, unsigned channels, const std::string& type,
                         const std::string& name) {
        writeFile(pathOf("in.raw"), raw);
        const std::string out = pathOf(name);
        sox("-D -t raw -r 44100 -e signed-integer -b " + std::to_string(bits) + " -B -c " +
            std::to_string(channels) + " " + shellQuoted(pathOf("in.raw")) + " -t " + type + " " + shellQuoted(out));
        return out;
    }

    // sox makes a mono file of 1001 samples at 44100 Hz; an odd-sized chunk goes in before
    // the first chunk and another after the data; AudioFile must give back the same samples.
    void expectSoxFileRead(AudioFormat format, unsigned bits, const std::string& type, const std::string& extraChunk) {
        const bool bigEndian = format == AudioFormat::Aiff;
        const Bytes raw = patternSamples(1001, bits / 8, bits);
        const std::string path = soxMakes(raw, bits, 1, type, bigEndian ? "sox.aif" : "sox.wav");
        Bytes file = readFile(path);
        ASSERT_GT(file.size(), 54u);
        insertOddChunk(file, file.size(), extraChunk, bigEndian);
        insertOddChunk(file, 12, extraChunk, bigEndian);
        writeFile(path, file);

        AudioFile in(sink_);
        const Opened o = openForRead(in, format, path);
        ASSERT_TRUE(o.ok) << lastMessage();
        EXPECT_EQ(o.rate, 44100u);
        EXPECT_EQ(o.bits, bits);
        EXPECT_EQ(o.count, 1001u);
        EXPECT_EQ(readAllSamples(in, true, false), raw);
    }

    std::string sox_;
};

TEST_F(SoxInteropTest, SoxReadsTheWavAndAiffFilesWeWrite) {
    for (AudioFormat format : {AudioFormat::Wav, AudioFormat::Aiff}) {
        for (unsigned bits : {8u, 16u, 24u}) {
            for (size_t count : {1000u, 1001u}) {
                SCOPED_TRACE(std::to_string(static_cast<int>(format)) + " " + std::to_string(bits) + " bits, " +
                             std::to_string(count) + " samples");
                const Bytes samples = patternSamples(count, bits / 8, bits + static_cast<unsigned>(count));
                const std::string path = pathOf(format == AudioFormat::Wav ? "ours.wav" : "ours.aif");
                writeAudio(format, path, 48000, static_cast<uint16_t>(bits), samples);
                EXPECT_EQ(soxInfo("-c", path), "1");
                EXPECT_EQ(soxInfo("-r", path), "48000");
                EXPECT_EQ(soxInfo("-s", path), std::to_string(count));
                ASSERT_TRUE(sox(shellQuoted(path) + " -t raw -e signed-integer -b " + std::to_string(bits) + " -B " +
                                shellQuoted(pathOf("out.raw"))));
                EXPECT_EQ(readFile(pathOf("out.raw")), toSignedBigEndian(format, bits, samples));
            }
        }
    }
}

TEST_F(SoxInteropTest, WeReadSoxWavFilesWithChunksBeforeAndAfterTheData) {
    for (unsigned bits : {8u, 16u, 24u}) {
        SCOPED_TRACE(std::to_string(bits) + " bits");
        // 24-bit WAV files from sox carry the extensible header unless asked for plain PCM.
        expectSoxFileRead(AudioFormat::Wav, bits, bits == 24 ? "wavpcm" : "wav", "LIST");
    }
}

TEST_F(SoxInteropTest, WeReadSoxAiffFilesWithChunksBeforeAndAfterTheData) {
    for (unsigned bits : {8u, 16u, 24u}) {
        SCOPED_TRACE(std::to_string(bits) + " bits");
        expectSoxFileRead(AudioFormat::Aiff, bits, "aiff", "ANNO");
    }
}

TEST_F(SoxInteropTest, StereoFilesFromSoxAreRefusedAsMultipleChannel) {
    const Bytes raw = patternSamples(200, 2);
    expectRefused(AudioFormat::Wav, soxMakes(raw, 16, 2, "wav", "stereo.wav"), AUDIO_ERR_MULTICHANNEL);
    expectRefused(AudioFormat::Aiff, soxMakes(raw, 16, 2, "aiff", "stereo.aif"), AUDIO_ERR_MULTICHANNEL);
}

// sox writes 24-bit WAV with the extensible header by default, as most programs do.
TEST_F(SoxInteropTest, SoxDefault24BitWavFilesAreRead) {
    ASSERT_TRUE(sox("-n -b 24 -r 48000 " + shellQuoted(pathOf("sine.wav")) + " synth 0.1 sine 440"));
    const Bytes file = readFile(pathOf("sine.wav"));
    ASSERT_GE(file.size(), 22u);
    ASSERT_EQ(file[20] | file[21] << 8, 0xFFFE);
    AudioFile audio(sink_);
    const Opened opened = openForRead(audio, AudioFormat::Wav, pathOf("sine.wav"));
    ASSERT_TRUE(opened.ok) << lastMessage();
    EXPECT_EQ(opened.bits, 24);
    EXPECT_EQ(opened.count, 4800u);
    // sox's own reading of the samples: big-endian signed raw.
    ASSERT_TRUE(sox(shellQuoted(pathOf("sine.wav")) + " -t raw -e signed-integer -b 24 -B " +
                    shellQuoted(pathOf("sine.raw"))));
    EXPECT_EQ(readAllSamples(audio, true, false), readFile(pathOf("sine.raw")));
}

}  // namespace
}  // namespace vxf::transfer::test
