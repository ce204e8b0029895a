// block_runs.h - position arithmetic over a song's table of block runs.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/server_state.h"

namespace vxfserver {

// The runs of a song are listed in song order in a table of
// kSongRunsInMemory entries; the record stores the first kSongRunsStored, so
// a song never owns more runs than that (a further run would vanish at the
// next load and its clusters be handed to another song).

// Runs in use: the entries before the first one whose LBA is 0.
size_t runsInUse(const BlockRun* runs);
// The sum of the lengths of the runs in use.
uint64_t blocksInRuns(const BlockRun* runs);

// The position operations answer true, or false with the last error set;
// a failure leaves the position unchanged. `audioBlocks` is the song's
// Number of Audio Blocks.
bool seekPosition(const BlockRun* runs, uint32_t audioBlocks, uint32_t block, SongPosition& position);
bool stepForwardToRead(const BlockRun* runs, uint32_t audioBlocks, SongPosition& position);
// Writing may step onto the song's end, where the next block address grows the song.
bool stepForwardToWrite(const BlockRun* runs, uint32_t audioBlocks, SongPosition& position);
bool stepBackward(const BlockRun* runs, SongPosition& position);

// The LBA of the audio block at the position, which must lie inside the song
// and inside its run.
bool audioBlockLba(const BlockRun* runs, uint32_t audioBlocks, const SongPosition& position, uint32_t& lba);

}  // namespace vxfserver
