// remap.cpp - the surface test of a stretch of sectors, with the rewrite that lets a drive reassign a bad sector.
#include "volume/remap.h"

#include <cstring>

#include "core/drive_io.h"
#include "core/errors.h"
#include "core/page_buffer.h"
#include "core/record.h"

namespace vxfserver {

namespace {

// The surface test reads a whole drive in stretches: one buffer serves them
// all, grown to the longest asked for (a fresh one per stretch cost more than the read).
uint8_t* remapBuffer(size_t bytes) {
    static PageBuffer buffer;
    static size_t capacity = 0;
    if (bytes > capacity) {
        buffer.reset(newPageBuffer(bytes));
        capacity = buffer ? bytes : 0;
    }
    return buffer.get();
}

}  // namespace

bool remapSectors(uint32_t firstLba, uint16_t count, bool fix, RemapResult& result) {
    result = RemapResult{};
    if (count == 0) return true;
    uint8_t* const buffer = remapBuffer(size_t(count) * kSectorSize);
    if (buffer == nullptr) return fail(VXF_ERR_OUT_OF_MEMORY);
    if (readSectors(firstLba, count, buffer)) return true;
    result.failedReads = 1;
    // Only a single sector is rewritten: a longer stretch may hold good data
    // beside the bad sector, and the caller narrows it down first.
    if (count != 1 || !fix) return true;
    std::memset(buffer, 0, kSectorSize);
    if (!writeSectors(firstLba, 1, buffer)) return false;
    result.rewritten = 1;
    return true;
}

}  // namespace vxfserver
