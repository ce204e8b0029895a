// sample_codec.h - the 3-byte drive sample and its conversion to and from the caller's sample formats.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vxfserver {

// A caller's sample format: 1 to 4 bytes per sample (packing also takes 0,
// meaning silence), byte order 0 least significant byte first, 1 most
// significant first.
struct SampleFormat {
    uint32_t bytes;
    uint32_t order;
};

bool isCallerSampleFormat(uint32_t bytes, uint32_t order);

// Drive samples (3 bytes, signed, least significant first) to caller samples:
// drive sample j goes to dest + j * stride * format.bytes. A stride of 2
// interleaves the two stored tracks of one caller track at 88.2 and 96 kHz.
// 1 and 2 bytes keep the most significant bytes; 4 bytes sign-extend.
void unpackSamples(const uint8_t* drive, size_t count, uint8_t* dest, size_t stride, SampleFormat format);

// Caller samples (sample j at source + j * stride * format.bytes) to drive
// samples. Format bytes 0 writes silence and reads no source.
void packSamples(const uint8_t* source, size_t count, size_t stride, SampleFormat format, uint8_t* drive);

}  // namespace vxfserver
