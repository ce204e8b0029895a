// bitmaps.cpp - the audio bitmap (one bit per cluster) and the song bitmap (one bit per song slot).
#include "volume/bitmaps.h"

#include <algorithm>
#include <cstring>

#include "core/errors.h"
#include "core/record.h"
#include "core/record_io.h"
#include "core/server_state.h"
#include "volume/super_block.h"

namespace vxfserver {

namespace {

constexpr uint32_t kFullWord = 0xFFFFFFFFu;

// The bitmaps are kept as host words; on the drive they are little-endian.
void wordsToBytes(const uint32_t* words, size_t count, uint8_t* bytes) {
    for (size_t i = 0; i < count; ++i) putWord(bytes + 4 * i, words[i]);
}
void bytesToWords(const uint8_t* bytes, size_t count, uint32_t* words) {
    for (size_t i = 0; i < count; ++i) words[i] = getWord(bytes + 4 * i);
}

struct BitmapShape {
    uint32_t* words;
    size_t wordCount;
    size_t bitWords;
    uint32_t lba;
    uint32_t sectors;
    uint32_t items;  // existing clusters or slots
    int32_t checksumError;
    int32_t magicError;
};

BitmapShape audioShape() {
    ServerState& st = state();
    return {st.audioBitmap.words, kAudioBitmapWords, kAudioBitmapBitWords, st.superBlock.audioBitmapLba,
            st.superBlock.audioBitmapLength, totalClusters(st.superBlock), VXF_ERR_ABITMAP_CORRUPT,
            VXF_ERR_ABITMAP_CORRUPT2};
}

BitmapShape songShape() {
    ServerState& st = state();
    return {st.songBitmap.words, kSongBitmapWords, kSongBitmapBitWords, st.superBlock.songBitmapLba,
            st.superBlock.songBitmapLength, st.superBlock.maxSongs, VXF_ERR_SBITMAP_CORRUPT,
            VXF_ERR_SBITMAP_CORRUPT2};
}

bool loadBitmap(const BitmapShape& shape) {
    const size_t bytes = shape.wordCount * 4;
    auto check = [&](const uint8_t* copy) -> int32_t {
        bytesToWords(copy, shape.wordCount, shape.words);
        if (!checksumMatches(copy, bytes)) return shape.checksumError;
        if (shape.words[shape.wordCount - 2] != magicOf(shape.lba)) return shape.magicError;
        return 0;
    };
    if (shape.sectors * kSectorSize != bytes) return fail(shape.checksumError);
    if (!loadRecordWithRepair(shape.lba, shape.sectors, check)) return false;
    // A tail bit left clear on the drive must never grant what does not exist.
    setBitmapTail(shape.words, shape.bitWords, shape.items);
    return true;
}

bool writeBitmap(const BitmapShape& shape) {
    const size_t bytes = shape.wordCount * 4;
    uint8_t buffer[kAudioBitmapWords * 4];
    wordsToBytes(shape.words, shape.wordCount, buffer);
    storeChecksum(buffer, bytes);
    shape.words[shape.wordCount - 1] = getWord(buffer + bytes - 4);
    return writeRecordCopies(shape.lba, shape.sectors, buffer);
}

void markAudioBitmapChanged() { setFlag(kFlagAudioBitmapChanged | kFlagSuperBlockChanged); }

uint32_t clusterSectors() {
    const SuperBlock& sb = state().superBlock;
    return sb.audioBlocksPerCluster * sb.sectorsPerAudioBlock;
}

bool bitIsSet(const uint32_t* words, uint32_t bit) { return (words[bit / 32] >> (bit % 32)) & 1u; }

// Takes a free cluster: sets its bit and counts it out of the free clusters.
void takeCluster(uint32_t cluster) {
    state().audioBitmap.words[cluster / 32] |= 1u << (cluster % 32);
    state().superBlock.availableClusters -= 1;
    markAudioBitmapChanged();
}

uint32_t clusterLba(uint32_t cluster) {
    return state().superBlock.audioSpaceLba + cluster * clusterSectors();
}

// Step 2 of the allocation: the free clusters that follow the run inside the
// bitmap word of the cluster where it ends.
uint32_t extendRunInWord(const BlockRun& run, BlockRun& grant) {
    const SuperBlock& sb = state().superBlock;
    const uint32_t c = sb.audioBlocksPerCluster;
    uint32_t k = 0;
    const uint64_t end = uint64_t(run.lba) + uint64_t(run.length) * sb.sectorsPerAudioBlock;
    if (end > 0xFFFFFFFFu || !clusterOfLba(uint32_t(end), k)) return 0;
    uint32_t blocks = 0;
    for (uint32_t bit = k % 32; bit < 32; ++bit) {
        const uint32_t cluster = k - k % 32 + bit;
        if (bitIsSet(state().audioBitmap.words, cluster)) break;
        takeCluster(cluster);
        if (blocks == 0) grant.lba = clusterLba(cluster);
        blocks += c;
    }
    return blocks;
}

}  // namespace

void setBitmapTail(uint32_t* words, size_t bitWords, uint32_t count) {
    size_t w = count / 32;
    if (w >= bitWords) return;
    if (count % 32 != 0) words[w++] |= kFullWord << (count % 32);
    for (; w < bitWords; ++w) words[w] = kFullWord;
}

// --- audio bitmap ---

void initAudioBitmap(uint32_t lba, const uint32_t* source) {
    uint32_t* words = state().audioBitmap.words;
    if (source != nullptr) {
        std::memcpy(words, source, kAudioBitmapWords * 4);
    } else {
        std::memset(words, 0, kAudioBitmapWords * 4);
    }
    setBitmapTail(words, kAudioBitmapBitWords, totalClusters(state().superBlock));
    words[kAudioBitmapBitWords] = magicOf(lba);
}

bool loadAudioBitmap() { return loadBitmap(audioShape()); }

bool writeAudioBitmap() { return writeBitmap(audioShape()); }

void copyAudioBitmap(uint32_t* out) { std::memcpy(out, state().audioBitmap.words, kAudioBitmapWords * 4); }

bool mergeAudioBitmap(const uint32_t* words) {
    uint32_t* own = state().audioBitmap.words;
    for (size_t i = 0; i < kAudioBitmapBitWords; ++i) own[i] ^= words[i];
    setBitmapTail(own, kAudioBitmapBitWords, totalClusters(state().superBlock));
    return writeAudioBitmap();
}

bool clusterOfLba(uint32_t lba, uint32_t& cluster) {
    const SuperBlock& sb = state().superBlock;
    const uint32_t size = clusterSectors();
    if (size == 0 || lba < sb.audioSpaceLba) return false;
    const uint32_t k = (lba - sb.audioSpaceLba) / size;
    if (k >= totalClusters(sb) || k >= layout::kAudioBitmapBits) return false;
    cluster = k;
    return true;
}

bool allocateAudioBlocks(const BlockRun& run, BlockRun& grant) {
    ServerState& st = state();
    const SuperBlock& sb = st.superBlock;
    const uint32_t c = sb.audioBlocksPerCluster;
    uint32_t* words = st.audioBitmap.words;
    grant = {0, 0};
    if (c == 0) return fail(VXF_ERR_DISK_FULL);

    // 1. The rest of the run's last cluster.
    if (run.length % c != 0) {
        grant.lba = run.lba + run.length * sb.sectorsPerAudioBlock;
        grant.length = c - run.length % c;
        return true;
    }
    // 2. Free clusters right after the run, inside its bitmap word.
    if (run.length != 0 && run.length % (32 * c) != 0) {
        grant.length = extendRunInWord(run, grant);
        if (grant.length != 0) return true;
    }
    const uint32_t activeWords = sb.audioBitmapActiveWords;
    // 3. A whole free word: 32 clusters in a row.
    for (uint32_t w = 0; w < activeWords; ++w) {
        if (words[w] != 0) continue;
        words[w] = kFullWord;
        st.superBlock.availableClusters -= 32;
        markAudioBitmapChanged();
        grant = {clusterLba(w * 32), 32 * c};
        return true;
    }
    // 4. The lowest free cluster.
    for (uint32_t w = 0; w < activeWords; ++w) {
        if (words[w] == kFullWord) continue;
        const uint32_t bit = uint32_t(__builtin_ctz(~words[w]));
        takeCluster(w * 32 + bit);
        grant = {clusterLba(w * 32 + bit), c};
        return true;
    }
    return fail(VXF_ERR_DISK_FULL);
}

bool freeAudioCluster(uint32_t lba) {
    uint32_t k = 0;
    if (!clusterOfLba(lba, k)) return false;
    uint32_t& word = state().audioBitmap.words[k / 32];
    const uint32_t bit = 1u << (k % 32);
    if ((word & bit) == 0) return true;
    word &= ~bit;
    state().superBlock.availableClusters += 1;
    markAudioBitmapChanged();
    return true;
}

uint32_t censusOfRuns(const BlockRun* runs, size_t count, uint32_t* words) {
    const uint32_t blockSectors = state().superBlock.sectorsPerAudioBlock;
    uint32_t cleared = 0;
    for (size_t r = 0; r < count && runs[r].lba != 0; ++r) {
        for (uint32_t b = 0; b < runs[r].length; ++b) {
            const uint64_t lba = uint64_t(runs[r].lba) + uint64_t(b) * blockSectors;
            uint32_t k = 0;
            if (lba > 0xFFFFFFFFu || !clusterOfLba(uint32_t(lba), k)) continue;
            if (!bitIsSet(words, k)) continue;
            words[k / 32] &= ~(1u << (k % 32));
            ++cleared;
        }
    }
    return cleared;
}

// --- song bitmap ---

void initSongBitmap(uint32_t lba) {
    uint32_t* words = state().songBitmap.words;
    std::memset(words, 0, kSongBitmapWords * 4);
    setBitmapTail(words, kSongBitmapBitWords, state().superBlock.maxSongs);
    words[kSongBitmapBitWords] = magicOf(lba);
}

bool loadSongBitmap() { return loadBitmap(songShape()); }

bool writeSongBitmap() { return writeBitmap(songShape()); }

void copySongBitmap(uint32_t* out) { std::memcpy(out, state().songBitmap.words, kSongBitmapWords * 4); }

namespace {
uint32_t songSlotCount() { return std::min<uint32_t>(state().superBlock.maxSongs, layout::kSongBitmapBits); }
}  // namespace

uint32_t nextSongSlotSet(const uint32_t* words, uint32_t from) {
    const uint32_t slots = songSlotCount();
    if (from >= slots) return kNoSongSlot;
    uint32_t w = from / 32;
    uint32_t bits = words[w] & (kFullWord << (from % 32));
    while (bits == 0) {
        if (++w * 32 >= slots) return kNoSongSlot;
        bits = words[w];
    }
    const uint32_t slot = w * 32 + uint32_t(__builtin_ctz(bits));
    return slot < slots ? slot : kNoSongSlot;
}

bool songSlotInUse(uint32_t slot) {
    return slot < songSlotCount() && (state().songBitmap.words[slot / 32] >> (slot % 32) & 1u) != 0;
}

uint32_t songSlotsSet(const uint32_t* words) {
    const uint32_t slots = songSlotCount();
    uint32_t count = 0;
    for (uint32_t w = 0; w * 32 < slots; ++w) {
        const uint32_t valid = slots - w * 32 >= 32 ? kFullWord : ~(kFullWord << (slots - w * 32));
        count += uint32_t(__builtin_popcount(words[w] & valid));
    }
    return count;
}

}  // namespace vxfserver
