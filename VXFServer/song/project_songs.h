// project_songs.h - songs leaving their project: a song deleted, a project deleted with its songs, a song moved to another project.
#pragma once

#include <cstdint>

namespace vxfserver {

// Deletes the current song: frees its audio, removes it from the open
// project, releases its slot and counts it out of the volume. A song that
// another list (or this one a second time) names too is only taken out of
// the open project's list: the other listing keeps it whole.
bool deleteCurrentSong();

// How many times the listed projects and the open project list the current song.
bool listingsOfCurrentSong(uint32_t& count);

// Deletes every song of the open project as a song delete does.
bool deleteAllSongs();

// Deletes a listed project with its songs (never the last one of the drive).
bool deleteProject(uint32_t handle);

// Moves song `index` of the open project into `targetProject` at `position`.
// The song enters the target's list before it leaves the source's, so that a
// failure between the two writes never leaves it in no list; a failure puts
// it back as far as the drive takes writes.
bool moveSongOut(uint32_t index, uint32_t targetProject, uint32_t position);

}  // namespace vxfserver
