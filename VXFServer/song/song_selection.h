// song_selection.h - a song of the open project made current: loaded, reloaded for a handle, reviewed after another program's change.
#pragma once

#include <cstdint>

namespace vxfserver {

// Loads the song record at `lba` (both copies, with repair) and makes it the
// current song, the handle's remembered song and the open project's Last Song
// Handle. On failure no song is current.
bool loadSong(uint32_t lba);


// Selection: makes the handle's remembered song current again after its
// drive or project was reloaded.
bool reloadRememberedSong(uint32_t lba);
// The same after another program changed the drive, without writing the
// project's Last Song Handle: the song was current here already.
bool reviewRememberedSong(uint32_t lba);

}  // namespace vxfserver
