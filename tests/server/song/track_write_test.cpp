// track_write_test.cpp - writing tracks: growth, silence in new blocks, partial merges, lengths, faults, formats.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>

#include "platform/test_api.h"
#include "song_fixture.h"

using namespace vxfserver;
using namespace vxfserver::test;

namespace {

class TrackWrite : public SongFixture {
protected:
    void write(uint32_t handle, uint16_t track, uint32_t offset, const Bytes& samples, uint16_t bytes = 3,
               uint16_t order = 0) {
        ASSERT_EQ(tavovxfTrackWrite(handle, track, offset, uint32_t(samples.size() / bytes), bytes, order,
                                    samples.data()),
                  VXF_OK);
    }

    // Garbage where the first clusters of the audio space will be granted, so
    // that silence read back was really written.
    void soilAudioSpace(uint32_t blocks) {
        Sector noise{};
        noise.fill(0xA5);
        for (uint64_t s = 0; s < uint64_t(blocks) * 1152; s += 48) {
            writeSector(drivePath_, layout::kAudioSpaceLba + s, noise);
        }
    }
};

Bytes zeros(size_t samples, size_t bytes = 3) { return Bytes(samples * bytes, 0); }

Bytes slice(const Bytes& bytes, size_t first, size_t count, size_t width = 3) {
    return Bytes(bytes.begin() + first * width, bytes.begin() + (first + count) * width);
}

}  // namespace

TEST_F(TrackWrite, OneBlockIntoANewSongIsGrantedAndTheOtherTracksAreSilent) {
    uint32_t h = openWithSong(24, 48000);
    soilAudioSpace(64);
    Bytes samples = randomBytes(8192 * 3, 1);
    write(h, 0, 0, samples);
    EXPECT_EQ(songLength(h), 8192u);
    EXPECT_EQ(state().song.audioBlocks, 1u);
    uint32_t kib = 0;
    EXPECT_EQ(tavovxfSongGetAllocatedSize(h, &kib), VXF_OK);
    EXPECT_EQ(kib, 576u);
    EXPECT_EQ(readTrack(h, 0, 0, 8192), samples);
    for (uint16_t t = 1; t < 24; ++t) EXPECT_EQ(readTrack(h, t, 0, 8192), zeros(8192)) << "track " << t;
}

TEST_F(TrackWrite, WritingPastTheEndAddsABlockWhoseRestIsSilent) {
    uint32_t h = openWithSong(24, 48000);
    soilAudioSpace(64);
    write(h, 3, 0, randomBytes(8192 * 3, 2));
    Bytes tail = randomBytes(100 * 3, 3);
    write(h, 3, 8192, tail);
    EXPECT_EQ(songLength(h), 8292u);
    EXPECT_EQ(state().song.audioBlocks, 2u);
    EXPECT_EQ(readTrack(h, 3, 8192, 100), tail);
    // The second block exists up to its end; beyond the length it is silence.
    state().song.samples = 16384;  // look past the length without touching the drive
    for (uint16_t t : {0, 3, 23}) EXPECT_EQ(readTrack(h, t, 8292, 8092), zeros(8092)) << "track " << t;
}

TEST_F(TrackWrite, OverwritingInsideTheSongChangesOnlyThoseSamplesAndKeepsTheLength) {
    uint32_t h = openWithSong(24, 48000);
    Bytes samples = randomBytes(1000 * 3, 4);
    write(h, 7, 0, samples);
    Bytes patch = randomBytes(10 * 3, 5);
    resetCounters();
    write(h, 7, 10, patch);
    // The block is in the track buffer: one track block written, no record.
    EXPECT_EQ(counters().writes, 1u);
    EXPECT_EQ(counters().sectorsWritten, 48u);
    std::copy(patch.begin(), patch.end(), samples.begin() + 30);
    EXPECT_EQ(readTrack(h, 7, 0, 1000), samples);
    EXPECT_EQ(songLength(h), 1000u);
}

