// named_list_sector.h - the sector layout the project list and project records share: names, a count, 99 handles.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vxfserver::namedlist {

// Offsets in the sector; the count's width differs (u16 in the project list,
// u32 in a project record) and the owner places it.
constexpr size_t kOffName = 0x00;  // 10 packed characters: 4, 4, then 2 in a half word
constexpr size_t kOffCount = 0x0C;
constexpr size_t kOffLast = 0x10;  // the primary project or song
constexpr size_t kOffHandles = 0x20;
constexpr size_t kOffExtName = 0x1B8;
constexpr size_t kOffMagic = 0x1F8;
constexpr uint32_t kHandles = 99;
static_assert(kOffHandles + 4 * kHandles + 12 == kOffExtName, "twelve zero bytes after the handles");
static_assert(kOffExtName + 64 == kOffMagic);

// Names as stored: packed, the extended one NUL padded.
void encodeNames(uint8_t* sector, const char* shortName, const char* extName);
// Names as held: unpacked and normalised (11 and 65 bytes).
void decodeNames(const uint8_t* sector, char* shortName, char* extName);

void encodeHandles(uint8_t* sector, uint32_t last, const uint32_t* handles);
void decodeHandles(const uint8_t* sector, uint32_t& last, uint32_t* handles);

// Stores the magic and the checksum, answering the checksum.
uint32_t seal(uint8_t* sector, uint32_t magic);

// The checks in order: checksum, magic of `lba`, then a count that fits the
// handles. Answers the error, or 0 for a sound sector.
int32_t check(const uint8_t* sector, uint32_t lba, uint32_t count, int32_t checksumError, int32_t magicError);

// The handles held as an ordered list of `count` entries; the caller keeps
// the count and has checked that a position and the room are valid.
uint32_t positionOf(const uint32_t* handles, uint32_t count, uint32_t handle);  // `count` when absent
void insertAt(uint32_t* handles, uint32_t count, uint32_t handle, uint32_t position);
void removeAt(uint32_t* handles, uint32_t count, uint32_t position);  // the vacated last entry becomes 0

}  // namespace vxfserver::namedlist
