// track_read.h - reading audio of one track or of all tracks of the current song in the caller's format.
#pragma once

#include <cstdint>
#include <vector>

namespace vxfserver {

// Offsets, counts and the samples read are caller samples per track. At
// 88.2 and 96 kHz the offset and count are halved to stored positions
// (rounded down) and the result doubled. `buffer` receives count x
// bytesPerSample bytes at most.
bool readTrack(uint32_t track, uint32_t offset, uint32_t count, uint32_t& samplesRead, uint32_t bytesPerSample,
               uint32_t byteOrder, void* buffer);

// Caller samples of a track that came back silent because the drive could not read them.
struct SilentRange {
    uint32_t first;
    uint32_t last;  // inclusive
};

// readTrack, salvaging: a track block the drive refuses whole is read again
// sector by sector, and what stays unreadable reads as silence. `silent`
// receives the caller samples of the silence (sorted, merged), counted from
// the song's start. At 88.2 and 96 kHz a range covers the samples of both
// stored tracks between its ends, whether one or both of them lost them.
bool readTrackSalvaging(uint32_t track, uint32_t offset, uint32_t count, uint32_t& samplesRead,
                        uint32_t bytesPerSample, uint32_t byteOrder, void* buffer, std::vector<SilentRange>& silent);

// The same for every caller track at once: `buffers` holds one address per
// caller track (up to 24); a null address skips that track.
bool readAllTracks(uint32_t offset, uint32_t count, uint32_t& samplesRead, uint32_t bytesPerSample,
                   uint32_t byteOrder, void* const* buffers);

// The same two reads of whatever song is current, with no project open:
// for a song no project lists (one being recovered).
bool readTrackOfSong(uint32_t track, uint32_t offset, uint32_t count, uint32_t& samplesRead,
                     uint32_t bytesPerSample, uint32_t byteOrder, void* buffer);
bool readAllTracksOfSong(uint32_t offset, uint32_t count, uint32_t& samplesRead, uint32_t bytesPerSample,
                         uint32_t byteOrder, void* const* buffers);

// Caller samples per track block: the transfer size that keeps every read
// and write on whole blocks.
bool optimalTransferSize(uint32_t& size);

}  // namespace vxfserver