TEST_F(TrackWrite, AWriteEndingPastTheLengthInsideTheLastBlockRaisesItOnTheDrive) {
    uint32_t h = openWithSong(24, 48000);
    Bytes first = randomBytes(100 * 3, 6);
    write(h, 0, 0, first);
    ASSERT_EQ(songLength(h), 100u);
    Bytes more = randomBytes(4900 * 3, 7);
    write(h, 0, 100, more);
    EXPECT_EQ(songLength(h), 5000u);
    // Saved: a fresh selection reads the raised length back from the record.
    ASSERT_EQ(tavovxfDriveClose(h), VXF_OK);
    uint32_t again = reopen();
    ASSERT_EQ(tavovxfSongSetPrimary(again, 0), VXF_OK);
    EXPECT_EQ(songLength(again), 5000u);
    Bytes all = first;
    all.insert(all.end(), more.begin(), more.end());
    EXPECT_EQ(readTrack(again, 0, 0, 5000), all);
}

TEST_F(TrackWrite, ImportingIntoAOneBlockSongKeepsEverySample) {
    uint32_t h = openWithSong(2, 44100);
    write(h, 1, 0, randomBytes(100 * 3, 8));
    Bytes import = randomBytes(5000 * 3, 9);
    write(h, 1, 0, import);
    EXPECT_EQ(songLength(h), 5000u);
    EXPECT_EQ(readTrack(h, 1, 0, 5000), import);
}

TEST_F(TrackWrite, WriteProtectedSongRefusesAndChangesNothing) {
    uint32_t h = openWithSong(24, 48000);
    ASSERT_EQ(tavovxfSongSetWriteProtect(h, 1), VXF_OK);
    Bytes before = systemArea(drivePath_);
    Bytes samples = randomBytes(300, 10);
    EXPECT_EQ(tavovxfTrackWrite(h, 0, 0, 100, 3, 0, samples.data()), VXF_ERR_SONG_WRITE_PROTECTED);
    const void* sources[24] = {samples.data()};
    EXPECT_EQ(tavovxfTrackWriteAll(h, 0, 100, 3, 0, sources), VXF_ERR_SONG_WRITE_PROTECTED);
    EXPECT_EQ(systemArea(drivePath_), before);
    EXPECT_EQ(songLength(h), 0u);
}

TEST_F(TrackWrite, LockedHandleIsRefusedBeforeWriteProtection) {
    uint32_t h = openWithSong(24, 48000);
    ASSERT_EQ(tavovxfSongSetWriteProtect(h, 1), VXF_OK);
    state().slots[state().currentSlot].locked = 1;
    Bytes samples(300);
    EXPECT_EQ(tavovxfTrackWrite(h, 0, 0, 100, 3, 0, samples.data()), VXF_ERR_DRIVE_LOCKED);
    state().slots[state().currentSlot].locked = 0;
}

TEST_F(TrackWrite, BadArgumentsAreRefusedWithTheirCodes) {
    uint32_t h = openWithSong(24, 48000);
    Bytes samples(400);
    const void* sources[24] = {samples.data()};
    EXPECT_EQ(tavovxfTrackWrite(h, 0, 0, 100, 0, 0, samples.data()), VXF_ERR_INVALID_PARAMETER);
    EXPECT_EQ(tavovxfTrackWrite(h, 0, 0, 100, 5, 0, samples.data()), VXF_ERR_INVALID_PARAMETER);
    EXPECT_EQ(tavovxfTrackWrite(h, 0, 0, 100, 3, 2, samples.data()), VXF_ERR_INVALID_PARAMETER);
    EXPECT_EQ(tavovxfTrackWrite(h, 24, 0, 100, 3, 0, samples.data()), VXF_ERR_INVALID_PARAMETER);
    EXPECT_EQ(tavovxfTrackWrite(h, 0, 0, 100, 3, 0, nullptr), VXF_ERR_INVALID_PARAMETER);
    EXPECT_EQ(tavovxfTrackWriteAll(h, 0, 100, 0, 0, sources), VXF_ERR_INVALID_PARAMETER);
    EXPECT_EQ(tavovxfTrackWriteAll(h, 0, 100, 3, 0, nullptr), VXF_ERR_INVALID_PARAMETER);
    // A write may start at the song's end, not beyond its last block.
    EXPECT_EQ(tavovxfTrackWrite(h, 0, 8192, 100, 3, 0, samples.data()), VXF_ERR_SONGINFO_CORRUPT2);
    EXPECT_EQ(songLength(h), 0u);
    EXPECT_EQ(state().song.audioBlocks, 0u);
}

