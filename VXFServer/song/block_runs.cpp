// block_runs.cpp - position arithmetic over a song's table of block runs.
#include "song/block_runs.h"

#include "core/errors.h"
#include "song/track_layout.h"

namespace vxfserver {

size_t runsInUse(const BlockRun* runs) {
    size_t n = 0;
    while (n < kSongRunsInMemory && runs[n].lba != 0) ++n;
    return n;
}

uint64_t blocksInRuns(const BlockRun* runs) {
    uint64_t sum = 0;
    for (size_t i = 0, n = runsInUse(runs); i < n; ++i) sum += runs[i].length;
    return sum;
}

bool seekPosition(const BlockRun* runs, uint32_t audioBlocks, uint32_t block, SongPosition& position) {
    if (audioBlocks == 0) {
        if (block != 0) return fail(VXF_ERR_SONGINFO_CORRUPT2);
        position = SongPosition{};
        return true;
    }
    if (block > audioBlocks) return fail(VXF_ERR_SONGINFO_CORRUPT2);
    uint32_t rest = block;
    for (uint32_t run = 0; run < kSongRunsInMemory; ++run) {
        uint32_t length = runs[run].length;
        if (rest < length || (block == audioBlocks && rest == length)) {
            position = SongPosition{block, run, rest};
            return true;
        }
        rest -= length;
    }
    return fail(VXF_ERR_SONG_FRAGMENTED);
}

namespace {
// Onto offset 0 of the next run, which must exist in the table.
bool enterNextRun(SongPosition& next) {
    if (next.runIndex + 1 >= kSongRunsInMemory) return fail(VXF_ERR_SONG_FRAGMENTED);
    ++next.runIndex;
    next.offsetInRun = 0;
    return true;
}
}  // namespace

bool stepForwardToRead(const BlockRun* runs, uint32_t audioBlocks, SongPosition& position) {
    if (uint64_t(position.blockIndex) + 1 >= audioBlocks) return fail(VXF_ERR_END_OF_SONG);
    SongPosition next{position.blockIndex + 1, position.runIndex, position.offsetInRun + 1};
    if (next.offsetInRun >= runs[next.runIndex].length && !enterNextRun(next)) return false;
    position = next;
    return true;
}

bool stepForwardToWrite(const BlockRun* runs, uint32_t audioBlocks, SongPosition& position) {
    SongPosition next{position.blockIndex + 1, position.runIndex, position.offsetInRun + 1};
    if (next.offsetInRun >= runs[next.runIndex].length && next.blockIndex < audioBlocks && !enterNextRun(next)) {
        return false;
    }
    position = next;
    return true;
}

bool stepBackward(const BlockRun* runs, SongPosition& position) {
    if (position.blockIndex == 0) return fail(VXF_ERR_END_OF_SONG);
    SongPosition previous = position;
    --previous.blockIndex;
    if (previous.offsetInRun > 0) {
        --previous.offsetInRun;
    } else {
        // Block 0 lies in run 0, so a run before this one holds the block.
        if (previous.runIndex == 0 || runs[previous.runIndex - 1].length == 0) {
            return fail(VXF_ERR_UNEXPECTED_END_OF_SONG);
        }
        --previous.runIndex;
        previous.offsetInRun = runs[previous.runIndex].length - 1;
    }
    position = previous;
    return true;
}

bool audioBlockLba(const BlockRun* runs, uint32_t audioBlocks, const SongPosition& position, uint32_t& lba) {
    if (position.blockIndex >= audioBlocks) return fail(VXF_ERR_END_OF_SONG);
    const BlockRun& run = runs[position.runIndex];
    if (position.offsetInRun >= run.length) return fail(VXF_ERR_UNEXPECTED_END_OF_SONG);
    uint64_t address = uint64_t(run.lba) + uint64_t(position.offsetInRun) * kSectorsPerAudioBlock;
    if (address > 0xFFFFFFFFull) return fail(VXF_ERR_UNEXPECTED_END_OF_SONG);
    lba = uint32_t(address);
    return true;
}

}  // namespace vxfserver
