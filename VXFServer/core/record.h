// record.h - rules every system record shares: word order, text packing, magic, checksum, mirror position.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace vxfserver {

constexpr uint32_t kSectorSize = 512;

// Numbers in records are little-endian, whatever the host. One load or store of the whole word,
// always inlined: records are summed a word at a time, and an instrumented build would otherwise
// call out (and check four single bytes) for each.
[[gnu::always_inline]] inline uint32_t getWord(const uint8_t* p) {
    uint32_t value;
    std::memcpy(&value, p, sizeof value);
    if constexpr (std::endian::native == std::endian::big) value = __builtin_bswap32(value);
    return value;
}
[[gnu::always_inline]] inline void putWord(uint8_t* p, uint32_t value) {
    if constexpr (std::endian::native == std::endian::big) value = __builtin_bswap32(value);
    std::memcpy(p, &value, sizeof value);
}
inline uint16_t getHalf(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline void putHalf(uint8_t* p, uint16_t value) {
    p[0] = uint8_t(value);
    p[1] = uint8_t(value >> 8);
}

// Text is packed four characters to a word, the first character in the
// word's most significant byte; a final group of fewer characters is reversed
// within its own bytes (a 10-character name: groups of 4, 4 and 2). Characters
// after the text's terminator are stored as NUL.
void packText(uint8_t* dst, const char* text, size_t length);
// The inverse: `length` characters into `out`, which gets a NUL at `length`.
void unpackText(char* out, const uint8_t* src, size_t length);

// Every record carries the magic of the LBA of its first copy.
constexpr uint32_t magicOf(uint32_t lba) { return lba | ((~lba & 0xFFFFu) << 16); }

// The last word of a record makes all its words sum to 0 modulo 2^32.
uint32_t checksumOf(const uint8_t* record, size_t bytes);
bool checksumMatches(const uint8_t* record, size_t bytes);
void storeChecksum(uint8_t* record, size_t bytes);

// A structure of n sectors at x has its copy at S - x - n, S being the sector
// count in force. 64-bit so that a damaged geometry cannot wrap around.
constexpr int64_t mirrorLba(uint32_t sectorCount, uint32_t lba, uint32_t sectors) {
    return int64_t(sectorCount) - int64_t(lba) - int64_t(sectors);
}

// The sector counts of a drive from the last LBA it reports.
struct SectorCounts {
    uint32_t full;    // last LBA + 1, at most 0xFFFFFFFF
    uint32_t capped;  // full, at most 0x0FFFFFFF (volumes of version "1.00 ")
};
constexpr uint32_t kCappedSectorLimit = 0x0FFFFFFFu;
SectorCounts sectorCountsFromLastLba(uint64_t lastLba);

}  // namespace vxfserver
