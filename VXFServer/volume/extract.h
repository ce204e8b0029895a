// extract.h - the diagnostic text dumps of the mounted volume as held in memory.
#pragma once

#include <string>

namespace vxfserver {

// Where the dumps go: $VXF_EXTRACT_DIR when set, else /tmp/vxf_extract.
std::string extractionFolder();

// Writes super_block.txt, project_list.txt, song_bitmap.txt,
// audio_bitmap.txt, primary_project.txt and primary_song.txt into `folder`
// (created when missing), in that order, from the in-memory volume, project
// and song. Stops at the first file that cannot be opened; answers whether
// all six were written.
bool writeDiagnosticDumps(const std::string& folder);

}  // namespace vxfserver
