// song_hooks_default.cpp - the song layer's entry points as the volume core has them before songs exist.
#include "errors.h"
#include "server_state.h"
#include "song_hooks.h"

namespace vxfserver {

bool loadSong(uint32_t) {
    closeSong();
    return fail(VXF_ERR_NOT_SUPPORTED);
}

void closeSong() {
    state().song = Song{};
    state().position = SongPosition{};
}

bool deleteCurrentSong() { return fail(VXF_ERR_NOT_SUPPORTED); }

bool reloadRememberedSong(uint32_t lba) { return loadSong(lba); }

}  // namespace vxfserver
