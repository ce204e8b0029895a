// record.cpp - rules every system record shares: word order, text packing, magic, checksum, mirror position.
#include "core/record.h"

#include <algorithm>

namespace vxfserver {

namespace {
// Byte offset of character i in a packed text of `length` characters.
size_t packedOffset(size_t i, size_t length) {
    size_t groupStart = i / 4 * 4;
    size_t groupSize = std::min<size_t>(4, length - groupStart);
    return groupStart + groupSize - 1 - i % 4;
}
}  // namespace

void packText(uint8_t* dst, const char* text, size_t length) {
    bool ended = false;
    for (size_t i = 0; i < length; ++i) {
        if (!ended && text[i] == '\0') ended = true;
        dst[packedOffset(i, length)] = ended ? 0 : uint8_t(text[i]);
    }
}

void unpackText(char* out, const uint8_t* src, size_t length) {
    for (size_t i = 0; i < length; ++i) out[i] = char(src[packedOffset(i, length)]);
    out[length] = '\0';
}

uint32_t checksumOf(const uint8_t* record, size_t bytes) {
    uint32_t sum = 0;
    for (size_t offset = 0; offset + 4 < bytes; offset += 4) sum += getWord(record + offset);
    return uint32_t(0) - sum;
}

bool checksumMatches(const uint8_t* record, size_t bytes) {
    return checksumOf(record, bytes) == getWord(record + bytes - 4);
}

void storeChecksum(uint8_t* record, size_t bytes) { putWord(record + bytes - 4, checksumOf(record, bytes)); }

SectorCounts sectorCountsFromLastLba(uint64_t lastLba) {
    uint64_t full = lastLba > 0xFFFFFFFFull ? 0xFFFFFFFFull : lastLba + 1;
    if (full > 0xFFFFFFFFull) full = 0xFFFFFFFFull;
    uint32_t full32 = uint32_t(full);
    return {full32, std::min(full32, kCappedSectorLimit)};
}

}  // namespace vxfserver