TEST_F(TrackWrite, NoCurrentSongIsReportedAfterTheMountAndProjectChecks) {
    uint32_t h = openFormatted();
    Bytes samples(300);
    EXPECT_EQ(tavovxfTrackWrite(h, 0, 0, 100, 3, 0, samples.data()), VXF_ERR_NO_PRIMARY_SONG);
}

TEST_F(TrackWrite, AFullDriveFailsWithDiskFullAndLeavesBitmapAndRecordsAlone) {
    uint32_t h = openWithSong(24, 48000, smallDriveSectors(4));
    const void* sources[24] = {};
    Bytes samples = randomBytes(4 * 8192 * 3, 11);
    sources[0] = samples.data();
    ASSERT_EQ(tavovxfTrackWriteAll(h, 0, 4 * 8192, 3, 0, sources), VXF_OK);
    EXPECT_EQ(state().superBlock.availableClusters, 0u);
    const AudioBitmap bitmap = state().audioBitmap;
    Bytes before = systemArea(drivePath_);
    EXPECT_EQ(tavovxfTrackWriteAll(h, 4 * 8192, 100, 3, 0, sources), VXF_ERR_DISK_FULL);
    EXPECT_EQ(std::memcmp(&bitmap, &state().audioBitmap, sizeof bitmap), 0);
    EXPECT_EQ(systemArea(drivePath_), before);
    EXPECT_EQ(state().song.audioBlocks, 4u);
    EXPECT_EQ(songLength(h), 4u * 8192);
    EXPECT_EQ(readTrack(h, 0, 0, 4 * 8192), samples);
}

// Two songs growing in turn on a drive of one block per cluster.
TEST_F(TrackWrite, GrowthExtendsTheRunIntoFreeClustersAndOpensANewRunPastATakenOne) {
    uint32_t h = openWithSong(24, 48000, smallDriveSectors(40));
    Bytes a1 = randomBytes(8192 * 3, 12), a2 = randomBytes(8192 * 3, 13), a3 = randomBytes(8192 * 3, 14);
    write(h, 0, 0, a1);
    write(h, 0, 8192, a2);  // the next cluster is free: the run grows
    EXPECT_EQ(runsInUse(state().song.runs), 1u);
    EXPECT_EQ(state().song.runs[0].length, 2u);

    ASSERT_EQ(tavovxfSongCreate(h, 24, 48000, 24), VXF_OK);  // song B takes the cluster after A
    write(h, 0, 0, randomBytes(8192 * 3, 15));
    ASSERT_EQ(tavovxfSongSetPrimary(h, 0), VXF_OK);
    write(h, 0, 16384, a3);
    EXPECT_EQ(runsInUse(state().song.runs), 2u);
    EXPECT_EQ(state().song.audioBlocks, 3u);
    Bytes all = a1;
    all.insert(all.end(), a2.begin(), a2.end());
    all.insert(all.end(), a3.begin(), a3.end());
    EXPECT_EQ(readTrack(h, 0, 0, 3 * 8192), all);
    expectVolumeConsistent(h, true);
}

