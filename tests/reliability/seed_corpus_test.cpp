// seed_corpus_test.cpp - the seeds of every fuzz target, made by our writers and by the server on images; stored for scripts/fuzz.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "audio_file.h"
#include "core/record.h"
#include "seed_corpus.h"
#include "server_fixture.h"
#include "volume/super_block.h"
#include "volume_input.h"

namespace vxf::reliability {
namespace {

using transfer::AudioFormat;

constexpr AudioFormat kFormats[] = {AudioFormat::Wav, AudioFormat::Aiff, AudioFormat::Sd2, AudioFormat::DigSd};

class QuietSink : public transfer::MessageSink {
public:
    void showError(const std::string&) override {}
};

TEST(SeedCorpus, AudioFileSeedsOfEveryFormatOpenWithTheirOwnShape) {
    char pattern[] = "/tmp/vxf-seeds-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const std::string folder = pattern;
    for (AudioFormat format : kFormats) {
        const std::vector<Seed> seeds = audioFileSeeds(format, folder);
        ASSERT_EQ(seeds.size(), 5u);
        for (const Seed& seed : seeds) {
            EXPECT_FALSE(seed.bytes.empty()) << audioFuzzTarget(format) << " " << seed.name;
            QuietSink sink;
            transfer::AudioFile file(sink);
            uint32_t rate = 0;
            uint16_t bits = 0;
            uint32_t count = 0;
            EXPECT_TRUE(file.OpenForRead(format, folder + "/" + seed.name, rate, bits, count))
                << audioFuzzTarget(format) << " " << seed.name;
        }
        if (!seedFolderFromEnvironment().empty()) {
            storeSeeds(seedFolderFromEnvironment(), audioFuzzTarget(format), seeds);
        }
    }
    std::filesystem::remove_all(folder);
}

// Volumes in the states the fuzzer should start from, each taken as the regions an input covers.
class VolumeSeeds : public vxfserver::test::ServerFixture {
protected:
    uint32_t openTemplate() {
        makeDrive(fuzz::volumeDriveSectors());
        const uint32_t handle = open();
        EXPECT_TRUE(fuzz::buildTemplateVolume(handle));
        return handle;
    }

    void keep(const std::string& name, Bytes bytes = {}) {
        if (bytes.empty()) bytes = fuzz::volumeInputFromImage(drivePath_);
        ASSERT_GE(bytes.size(), fuzz::volumeInputSize()) << name;
        ASSERT_LE(bytes.size(), fuzz::volumeInputSize() + 3) << name;
        seeds_.push_back({name, bytes});
    }

    void TearDown() override {
        if (!seedFolderFromEnvironment().empty()) {
            storeSeeds(seedFolderFromEnvironment(), "fuzz_volume", withEachChange(seeds_));
        }
        ServerFixture::TearDown();
    }

    // Beside each seed, a form for each change alone: an input that runs one change after the
    // queries runs several times faster than one that runs them all, so the fuzzer starts fast.
    static std::vector<Seed> withEachChange(const std::vector<Seed>& seeds) {
        std::vector<Seed> all = seeds;
        for (const Seed& seed : seeds) {
            for (uint8_t change = 0; change < fuzz::kVolumeChanges; ++change) {
                Bytes bytes = seed.bytes;
                bytes.resize(fuzz::volumeInputSize() + 3, 0);  // options the seed lacks: none
                bytes.push_back(change);
                all.push_back({seed.name + "-change" + std::to_string(change), bytes});
            }
        }
        return all;
    }

    std::vector<Seed> seeds_;
};

TEST_F(VolumeSeeds, FreshTemplateAndItsOptionForms) {
    openTemplate();
    keep("template");
    Bytes bytes = fuzz::volumeInputFromImage(drivePath_);
    ASSERT_TRUE(vxfserver::checksumMatches(bytes.data(), 512));
    // The first song's information block with a broken checksum, left as it is: repaired from its mirror.
    const size_t songInfo = 512 * (1 + 1 + 3 + 15 + 3);
    Bytes damaged = bytes;
    damaged[songInfo + 0x40] ^= 0x5A;
    damaged.push_back(fuzz::kKeepChecksums | fuzz::kPrimaryOnly);
    keep("template-song-info-damaged", damaged);
    Bytes primaryOnly = bytes;
    primaryOnly.push_back(fuzz::kPrimaryOnly);
    keep("template-primary-only", primaryOnly);
    // The seventh write request fails, and the first copy of the project list cannot be read.
    Bytes faults = bytes;
    faults.insert(faults.end(), {0, 7, 1});
    keep("template-with-faults", faults);
}

TEST_F(VolumeSeeds, FreshlyFormattedVolume) {
    makeDrive(fuzz::volumeDriveSectors());
    const uint32_t handle = open();
    ASSERT_EQ(tavovxfDriveFormat(handle), VXF_OK);
    keep("formatted");
}

TEST_F(VolumeSeeds, VersionOneHundredVolume) {
    openTemplate();
    patchSuperBlock(drivePath_, uint32_t(fuzz::volumeDriveSectors()),
                    [](vxfserver::SuperBlock& sb) { std::memcpy(sb.version, vxfserver::kVersion100, 6); });
    keep("version-1.00");
}

TEST_F(VolumeSeeds, EverySongSlotInUseAfterDeleteAndMove) {
    const uint32_t handle = openTemplate();
    ASSERT_EQ(tavovxfSongSetPrimary(handle, 1), VXF_OK);
    ASSERT_EQ(tavovxfSongDelete(handle), VXF_OK);
    for (int i = 0; i < 3; ++i) ASSERT_EQ(tavovxfSongCreate(handle, 8, 44100, 24), VXF_OK);
    ASSERT_EQ(tavovxfSongSetPrimary(handle, 0), VXF_OK);
    ASSERT_EQ(tavovxfSongMoveWithin(handle, 3), VXF_OK);
    ASSERT_EQ(tavovxfSongMoveOut(handle, 1, 0), VXF_OK);
    keep("all-slots-moved");
}

TEST_F(VolumeSeeds, SongInSeveralRuns) {
    const uint32_t handle = openTemplate();
    std::vector<uint8_t> samples(3 * 9000, 0x33);
    // Two songs growing in turn: each block of the 24-track song starts a run of its own.
    ASSERT_EQ(tavovxfSongCreate(handle, 24, 48000, 24), VXF_OK);
    ASSERT_EQ(tavovxfSongCreate(handle, 24, 48000, 24), VXF_OK);
    for (uint32_t block = 0; block < 4; ++block) {
        for (uint16_t song : {3, 4}) {
            ASSERT_EQ(tavovxfSongSetPrimary(handle, song), VXF_OK);
            ASSERT_EQ(tavovxfTrackWrite(handle, 7, block * 8192, 9000, 3, 0, samples.data()), VXF_OK);
        }
    }
    keep("fragmented");
}

}  // namespace
}  // namespace vxf::reliability
