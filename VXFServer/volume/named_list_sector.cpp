// named_list_sector.cpp - the sector layout the project list and project records share: names, a count, 99 handles.
#include "volume/named_list_sector.h"

#include "core/names.h"
#include "core/record.h"

namespace vxfserver::namedlist {

void encodeNames(uint8_t* sector, const char* shortName, const char* extName) {
    packText(sector + kOffName, shortName, kShortNameWidth);
    packText(sector + kOffExtName, extName, kExtNameWidth);
}

void decodeNames(const uint8_t* sector, char* shortName, char* extName) {
    unpackText(shortName, sector + kOffName, kShortNameWidth);
    normalizeName(shortName, shortName, kShortNameWidth);
    unpackText(extName, sector + kOffExtName, kExtNameWidth);
    normalizeName(extName, extName, kExtNameWidth);
}

void encodeHandles(uint8_t* sector, uint32_t last, const uint32_t* handles) {
    putWord(sector + kOffLast, last);
    for (uint32_t i = 0; i < kHandles; ++i) putWord(sector + kOffHandles + 4 * i, handles[i]);
}

void decodeHandles(const uint8_t* sector, uint32_t& last, uint32_t* handles) {
    last = getWord(sector + kOffLast);
    for (uint32_t i = 0; i < kHandles; ++i) handles[i] = getWord(sector + kOffHandles + 4 * i);
}

uint32_t seal(uint8_t* sector, uint32_t magic) {
    putWord(sector + kOffMagic, magic);
    storeChecksum(sector, kSectorSize);
    return getWord(sector + kSectorSize - 4);
}

int32_t check(const uint8_t* sector, uint32_t lba, uint32_t count, int32_t checksumError, int32_t magicError) {
    if (!checksumMatches(sector, kSectorSize)) return checksumError;
    if (getWord(sector + kOffMagic) != magicOf(lba)) return magicError;
    // A count beyond the handles the sector holds is damage, however well sealed.
    if (count > kHandles) return checksumError;
    return 0;
}

uint32_t positionOf(const uint32_t* handles, uint32_t count, uint32_t handle) {
    uint32_t i = 0;
    while (i < count && handles[i] != handle) ++i;
    return i;
}

void insertAt(uint32_t* handles, uint32_t count, uint32_t handle, uint32_t position) {
    for (uint32_t i = count; i > position; --i) handles[i] = handles[i - 1];
    handles[position] = handle;
}

void removeAt(uint32_t* handles, uint32_t count, uint32_t position) {
    for (uint32_t i = position; i + 1 < count; ++i) handles[i] = handles[i + 1];
    handles[count - 1] = 0;
}

}  // namespace vxfserver::namedlist
