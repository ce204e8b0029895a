// track_transfer.h - track blocks between the drive and the one track buffer, their conversion, and the transfer cache.
#pragma once

#include <cstdint>
#include <vector>

#include "song/sample_codec.h"
#include "core/server_state.h"

namespace vxfserver {

// Consecutive stored tracks of one audio block: the r stored tracks of one
// caller track, or all of them.
struct TrackSpan {
    uint32_t first;
    uint32_t count;
};
TrackSpan allStoredTracks(const Song& song);
TrackSpan storedTracksOfCallerTrack(const Song& song, uint32_t callerTrack);

// The track buffer holds an audio block laid out as on the drive: stored
// track j's track block at j x Sectors per Track Block sectors.
bool requireTrackBuffer();

// Drive transfers of the audio block at `blockLba`: one request per track
// block of the span, or one request for the whole audio block. A block
// outside the clusters of the audio space is refused (VXF_ERR_SONG_CORRUPT)
// before anything is sent: a song never reaches the system area.
bool readTrackBlocks(uint32_t blockLba, TrackSpan span);
bool writeTrackBlocks(uint32_t blockLba, TrackSpan span);
bool readAudioBlock(uint32_t blockLba);

// A sector of a stored track's track block that stayed unreadable.
struct UnreadSector {
    uint32_t track;   // stored track
    uint32_t sector;  // from the track block's first sector
};
// readTrackBlocks sector by sector: a sector the drive refuses is left silent
// in the buffer and listed in `unread`. Fails only for a block outside the
// audio space, or when nothing of the span could be read and the drive no
// longer answers at all (VXF_ERR_NO_COMMUNICATION): a drive that went away
// is no silence.
bool salvageTrackBlocks(uint32_t blockLba, TrackSpan span, std::vector<UnreadSector>& unread);
bool writeAudioBlock(uint32_t blockLba);

// Conversion between the track buffer and caller memory. Each caller track of
// the span has its own area; its r stored tracks interleave sample by sample.
// Unpacking converts `count` stored samples from `start` of each track block
// into area + r x j x bytes for sample j.
bool unpackTrackBlocks(TrackSpan span, uint32_t start, uint32_t count, uint8_t* const* areas, SampleFormat format);
// Packing converts the caller samples [from, to) of the block, counted in
// caller samples (r per stored position), from areas that start at caller
// sample `from`. Every other drive sample keeps its bytes, and so does every
// caller track whose area is null: a caller narrower than 24 bits never cuts
// the samples around its own.
bool packTrackBlocks(TrackSpan span, uint32_t from, uint32_t to, const uint8_t* const* areas, SampleFormat format);
// Silence in every track block of the buffer.
void clearTrackBuffer();

// The transfer cache: which block of which song the track buffer holds, and
// for which stored tracks. Besides drive, project, song and block it records
// the tracks, so that a transfer of another track never takes the data of
// the one read before.
bool cacheHolds(uint32_t block, TrackSpan span);
void noteCacheHolds(uint32_t block, TrackSpan span);

}  // namespace vxfserver
