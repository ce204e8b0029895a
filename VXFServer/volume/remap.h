// remap.h - the surface test of a stretch of sectors, with the rewrite that lets a drive reassign a bad sector.
#pragma once

#include <cstdint>

namespace vxfserver {

struct RemapResult {
    uint16_t failedReads;  // 0 or 1: the stretch could not be read
    uint16_t rewritten;    // 0 or 1: the one sector asked for was cleared
};

// Reads `count` sectors at `firstLba` of the current drive. A refused read is
// a result, not an error; when exactly one sector was asked for and `fix` is
// set, that sector is overwritten with zeros so that the drive remaps it.
// Fails only when no buffer can be had or the rewrite is refused. A stretch
// of no sectors reads nothing and succeeds.
bool remapSectors(uint32_t firstLba, uint16_t count, bool fix, RemapResult& result);

}  // namespace vxfserver
