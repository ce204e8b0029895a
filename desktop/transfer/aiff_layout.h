// aiff_layout.h - the AIFF header: parsing, writing and finishing, and the 80-bit sample rate.
#pragma once

#include <cstdint>

#include "audio_stream.h"

namespace vxf::transfer {

constexpr size_t kExtendedRateSize = 10;

// The rate as an 80-bit IEEE extended number, big-endian (44100 gives 40 0E AC 44 00 ...).
void encodeExtendedRate(uint32_t rate, uint8_t out[kExtendedRateSize]);
// Only 44100, 48000, 88200 and 96000 are recognised; any other value gives 0.
uint32_t decodeExtendedRate(const uint8_t in[kExtendedRateSize]);

// Each gives AUDIO_OK or an AUDIO_ERR_* code.
int readAiffHeader(AudioStream& stream);
int writeAiffHeader(AudioStream& stream);
int finishAiff(AudioStream& stream);

}  // namespace vxf::transfer
