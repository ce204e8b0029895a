// lost_song_read.h - reading the tracks of one lost song, its overwritten clusters as silence, without reaching it.
#pragma once

#include <cstdint>

namespace vxfserver {

// Surveys the volume and keeps the lost song in `slot` for the reads below;
// VXF_ERR_INVALID_PARAMETER when no lost song is there, VXF_ERR_SONG_CORRUPT
// for a damaged record. Writes nothing.
bool openLostSong(uint32_t slot);

// The track reads of the current song, on the lost song kept, with silence
// wherever its clusters are overwritten; the current song stays as it was.
bool readLostTrack(uint32_t track, uint32_t offset, uint32_t count, uint32_t& samplesRead, uint32_t bytesPerSample,
                   uint32_t byteOrder, void* buffer);
bool readLostAllTracks(uint32_t offset, uint32_t count, uint32_t& samplesRead, uint32_t bytesPerSample,
                       uint32_t byteOrder, void* const* buffers);
bool lostSongTransferSize(uint32_t& size);

}  // namespace vxfserver
