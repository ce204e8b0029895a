// sd2_layout.h - Sound Designer II files in MacBinary II: parsing, writing and finishing.
#pragma once

#include "audio_stream.h"

namespace vxf::transfer {

// Each gives AUDIO_OK or an AUDIO_ERR_* code.
int readSd2Header(AudioStream& stream);
int writeSd2Header(AudioStream& stream);
int finishSd2(AudioStream& stream);

}  // namespace vxf::transfer
