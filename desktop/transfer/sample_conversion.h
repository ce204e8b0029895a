// sample_conversion.h - in-place sample conversions: sign, byte order, 24-to-16 rounding, preview reductions.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vxf::transfer {

// 8-bit samples: signed <-> unsigned (offset binary) by inverting the top bit of every byte.
void invertSignBits(uint8_t* data, size_t sampleCount);

// Exchanges the two bytes of every 16-bit sample.
void swapBytes16(uint8_t* data, size_t sampleCount);

// Exchanges the first and third byte of every 24-bit sample.
void swapBytes24(uint8_t* data, size_t sampleCount);

// Reduces 24-bit samples to 16 bits with rounding, packed towards the start of the buffer,
// keeping the byte order. A sample rounds up when its low byte is 0x80 or more, unless its
// two high bytes already hold a value whose low 15 bits are all ones. Gives the bytes produced.
size_t reduce24To16Rounded(uint8_t* data, size_t sampleCount, bool bigEndian);

// Narrows little-endian samples (8-bit ones unsigned) of a file for an output device that
// plays fewer bits: 24 to 16 keeps the two high bytes, 24 to 8 and 16 to 8 keep the high byte
// with its top bit inverted. No rounding. Packed towards the start of the buffer; gives the
// number of samples, now of the output width. Nothing changes when the output is not narrower.
size_t reduceForPreview(uint8_t* data, size_t bytes, unsigned fileBits, unsigned outputBits);

}  // namespace vxf::transfer
