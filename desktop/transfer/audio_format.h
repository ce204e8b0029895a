// audio_format.h - the four audio file formats and how each codes its samples.
#pragma once

#include <cstdint>

namespace vxf::transfer {

// The numbers are also the order of the format buttons and the saved transfer format setting.
enum class AudioFormat : uint16_t { Wav = 0, Aiff = 1, Sd2 = 2, DigSd = 3 };

// WAV keeps multi-byte samples little-endian and 8-bit samples unsigned (silence 0x80);
// the other three keep them big-endian and signed.
constexpr bool isBigEndianFormat(AudioFormat format) { return format != AudioFormat::Wav; }
constexpr bool isUnsigned8Format(AudioFormat format) { return format == AudioFormat::Wav; }

constexpr bool isSupportedWordLength(uint32_t bits) { return bits == 8 || bits == 16 || bits == 24; }

}  // namespace vxf::transfer
