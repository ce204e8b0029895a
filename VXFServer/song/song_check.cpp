// song_check.cpp - the check that makes the current song's block runs and counts agree.
#include "song/song_check.h"

#include <cstring>

#include "song/current_song.h"
#include "core/server_state.h"

namespace vxfserver {

namespace {

// Drops the runs of length 0 among the runs in use, closing up the table;
// answers whether any went and gives the sum of the lengths that stay.
bool compactRuns(BlockRun* runs, uint64_t& blocks) {
    bool removed = false;
    blocks = 0;
    size_t i = 0;
    while (i < kSongRunsInMemory && runs[i].lba != 0) {
        if (runs[i].length == 0 && i < kSongRunsInMemory - 1) {
            std::memmove(&runs[i], &runs[i + 1], (kSongRunsInMemory - 1 - i) * sizeof(BlockRun));
            runs[kSongRunsInMemory - 1] = BlockRun{};
            removed = true;
            continue;
        }
        blocks += runs[i].length;
        ++i;
    }
    return removed;
}

}  // namespace

bool checkCurrentSong() {
    Song& song = state().song;
    uint64_t blocks = 0;
    bool changed = compactRuns(song.runs, blocks);
    if (changed) setFlag(kFlagRunsCompacted);
    if (blocks != song.audioBlocks) {
        // The runs lie inside the audio space (checked at load), so their sum fits.
        song.audioBlocks = uint32_t(blocks);
        changed = true;
    }
    // In 64 bits: a large song's capacity in samples can pass 32 bits.
    const uint64_t capacity = uint64_t(song.audioBlocks) * song.samplesPerTrackBlock;
    if (capacity < song.samples) {
        song.samples = uint32_t(capacity);
        changed = true;
    }
    return !changed || saveSong();
}

}  // namespace vxfserver
