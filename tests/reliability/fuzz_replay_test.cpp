// fuzz_replay_test.cpp - the fuzz targets' bodies run through a plain driver: the seeds and damaged forms of them.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "audio_file_input.h"
#include "seed_corpus.h"
#include "volume_input.h"

namespace vxf::reliability {
namespace {

using transfer::AudioFormat;

// Every seed, cut short at many lengths and with each header byte set to the values parsers trip over.
void replayAudioSeeds(AudioFormat format) {
    char pattern[] = "/tmp/vxf-replay-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const std::string folder = pattern;
    for (const Seed& seed : audioFileSeeds(format, folder)) {
        const Bytes& bytes = seed.bytes;
        for (size_t length = 0; length <= bytes.size(); length += 7) {
            fuzz::readAudioFileInput(format, bytes.data(), length);
        }
        Bytes changed = bytes;
        for (size_t at = 0; at < std::min<size_t>(bytes.size(), 200); ++at) {
            for (uint8_t value : {0x00, 0x01, 0x7F, 0x80, 0xFF}) {
                changed[at] = value;
                fuzz::readAudioFileInput(format, changed.data(), changed.size());
            }
            changed[at] = bytes[at];
        }
    }
    std::filesystem::remove_all(folder);
}

TEST(FuzzReplay, WavSeedsAndTheirDamagedFormsReadWithoutFault) { replayAudioSeeds(AudioFormat::Wav); }
TEST(FuzzReplay, AiffSeedsAndTheirDamagedFormsReadWithoutFault) { replayAudioSeeds(AudioFormat::Aiff); }
TEST(FuzzReplay, Sd2SeedsAndTheirDamagedFormsReadWithoutFault) { replayAudioSeeds(AudioFormat::Sd2); }
TEST(FuzzReplay, DigSdSeedsAndTheirDamagedFormsReadWithoutFault) { replayAudioSeeds(AudioFormat::DigSd); }

// The template volume with one region at a time zeroed, filled with ones or with random
// bytes, checksums fixed or not, on both copies or the first only.
TEST(FuzzReplay, VolumeWithEachRegionDamagedRunsEveryOperationWithoutFault) {
    const Bytes base = fuzz::templateVolumeInput();
    ASSERT_EQ(base.size(), fuzz::volumeInputSize());
    fuzz::runVolumeInput(base.data(), base.size());
    std::mt19937 random(2024);
    size_t offset = 0;
    for (const fuzz::VolumeRegion& region : fuzz::volumeRegions()) {
        const size_t size = size_t(region.sectors) * 512;
        for (int fill = 0; fill < 3; ++fill) {
            Bytes input = base;
            for (size_t i = 0; i < size; ++i) {
                input[offset + i] = fill == 0 ? 0x00 : fill == 1 ? 0xFF : uint8_t(random());
            }
            // The option bytes: nothing, keep checksums, first copy only; with a write failing
            // part way and a region that cannot be read.
            input.insert(input.end(), {uint8_t(fill), uint8_t(fill * 5), uint8_t(fill * 3)});
            fuzz::runVolumeInput(input.data(), input.size());
        }
        offset += size;
    }
}

}  // namespace
}  // namespace vxf::reliability
