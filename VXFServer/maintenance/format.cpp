// format.cpp - writing a new, empty "1.10 " volume over the whole current drive.
#include "maintenance/format.h"

#include "song/cluster_claims.h"

#include <cstring>

#include "volume/bitmaps.h"
#include "core/drive_io.h"
#include "core/errors.h"
#include "core/loaded_state.h"
#include "volume/project_list.h"
#include "volume/project_record.h"
#include "core/record.h"
#include "core/server_state.h"
#include "volume/super_block.h"

namespace vxfserver {

namespace {

// The super block of a fresh volume on a drive of `sectorCount` sectors; its
// Valid Word is set only once everything else is on the drive.
SuperBlock freshSuperBlock(uint32_t sectorCount) {
    using namespace layout;
    SuperBlock sb{};
    std::memcpy(sb.tag, kTag, sizeof(sb.tag));
    std::memcpy(sb.version, kVersion110, sizeof(sb.version));
    sb.sectorsPerAudioBlock = kSectorsPerAudioBlock;
    sb.projectListLba = kProjectListLba;
    sb.projectListLength = kProjectListLength;
    sb.songBitmapLba = kSongBitmapLba;
    sb.songBitmapLength = kSongBitmapLength;
    sb.audioBitmapLba = kAudioBitmapLba;
    sb.audioBitmapLength = kAudioBitmapLength;
    sb.projectLba = kProjectLba;
    sb.projectLength = kProjectLength;
    sb.maxProjects = kMaxProjects;
    sb.songsPerProject = kSongsPerProject;
    sb.songLba = kSongLba;
    sb.songInfoLength = kSongInfoLength;
    sb.songBrLength = kSongBrLength;
    sb.songLength = kSongLength;
    sb.currentSongs = 0;
    sb.maxSongs = kMaxSongs;
    sb.editSpaceLba = kEditSpaceLba;
    sb.editSpaceLength = kEditSpaceLength;
    sb.audioBlocksPerEditSpace = kAudioBlocksPerEditSpace;
    sb.audioSpaceLba = kAudioSpaceLba;
    sb.audioSpaceLength = sectorCount - kLayoutOverhead;
    const Geometry g = geometryForAudioSpace(sb.audioSpaceLength);
    sb.audioBlocksPerCluster = g.audioBlocksPerCluster;
    sb.availableClusters = g.clusters;
    sb.audioBitmapActiveWords = g.activeWords;
    sb.driveLastLba = sectorCount - 1;
    sb.magic = magicOf(kSuperBlockLba);
    return sb;
}

bool writeVolume(uint32_t formerSectorCount) {
    ServerState& st = state();
    forgetClusterClaims();
    uint8_t cleared[kSectorSize] = {};
    // The old copy of the super block goes first: a volume cut short by a
    // failure is then never taken for the old one at its end.
    if (!writeSectorsAt(int64_t(formerSectorCount) - 1, 1, cleared)) return false;
    st.sectorCount = st.fullSectorCount;
    st.superBlock = freshSuperBlock(st.sectorCount);
    initProjectList(layout::kProjectListLba);
    if (!writeProjectList()) return false;
    initSongBitmap(layout::kSongBitmapLba);
    if (!writeSongBitmap()) return false;
    initAudioBitmap(layout::kAudioBitmapLba, nullptr);
    if (!writeAudioBitmap()) return false;
    st.superBlock.validWord = layout::kValidWord;
    if (!writeSuperBlock()) return false;
    // A fresh volume: mounted, no project open, no song current; then its one project.
    forgetOpenProject();
    closeSong();
    st.flags = kFlagMounted;
    return createProject();
}

}  // namespace

bool formatDrive(uint32_t formerSectorCount) {
    ServerState& st = state();
    if (st.fullSectorCount < kMinimumFormatSectors) return fail(VXF_ERR_NOT_ENOUGH_SPACE);
    if (writeVolume(formerSectorCount)) return true;
    // Whatever the drive now holds is read afresh by the next selection.
    const int32_t error = lastError();
    forgetCurrentDrive();
    return fail(error);
}

}  // namespace vxfserver
