// track_overview_test.cpp - a song's track overview read from drive images: peaks, RMS, silence and the strip.
#include <gtest/gtest.h>

#include <cmath>

#include "track_overview.h"
#include "transfer_fixture.h"

namespace vxf::transfer::test {
namespace {

int32_t sampleAt(const Bytes& samples24, size_t i) {
    const int32_t v = samples24[3 * i] | samples24[3 * i + 1] << 8 | samples24[3 * i + 2] << 16;
    return v >= 0x800000 ? v - 0x1000000 : v;
}

// A saw from -amplitude upwards, 3 bytes little-endian a sample.
Bytes sawTrack(uint32_t samples, int32_t amplitude) {
    Bytes bytes;
    for (uint32_t i = 0; i < samples; ++i) {
        const int32_t v = static_cast<int32_t>(int64_t{amplitude} * (static_cast<int32_t>(i % 500) - 250) / 250);
        for (int b = 0; b < 3; ++b) bytes.push_back(static_cast<uint8_t>(v >> (8 * b)));
    }
    return bytes;
}

// What the overview of `samples24` (of a song `length` long) must say, counted sample by sample.
void expectFigures(const TrackOverview& track, const Bytes& samples24, uint32_t length, uint32_t columns) {
    const size_t count = samples24.size() / 3;
    double peak = 0;
    double energy = 0;
    for (size_t i = 0; i < count; ++i) {
        const double v = sampleAt(samples24, i);
        peak = std::max(peak, std::abs(v));
        energy += v * v;
    }
    EXPECT_EQ(track.silent, peak == 0) << "track " << track.track;
    if (peak > 0) {
        EXPECT_NEAR(track.peakDbfs, 20 * std::log10(peak / 8388608), 1e-9) << "track " << track.track;
        EXPECT_NEAR(track.rmsDbfs, 20 * std::log10(std::sqrt(energy / length) / 8388608), 1e-6);
    } else {
        EXPECT_EQ(track.peakDbfs, -300.0);
        EXPECT_EQ(track.rmsDbfs, -300.0);
    }
    ASSERT_EQ(track.columns.size(), columns);
    for (uint32_t c = 0; c < columns; ++c) {
        const size_t first = size_t{c} * length / columns;
        const size_t end = size_t{c + 1} * length / columns;
        int32_t low = first < count ? sampleAt(samples24, first) : 0;
        int32_t high = low;
        for (size_t i = first; i < end; ++i) {
            const int32_t v = i < count ? sampleAt(samples24, i) : 0;
            low = std::min(low, v);
            high = std::max(high, v);
        }
        ASSERT_EQ(track.columns[c].low, static_cast<float>(low / 8388608.0)) << "column " << c;
        ASSERT_EQ(track.columns[c].high, static_cast<float>(high / 8388608.0)) << "column " << c;
    }
}

class TrackOverviewTest : public TransferFixture {};

TEST_F(TrackOverviewTest, ANewSongWithThreeImportedTracksShowsExactlyThoseThreeWithAudio) {
    makeSong(8, 48000, 0, "New");
    const Bytes two = sawTrack(300000, 1000000);
    const Bytes five = sawTrack(450000, 8388607);
    const Bytes eight = sawTrack(120000, 4000);
    writeAudio(AudioFormat::Wav, out("Track02.wav"), 48000, 24, two);
    writeAudio(AudioFormat::Wav, out("Track05.wav"), 48000, 24, five);
    writeAudio(AudioFormat::Wav, out("Track08.wav"), 48000, 24, eight);
    const TransferOutcome imported = importFiles(
        {{out("Track02.wav"), AudioFormat::Wav, {}}, {out("Track05.wav"), AudioFormat::Wav, {}},
         {out("Track08.wav"), AudioFormat::Wav, {}}});
    ASSERT_FALSE(imported.failed);
    const SongFacts song = facts();
    ASSERT_EQ(song.length, 450000u);

    TrackOverviewBuilder builder(*server_, song, 400);
    EXPECT_EQ(builder.progress(), 0.0);
    int steps = 0;
    double lastProgress = 0;
    while (builder.step()) {
        ++steps;
        EXPECT_GT(builder.progress(), lastProgress);
        lastProgress = builder.progress();
    }
    EXPECT_GE(steps, 2);  // more than one block: the columns are carried across blocks
    ASSERT_TRUE(builder.done());
    ASSERT_EQ(builder.failure(), 0) << builder.failureText();
    EXPECT_EQ(builder.progress(), 1.0);
    const SongOverview& overview = builder.overview();
    EXPECT_EQ(overview.sampleRate, 48000u);
    EXPECT_EQ(overview.length, 450000u);
    ASSERT_EQ(overview.tracks.size(), 8u);
    for (uint16_t t = 0; t < 8; ++t) {
        EXPECT_EQ(overview.tracks[t].track, t);
        EXPECT_EQ(overview.tracks[t].silent, t != 1 && t != 4 && t != 7) << "track " << t + 1;
    }
    expectFigures(overview.tracks[1], two, 450000, 400);
    expectFigures(overview.tracks[4], five, 450000, 400);
    expectFigures(overview.tracks[7], eight, 450000, 400);
    expectFigures(overview.tracks[0], {}, 450000, 400);
    EXPECT_NEAR(overview.tracks[4].peakDbfs, 0.0, 1e-5);
}

TEST_F(TrackOverviewTest, AnEightBitSongShorterThanTheStripGivesOneColumnASample) {
    makeSong(2, 44100, 0, "Eight");
    Bytes eightBit;
    for (int i = 0; i < 300; ++i) eightBit.push_back(i % 2 ? 0x40 : 0x80);  // 64 and -128
    writeAudio(AudioFormat::Wav, out("Track01.wav"), 44100, 8, eightBit);
    ASSERT_FALSE(importFiles({{out("Track01.wav"), AudioFormat::Wav, {}}}).failed);
    const SongFacts song = facts();
    ASSERT_EQ(song.length, 300u);

    SongOverview overview;
    ASSERT_EQ(buildTrackOverview(*server_, song, overview, 400), 0);
    ASSERT_EQ(overview.tracks.size(), 2u);
    const TrackOverview& loud = overview.tracks[0];
    EXPECT_FALSE(loud.silent);
    EXPECT_NEAR(loud.peakDbfs, 0.0, 1e-9);  // -128 of 8 bits is full scale
    EXPECT_NEAR(loud.rmsDbfs, 10 * std::log10((1.0 + 0.25) / 2), 1e-9);
    ASSERT_EQ(loud.columns.size(), 300u);
    EXPECT_EQ(loud.columns[0].low, -1.0f);
    EXPECT_EQ(loud.columns[0].high, -1.0f);
    EXPECT_EQ(loud.columns[1].low, 0.5f);
    EXPECT_EQ(loud.columns[1].high, 0.5f);
    EXPECT_TRUE(overview.tracks[1].silent);
    EXPECT_EQ(overview.tracks[1].peakDbfs, -300.0);
}

TEST_F(TrackOverviewTest, ANinetySixKilohertzSongGivesEachOfItsTracks) {
    makeSong(2, 48000, 1000);
    const std::vector<Bytes> tracks = addHighRateSong();
    const SongFacts song = facts();
    ASSERT_EQ(song.trackCount, 8);
    SongOverview overview;
    ASSERT_EQ(buildTrackOverview(*server_, song, overview, 64), 0);
    EXPECT_EQ(overview.sampleRate, 96000u);
    ASSERT_EQ(overview.tracks.size(), 8u);
    for (uint16_t t = 0; t < 8; ++t) expectFigures(overview.tracks[t], tracks[t], 20000, 64);
}

// The drive refuses the second block.
class RefusingServer : public FaultyServer {
public:
    using FaultyServer::FaultyServer;
    int32_t trackReadAll(uint32_t offset, uint32_t count, uint32_t& samplesRead, uint16_t bytesPerSample,
                         uint16_t byteOrder, void* const* buffers) override {
        if (offset > 0) {
            samplesRead = 0;
            return kServerDiskRead;
        }
        return FaultyServer::trackReadAll(offset, count, samplesRead, bytesPerSample, byteOrder, buffers);
    }
    std::string errorText() override { return "Disk read error."; }
};

TEST_F(TrackOverviewTest, ARefusedReadEndsTheOverviewWithTheServersCodeAndMessage) {
    makeSong(2, 48000, 400000);
    RefusingServer refusing(exports_, handle_);
    TrackOverviewBuilder builder(refusing, facts(), 100);
    EXPECT_TRUE(builder.step());
    EXPECT_FALSE(builder.step());
    EXPECT_TRUE(builder.done());
    EXPECT_EQ(builder.failure(), kServerDiskRead);
    EXPECT_EQ(builder.failureText(), "Disk read error.");
    EXPECT_FALSE(builder.step());
    EXPECT_GT(builder.progress(), 0.0);
    EXPECT_LT(builder.progress(), 1.0);
}

}  // namespace
}  // namespace vxf::transfer::test
