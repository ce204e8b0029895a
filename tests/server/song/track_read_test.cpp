// track_read_test.cpp - reading tracks: block layout on the drive, offsets and counts, the transfer cache, bad input.
#include <gtest/gtest.h>

#include "platform/test_api.h"
#include "song_fixture.h"

using namespace vxfserver;
using namespace vxfserver::test;

namespace {

class TrackRead : public SongFixture {
protected:
    // A song of `tracks` at `rate` holding `samples` caller samples of random audio on every track.
    uint32_t songWithAudio(uint16_t tracks, uint32_t rate, uint32_t samples) {
        uint32_t h = openWithSong(tracks, rate);
        audio_.clear();
        const void* sources[24] = {};
        for (uint16_t t = 0; t < tracks; ++t) {
            audio_.push_back(randomBytes(size_t(samples) * 3, 100 + t));
            sources[t] = audio_.back().data();
        }
        EXPECT_EQ(tavovxfTrackWriteAll(h, 0, samples, 3, 0, sources), VXF_OK);
        return h;
    }

    uint32_t firstBlockLba() { return state().song.runs[0].lba; }

    std::vector<Bytes> audio_;
};

Bytes slice(const Bytes& bytes, size_t first, size_t count) {
    return Bytes(bytes.begin() + first * 3, bytes.begin() + (first + count) * 3);
}

}  // namespace

TEST_F(TrackRead, TrackFiveOfA24TrackSongLies240SectorsIntoTheBlock) {
    uint32_t h = songWithAudio(24, 48000, 8192);
    EXPECT_EQ(imageBytes(drivePath_, firstBlockLba() + 240, 48), audio_[5]);
    EXPECT_EQ(imageBytes(drivePath_, firstBlockLba() + 23 * 48, 48), audio_[23]);
    EXPECT_EQ(readTrack(h, 5, 0, 8192), audio_[5]);
}

TEST_F(TrackRead, HighRateCallerTrackInterleavesItsTwoStoredTracks) {
    uint32_t h = songWithAudio(12, 96000, 100);
    uint16_t tracks = 0;
    ASSERT_EQ(tavovxfTrackGetNum(h, &tracks), VXF_OK);
    EXPECT_EQ(tracks, 12);
    // Stored tracks 6 and 7 (48 sectors each) carry caller track 3.
    Sector even{}, odd{};
    for (int i = 0; i < 6; ++i) {
        even[i] = uint8_t(0x10 + i);
        odd[i] = uint8_t(0x20 + i);
    }
    writeSector(drivePath_, firstBlockLba() + 6 * 48, even);
    writeSector(drivePath_, firstBlockLba() + 7 * 48, odd);
    EXPECT_EQ(readTrack(h, 3, 0, 4), (Bytes{0x10, 0x11, 0x12, 0x20, 0x21, 0x22, 0x13, 0x14, 0x15, 0x23, 0x24, 0x25}));
}

TEST_F(TrackRead, AnOffsetAtTheLengthReadsNothingAndOneFurtherIsRefused) {
    uint32_t h = songWithAudio(24, 48000, 6000);
    Bytes out(30);
    uint32_t read = 77;
    EXPECT_EQ(tavovxfTrackRead(h, 0, 6000, 10, &read, 3, 0, out.data()), VXF_OK);
    EXPECT_EQ(read, 0u);
    read = 77;
    EXPECT_EQ(tavovxfTrackRead(h, 0, 6001, 10, &read, 3, 0, out.data()), VXF_ERR_INVALID_SAMPLE_OFFSET);
    EXPECT_EQ(read, 77u);
    void* buffers[24] = {out.data()};
    EXPECT_EQ(tavovxfTrackReadAll(h, 6001, 10, &read, 3, 0, buffers), VXF_ERR_INVALID_SAMPLE_OFFSET);
}

TEST_F(TrackRead, AReadPastTheEndReportsWhatTheSongHolds) {
    uint32_t h = songWithAudio(24, 48000, 6000);
    Bytes out(10000 * 3);
    uint32_t read = 0;
    EXPECT_EQ(tavovxfTrackRead(h, 2, 0, 10000, &read, 3, 0, out.data()), VXF_OK);
    EXPECT_EQ(read, 6000u);
    EXPECT_EQ(slice(out, 0, 6000), audio_[2]);
}

