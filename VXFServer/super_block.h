// super_block.h - the super block in sector 0: layout constants, geometry, encoding, checks and repair.
#pragma once

#include <cstdint>

namespace vxfserver {

// Where the format puts everything; a mounted volume reads its own values
// from the super block instead.
namespace layout {
constexpr uint32_t kSuperBlockLba = 0;
constexpr uint32_t kProjectListLba = 1;
constexpr uint16_t kProjectListLength = 1;
constexpr uint32_t kSongBitmapLba = 2;
constexpr uint16_t kSongBitmapLength = 3;
constexpr uint32_t kAudioBitmapLba = 5;
constexpr uint16_t kAudioBitmapLength = 15;
constexpr uint32_t kProjectLba = 20;
constexpr uint16_t kProjectLength = 1;
constexpr uint32_t kMaxProjects = 99;
constexpr uint32_t kSongsPerProject = 99;
constexpr uint32_t kSongLba = 119;
constexpr uint16_t kSongInfoLength = 2;
constexpr uint16_t kSongBrLength = 5;
constexpr uint16_t kSongLength = 7;
constexpr uint32_t kMaxSongs = 9801;
constexpr uint32_t kEditSpaceLba = 68726;
constexpr uint32_t kEditSpaceLength = 1215360;
constexpr uint32_t kAudioBlocksPerEditSpace = 1055;
constexpr uint32_t kAudioSpaceLba = 1284086;
// System area, edit space and the mirror area: what the audio space is not.
constexpr uint32_t kLayoutOverhead = 1352812;
constexpr uint32_t kSectorsPerAudioBlock = 1152;
constexpr uint32_t kValidWord = 0x55AACC33u;
// Bits the in-memory bitmaps can hold.
constexpr uint32_t kAudioBitmapBits = 61376;
constexpr uint32_t kSongBitmapBits = 12224;
}  // namespace layout

constexpr uint16_t kBootSignature = 0xAA55;
constexpr char kTag[] = "TAVO VXF";
constexpr char kVersion100[] = "1.00 ";
constexpr char kVersion110[] = "1.10 ";
constexpr char kVersion030a[] = "0.30a";

struct SuperBlock {
    char tag[9];
    char version[6];  // five characters, the point re-inserted as the second
    uint32_t validWord;
    uint32_t sectorsPerAudioBlock;
    uint32_t audioBlocksPerCluster;
    uint32_t projectListLba;
    uint16_t projectListLength;
    uint32_t songBitmapLba;
    uint16_t songBitmapLength;
    uint32_t audioBitmapLba;
    uint16_t audioBitmapLength;
    uint32_t audioBitmapActiveWords;
    uint32_t availableClusters;
    uint32_t projectLba;
    uint16_t projectLength;
    uint32_t maxProjects;
    uint32_t songsPerProject;
    uint32_t songLba;
    uint16_t songInfoLength;
    uint16_t songBrLength;
    uint16_t songLength;
    uint32_t currentSongs;
    uint32_t maxSongs;
    uint32_t editSpaceLba;
    uint32_t editSpaceLength;
    uint32_t audioBlocksPerEditSpace;
    uint32_t audioSpaceLba;
    uint32_t audioSpaceLength;
    uint32_t driveLastLba;
    uint32_t magic;
    uint32_t checksum;
};

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