TEST_F(TrackWrite, AGrantBeyondTheWrittenEndIsGivenBack) {
    uint32_t h = openWithSong(24, 48000);
    const uint32_t freeBefore = state().superBlock.availableClusters;
    write(h, 0, 0, randomBytes(3 * 8192 * 3, 16));
    // A whole word (32 clusters of 2 blocks) was granted; all but the two
    // clusters holding the 3 blocks went back.
    EXPECT_EQ(state().song.audioBlocks, 3u);
    EXPECT_EQ(state().superBlock.availableClusters, freeBefore - 2);
    expectVolumeConsistent(h, true);
}

TEST_F(TrackWrite, HighRateWritesAtOddOffsetsChangeExactlyTheCallerSamples) {
    uint32_t h = openWithSong(2, 96000);
    Bytes p = randomBytes(10 * 3, 17);
    write(h, 1, 0, p);
    EXPECT_EQ(songLength(h), 10u);
    Bytes q = randomBytes(3 * 3, 18);
    write(h, 1, 5, q);
    Bytes expected = p;
    std::copy(q.begin(), q.end(), expected.begin() + 15);
    EXPECT_EQ(readTrack(h, 1, 0, 10), expected);
    EXPECT_EQ(songLength(h), 10u);

    // An odd count past the end: the last sample is kept, the length rounds up.
    Bytes r = randomBytes(3 * 3, 19);
    write(h, 1, 10, r);
    EXPECT_EQ(songLength(h), 14u);
    Bytes tail = readTrack(h, 1, 10, 4);
    EXPECT_EQ(slice(tail, 0, 3), r);
    EXPECT_EQ(slice(tail, 3, 1), zeros(1));
    EXPECT_EQ(readTrack(h, 0, 0, 14), zeros(14));
}

TEST_F(TrackWrite, HighRateOddOffsetAcrossBlockBoundariesKeepsEverySample) {
    uint32_t h = openWithSong(2, 96000);
    const uint32_t perBlock = 98304;  // caller samples per block of a 2-track song at 96 kHz
    Bytes samples = randomBytes((2 * perBlock + 7) * 3, 20);
    write(h, 0, 3, samples);
    EXPECT_EQ(songLength(h), 2 * perBlock + 10);
    Bytes back = readTrack(h, 0, 0, 2 * perBlock + 10);
    EXPECT_EQ(slice(back, 0, 3), zeros(3));
    EXPECT_EQ(slice(back, 3, 2 * perBlock + 7), samples);
    // Each write-all source the same way.
    Bytes other = randomBytes(11 * 3, 21);
    const void* sources[24] = {nullptr, other.data()};
    ASSERT_EQ(tavovxfTrackWriteAll(h, perBlock - 5, 11, 3, 0, sources), VXF_OK);
    EXPECT_EQ(readTrack(h, 1, perBlock - 6, 12), [&] {
        Bytes e = zeros(1);
        e.insert(e.end(), other.begin(), other.end());
        return e;
    }());
    EXPECT_EQ(readTrack(h, 0, 0, 2 * perBlock + 10), back);
}

TEST_F(TrackWrite, WriteAllWithoutASourceLeavesThatTrackAlone) {
    uint32_t h = openWithSong(8, 48000);
    const uint32_t n = 24576 + 50;  // a block and a bit of an 8-track song
    std::vector<Bytes> first;
    const void* sources[24] = {};
    for (int t = 0; t < 8; ++t) {
        first.push_back(randomBytes(n * 3, 30 + t));
        sources[t] = first.back().data();
    }
    ASSERT_EQ(tavovxfTrackWriteAll(h, 0, n, 3, 0, sources), VXF_OK);
    Bytes second = randomBytes(n * 3, 40);
    const void* only[24] = {nullptr, nullptr, second.data()};
    ASSERT_EQ(tavovxfTrackWriteAll(h, 0, n, 3, 0, only), VXF_OK);
    for (uint16_t t = 0; t < 8; ++t) EXPECT_EQ(readTrack(h, t, 0, n), t == 2 ? second : first[t]) << t;
}

