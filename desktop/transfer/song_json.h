// song_json.h - song.json: everything a song holds beside its samples, in plain form, next to its exported files.
#pragma once

#include <string>

#include "session_metadata.h"

namespace vxf::transfer {

constexpr char kSongJsonName[] = "song.json";

std::string songJson(const SessionMetadata& song);

// Writes song.json into `directory` (ending in '/'), replacing one there only once the new one is whole. False
// when it could not be written; the old file, if any, is then left as it was.
bool writeSongJson(const std::string& directory, const SessionMetadata& song);

}  // namespace vxf::transfer
