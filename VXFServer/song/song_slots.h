// song_slots.h - taking and releasing song record slots in the song bitmap.
#pragma once

#include <cstdint>

namespace vxfserver {

// Takes the lowest free slot, writes the song bitmap and gives the slot's
// record LBA (the song handle). VXF_ERR_NO_SONG_AVAILABLE when none is free.
bool takeSongSlot(uint32_t& handle);

// Frees the slot of a song handle and writes the song bitmap.
bool releaseSongSlot(uint32_t handle);

// Slot number of a song handle; false for an LBA that is no slot's record.
bool songSlotOf(uint32_t handle, uint32_t& slot);

}  // namespace vxfserver
