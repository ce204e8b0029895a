// wav_layout.h - the RIFF WAVE header: parsing, writing and finishing.
#pragma once

#include "audio_stream.h"

namespace vxf::transfer {

// Each gives AUDIO_OK or an AUDIO_ERR_* code.
int readWavHeader(AudioStream& stream);
int writeWavHeader(AudioStream& stream);
int finishWav(AudioStream& stream);

}  // namespace vxf::transfer
