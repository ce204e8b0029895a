// scan_fixture.h - helpers of the maintenance tests: songs with audio, damaged records, image ranges, bitmap checks.
#pragma once

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <set>
#include <string>
#include <vector>

#include "volume/bitmaps.h"
#include "song/current_song.h"
#include "core/errors.h"
#include "api/handles.h"
#include "maintenance/scan.h"
#include "core/server_state.h"
#include "song_fixture.h"

namespace vxfserver::test {

class MaintenanceFixture : public SongFixture {
protected:
    static constexpr uint32_t kSamplesPerBlock = 8192;  // 24 tracks at 48 kHz

    // Writes `blocks` audio blocks of a pattern into caller track 0 of the
    // current 24-track song; answers the samples written (3 bytes each).
    Bytes writeBlocks(uint32_t handle, uint32_t blocks, uint32_t seed) {
        Bytes samples = randomBytes(size_t(blocks) * kSamplesPerBlock * 3, seed);
        EXPECT_EQ(tavovxfTrackWrite(handle, 0, 0, blocks * kSamplesPerBlock, 3, 0, samples.data()), VXF_OK);
        return samples;
    }
    // A new 24-track song in the open project with `blocks` blocks of audio.
    uint32_t songWithAudio(uint32_t handle, uint32_t blocks, uint32_t seed, Bytes* samples = nullptr) {
        EXPECT_EQ(tavovxfSongCreate(handle, 24, 48000, 24), VXF_OK);
        Bytes written = writeBlocks(handle, blocks, seed);
        if (samples != nullptr) *samples = written;
        return state().song.lba;
    }
    // Track 0 of the song at `index` of project `project` reads back `samples`.
    void expectAudio(uint32_t handle, uint16_t project, uint16_t index, const Bytes& samples) {
        ASSERT_EQ(tavovxfProjectSetPrimary(handle, project), VXF_OK);
        ASSERT_EQ(tavovxfSongSetPrimary(handle, index), VXF_OK);
        EXPECT_EQ(readTrack(handle, 0, 0, uint32_t(samples.size() / 3)), samples);
    }

    // Both copies of a record of `sectors` sectors at `lba` fail their checksum.
    void breakBothCopies(uint32_t lba, uint32_t sectors) {
        damageSector(drivePath_, lba);
        damageSector(drivePath_, uint64_t(state().sectorCount) - lba - sectors);
    }

    // `count` sectors from `lba` of the image, read in one go.
    Bytes imageRange(uint64_t lba, uint32_t count) {
        Bytes bytes(size_t(count) * 512);
        int fd = ::open(drivePath_.c_str(), O_RDONLY | O_CLOEXEC);
        EXPECT_GE(fd, 0);
        EXPECT_EQ(::pread(fd, bytes.data(), bytes.size(), off_t(lba * 512)), ssize_t(bytes.size()));
        ::close(fd);
        return bytes;
    }
    // The system area of the first `songs` song slots and the copies of it at the drive's end.
    Bytes systemAndMirror(uint64_t sectorCount, uint32_t songs = 16) {
        const uint32_t sectors = layout::kSongLba + songs * layout::kSongLength;
        Bytes bytes = imageRange(0, sectors);
        Bytes mirror = imageRange(sectorCount - sectors, sectors);
        bytes.insert(bytes.end(), mirror.begin(), mirror.end());
        return bytes;
    }

    // The internal scan on a raw selection, as the export runs it; its figures.
    ScanResult scan(uint32_t handle) {
        ScanResult result{};
        EXPECT_TRUE(selectDriveWithoutMount(handle));
        EXPECT_TRUE(scanVolume(result)) << "error " << lastError();
        return result;
    }

    uint32_t freeKiB(uint32_t handle) {
        uint32_t kib = 0;
        EXPECT_EQ(tavovxfDriveGetFreeSpace(handle, &kib), VXF_OK);
        return kib;
    }

    bool clusterMarked(uint32_t cluster) { return state().audioBitmap.words[cluster / 32] >> (cluster % 32) & 1u; }
    bool songSlotMarked(uint32_t lba) {
        const uint32_t slot = (lba - layout::kSongLba) / layout::kSongLength;
        return state().songBitmap.words[slot / 32] >> (slot % 32) & 1u;
    }

    // The clusters of every song whose slot is set in the song bitmap.
    std::set<uint32_t> clustersOfAllSongs() {
        std::set<uint32_t> clusters;
        const SuperBlock& sb = state().superBlock;
        for (uint32_t b = 0; b < sb.maxSongs; ++b) {
            const uint32_t lba = sb.songLba + b * sb.songLength;
            if (!songSlotMarked(lba)) continue;
            Song song;
            EXPECT_TRUE(readSongRecord(lba, song)) << "slot " << b;
            for (size_t r = 0; r < kSongRunsInMemory && song.runs[r].lba != 0; ++r) {
                for (uint32_t k = 0; k < song.runs[r].length; ++k) {
                    uint32_t cluster = 0;
                    EXPECT_TRUE(clusterOfLba(song.runs[r].lba + k * sb.sectorsPerAudioBlock, cluster));
                    clusters.insert(cluster);
                }
            }
        }
        return clusters;
    }

    // The mounted audio bitmap marks exactly the songs' clusters (each once)
    // and the tail, and the free count is all the rest.
    void expectBitmapIsTheSongsClusters() {
        const std::set<uint32_t> used = clustersOfAllSongs();
        const SuperBlock& sb = state().superBlock;
        const uint32_t total = totalClusters(sb);
        for (uint32_t k = 0; k < total; ++k) {
            ASSERT_EQ(clusterMarked(k), used.count(k) == 1) << "cluster " << k;
        }
        for (uint32_t k = total; k < kAudioBitmapBitWords * 32; ++k) ASSERT_TRUE(clusterMarked(k)) << "tail " << k;
        EXPECT_EQ(sb.availableClusters, total - used.size());
    }
};

}  // namespace vxfserver::test
