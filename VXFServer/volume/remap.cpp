// remap.cpp - the surface test of a stretch of sectors, with the rewrite that lets a drive reassign a bad sector.
#include "volume/remap.h"

#include <cstring>
#include <memory>
#include <new>

#include "core/drive_io.h"
#include "core/errors.h"
#include "core/record.h"

namespace vxfserver {

bool remapSectors(uint32_t firstLba, uint16_t count, bool fix, RemapResult& result) {
    result = RemapResult{};
    if (count == 0) return true;
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[size_t(count) * kSectorSize]);
    if (!buffer) return fail(VXF_ERR_OUT_OF_MEMORY);
    if (readSectors(firstLba, count, buffer.get())) return true;
    result.failedReads = 1;
    // Only a single sector is rewritten: a longer stretch may hold good data
    // beside the bad sector, and the caller narrows it down first.
    if (count != 1 || !fix) return true;
    std::memset(buffer.get(), 0, kSectorSize);
    if (!writeSectors(firstLba, 1, buffer.get())) return false;
    result.rewritten = 1;
    return true;
}

}  // namespace vxfserver
