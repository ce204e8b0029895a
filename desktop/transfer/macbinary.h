// macbinary.h - the 128-byte MacBinary II header of a Sound Designer II file and its CRC-16.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace vxf::transfer {

constexpr size_t kMacBinaryHeaderSize = 128;
constexpr size_t kMacBinaryCrcOffset = 124;     // the CRC covers bytes 0 to 123
constexpr size_t kMacBinaryMaxNameBytes = 63;   // name bytes 2 to 64
constexpr size_t kMacBinaryDataLengthOffset = 83;
constexpr uint32_t kSd2ResourceForkLength = 396;

using MacBinaryHeader = std::array<uint8_t, kMacBinaryHeaderSize>;

// CRC-16/XMODEM: polynomial 0x1021, initial value 0, no reflection, no final XOR.
uint16_t crc16Xmodem(const uint8_t* data, size_t count);

// Seconds since 1904-01-01 00:00:00 local time, the Macintosh clock.
uint32_t macTimeNow();

// The header of an SD2 file whose data fork holds `dataLength` bytes; `name` must already fit.
MacBinaryHeader buildSd2MacBinaryHeader(const std::string& name, uint32_t dataLength, uint32_t macTime);

// Puts a new data fork length into the header and renews its CRC.
void setMacBinaryDataLength(MacBinaryHeader& header, uint32_t dataLength);

// An SD2 file is refused when bytes 0, 74 and 82 are all set or its file type is not "Sd2f".
bool isSd2MacBinaryHeader(const MacBinaryHeader& header);
uint32_t macBinaryDataLength(const MacBinaryHeader& header);

// Each fork starts on a multiple of 128 bytes; the gap before it is zero.
constexpr uint64_t roundUpTo128(uint64_t length) { return (length + 127) / 128 * 128; }

}  // namespace vxf::transfer
