// track_write.h - writing audio of one track or of all tracks into the current song, growing it as needed.
#pragma once

#include <cstdint>

namespace vxfserver {

// Offsets and counts are caller samples per track. At 88.2 and 96 kHz a
// caller track holds alternate samples on two stored tracks; a write at an
// odd offset or of an odd count changes exactly the caller samples given
// and the length rounds up to whole stored positions. `source` holds
// count x bytesPerSample bytes.
bool writeTrack(uint32_t track, uint32_t offset, uint32_t count, uint32_t bytesPerSample, uint32_t byteOrder,
                const void* source);

// The same for every caller track at once: `sources` holds one address per
// caller track (up to 24); a null address leaves that track as it is
// (silence in newly added blocks).
bool writeAllTracks(uint32_t offset, uint32_t count, uint32_t bytesPerSample, uint32_t byteOrder,
                    const void* const* sources);

}  // namespace vxfserver
