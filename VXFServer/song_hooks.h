// song_hooks.h - what the volume core asks of the song layer.
#pragma once

#include <cstdint>

namespace vxfserver {

// Loads the song record at `lba` (both copies, with repair) and makes it the
// current song, the handle's remembered song and the open project's Last Song
// Handle. On failure no song is current.
bool loadSong(uint32_t lba);

// No song current any more (no drive access).
void closeSong();

// Deletes the current song: frees its audio, removes it from the open
// project, releases its slot and counts it out of the volume. A song that
// another list (or this one a second time) names too is only taken out of
// the open project's list: the other listing keeps it whole.
bool deleteCurrentSong();

// How many times the listed projects and the open project list the current song.
bool listingsOfCurrentSong(uint32_t& count);

// Selection: makes the handle's remembered song current again after its
// drive or project was reloaded.
bool reloadRememberedSong(uint32_t lba);
// The same after another program changed the drive, without writing the
// project's Last Song Handle: the song was current here already.
bool reviewRememberedSong(uint32_t lba);

}  // namespace vxfserver
