// song_slots.cpp - taking and releasing song record slots in the song bitmap.
#include "song/song_slots.h"

#include "core/drive_sharing.h"

#include "volume/bitmaps.h"
#include "core/errors.h"
#include "core/loaded_state.h"
#include "core/server_state.h"

namespace vxfserver {

bool songSlotOf(uint32_t handle, uint32_t& slot) {
    const SuperBlock& sb = state().superBlock;
    if (sb.songLength == 0 || handle < sb.songLba || (handle - sb.songLba) % sb.songLength != 0) return false;
    const uint32_t k = (handle - sb.songLba) / sb.songLength;
    if (k >= sb.maxSongs) return false;
    slot = k;
    return true;
}

bool takeSongSlot(uint32_t& handle) {
    if (!requireMounted()) return false;
    const SuperBlock& sb = state().superBlock;
    uint32_t* words = state().songBitmap.words;
    for (uint32_t w = 0; w < kSongBitmapBitWords && uint64_t(w) * 32 < sb.maxSongs; ++w) {
        if (words[w] == 0xFFFFFFFFu) continue;
        const uint32_t bit = uint32_t(__builtin_ctz(~words[w]));
        const uint32_t k = w * 32 + bit;
        if (k >= sb.maxSongs) break;
        words[w] |= 1u << bit;
        handle = sb.songLba + k * sb.songLength;
        return writeSongBitmap();
    }
    return fail(VXF_ERR_NO_SONG_AVAILABLE);
}

bool releaseSongSlot(uint32_t handle) {
    if (!requireMounted()) return false;
    uint32_t k = 0;
    if (!songSlotOf(handle, k)) return fail(VXF_ERR_INVALID_PARAMETER);
    state().songBitmap.words[k / 32] &= ~(1u << (k % 32));
    // Handles that remember the song must not take a new one in its slot for it.
    noteRecordReleased(DriveClaim::Slot::Song, k);
    return writeSongBitmap();
}

}  // namespace vxfserver
