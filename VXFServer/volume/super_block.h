// super_block.h - the super block in sector 0: layout constants, geometry, encoding, checks and repair.
#pragma once

#include "core/records.h"

#include <cstdint>

namespace vxfserver {

// How an audio space of a given length divides into clusters so that they
// fit the bits of the audio bitmap.
struct Geometry {
    uint32_t audioBlocksPerCluster;
    uint32_t clusters;
    uint32_t activeWords;
};
Geometry geometryForAudioSpace(uint32_t audioSpaceLength);

// Clusters of the audio space of a super block (0 when a cluster has no size).
uint32_t totalClusters(const SuperBlock& sb);

// The sector image of a super block, checksum computed and stored (also into sb).
void encodeSuperBlock(SuperBlock& sb, uint8_t* sector);
void decodeSuperBlock(const uint8_t* sector, SuperBlock& sb);

// Whether the layout a super block describes can be used on a drive of
// `sectorCount` sectors: every structure fits its buffer and its bitmap, no two
// overlap, and the audio space lies between them and their mirror copies.
bool geometryIsUsable(const SuperBlock& sb, uint32_t sectorCount);

// Decodes a sector into the mounted super block and checks it in the fixed
// order (checksum, magic, tag and valid word, version, geometry). The version
// step may switch the sector count in force to the capped count ("1.00 ") or
// rewrite a "0.30a" volume as "1.00 ".
bool checkSuperBlockSector(const uint8_t* sector);

// Reads sector 0 and its copy at S - 1 into the mounted super block,
// repairing either copy from the other.
bool readSuperBlock();

// Checks the mounted super block and writes it to sector 0, then to S - 1.
bool writeSuperBlock();

}  // namespace vxfserver
