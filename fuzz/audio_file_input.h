// audio_file_input.h - one untrusted byte string read as an audio file of a given format, to its end.
#pragma once

#include <cstddef>
#include <cstdint>

#include "audio_format.h"

namespace vxf::fuzz {

// Stores the bytes as a file, opens it for reading in `format` and reads its
// samples to the end, in the file's own coding and in the other one. A
// malformed file must give the file's error, nothing worse.
void readAudioFileInput(transfer::AudioFormat format, const uint8_t* data, size_t size);

}  // namespace vxf::fuzz
