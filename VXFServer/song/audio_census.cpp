// audio_census.cpp - the clusters the songs use, counted over their block runs, and the audio bitmap rebuilt from them.
#include "song/audio_census.h"

#include <cstring>

#include "song/current_song.h"
#include "core/errors.h"
#include "volume/bitmaps.h"
#include "volume/super_block.h"

namespace vxfserver {

bool isCorruptSongError(int32_t code) { return code == VXF_ERR_SONG_CORRUPT || code == VXF_ERR_SONG_CORRUPT2; }

void startCensus(ClusterCensus& census) {
    std::memset(census.unclaimed, 0xFF, sizeof census.unclaimed);
    census.used = 0;
}

void countSongClusters(ClusterCensus& census, const Song& song) {
    census.used += censusOfRuns(song.runs, kSongRunsInMemory, census.unclaimed);
}

bool censusOfSongSlots(ClusterCensus& census, const CorruptSongSlot& onCorrupt) {
    const SuperBlock& sb = state().superBlock;
    const uint32_t* slots = state().songBitmap.words;
    Song song;
    for (uint32_t b = nextSongSlotSet(slots, 0); b != kNoSongSlot; b = nextSongSlotSet(slots, b + 1)) {
        const uint32_t lba = sb.songLba + b * sb.songLength;
        if (readSongRecord(lba, song)) {
            countSongClusters(census, song);
            continue;
        }
        if (!isCorruptSongError(lastError()) || !onCorrupt || !onCorrupt(lba)) return false;
    }
    return true;
}

void installCensus(const ClusterCensus& census) {
    uint32_t used[kAudioBitmapWords] = {};
    for (size_t w = 0; w < kAudioBitmapBitWords; ++w) used[w] = ~census.unclaimed[w];
    SuperBlock& sb = state().superBlock;
    initAudioBitmap(sb.audioBitmapLba, used);
    sb.availableClusters = totalClusters(sb) - census.used;
}

}  // namespace vxfserver
