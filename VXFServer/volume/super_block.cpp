// super_block.cpp - the super block in sector 0: layout constants, geometry, encoding, checks and repair.
#include "volume/super_block.h"

#include <algorithm>
#include <cstring>

#include "core/drive_io.h"
#include "core/errors.h"
#include "core/read_only.h"
#include "core/record.h"
#include "core/server_state.h"

namespace vxfserver {

namespace {

// Field offsets in the sector.
constexpr size_t kOffTag = 0x00;
constexpr size_t kOffVersion = 0x08;
constexpr size_t kOffValidWord = 0x0C;
constexpr size_t kOffSectorsPerAudioBlock = 0x10;
constexpr size_t kOffAudioBlocksPerCluster = 0x14;
constexpr size_t kOffProjectListLba = 0x28;
constexpr size_t kOffProjectListLength = 0x2C;
constexpr size_t kOffSongBitmapLba = 0x30;
constexpr size_t kOffSongBitmapLength = 0x34;
constexpr size_t kOffAudioBitmapLba = 0x38;
constexpr size_t kOffAudioBitmapLength = 0x3C;
constexpr size_t kOffAudioBitmapActiveWords = 0x40;
constexpr size_t kOffAvailableClusters = 0x44;
constexpr size_t kOffProjectLba = 0x48;
constexpr size_t kOffProjectLength = 0x4C;
constexpr size_t kOffMaxProjects = 0x50;
constexpr size_t kOffSongsPerProject = 0x54;
constexpr size_t kOffSongLba = 0x58;
constexpr size_t kOffSongInfoLength = 0x5C;
constexpr size_t kOffSongBrLength = 0x60;
constexpr size_t kOffSongLength = 0x64;
constexpr size_t kOffCurrentSongs = 0x68;
constexpr size_t kOffMaxSongs = 0x6C;
constexpr size_t kOffEditSpaceLba = 0x70;
constexpr size_t kOffEditSpaceLength = 0x74;
constexpr size_t kOffAudioBlocksPerEditSpace = 0x78;
constexpr size_t kOffAudioSpaceLba = 0x7C;
constexpr size_t kOffAudioSpaceLength = 0x80;
constexpr size_t kOffDriveLastLba = 0x84;
constexpr size_t kOffMagic = 0x1F8;
constexpr size_t kOffBootSignature = 0x1FE;
constexpr uint32_t kSuperBlockMagic = magicOf(layout::kSuperBlockLba);
static_assert(kSuperBlockMagic == 0xFFFF0000u);
static_assert(kOffDriveLastLba + 4 == 0x88, "reserved area starts at 0x88");

bool versionIs(const SuperBlock& sb, const char* version) { return std::memcmp(sb.version, version, 5) == 0; }

// Only the low 16 bits of these length fields count.
uint16_t lengthField(const uint8_t* sector, size_t offset) { return uint16_t(getWord(sector + offset)); }

struct Extent {
    uint64_t lba;
    uint64_t sectors;
};

bool overlap(const Extent& a, const Extent& b) {
    return a.sectors != 0 && b.sectors != 0 && a.lba < b.lba + b.sectors && b.lba < a.lba + a.sectors;
}

// The version step of the check: which sector count is in force and whether
// the volume's version is one this server handles.
bool checkVersion(SuperBlock& sb) {
    ServerState& st = state();
    if (versionIs(sb, kVersion110)) {
        if (uint64_t(sb.driveLastLba) + 1 != st.sectorCount) return fail(VXF_ERR_LARGE_DRIVE);
        return true;
    }
    if (versionIs(sb, kVersion030a)) {
        std::memcpy(sb.version, kVersion100, sizeof(sb.version));
        return currentDriveIsReadOnly() || writeSuperBlock();
    }
    if (versionIs(sb, kVersion100)) {
        st.sectorCount = st.cappedSectorCount;
        return true;
    }
    return fail(VXF_ERR_FS_VERSION);
}

struct CopyCheck {
    bool read;
    bool sound;
};

CopyCheck checkCopyAt(int64_t lba, uint8_t* sector) {
    const bool read = readSectorsAt(lba, 1, sector);
    return {read, read && checkSuperBlockSector(sector)};
}

}  // namespace

Geometry geometryForAudioSpace(uint32_t audioSpaceLength) {
    const uint32_t blocks = audioSpaceLength / layout::kSectorsPerAudioBlock;
    Geometry g{};
    g.audioBlocksPerCluster = blocks / layout::kAudioBitmapBits + 1;
    g.clusters = uint32_t(uint64_t(audioSpaceLength) / (uint64_t(g.audioBlocksPerCluster) * layout::kSectorsPerAudioBlock));
    g.activeWords = (g.clusters + 31) / 32;
    return g;
}

uint32_t totalClusters(const SuperBlock& sb) {
    const uint64_t clusterSectors = uint64_t(sb.audioBlocksPerCluster) * sb.sectorsPerAudioBlock;
    if (clusterSectors == 0) return 0;
    return uint32_t(std::min<uint64_t>(sb.audioSpaceLength / clusterSectors, 0xFFFFFFFFu));
}

void encodeSuperBlock(SuperBlock& sb, uint8_t* sector) {
    std::memset(sector, 0, kSectorSize);
    packText(sector + kOffTag, sb.tag, 8);
    const char stored[5] = {sb.version[0], sb.version[2], sb.version[3], sb.version[4], '\0'};
    packText(sector + kOffVersion, stored, 4);
    putWord(sector + kOffValidWord, sb.validWord);
    putWord(sector + kOffSectorsPerAudioBlock, sb.sectorsPerAudioBlock);
    putWord(sector + kOffAudioBlocksPerCluster, sb.audioBlocksPerCluster);
    putWord(sector + kOffProjectListLba, sb.projectListLba);
    putWord(sector + kOffProjectListLength, sb.projectListLength);
    putWord(sector + kOffSongBitmapLba, sb.songBitmapLba);
    putWord(sector + kOffSongBitmapLength, sb.songBitmapLength);
    putWord(sector + kOffAudioBitmapLba, sb.audioBitmapLba);
    putWord(sector + kOffAudioBitmapLength, sb.audioBitmapLength);
    putWord(sector + kOffAudioBitmapActiveWords, sb.audioBitmapActiveWords);
    putWord(sector + kOffAvailableClusters, sb.availableClusters);
    putWord(sector + kOffProjectLba, sb.projectLba);
    putWord(sector + kOffProjectLength, sb.projectLength);
    putWord(sector + kOffMaxProjects, sb.maxProjects);
    putWord(sector + kOffSongsPerProject, sb.songsPerProject);
    putWord(sector + kOffSongLba, sb.songLba);
    putWord(sector + kOffSongInfoLength, sb.songInfoLength);
    putWord(sector + kOffSongBrLength, sb.songBrLength);
    putWord(sector + kOffSongLength, sb.songLength);
    putWord(sector + kOffCurrentSongs, sb.currentSongs);
    putWord(sector + kOffMaxSongs, sb.maxSongs);
    putWord(sector + kOffEditSpaceLba, sb.editSpaceLba);
    putWord(sector + kOffEditSpaceLength, sb.editSpaceLength);
    putWord(sector + kOffAudioBlocksPerEditSpace, sb.audioBlocksPerEditSpace);
    putWord(sector + kOffAudioSpaceLba, sb.audioSpaceLba);
    putWord(sector + kOffAudioSpaceLength, sb.audioSpaceLength);
    putWord(sector + kOffDriveLastLba, sb.driveLastLba);
    putWord(sector + kOffMagic, sb.magic);
    storeChecksum(sector, kSectorSize);
    sb.checksum = getWord(sector + kSectorSize - 4);
}

void decodeSuperBlock(const uint8_t* sector, SuperBlock& sb) {
    unpackText(sb.tag, sector + kOffTag, 8);
    char stored[5];
    unpackText(stored, sector + kOffVersion, 4);
    const char version[6] = {stored[0], '.', stored[1], stored[2], stored[3], '\0'};
    std::memcpy(sb.version, version, sizeof(version));
    sb.validWord = getWord(sector + kOffValidWord);
    sb.sectorsPerAudioBlock = getWord(sector + kOffSectorsPerAudioBlock);
    sb.audioBlocksPerCluster = getWord(sector + kOffAudioBlocksPerCluster);
    sb.projectListLba = getWord(sector + kOffProjectListLba);
    sb.projectListLength = lengthField(sector, kOffProjectListLength);
    sb.songBitmapLba = getWord(sector + kOffSongBitmapLba);
    sb.songBitmapLength = lengthField(sector, kOffSongBitmapLength);
    sb.audioBitmapLba = getWord(sector + kOffAudioBitmapLba);
    sb.audioBitmapLength = lengthField(sector, kOffAudioBitmapLength);
    sb.audioBitmapActiveWords = getWord(sector + kOffAudioBitmapActiveWords);
    sb.availableClusters = getWord(sector + kOffAvailableClusters);
    sb.projectLba = getWord(sector + kOffProjectLba);
    sb.projectLength = lengthField(sector, kOffProjectLength);
    sb.maxProjects = getWord(sector + kOffMaxProjects);
    sb.songsPerProject = getWord(sector + kOffSongsPerProject);
    sb.songLba = getWord(sector + kOffSongLba);
    sb.songInfoLength = lengthField(sector, kOffSongInfoLength);
    sb.songBrLength = lengthField(sector, kOffSongBrLength);
    sb.songLength = lengthField(sector, kOffSongLength);
    sb.currentSongs = getWord(sector + kOffCurrentSongs);
    sb.maxSongs = getWord(sector + kOffMaxSongs);
    sb.editSpaceLba = getWord(sector + kOffEditSpaceLba);
    sb.editSpaceLength = getWord(sector + kOffEditSpaceLength);
    sb.audioBlocksPerEditSpace = getWord(sector + kOffAudioBlocksPerEditSpace);
    sb.audioSpaceLba = getWord(sector + kOffAudioSpaceLba);
    sb.audioSpaceLength = getWord(sector + kOffAudioSpaceLength);
    sb.driveLastLba = getWord(sector + kOffDriveLastLba);
    sb.magic = getWord(sector + kOffMagic);
    sb.checksum = getWord(sector + kSectorSize - 4);
}

bool geometryIsUsable(const SuperBlock& sb, uint32_t sectorCount) {
    using namespace layout;
    // The in-memory structures and the track buffer have these sizes.
    if (sb.sectorsPerAudioBlock != kSectorsPerAudioBlock || sb.audioBlocksPerCluster == 0) return false;
    if (sb.projectListLength != kProjectListLength || sb.songBitmapLength != kSongBitmapLength ||
        sb.audioBitmapLength != kAudioBitmapLength || sb.projectLength != kProjectLength ||
        sb.songInfoLength != kSongInfoLength || sb.songBrLength != kSongBrLength ||
        sb.songLength < kSongInfoLength + kSongBrLength) {
        return false;
    }
    if (sb.maxProjects > kMaxProjects || sb.songsPerProject > kSongsPerProject || sb.maxSongs > kSongBitmapBits) {
        return false;
    }
    const uint64_t clusters = uint64_t(sb.audioSpaceLength) / (uint64_t(sb.audioBlocksPerCluster) * kSectorsPerAudioBlock);
    if (clusters > kAudioBitmapBits || sb.audioBitmapActiveWords != (clusters + 31) / 32) return false;

    const Extent extents[] = {
        {kSuperBlockLba, 1},
        {sb.projectListLba, sb.projectListLength},
        {sb.songBitmapLba, sb.songBitmapLength},
        {sb.audioBitmapLba, sb.audioBitmapLength},
        {sb.projectLba, uint64_t(sb.maxProjects) * sb.projectLength},
        {sb.songLba, uint64_t(sb.maxSongs) * sb.songLength},
    };
    uint64_t systemEnd = 0;
    for (size_t i = 0; i < std::size(extents); ++i) {
        for (size_t j = i + 1; j < std::size(extents); ++j) {
            if (overlap(extents[i], extents[j])) return false;
        }
        systemEnd = std::max(systemEnd, extents[i].lba + extents[i].sectors);
    }
    // Audio space between the system area and the lowest mirror copy.
    const int64_t mirrorStart = int64_t(sectorCount) - int64_t(systemEnd);
    return sb.audioSpaceLba >= systemEnd && int64_t(sb.audioSpaceLba) + int64_t(sb.audioSpaceLength) <= mirrorStart;
}

bool checkSuperBlockSector(const uint8_t* sector) {
    SuperBlock& sb = state().superBlock;
    decodeSuperBlock(sector, sb);
    if (!checksumMatches(sector, kSectorSize)) return fail(VXF_ERR_SUPER_CORRUPT);
    if (sb.magic != kSuperBlockMagic) return fail(VXF_ERR_SUPER_CORRUPT2);
    if (std::memcmp(sb.tag, kTag, 8) != 0 || sb.validWord != layout::kValidWord) return fail(VXF_ERR_FS_INVALID);
    if (!checkVersion(sb)) return false;
    if (!geometryIsUsable(sb, state().sectorCount)) return fail(VXF_ERR_FS_INVALID);
    return true;
}

bool readSuperBlock() {
    ServerState& st = state();
    uint8_t first[kSectorSize];
    uint8_t copy[kSectorSize];

    const bool firstRead = readSectors(layout::kSuperBlockLba, 1, first);
    const bool firstSound = firstRead && checkSuperBlockSector(first);
    if (firstRead && !firstSound) {
        if (lastError() == VXF_ERR_LARGE_DRIVE) return false;
        // A PC's boot sector: not a recorder drive, so its end is not read.
        if (getHalf(first + kOffBootSignature) == kBootSignature) return fail(VXF_ERR_FS_INVALID);
    }
    // The copy's own check may move the count in force; the repair of the
    // copy goes where the first copy says it belongs.
    const uint32_t sectorCount = st.sectorCount;
    const int64_t copyLba = int64_t(sectorCount) - 1;
    CopyCheck copyResult = checkCopyAt(copyLba, copy);
    if (!firstSound && !copyResult.sound && st.cappedSectorCount < sectorCount) {
        // Without a sound first copy the version is unknown: a "1.00 " volume
        // keeps its copy at the capped end.
        const int32_t error = lastError();
        const ReadRange range = failedReadRange();
        uint8_t capped[kSectorSize];
        const CopyCheck cappedResult = checkCopyAt(int64_t(st.cappedSectorCount) - 1, capped);
        if (cappedResult.sound) {
            std::memcpy(copy, capped, kSectorSize);
            copyResult = cappedResult;
        } else {
            st.sectorCount = sectorCount;
            if (error == VXF_ERR_DISK_READ) failRead(range.first, range.last - range.first + 1);
            setLastError(error);
        }
    }

    if (firstSound && copyResult.sound) return true;
    if (firstSound) {
        st.sectorCount = sectorCount;
        if (!readSectors(layout::kSuperBlockLba, 1, first)) return false;
        decodeSuperBlock(first, st.superBlock);
        // A read-only drive keeps its damaged copy; memory holds the sound one.
        return currentDriveIsReadOnly() || writeSectorsAt(copyLba, 1, first);
    }
    if (copyResult.sound) return currentDriveIsReadOnly() || writeSectors(layout::kSuperBlockLba, 1, copy);
    if (!copyResult.read) return false;
    if (!firstRead) return failRead(layout::kSuperBlockLba, 1);
    return false;  // the copy's check error stands
}

bool writeSuperBlock() {
    ServerState& st = state();
    uint8_t sector[kSectorSize];
    encodeSuperBlock(st.superBlock, sector);
    if (!checkSuperBlockSector(sector)) return false;
    if (!writeSectors(layout::kSuperBlockLba, 1, sector, WriteOrder::FirstCopy)) return false;
    if (!writeSectorsAt(int64_t(st.sectorCount) - 1, 1, sector, WriteOrder::MirrorCopy)) return false;
    clearFlag(kFlagSuperBlockChanged);
    return true;
}

}  // namespace vxfserver