TEST_F(TrackWrite, APartialWriteAfterReadingAnotherTrackKeepsItsOwnTrack) {
    uint32_t h = openWithSong(24, 48000);
    Bytes t0 = randomBytes(8192 * 3, 50), t1 = randomBytes(8192 * 3, 51);
    write(h, 0, 0, t0);
    write(h, 1, 0, t1);
    readTrack(h, 0, 100, 10);  // the track buffer now holds track 0 of block 0
    Bytes patch = randomBytes(10 * 3, 52);
    write(h, 1, 200, patch);
    std::copy(patch.begin(), patch.end(), t1.begin() + 600);
    EXPECT_EQ(readTrack(h, 1, 0, 8192), t1);
    EXPECT_EQ(readTrack(h, 0, 0, 8192), t0);
}

TEST_F(TrackWrite, RandomAudioRoundTripsInEveryCallerFormat) {
    for (uint32_t rate : {48000u, 96000u}) {
        uint32_t h = openWithSong(rate == 48000 ? 24 : 12, rate);
        uint16_t track = 0;
        for (uint16_t bytes = 1; bytes <= 4; ++bytes) {
            for (uint16_t order = 0; order <= 1; ++order, ++track) {
                SCOPED_TRACE(testing::Message() << rate << " Hz, " << bytes << " bytes, order " << order);
                const uint32_t n = 20000;
                Bytes samples = randomBytes(size_t(n) * bytes, track);
                if (bytes == 4) {  // the fourth byte carries the sign of the 24-bit value
                    for (uint32_t j = 0; j < n; ++j) {
                        uint8_t* s = &samples[size_t(j) * 4];
                        uint8_t top = order == 0 ? s[2] : s[1];
                        s[order == 0 ? 3 : 0] = (top & 0x80) ? 0xFF : 0x00;
                    }
                }
                ASSERT_EQ(tavovxfTrackWrite(h, track, 124, n, bytes, order, samples.data()), VXF_OK);
                EXPECT_EQ(readTrack(h, track, 124, n, bytes, order), samples);
                std::vector<Bytes> all(12);
                void* buffers[24] = {};
                for (int t = 0; t < 12; ++t) {
                    all[t].assign(size_t(n) * bytes, 0);
                    buffers[t] = all[t].data();
                }
                uint32_t read = 0;
                ASSERT_EQ(tavovxfTrackReadAll(h, 124 + 2, n - 4, &read, bytes, order, buffers), VXF_OK);
                EXPECT_EQ(read, n - 4);
                EXPECT_EQ(Bytes(all[track].begin(), all[track].begin() + (n - 4) * bytes),
                          Bytes(samples.begin() + 2 * bytes, samples.end() - 2 * bytes));
            }
        }
        ASSERT_EQ(tavovxfDriveClose(h), VXF_OK);
    }
}