TEST_F(TrackRead, HighRateOffsetsAndCountsRoundDownToStoredPositions) {
    uint32_t h = songWithAudio(2, 96000, 20);
    Bytes out(7 * 3, 0xEE);
    uint32_t read = 0;
    EXPECT_EQ(tavovxfTrackRead(h, 1, 3, 7, &read, 3, 0, out.data()), VXF_OK);
    EXPECT_EQ(read, 6u);
    EXPECT_EQ(slice(out, 0, 6), slice(audio_[1], 2, 6));
    EXPECT_EQ(slice(out, 6, 1), Bytes(3, 0xEE));
}

TEST_F(TrackRead, ChunksOfTheOptimalSizeReadWholeBlocksUntilTheRemainder) {
    uint32_t h = songWithAudio(24, 48000, 3 * 8192 + 500);
    uint32_t size = 0;
    ASSERT_EQ(tavovxfTrackOptimalTransferSize(h, &size), VXF_OK);
    ASSERT_EQ(size, 8192u);
    Bytes all, chunk(size * 3);
    resetCounters();
    for (uint32_t offset = 0;; offset += size) {
        uint32_t read = 0;
        ASSERT_EQ(tavovxfTrackRead(h, 9, offset, size, &read, 3, 0, chunk.data()), VXF_OK);
        EXPECT_EQ(read, offset < 3 * 8192 ? 8192u : 500u);
        all.insert(all.end(), chunk.begin(), chunk.begin() + read * 3);
        if (read < size) break;
    }
    EXPECT_EQ(all, audio_[9]);
    EXPECT_EQ(counters().reads, 4u);
    EXPECT_EQ(counters().sectorsRead, 4u * 48);
}

TEST_F(TrackRead, OptimalTransferSizeIsOneTrackBlockOfCallerSamples) {
    uint32_t h = openWithSong(2, 44100);
    uint32_t size = 0;
    ASSERT_EQ(tavovxfTrackOptimalTransferSize(h, &size), VXF_OK);
    EXPECT_EQ(size, 98304u);
    ASSERT_EQ(tavovxfSongCreate(h, 2, 96000, 24), VXF_OK);
    ASSERT_EQ(tavovxfTrackOptimalTransferSize(h, &size), VXF_OK);
    EXPECT_EQ(size, 98304u);
}

TEST_F(TrackRead, AReadGoingOnInsideTheSameBlockSkipsTheDrive) {
    songWithAudio(24, 48000, 8192);
    ASSERT_EQ(tavovxfDriveClose(state().slots[state().currentSlot].handle), VXF_OK);
    uint32_t h = reopen();  // a new handle starts with nothing cached
    ASSERT_EQ(tavovxfSongSetPrimary(h, 0), VXF_OK);
    EXPECT_EQ(readTrack(h, 4, 0, 100), slice(audio_[4], 0, 100));
    resetCounters();
    EXPECT_EQ(readTrack(h, 4, 100, 100), slice(audio_[4], 100, 100));
    EXPECT_EQ(counters().reads, 0u);
    // Another track at a continuing offset is not in the buffer: it is read.
    EXPECT_EQ(readTrack(h, 6, 200, 100), slice(audio_[6], 200, 100));
    EXPECT_EQ(counters().reads, 1u);
    // A read from a block boundary always reads.
    resetCounters();
    EXPECT_EQ(readTrack(h, 6, 0, 100), slice(audio_[6], 0, 100));
    EXPECT_EQ(counters().reads, 1u);
}

TEST_F(TrackRead, ReadAllFetchesEachAudioBlockInOneRequestAndSkipsNullBuffers) {
    uint32_t h = songWithAudio(6, 48000, 2 * 32768 + 10);
    std::vector<Bytes> out(6, Bytes((2 * 32768 + 10) * 3));
    void* buffers[24] = {out[0].data(), nullptr, out[2].data(), out[3].data(), out[4].data(), out[5].data()};
    resetCounters();
    uint32_t read = 0;
    ASSERT_EQ(tavovxfTrackReadAll(h, 0, 2 * 32768 + 10, &read, 3, 0, buffers), VXF_OK);
    EXPECT_EQ(read, 2u * 32768 + 10);
    EXPECT_EQ(counters().reads, 3u);
    EXPECT_EQ(counters().sectorsRead, 3u * 1152);
    for (int t : {0, 2, 3, 4, 5}) EXPECT_EQ(out[t], audio_[t]) << t;
}

