// bitmaps.h - the audio bitmap (one bit per cluster) and the song bitmap (one bit per song slot).
#pragma once

#include "core/records.h"

#include <cstddef>
#include <cstdint>

namespace vxfserver {


// Sets every bit of items `count` and beyond, up to the last bit word.
void setBitmapTail(uint32_t* words, size_t bitWords, uint32_t count);

// --- audio bitmap of the mounted volume ---

// Fills the bit words from `source` (or zeros), sets the tail, stores magic(lba).
void initAudioBitmap(uint32_t lba, const uint32_t* source);
bool loadAudioBitmap();
bool writeAudioBitmap();
void copyAudioBitmap(uint32_t* out);
// XORs `words` into the bit words, sets the tail and writes the bitmap.
bool mergeAudioBitmap(const uint32_t* words);


// Finds audio blocks for a song whose current run is `run` (length 0 for a
// song's first blocks). The grant either continues the run or starts a new
// one; fails with VXF_ERR_DISK_FULL and no change when nothing is free.
bool allocateAudioBlocks(const BlockRun& run, BlockRun& grant);

// Frees the cluster holding `lba` once (an already free cluster stays as it
// is). Answers false, changing nothing, for an LBA outside the clusters.
bool freeAudioCluster(uint32_t lba);

// For every audio block of `runs` (up to `count` entries, ending at the first
// LBA 0) clears its cluster's bit in `words` when set; answers how many bits
// were cleared. Blocks outside the clusters are passed over.
uint32_t censusOfRuns(const BlockRun* runs, size_t count, uint32_t* words);

// Cluster number of an LBA of the audio space, or false when it lies outside.
bool clusterOfLba(uint32_t lba, uint32_t& cluster);

// --- song bitmap of the mounted volume ---

void initSongBitmap(uint32_t lba);
bool loadSongBitmap();
bool writeSongBitmap();
void copySongBitmap(uint32_t* out);

// The first of the mounted volume's song slots, at `from` or after it, whose bit is set in
// `words` (song bitmap bit words); kNoSongSlot when none is. Loops over the slots in use step
// with it from word to word: a volume has thousands of slots and few songs.
constexpr uint32_t kNoSongSlot = 0xFFFFFFFFu;
uint32_t nextSongSlotSet(const uint32_t* words, uint32_t from);
// Whether the mounted volume's song slot is in use (false for a number past its slots).
bool songSlotInUse(uint32_t slot);
// How many of the mounted volume's song slots have their bit set in `words`.
uint32_t songSlotsSet(const uint32_t* words);

}  // namespace vxfserver
