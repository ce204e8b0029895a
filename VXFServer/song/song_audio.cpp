// song_audio.cpp - the current song's audio blocks: growing it from the audio bitmap, finishing a write, freeing it.
#include "song/song_audio.h"

#include <algorithm>

#include "volume/bitmaps.h"
#include "song/cluster_claims.h"
#include "song/block_runs.h"
#include "song/current_song.h"
#include "core/errors.h"
#include "song/song_commit.h"
#include "volume/super_block.h"
#include "song/track_layout.h"

namespace vxfserver {

namespace {

// The run as the allocator sees it: from the start of the cluster holding
// its first block. Runs this server creates start on a cluster boundary
// already; for one that does not, the blocks left in its last cluster are
// counted from that cluster's start, never from the run's.
BlockRun allocationView(const BlockRun& run) {
    if (run.length == 0) return run;
    const SuperBlock& sb = state().superBlock;
    const uint32_t lead = ((run.lba - sb.audioSpaceLba) / kSectorsPerAudioBlock) % sb.audioBlocksPerCluster;
    return BlockRun{run.lba - lead * kSectorsPerAudioBlock, run.length + lead};
}

// Gives back the blocks of the position's run beyond the position's block,
// releasing the whole clusters among them.
void trimOverGrant() {
    ServerState& st = state();
    Song& song = st.song;
    BlockRun& run = song.runs[st.position.runIndex];
    const uint32_t keep = st.position.offsetInRun + 1;
    if (keep >= run.length) return;
    const uint32_t excess = run.length - keep;
    const uint32_t c = st.superBlock.audioBlocksPerCluster;
    const uint32_t first = run.lba + (st.position.offsetInRun + c) * kSectorsPerAudioBlock;
    for (uint32_t i = 0; i < excess / c; ++i) freeAudioCluster(first + i * c * kSectorsPerAudioBlock);
    run.length = keep;
    song.audioBlocks -= excess;
}

// Best-effort return of the drive to the state `before` describes, after a
// write to it failed part way; the first failure's error stays the result.
void rewriteFormerState(const SongAudioSnapshot& before, bool songTouched, bool volumeTouched) {
    const int32_t error = lastError();
    restoreSnapshot(before);
    if (songTouched) saveSong();
    if (volumeTouched) {
        writeAudioBitmap();
        writeSuperBlock();
    }
    restoreSnapshot(before);
    setLastError(error);
}

}  // namespace

void takeSnapshot(SongAudioSnapshot& snapshot) {
    const ServerState& st = state();
    snapshot.song = st.song;
    snapshot.position = st.position;
    snapshot.audioBitmap = st.audioBitmap;
    snapshot.availableClusters = st.superBlock.availableClusters;
    snapshot.flags = st.flags;
}

void restoreSnapshot(const SongAudioSnapshot& snapshot) {
    ServerState& st = state();
    st.song = snapshot.song;
    st.position = snapshot.position;
    st.audioBitmap = snapshot.audioBitmap;
    st.superBlock.availableClusters = snapshot.availableClusters;
    st.flags = snapshot.flags;
}

bool audioBlockForWrite(uint32_t& lba, uint32_t& granted) {
    ServerState& st = state();
    Song& song = st.song;
    SongPosition& position = st.position;
    granted = 0;
    BlockRun& run = song.runs[position.runIndex];
    if (position.offsetInRun >= run.length) {
        BlockRun grant{};
        if (!allocateAudioBlocks(allocationView(run), grant)) return false;
        song.audioBlocks += grant.length;
        granted = grant.length;
        if (run.length != 0 && grant.lba == run.lba + run.length * kSectorsPerAudioBlock) {
            run.length += grant.length;
        } else {
            if (run.length != 0) {
                if (position.runIndex + 1 >= kSongRunsStored) return fail(VXF_ERR_SONG_FRAGMENTED2);
                ++position.runIndex;
                position.offsetInRun = 0;
            }
            song.runs[position.runIndex] = grant;
        }
    }
    return audioBlockLba(song.runs, song.audioBlocks, position, lba);
}

bool finishSongWrite(uint32_t end, uint64_t audioBytes, const SongAudioSnapshot& before) {
    ServerState& st = state();
    Song& song = st.song;
    const bool blocksAdded = hasFlag(kFlagBlocksAdded);
    if (!blocksAdded && end <= song.samples) return true;
    if (end > song.samples) {
        song.samples = end;
        if (blocksAdded) trimOverGrant();
    }
    const uint64_t capacity = uint64_t(song.audioBlocks) * song.samplesPerTrackBlock;
    song.samples = uint32_t(std::min<uint64_t>(song.samples, capacity));

    if (songWritesMayWait()) return deferSongWrite(audioBytes);
    if (blocksAdded) {
        if ((hasFlag(kFlagAudioBitmapChanged) && !writeAudioBitmap()) ||
            (hasFlag(kFlagSuperBlockChanged) && !writeSuperBlock())) {
            rewriteFormerState(before, false, true);
            return false;
        }
    }
    if (!saveSong()) {
        rewriteFormerState(before, true, blocksAdded);
        return false;
    }
    return true;
}

bool freeSongAudio() {
    ServerState& st = state();
    forgetClusterClaims();
    Song& song = st.song;
    // Every run is checked before any block is released, so a table that
    // claims more blocks than the song counts frees nothing.
    uint64_t remaining = song.audioBlocks;
    const size_t runs = runsInUse(song.runs);
    for (size_t i = 0; i < runs; ++i) {
        if (song.runs[i].length > remaining) return fail(VXF_ERR_UNEXPECTED_END_OF_SONG);
        remaining -= song.runs[i].length;
    }
    SongAudioSnapshot before;
    takeSnapshot(before);
    for (size_t i = 0; i < runs; ++i) {
        const BlockRun run = song.runs[i];
        song.runs[i] = BlockRun{};
        for (uint32_t b = 0; b < run.length; ++b) freeAudioCluster(run.lba + b * kSectorsPerAudioBlock);
    }
    song.audioBlocks = 0;
    song.samples = 0;
    if (!saveSong()) {
        // The record on the drive still owns the blocks: keep them reserved.
        const int32_t error = lastError();
        restoreSnapshot(before);
        saveSong();
        restoreSnapshot(before);
        return fail(error);
    }
    if (hasFlag(kFlagSuperBlockChanged) && !writeSuperBlock()) return false;
    if (hasFlag(kFlagAudioBitmapChanged) && !writeAudioBitmap()) return false;
    return true;
}

}  // namespace vxfserver
