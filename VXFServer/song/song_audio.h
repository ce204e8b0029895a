// song_audio.h - the current song's audio blocks: growing it from the audio bitmap, finishing a write, freeing it.
#pragma once

#include <cstdint>

#include "core/server_state.h"

namespace vxfserver {

// The in-memory state a growing write changes before anything reaches the
// drive: the song, its position, the audio bitmap, the super block's free
// cluster count and the state flags. Restoring it gives back every block
// obtained since it was taken.
struct SongAudioSnapshot {
    Song song;
    SongPosition position;
    AudioBitmap audioBitmap;
    uint32_t availableClusters;
    uint32_t flags;
};
void takeSnapshot(SongAudioSnapshot& snapshot);
void restoreSnapshot(const SongAudioSnapshot& snapshot);

// The LBA of the audio block at the song position, obtaining audio blocks
// first when the position lies past the song's end. `granted` is the number
// of blocks obtained (0 when none were needed). A new run beyond the ones a
// record stores fails with VXF_ERR_SONG_FRAGMENTED2; the blocks obtained are
// then still counted in memory, and the caller restores its snapshot.
bool audioBlockForWrite(uint32_t& lba, uint32_t& granted);

// Ends a write whose last stored position is `end` - 1 and whose position is
// the last block written. Raises Number of Samples to `end` (saving the
// record even when no block was added, so that audio written past the old
// length stays reachable); when blocks were added, gives back the blocks of
// the last run beyond that block and writes the audio bitmap and super block
// (they now reserve the song's new blocks) before the song record that uses
// them. Nothing is written when the song neither grew nor got longer. On
// failure the memory state is back at `before` and the drive is brought
// back to the former song as far as it takes writes. While this program
// holds the drive the records wait for a commit instead (`audioBytes` of
// audio were written).
bool finishSongWrite(uint32_t end, uint64_t audioBytes, const SongAudioSnapshot& before);

// Releases every audio block of the current song and saves it empty, then
// writes the super block and audio bitmap. Nothing is released when the
// runs claim more blocks than the song counts.
bool freeSongAudio();

}  // namespace vxfserver
