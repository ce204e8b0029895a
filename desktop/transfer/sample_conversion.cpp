// sample_conversion.cpp - in-place sample conversions: sign, byte order, 24-to-16 rounding, preview reductions.
#include "sample_conversion.h"

#include <utility>

namespace vxf::transfer {

void invertSignBits(uint8_t* data, size_t sampleCount) {
    for (size_t i = 0; i < sampleCount; ++i) data[i] ^= 0x80;
}

void swapBytes16(uint8_t* data, size_t sampleCount) {
    for (size_t i = 0; i < sampleCount; ++i) std::swap(data[2 * i], data[2 * i + 1]);
}

void swapBytes24(uint8_t* data, size_t sampleCount) {
    for (size_t i = 0; i < sampleCount; ++i) std::swap(data[3 * i], data[3 * i + 2]);
}

size_t reduce24To16Rounded(uint8_t* data, size_t sampleCount, bool bigEndian) {
    const size_t high = bigEndian ? 0 : 2;
    const size_t low = bigEndian ? 2 : 0;
    for (size_t i = 0; i < sampleCount; ++i) {
        const uint8_t* in = data + 3 * i;
        unsigned value = unsigned{in[high]} << 8 | in[1];
        // 0x7FFF (and 0xFFFF) stay as they are, so the top of the range cannot wrap round.
        if ((value & 0x7FFF) != 0x7FFF && in[low] >= 0x80) ++value;
        uint8_t* out = data + 2 * i;
        out[bigEndian ? 0 : 1] = static_cast<uint8_t>(value >> 8);
        out[bigEndian ? 1 : 0] = static_cast<uint8_t>(value);
    }
    return sampleCount * 2;
}

size_t reduceForPreview(uint8_t* data, size_t bytes, unsigned fileBits, unsigned outputBits) {
    const size_t fileBytes = fileBits / 8;
    const size_t outputBytes = outputBits / 8;
    if (fileBytes == 0) return 0;
    const size_t samples = bytes / fileBytes;
    if (outputBytes >= fileBytes || outputBytes == 0) return samples;
    // Little-endian: the high bytes are the last ones of each sample.
    for (size_t i = 0; i < samples; ++i) {
        const uint8_t* in = data + fileBytes * i + (fileBytes - outputBytes);
        uint8_t* out = data + outputBytes * i;
        for (size_t b = 0; b < outputBytes; ++b) out[b] = in[b];
        if (outputBytes == 1) out[0] ^= 0x80;
    }
    return samples;
}

}  // namespace vxf::transfer