// A write fails at every one of its drive writes in turn; afterwards the
// volume mounts, the earlier song reads back as it was and every cluster a
// song uses is reserved.
TEST_F(TrackWrite, AFaultAtAnyDriveWriteOfAGrowingWriteLeavesTheVolumeConsistent) {
    for (int persistent = 0; persistent <= 1; ++persistent) {
        for (uint64_t k = 1; k <= 12; ++k) {
            SCOPED_TRACE(testing::Message() << (persistent ? "every write from #" : "only write #") << k);
            makeDrive(smallDriveSectors(200), "drive" + std::to_string(persistent) + "_" + std::to_string(k) + ".img");
            uint32_t h = open();
            ASSERT_EQ(tavovxfDriveFormat(h), VXF_OK);
            ASSERT_EQ(tavovxfSongCreate(h, 24, 48000, 24), VXF_OK);
            Bytes earlier = randomBytes(3 * 8192 * 3, 60);
            const void* sources[24] = {earlier.data()};
            ASSERT_EQ(tavovxfTrackWriteAll(h, 0, 3 * 8192, 3, 0, sources), VXF_OK);
            ASSERT_EQ(tavovxfSongCreate(h, 24, 48000, 24), VXF_OK);
            Bytes later = randomBytes(3 * 8192 * 3, 61);
            sources[0] = later.data();
            if (persistent) {
                vxf1394::testing::failWritesAfter(k - 1);
            } else {
                vxf1394::testing::failNthWrite(k);
            }
            const int32_t result = tavovxfTrackWriteAll(h, 0, 3 * 8192, 3, 0, sources);
            vxf1394::testing::clearWriteFailures();
            if (result == VXF_OK) continue;  // the fault lay past the write's last request
            EXPECT_EQ(result, VXF_ERR_DISK_WRITE);
            expectVolumeConsistent(h, !persistent);
            ASSERT_EQ(tavovxfDriveClose(h), VXF_OK);

            uint32_t again = reopen();
            uint16_t songs = 0;
            ASSERT_EQ(tavovxfSongGetNum(again, &songs), VXF_OK);
            ASSERT_EQ(songs, 2);
            ASSERT_EQ(tavovxfSongSetPrimary(again, 0), VXF_OK);
            EXPECT_EQ(readTrack(again, 0, 0, 3 * 8192), earlier);
            expectVolumeConsistent(again, !persistent);
            ASSERT_EQ(tavovxfDriveClose(again), VXF_OK);
        }
    }
}

namespace {

// Narrow callers over a 24-bit take: bytes per sample, byte order, sample rate.
using NarrowCase = std::tuple<uint16_t, uint16_t, uint32_t>;

class NarrowWrite : public TrackWrite, public testing::WithParamInterface<NarrowCase> {
protected:
    uint16_t bytes() const { return std::get<0>(GetParam()); }
    uint16_t order() const { return std::get<1>(GetParam()); }
    uint32_t rate() const { return std::get<2>(GetParam()); }

    static constexpr uint16_t kTracks = 8;  // a track count both rates allow

    // A song at the case's rate, and its block length in caller samples.
    uint32_t openSong(uint32_t& block) {
        uint32_t h = openWithSong(kTracks, rate());
        EXPECT_EQ(tavovxfTrackOptimalTransferSize(h, &block), VXF_OK);
        return h;
    }

    Bytes callerSamples(uint32_t count, uint32_t seed) const { return randomBytes(size_t(count) * bytes(), seed); }

    // The drive bytes (least significant first) of caller sample j, by the
    // packing rules: 1 and 2 bytes are the top of the 24 bits, 4 bytes lose
    // their most significant byte.
    Bytes packed(const Bytes& samples, size_t j) const {
        uint32_t value = 0;
        for (uint16_t i = 0; i < bytes(); ++i) {
            value = value << 8 | samples[j * bytes() + (order() ? i : bytes() - 1 - i)];
        }
        value = bytes() == 4 ? value & 0xFFFFFF : value << 8 * (3 - bytes());
        return {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16)};
    }

    // What a track reads back after `samples` went over `before` at `offset`;
    // a track grown past `before` is silent where nothing was written.
    Bytes merged(Bytes before, uint32_t offset, const Bytes& samples) const {
        const size_t count = samples.size() / bytes();
        before.resize(std::max(before.size(), (offset + count) * 3), 0);
        for (size_t j = 0; j < count; ++j) {
            const Bytes drive = packed(samples, j);
            std::copy(drive.begin(), drive.end(), before.begin() + (offset + j) * 3);
        }
        return before;
    }

