// project_recovery.h - homes for songs that no listed project names: a damaged project rebuilt around them, or a new one.
#pragma once

#include <cstdint>
#include <vector>

namespace vxfserver {

// Handles of the songs set in the song bitmap that no listed project other
// than `except` names, in slot order. A listed project whose record is
// corrupt is passed over: its songs count as unreferenced, so that they are
// not lost with it. A record that cannot be read ends the look with its error.
bool unreferencedSongs(uint32_t except, std::vector<uint32_t>& songs);

// Rebuilds a listed project whose record is corrupt: a fresh record for its
// slot adopting the unreferenced songs (as many as a project holds), written
// once they are known. It becomes the open project; the primary project
// stays as it is.
bool recoverProject(uint32_t handle);

// A new project "Recovered", created as project create does, adopting the
// songs (as many as a project holds). VXF_ERR_PLIST_FULL, with nothing
// written, when the project list is full.
bool adoptIntoNewProject(const std::vector<uint32_t>& songs);

}  // namespace vxfserver
