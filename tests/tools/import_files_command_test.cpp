// import_files_command_test.cpp - vxf import of the files people have: sox's default 24-bit WAV, FLAC, floating
// point, several channels, and files whose headers lie.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "cli_fixture.h"
#include "test_support.h"

namespace vxf::transfer::test {
namespace {

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// A RIFF file of one format chunk and the data, as some programs write them.
Bytes waveFile(const Bytes& format, const Bytes& data) {
    Bytes out;
    appendText(out, "RIFF");
    appendLe32(out, static_cast<uint32_t>(4 + 8 + format.size() + 8 + data.size()));
    appendText(out, "WAVE");
    appendText(out, "fmt ");
    appendLe32(out, static_cast<uint32_t>(format.size()));
    out.insert(out.end(), format.begin(), format.end());
    appendText(out, "data");
    appendLe32(out, static_cast<uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

Bytes formatRecord(uint16_t tag, uint16_t channels, uint16_t bits) {
    Bytes out;
    appendLe16(out, tag);
    appendLe16(out, channels);
    appendLe32(out, 48000);
    appendLe32(out, 48000u * channels * bits / 8);
    appendLe16(out, static_cast<uint16_t>(channels * bits / 8));
    appendLe16(out, bits);
    return out;
}

Bytes floatWave(const std::vector<float>& samples) {
    Bytes data;
    for (float f : samples) {
        uint32_t bits = 0;
        std::memcpy(&bits, &f, sizeof bits);
        appendLe32(data, bits);
    }
    return waveFile(formatRecord(3, 1, 32), data);
}

Bytes le24(const std::vector<int32_t>& samples) {
    Bytes out;
    for (int32_t v : samples) {
        out.push_back(uint8_t(v));
        out.push_back(uint8_t(v >> 8));
        out.push_back(uint8_t(v >> 16));
    }
    return out;
}

class ImportFilesCommand : public CliFixture {
protected:
    void SetUp() override {
        CliFixture::SetUp();
        if (findSox().empty()) GTEST_SKIP() << "sox is not installed (Debian package sox)";
        makeSong(8, 48000, 0, "Mix");
        releaseDrive();
    }
    bool sox(const std::string& arguments) { return std::system(("sox -D " + arguments + " 2>/dev/null").c_str()) == 0; }
    // sox's own reading of a file: its samples (the first channel of `channels`) as 24-bit little-endian.
    Bytes soxReads(const std::string& path, int channel = 1) {
        const std::string raw = out("sox.raw");
        EXPECT_TRUE(sox(quoted(path) + " -t raw -e signed-integer -b 24 -L " + quoted(raw) + " remix " +
                        std::to_string(channel)));
        return readBytes(raw);
    }
    ToolRun import(const std::string& arguments) { return vxf("import --drive 1 --project 1 --song 1 --yes " + arguments); }
};

TEST_F(ImportFilesCommand, SoxDefaultWavAndFlacImportAsSoxReadsThem) {
    ASSERT_TRUE(sox("-n -b 24 -r 48000 " + quoted(out("Track01.wav")) + " synth 0.05 sine 440"));
    ASSERT_TRUE(sox("-n -b 24 -r 48000 " + quoted(out("Track02.flac")) + " synth 0.05 sine 660 gain -3"));
    ASSERT_TRUE(sox("-n -b 16 -r 48000 -e signed-integer " + quoted(out("Track03.aifc")) + " synth 0.05 sine 220"));
    const ToolRun run = import(quoted(out("Track01.wav")) + " " + quoted(out("Track02.flac")) + " " +
                               quoted(out("Track03.aifc")));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(dumpTrack(1, 1), soxReads(out("Track01.wav")));
    EXPECT_EQ(dumpTrack(1, 2), soxReads(out("Track02.flac")));
    EXPECT_EQ(dumpTrack(1, 3), soxReads(out("Track03.aifc")));
}

// Floating point becomes the song's 24 bits: x 2^23, rounded to the nearest with halves away from zero, clipped.
TEST_F(ImportFilesCommand, FloatingPointSamplesAreRoundedAndClippedAsStated) {
    const float lsb = std::ldexp(1.0f, -23);
    writeFile(out("Track04.wav"), floatWave({0.5f, -1.0f, 1.5f, -2.0f, lsb / 2, -lsb / 2, 3 * lsb / 2, 0.0f,
                                             lsb * 0.49f, std::nanf("")}));
    const ToolRun run = import(quoted(out("Track04.wav")));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(dumpTrack(1, 4), le24({0x400000, -0x800000, 0x7FFFFF, -0x800000, 1, -1, 2, 0, 0, 0}));
}

TEST_F(ImportFilesCommand, SeveralChannelsGoInOneByChoiceOrEachOntoItsTrack) {
    const std::string stereo = out("live.wav");
    ASSERT_TRUE(sox("-n -b 16 -r 48000 -c 2 " + quoted(stereo) + " synth 0.05 sine 440 sine 880"));
    ToolRun run = import("--track " + quoted(stereo) + "=1 " + quoted(stereo));
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(contains(run.err, "has 2 channels: give --channel K")) << run.err;

    run = import("--channel 2 --track " + quoted(stereo) + "=1 " + quoted(stereo));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(dumpTrack(1, 1), soxReads(stereo, 2));

    run = import("--split --track " + quoted(stereo) + "=3 " + quoted(stereo));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(dumpTrack(1, 3), soxReads(stereo, 1));
    EXPECT_EQ(dumpTrack(1, 4), soxReads(stereo, 2));

    run = import("--channel 3 --track " + quoted(stereo) + "=1 " + quoted(stereo));
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(contains(run.err, "has 2 channels; there is no channel 3")) << run.err;
}

TEST_F(ImportFilesCommand, LyingHeadersAndWrongRatesAreRefusedClearly) {
    Bytes extensible = formatRecord(0xFFFE, 1, 24);
    appendLe16(extensible, 22);
    appendLe16(extensible, 28);  // valid bits above the container
    appendLe32(extensible, 0);
    const Bytes pcm = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    extensible.insert(extensible.end(), pcm.begin(), pcm.end());
    writeFile(out("Track01.wav"), waveFile(extensible, Bytes(30, 0)));
    ToolRun run = import(quoted(out("Track01.wav")));
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(contains(run.err, "Invalid file format.")) << run.err;

    writeFile(out("Track02.wav"), waveFile(formatRecord(1, 0, 16), Bytes(30, 0)));  // no channels
    run = import(quoted(out("Track02.wav")));
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(contains(run.err, out("Track02.wav"))) << run.err;

    writeFile(out("Track03.flac"), Bytes(100, 0x5A));
    run = import(quoted(out("Track03.flac")));
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(contains(run.err, "cannot be read as audio")) << run.err;

    ASSERT_TRUE(sox("-n -b 24 -r 44100 " + quoted(out("Track04.flac")) + " synth 0.01 sine 440"));
    run = import(quoted(out("Track04.flac")));
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(contains(run.err, "Sample rate mismatch. The file is at 44100 Hz, the song at 48000 Hz.")) << run.err;
}

}  // namespace
}  // namespace vxf::transfer::test

namespace vxf::transfer::test {
namespace {

using BroadcastCommands = CliFixture;

TEST_F(BroadcastCommands, ExportWithBwfAndPolyWritesTheFilesAndSongJson) {
    makeSong(8, 48000, 2000, "Mix");
    releaseDrive();
    const std::string base = "export --drive 1 --project 1 --song 1 --tracks 1-3 --yes --out " + quoted(outDir_);
    ToolRun run = vxf(base + " --bwf");
    ASSERT_EQ(run.status, 0) << run.err;
    const Bytes mono = readBytes(out("Mix-Track02.wav"));
    EXPECT_NE(std::string(mono.begin(), mono.end()).find("bext"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(out("song.json")));
    run = vxf(base + " --poly");
    ASSERT_EQ(run.status, 0) << run.err;
    const Bytes poly = readBytes(out("Mix-Poly.wav"));
    ASSERT_GT(poly.size(), 40u);
    // Under 4 GiB a plain RIFF file, the room for a ds64 chunk kept as JUNK.
    EXPECT_EQ(std::string(poly.begin(), poly.begin() + 4), "RIFF");
    EXPECT_EQ(std::string(poly.begin() + 12, poly.begin() + 16), "JUNK");
    EXPECT_EQ(vxf(base + " --poly --format aiff").status, 2);
    EXPECT_EQ(vxf(base + " --bwf --format sd2").status, 2);
}

}  // namespace
}  // namespace vxf::transfer::test
