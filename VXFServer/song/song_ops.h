// song_ops.h - operations on whole songs of the open project: create, make current, rename, protect, move, delete.
#pragma once

#include <cstdint>

namespace vxfserver {

bool songCountOfProject(uint16_t& count);
bool createSong(uint32_t callerTracks, uint32_t sampleRate, uint32_t wordLength);
bool makeSongCurrent(uint32_t index);
bool lastPrimarySongIndex(uint16_t& index);

// Changes of the current song, each saved at once.
bool setSongName(const char* text);
bool setSongExtName(const char* text);
bool setSongWriteProtect(bool protect);

// The current song moves inside its project, or to position `position` of
// the project at `projectIndex` of the project list (which becomes the open
// project; no song is current afterwards).
bool moveSongWithinProject(uint32_t index);
bool moveSongToProject(uint32_t projectIndex, uint32_t position);

}  // namespace vxfserver
