// shared_clusters.cpp - clusters two songs claim (or one song twice), each claimant given its own copy by the scan.
#include "maintenance/shared_clusters.h"

#include <map>
#include <set>
#include <vector>

#include "volume/bitmaps.h"
#include "song/block_runs.h"
#include "song/current_song.h"
#include "core/drive_io.h"
#include "core/errors.h"
#include "core/record.h"
#include "volume/super_block.h"
#include "core/server_state.h"
#include "song/track_layout.h"

namespace vxfserver {

namespace {

struct SongBlocks {
    uint32_t lba = 0;
    std::vector<uint32_t> blocks;  // the LBA of each audio block, in song order
};

// A damaged record's name may hold anything: only its printable characters are shown.
std::string nameOf(const Song& song) {
    std::string name = "\"";
    for (size_t i = 0; i < sizeof song.extName && song.extName[i] != '\0'; ++i) {
        const unsigned char c = static_cast<unsigned char>(song.extName[i]);
        name += c >= 0x20 && c < 0x7F ? char(c) : '?';
    }
    return name + "\"";
}

std::vector<uint32_t> blocksOf(const Song& song) {
    std::vector<uint32_t> blocks;
    for (size_t r = 0, n = runsInUse(song.runs); r < n; ++r) {
        for (uint32_t b = 0; b < song.runs[r].length; ++b) blocks.push_back(song.runs[r].lba + b * kSectorsPerAudioBlock);
    }
    return blocks;
}

uint64_t blockCountOf(const Song& song) {
    uint64_t blocks = 0;
    for (size_t r = 0, n = runsInUse(song.runs); r < n; ++r) blocks += song.runs[r].length;
    return blocks;
}

uint32_t clusterOf(uint32_t blockLba) {
    uint32_t k = 0;
    clusterOfLba(blockLba, k);  // runs were checked to lie in the audio space at load
    return k;
}

uint32_t clusterLba(uint32_t k) {
    const SuperBlock& sb = state().superBlock;
    return sb.audioSpaceLba + k * sb.audioBlocksPerCluster * kSectorsPerAudioBlock;
}

// The clusters no song claims, lowest first, for the copies.
class FreeClusters {
public:
    explicit FreeClusters(const std::vector<SongBlocks>& songs) : claimed_(totalClusters(state().superBlock), false) {
        for (const SongBlocks& song : songs) {
            for (uint32_t block : song.blocks) claimed_[clusterOf(block)] = true;
        }
    }
    size_t available() const {
        size_t n = 0;
        for (size_t k = next_; k < claimed_.size(); ++k) n += claimed_[k] ? 0 : 1;
        return n;
    }
    uint32_t take() {
        while (claimed_[next_]) ++next_;
        claimed_[next_] = true;
        return uint32_t(next_);
    }

private:
    std::vector<bool> claimed_;
    size_t next_ = 0;
};

// Positions of the song whose block an earlier song's cluster, or an earlier
// position of the song itself, claims already; by (cluster, how often it came before).
using Remap = std::map<std::pair<uint32_t, uint32_t>, std::vector<size_t>>;

Remap conflictsOf(const SongBlocks& song, const std::set<uint32_t>& earlierClusters) {
    Remap remap;
    std::map<uint32_t, uint32_t> seenBlocks;
    for (size_t i = 0; i < song.blocks.size(); ++i) {
        const uint32_t k = clusterOf(song.blocks[i]);
        const uint32_t repeat = seenBlocks[song.blocks[i]]++;
        if (repeat > 0 || earlierClusters.count(k) != 0) remap[{k, repeat}].push_back(i);
    }
    return remap;
}

// The runs that walk the blocks in order; none when more than a record stores.
bool runsFor(const std::vector<uint32_t>& blocks, BlockRun* runs) {
    size_t r = 0;
    for (size_t i = 0; i < blocks.size(); ++i) {
        if (r > 0 && blocks[i] == runs[r - 1].lba + runs[r - 1].length * kSectorsPerAudioBlock) {
            ++runs[r - 1].length;
            continue;
        }
        if (r == kSongRunsStored) return false;
        runs[r++] = BlockRun{blocks[i], 1};
    }
    for (; r < kSongRunsInMemory; ++r) runs[r] = BlockRun{};
    return true;
}

bool copyBlock(uint32_t from, uint32_t to) {
    uint8_t* buffer = state().trackBuffer;
    // An unreadable block was lost to both claimants alike: the copy holds silence.
    if (!readSectors(from, kSectorsPerAudioBlock, buffer)) std::fill(buffer, buffer + kAudioBlockBytes, uint8_t(0));
    setLastError(VXF_OK);
    return writeSectors(to, kSectorsPerAudioBlock, buffer);
}

// Gives the song its own copies; false only for a drive failure.
bool untangleSong(const SongBlocks& entry, const std::set<uint32_t>& earlier, FreeClusters& free,
                  SharingReport& report) {
    const Remap remap = conflictsOf(entry, earlier);
    if (remap.empty()) return true;
    report.shared += uint32_t(remap.size());
    Song song;
    if (!readSongRecord(entry.lba, song)) return false;
    std::vector<uint32_t> blocks = entry.blocks;
    std::vector<std::pair<uint32_t, uint32_t>> copies;
    if (free.available() < remap.size()) {
        report.unresolved += nameOf(song) + " shares " + std::to_string(remap.size()) +
                             " clusters with other songs; no free space is left to give it copies of its own\n";
        return true;
    }
    for (const auto& [key, positions] : remap) {
        const uint32_t target = clusterLba(free.take());
        const uint32_t source = clusterLba(key.first);
        for (size_t i : positions) {
            blocks[i] = target + (entry.blocks[i] - source);
            copies.emplace_back(entry.blocks[i], blocks[i]);
        }
    }
    BlockRun runs[kSongRunsInMemory];
    if (!runsFor(blocks, runs)) {
        report.unresolved += nameOf(song) + " shares clusters with other songs; its copies would need more runs "
                             "than a song record holds\n";
        return true;
    }
    for (const auto& [from, to] : copies) {
        if (!copyBlock(from, to)) return false;
    }
    std::copy(runs, runs + kSongRunsInMemory, song.runs);
    state().song = song;
    const bool saved = saveSong();
    state().song = Song{};
    report.copied += uint32_t(remap.size());
    return saved;
}

}  // namespace

bool untangleSharedClusters(SharingReport& report) {
    report = SharingReport{};
    const SuperBlock& sb = state().superBlock;
    std::vector<SongBlocks> songs;
    // Damaged records may claim the whole drive many times over: what is looked at stays
    // within twice the blocks the drive holds, and a song beyond that is named, not untangled.
    const uint64_t budget = 2ull * totalClusters(sb) * sb.audioBlocksPerCluster;
    uint64_t taken = 0;
    Song song;
    const uint32_t* slots = state().songBitmap.words;
    for (uint32_t b = nextSongSlotSet(slots, 0); b != kNoSongSlot; b = nextSongSlotSet(slots, b + 1)) {
        const uint32_t lba = sb.songLba + b * sb.songLength;
        if (!readSongRecord(lba, song)) {
            if (lastError() == VXF_ERR_DISK_READ) return false;
            continue;
        }
        const uint64_t length = blockCountOf(song);
        if (taken + length > budget) {
            report.unresolved += nameOf(song) + " claims more audio than the drive holds; it was left as it was\n";
            continue;
        }
        taken += length;
        songs.push_back(SongBlocks{lba, blocksOf(song)});
    }
    setLastError(VXF_OK);
    FreeClusters free(songs);
    std::set<uint32_t> earlier;
    for (const SongBlocks& entry : songs) {
        if (!untangleSong(entry, earlier, free, report)) return false;
        Song now;
        if (!readSongRecord(entry.lba, now)) return false;
        for (uint32_t block : blocksOf(now)) earlier.insert(clusterOf(block));
    }
    return true;
}

}  // namespace vxfserver
