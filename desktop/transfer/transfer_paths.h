// transfer_paths.h - directories, file names and shortened paths of exports and imports.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "audio_format.h"

namespace vxf::transfer {

// Blanks off both ends, every trailing '/' removed and exactly one added back.
std::string normaliseDirectory(const std::string& typed);
bool isExistingDirectory(const std::string& path);

// Spaces off both ends.
std::string trimSpaces(const std::string& text);

// The path cut to at most `maxChars` characters: an ellipsis replaces the middle and the file
// name is kept whole while it fits. Never cuts inside a UTF-8 character.
std::string compactPath(const std::string& path, size_t maxChars);

// The format whose file list shows a file of this name: .wav; .aif and .aiff; .sd2; .sd and .dig
// (letters in any case).
std::optional<AudioFormat> formatOfFileName(const std::string& name);

// "Track %02d" with the 1-based number of a 0-based track: how the transfer names a track.
std::string trackLabel(uint16_t track);

// "Track%02d.wav", ".aif", ".sd2" or ".dig", with the 1-based track number.
std::string exportFileName(AudioFormat format, uint16_t track);

// directory + name + "-" + file name, or directory + file name when the song name is blank.
// A '/' of the song name becomes '_', so that a name read from a drive never leaves the directory.
std::string exportPath(const std::string& directory, const std::string& songName, AudioFormat format,
                       uint16_t track);

}  // namespace vxf::transfer
