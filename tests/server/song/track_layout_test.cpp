// track_layout_test.cpp - stored track counts, track-block dimensions and creatable layouts.
#include <gtest/gtest.h>

#include "song/track_layout.h"

using namespace vxfserver;

TEST(TrackLayout, DimensionsFollowTheStoredTrackCount) {
    struct Row {
        uint32_t tracks, frames, sectors, samples;
    };
    for (Row row : {Row{2, 192, 576, 98304}, Row{4, 96, 288, 49152}, Row{6, 64, 192, 32768}, Row{8, 48, 144, 24576},
                    Row{12, 32, 96, 16384}, Row{16, 24, 72, 12288}, Row{24, 16, 48, 8192}}) {
        auto size = trackBlockSizeFor(row.tracks);
        ASSERT_TRUE(size.has_value()) << row.tracks;
        EXPECT_EQ(*size, (TrackBlockSize{row.frames, row.sectors, row.samples}));
        EXPECT_EQ(row.tracks * row.sectors, kSectorsPerAudioBlock);
    }
}

TEST(TrackLayout, CountsThatDoNotDivideAnAudioBlockHaveNoDimensions) {
    for (uint32_t t : {0u, 1u, 3u, 5u, 7u, 10u, 20u, 23u, 25u, 48u, 384u, 0xFFFFFFFFu}) {
        EXPECT_FALSE(trackBlockSizeFor(t).has_value()) << t;
    }
}

TEST(TrackLayout, HighRatesSpreadACallerTrackOverTwoStoredTracks) {
    EXPECT_EQ(storedTracksPerCallerTrack(44100), 1u);
    EXPECT_EQ(storedTracksPerCallerTrack(48000), 1u);
    EXPECT_EQ(storedTracksPerCallerTrack(88200), 2u);
    EXPECT_EQ(storedTracksPerCallerTrack(96000), 2u);
}

TEST(TrackLayout, CreatableTrackCountsDependOnTheRate) {
    EXPECT_TRUE(isCreatableLayout(24, 48000));
    EXPECT_TRUE(isCreatableLayout(2, 44100));
    EXPECT_FALSE(isCreatableLayout(12, 48000));
    EXPECT_TRUE(isCreatableLayout(12, 96000));
    EXPECT_FALSE(isCreatableLayout(16, 96000));
    EXPECT_FALSE(isCreatableLayout(24, 88200));
    EXPECT_FALSE(isCreatableLayout(24, 32000));
}
