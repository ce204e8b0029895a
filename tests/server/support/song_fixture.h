// song_fixture.h - helpers for song and track tests: a formatted drive with a song, sample patterns, volume checks.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "volume/bitmaps.h"
#include "core/record.h"
#include "song/block_runs.h"
#include "server_fixture.h"
#include "core/server_state.h"
#include "volume/super_block.h"

namespace vxfserver::test {

// A drive of `clusters` clusters of one audio block each: small enough to fill.
constexpr uint64_t smallDriveSectors(uint32_t clusters) { return layout::kLayoutOverhead + uint64_t(clusters) * 1152; }

using Bytes = std::vector<uint8_t>;

inline Bytes randomBytes(size_t size, uint32_t seed) {
    std::mt19937 random(seed);
    Bytes bytes(size);
    for (auto& b : bytes) b = uint8_t(random());
    return bytes;
}

class SongFixture : public ServerFixture {
protected:
    // A formatted drive with one new song current in its first project.
    uint32_t openWithSong(uint16_t tracks = 24, uint32_t rate = 48000, uint64_t sectors = kDriveSectors) {
        uint32_t handle = openFormatted(sectors);
        EXPECT_EQ(tavovxfSongCreate(handle, tracks, rate, 24), VXF_OK);
        return handle;
    }

    // A new handle on the first drive with its first project open.
    uint32_t reopen() {
        uint32_t handle = open();
        EXPECT_EQ(tavovxfProjectSetPrimary(handle, 0), VXF_OK);
        return handle;
    }

    // Reads caller track `track` through the export; the samples read are checked to be `count`.
    Bytes readTrack(uint32_t handle, uint16_t track, uint32_t offset, uint32_t count, uint16_t bytes = 3,
                    uint16_t order = 0) {
        Bytes out(size_t(count) * bytes);
        uint32_t read = 0;
        EXPECT_EQ(tavovxfTrackRead(handle, track, offset, count, &read, bytes, order, out.data()), VXF_OK);
        EXPECT_EQ(read, count);
        return out;
    }

    uint32_t songLength(uint32_t handle) {
        uint32_t length = 0;
        EXPECT_EQ(tavovxfSongGetLength(handle, &length), VXF_OK);
        return length;
    }

    // Every image byte of `count` sectors from `lba`.
    Bytes imageBytes(const std::string& path, uint64_t lba, uint32_t count) {
        Bytes bytes;
        for (uint32_t i = 0; i < count; ++i) {
            Sector s = readSector(path, lba + i);
            bytes.insert(bytes.end(), s.begin(), s.end());
        }
        return bytes;
    }

    // Rewrites a block of `sectors` sectors at `lba` through `change`, seals its
    // checksum again and stores it as both copies (the mirror at S - lba - sectors).
    void patchBothCopies(uint32_t lba, uint32_t sectors, const std::function<void(uint8_t*)>& change) {
        Bytes block = imageBytes(drivePath_, lba, sectors);
        change(block.data());
        storeChecksum(block.data(), block.size());
        const uint64_t mirror = uint64_t(state().sectorCount) - lba - sectors;
        for (uint32_t i = 0; i < sectors; ++i) {
            Sector sector;
            std::memcpy(sector.data(), &block[i * 512], 512);
            writeSector(drivePath_, lba + i, sector);
            writeSector(drivePath_, mirror + i, sector);
        }
    }

    // The system area of the image (super block, lists, bitmaps, project and song records).
    Bytes systemArea(const std::string& path, uint32_t songs = 8) {
        return imageBytes(path, 0, layout::kSongLba + songs * layout::kSongLength);
    }

    // Whether the mounted volume is safe for its songs: every block of every
    // song of the open project lies in a cluster marked in use, no two songs
    // share a cluster, and the free count is not below the number of clear
    // bits (so allocation never counts below zero). With `exact` it is
    // consistent as well: runs agree with the block counts, no cluster is
    // marked that no song uses, and the free count is the number of clear bits.
    void expectVolumeConsistent(uint32_t handle, bool exact) {
        uint16_t songs = 0;
        ASSERT_EQ(tavovxfSongGetNum(handle, &songs), VXF_OK);
        const SuperBlock& sb = state().superBlock;
        const uint32_t total = totalClusters(sb);
        std::vector<int> owner(total, -1);
        for (uint16_t i = 0; i < songs; ++i) {
            ASSERT_EQ(tavovxfSongSetPrimary(handle, i), VXF_OK) << "song " << i;
            const Song& song = state().song;
            if (exact) {
                EXPECT_EQ(blocksInRuns(song.runs), song.audioBlocks);
            }
            for (size_t r = 0; r < runsInUse(song.runs); ++r) {
                for (uint32_t b = 0; b < song.runs[r].length; ++b) {
                    uint32_t cluster = 0;
                    ASSERT_TRUE(clusterOfLba(song.runs[r].lba + b * 1152, cluster));
                    EXPECT_TRUE(owner[cluster] == -1 || owner[cluster] == i) << "cluster " << cluster << " shared";
                    owner[cluster] = i;
                    EXPECT_TRUE(state().audioBitmap.words[cluster / 32] >> (cluster % 32) & 1)
                        << "cluster " << cluster << " of song " << i << " is marked free";
                }
            }
        }
        uint32_t clear = 0;
        for (uint32_t k = 0; k < total; ++k) {
            const bool set = state().audioBitmap.words[k / 32] >> (k % 32) & 1;
            clear += set ? 0 : 1;
            if (exact && set) {
                EXPECT_NE(owner[k], -1) << "cluster " << k << " is marked but no song uses it";
            }
        }
        if (exact) {
            EXPECT_EQ(sb.availableClusters, clear);
        } else {
            EXPECT_GE(sb.availableClusters, clear);
        }
    }
};

}  // namespace vxfserver::test
