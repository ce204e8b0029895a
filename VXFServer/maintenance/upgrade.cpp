// upgrade.cpp - turning a mounted "1.00 " volume into a "1.10 " volume over the whole drive.
#include "maintenance/upgrade.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "song/audio_census.h"
#include "song/current_song.h"
#include "core/drive_io.h"
#include "core/errors.h"
#include "core/loaded_state.h"
#include "core/names.h"
#include "volume/project_list.h"
#include "volume/project_record.h"
#include "core/record.h"
#include "core/server_state.h"
#include "song/song_slots.h"
#include "volume/bitmaps.h"
#include "volume/super_block.h"

namespace vxfserver {

namespace {

// Sets of song slots, one bit per slot as in the song bitmap.
struct SlotSet {
    uint32_t words[kSongBitmapWords];
    bool has(uint32_t slot) const { return (words[slot / 32] >> (slot % 32) & 1u) != 0; }
    void add(uint32_t slot) { words[slot / 32] |= 1u << (slot % 32); }
};

// What is read before anything is written: the song slots the projects list,
// the clusters every song uses (each counted once), and the songs no project
// lists whose record is corrupt (unreachable as they are, left as they are).
struct Survey {
    SlotSet listed;
    SlotSet brokenOrphans;
    ClusterCensus census;
};

// The sector counts the records move between (they are read where the old
// volume keeps their copies and written where the new one does), and the
// songs already moved.
struct Move {
    uint32_t capped;
    uint32_t full;
    SlotSet moved;
};

bool isLargeDrive() { return state().fullSectorCount > kCappedSectorLimit; }

// The songs of a listed project: each must load; one the song bitmap does not
// mark is counted here, the others with the bitmap's slots.
bool surveyListedSongs(const ProjectRecord& project, Survey& survey) {
    Song song;
    for (uint32_t i = 0; i < project.songCount && i < kMaxSongHandles; ++i) {
        uint32_t slot = 0;
        const bool isSlot = songSlotOf(project.songs[i], slot);
        if (isSlot) survey.listed.add(slot);
        if (isSlot && songSlotInUse(slot)) continue;
        if (!readSongRecord(project.songs[i], song)) return false;
        countSongClusters(survey.census, song);
    }
    return true;
}

// Every listed project and every song, listed or in the song bitmap, must
// load: a failure ends the upgrade here, with nothing written yet.
bool surveyVolume(Survey& survey) {
    survey = Survey{};
    startCensus(survey.census);
    const ProjectList& list = state().projectList;
    for (uint32_t i = 0; i < list.count && i < kMaxProjectHandles; ++i) {
        ProjectRecord project{};
        if (!readProjectRecord(list.handles[i], project) || !surveyListedSongs(project, survey)) return false;
    }
    auto passOverOrphan = [&survey](uint32_t lba) {
        uint32_t slot = 0;
        if (!songSlotOf(lba, slot) || survey.listed.has(slot)) return false;
        survey.brokenOrphans.add(slot);
        return true;
    };
    return censusOfSongSlots(survey.census, passOverOrphan);
}

// The audio space of the whole drive, as a format lays it out; 0 when the
// system area would not leave any.
uint32_t fullAudioSpaceLength() {
    const SuperBlock& sb = state().superBlock;
    const int64_t length = int64_t(state().fullSectorCount) - 2 * int64_t(sb.editSpaceLba) - layout::kEditSpaceLength;
    return length > 0 ? uint32_t(length) : 0;
}

// The super block of the upgraded volume. A larger drive needs a new
// geometry; existing runs start on cluster boundaries of the old one, so a
// new cluster size is refused while any song owns audio (two songs could
// otherwise share a cluster), and so is a layout the whole drive cannot hold.
bool planSuperBlock(const ClusterCensus& census, SuperBlock& planned) {
    const ServerState& st = state();
    planned = st.superBlock;
    std::memcpy(planned.version, kVersion110, sizeof(planned.version));
    planned.driveLastLba = st.fullSectorCount - 1;
    if (isLargeDrive()) {
        const Geometry geometry = geometryForAudioSpace(fullAudioSpaceLength());
        if (geometry.audioBlocksPerCluster != planned.audioBlocksPerCluster && census.used != 0) {
            return fail(VXF_ERR_UPGRADE_INVALID);
        }
        planned.audioSpaceLength = fullAudioSpaceLength();
        planned.audioBlocksPerCluster = geometry.audioBlocksPerCluster;
        planned.availableClusters = geometry.clusters;
        planned.audioBitmapActiveWords = geometry.activeWords;
    }
    return geometryIsUsable(planned, st.fullSectorCount) || fail(VXF_ERR_UPGRADE_INVALID);
}

// Short names stand in for the extended names the old version lacks; the
// recorder's old default name becomes the new default.
void extendedNameFromShort(char* extName, const char* shortName, const char* oldDefault, const char* newDefault) {
    const bool isDefault = std::strncmp(shortName, oldDefault, kShortNameWidth) == 0;
    normalizeName(extName, isDefault ? newDefault : shortName, kExtNameWidth);
}

// A song: read at its old copies, named, written at its new ones.
bool moveSong(uint32_t lba, Move& move) {
    ServerState& st = state();
    st.sectorCount = move.capped;
    closeSong();
    if (!readSongRecord(lba, st.song)) return false;
    normalizeName(st.song.extName, st.song.name, kExtNameWidth);
    st.sectorCount = move.full;
    if (!saveSong()) return false;
    closeSong();
    uint32_t slot = 0;
    if (songSlotOf(lba, slot)) move.moved.add(slot);
    return true;
}

bool moveProject(uint32_t handle, Move& move) {
    ServerState& st = state();
    st.sectorCount = move.capped;
    if (!visitProject(handle)) return false;
    ProjectRecord& project = st.project;
    extendedNameFromShort(project.extName, project.shortName, "Project 01", "Proj Name");
    st.sectorCount = move.full;
    if (!writeProjectRecord()) return false;
    // Moving a song leaves the open project's record as it is.
    for (uint32_t i = 0; i < project.songCount && i < kMaxSongHandles; ++i) {
        if (!moveSong(project.songs[i], move)) return false;
    }
    return true;
}

// Songs in the song bitmap that no project lists move too: a copy left
// behind would leave a never-written area where the new volume looks for
// it, and a cleared information block passes its checksum.
bool moveUnlistedSongs(const Survey& survey, Move& move) {
    const SuperBlock& sb = state().superBlock;
    const uint32_t* slots = state().songBitmap.words;
    for (uint32_t b = nextSongSlotSet(slots, 0); b != kNoSongSlot; b = nextSongSlotSet(slots, b + 1)) {
        const uint32_t lba = sb.songLba + b * sb.songLength;
        if (move.moved.has(b) || survey.brokenOrphans.has(b)) continue;
        if (!moveSong(lba, move)) return false;
    }
    return true;
}

bool moveProjectsSongsAndDrive(const Survey& survey, Move& move) {
    ProjectList& list = state().projectList;
    const uint16_t primaryIndex = indexOfProject(list.lastProjectHandle);
    const std::vector<uint32_t> projects(list.handles, list.handles + std::min<uint32_t>(list.count, kMaxProjectHandles));
    for (uint32_t handle : projects) {
        if (!moveProject(handle, move)) return false;
    }
    if (!moveUnlistedSongs(survey, move)) return false;
    extendedNameFromShort(list.extName, list.shortName, "          ", "Drive Name");
    // The project primary before is primary again (the first one when none was listed).
    if (list.count > 0) list.lastProjectHandle = projectHandleAt(primaryIndex);
    state().sectorCount = move.full;
    return writeProjectList();
}

}  // namespace

bool volumeIsCurrentVersion() {
    return hasFlag(kFlagMounted) && std::memcmp(state().superBlock.version, kVersion110, 5) == 0;
}

bool upgradeVolume() {
    if (!requireMounted()) return false;
    if (volumeIsCurrentVersion()) return true;
    ServerState& st = state();
    SuperBlock& sb = st.superBlock;
    if (std::memcmp(sb.version, kVersion100, 5) != 0) return fail(VXF_ERR_DISK_WRITE);

    Survey survey;
    SuperBlock planned{};
    if (!surveyVolume(survey) || !planSuperBlock(survey.census, planned)) return false;

    // The old super block copy goes first: a volume cut short is still read as "1.00 ".
    const uint8_t cleared[kSectorSize] = {};
    if (!writeSectorsAt(int64_t(st.cappedSectorCount) - 1, 1, cleared)) return false;
    st.sectorCount = st.fullSectorCount;
    sb = planned;

    Move move{st.cappedSectorCount, st.fullSectorCount, SlotSet{}};
    if (!moveProjectsSongsAndDrive(survey, move)) return false;
    if (isLargeDrive()) {
        installCensus(survey.census);
        if (!writeSongBitmap() || !writeAudioBitmap()) return false;
    }
    if (!writeSuperBlock()) return false;
    forgetOpenProject();
    closeSong();
    st.flags = kFlagMounted | kFlagVersion110;
    return true;
}

}  // namespace vxfserver