TEST_F(TrackRead, BadArgumentsAreRefusedWithTheirCodes) {
    uint32_t h = songWithAudio(24, 48000, 100);
    Bytes out(400);
    uint32_t read = 0;
    void* buffers[24] = {out.data()};
    EXPECT_EQ(tavovxfTrackRead(h, 0, 0, 10, &read, 0, 0, out.data()), VXF_ERR_INVALID_PARAMETER);
    EXPECT_EQ(tavovxfTrackRead(h, 0, 0, 10, &read, 5, 0, out.data()), VXF_ERR_INVALID_PARAMETER);
    EXPECT_EQ(tavovxfTrackRead(h, 0, 0, 10, &read, 3, 2, out.data()), VXF_ERR_INVALID_PARAMETER);
    EXPECT_EQ(tavovxfTrackRead(h, 24, 0, 10, &read, 3, 0, out.data()), VXF_ERR_INVALID_PARAMETER);
    EXPECT_EQ(tavovxfTrackRead(h, 0, 0, 10, &read, 3, 0, nullptr), VXF_ERR_INVALID_PARAMETER);
    EXPECT_EQ(tavovxfTrackRead(h, 0, 0, 10, nullptr, 3, 0, out.data()), VXF_ERR_INVALID_PARAMETER);
    EXPECT_EQ(tavovxfTrackReadAll(h, 0, 10, &read, 0, 0, buffers), VXF_ERR_INVALID_PARAMETER);
    EXPECT_EQ(tavovxfTrackReadAll(h, 0, 10, &read, 3, 0, nullptr), VXF_ERR_INVALID_PARAMETER);
    EXPECT_EQ(tavovxfTrackReadAll(h, 0, 10, &read, 3, 7, buffers), VXF_ERR_INVALID_PARAMETER);
}

TEST_F(TrackRead, WithoutACurrentSongEveryTrackCallSaysSoAndClearsItsOutput) {
    uint32_t h = openFormatted();
    uint16_t tracks = 9;
    uint32_t size = 9, read = 9;
    Bytes out(30);
    EXPECT_EQ(tavovxfTrackGetNum(h, &tracks), VXF_ERR_NO_PRIMARY_SONG);
    EXPECT_EQ(tracks, 0);
    EXPECT_EQ(tavovxfTrackOptimalTransferSize(h, &size), VXF_ERR_NO_PRIMARY_SONG);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(tavovxfTrackRead(h, 0, 0, 10, &read, 3, 0, out.data()), VXF_ERR_NO_PRIMARY_SONG);
    EXPECT_EQ(read, 9u);
}

TEST_F(TrackRead, ARefusedReadReportsTheTrackBlocksRange) {
    uint32_t h = songWithAudio(24, 48000, 8192);
    const uint32_t lba = firstBlockLba() + 2 * 48;
    vxf1394::testing::Faults faults;
    faults.readErrors.push_back({lba + 10, lba + 10});
    vxf1394::testing::setFaults(drivePath_, faults);
    Bytes out(30);
    uint32_t read = 5;
    EXPECT_EQ(tavovxfTrackRead(h, 2, 0, 10, &read, 3, 0, out.data()), VXF_ERR_DISK_READ);
    EXPECT_EQ(read, 5u);
    char expected[80];
    std::snprintf(expected, sizeof expected, "Hard disk failed read command.\n\t%08x - %08x", lba, lba + 47);
    EXPECT_EQ(errorText(), expected);
    vxf1394::testing::clearFaults(drivePath_);
    // The failed block is not taken from the buffer afterwards.
    EXPECT_EQ(readTrack(h, 2, 5, 10), slice(audio_[2], 5, 10));
}