    void expectTrack(uint32_t handle, uint16_t track, const Bytes& expected) {
        const Bytes back = readTrack(handle, track, 0, uint32_t(expected.size() / 3));
        ASSERT_EQ(back.size(), expected.size());
        const auto got = std::mismatch(back.begin(), back.end(), expected.begin()).first;
        EXPECT_EQ(got, back.end()) << "track " << track << " differs first at sample " << (got - back.begin()) / 3;
    }

    // A track whose samples are empty has no source.
    void writeAll(uint32_t handle, uint32_t offset, uint32_t count, const std::vector<Bytes>& samples,
                  uint16_t width, uint16_t byteOrder) {
        const void* sources[24] = {};
        for (size_t t = 0; t < samples.size(); ++t) sources[t] = samples[t].empty() ? nullptr : samples[t].data();
        ASSERT_EQ(tavovxfTrackWriteAll(handle, offset, count, width, byteOrder, sources), VXF_OK);
    }
};

// Both writes start and end part-way through blocks, at odd caller samples
// (inside a stored pair at 88.2 and 96 kHz); the second starts inside the
// half-used last block and grows the song.
struct NarrowRanges {
    uint32_t take, offset, count, later, more;
    explicit NarrowRanges(uint32_t block)
        : take(block + block / 2), offset(block / 3 | 1), count(((block + block / 4) | 1) - offset),
          later(take - 101), more(block + 1) {}
};

}  // namespace

TEST_P(NarrowWrite, OneTrackKeepsEveryBitOfTheTakeAroundItsSamples) {
    uint32_t block = 0;
    uint32_t h = openSong(block);
    const NarrowRanges n(block);
    Bytes expected = randomBytes(size_t(n.take) * 3, 70);
    write(h, 4, 0, expected);

    const Bytes samples = callerSamples(n.count, 71);
    write(h, 4, n.offset, samples, bytes(), order());
    expected = merged(expected, n.offset, samples);
    expectTrack(h, 4, expected);

    const Bytes more = callerSamples(n.more, 72);
    write(h, 4, n.later, more, bytes(), order());
    expected = merged(expected, n.later, more);
    EXPECT_EQ(songLength(h), n.later + n.more);
    expectTrack(h, 4, expected);
}

TEST_P(NarrowWrite, AllTracksKeepEveryBitOfTheTakeAroundTheirSamplesAndWhereThereIsNoSource) {
    uint32_t block = 0;
    uint32_t h = openSong(block);
    const NarrowRanges n(block);
    std::vector<Bytes> expected, samples, more;
    for (uint32_t t = 0; t < kTracks; ++t) expected.push_back(randomBytes(size_t(n.take) * 3, 80 + t));
    writeAll(h, 0, n.take, expected, 3, 0);

    for (uint32_t t = 0; t < kTracks; ++t) samples.push_back(callerSamples(n.count, 100 + t));
    samples[3].clear();
    writeAll(h, n.offset, n.count, samples, bytes(), order());
    for (uint32_t t = 0; t < kTracks; ++t) more.push_back(callerSamples(n.more, 120 + t));
    more[6].clear();
    writeAll(h, n.later, n.more, more, bytes(), order());
    EXPECT_EQ(songLength(h), n.later + n.more);

    for (uint16_t t = 0; t < kTracks; ++t) {
        expected[t] = merged(merged(expected[t], n.offset, samples[t]), n.later, more[t]);
        expected[t].resize(size_t(n.later + n.more) * 3, 0);
        expectTrack(h, t, expected[t]);
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, NarrowWrite,
                         testing::Combine(testing::Values<uint16_t>(1, 2, 4), testing::Values<uint16_t>(0, 1),
                                          testing::Values(48000u, 96000u)),
                         [](const testing::TestParamInfo<NarrowCase>& info) {
                             return std::to_string(std::get<0>(info.param) * 8) + "Bit" +
                                    (std::get<1>(info.param) ? "MsbFirst" : "LsbFirst") +
                                    std::to_string(std::get<2>(info.param) / 1000) + "kHz";
                         });
