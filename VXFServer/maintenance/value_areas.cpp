// value_areas.cpp - the areas of system records and their mirrors, the listed songs' runs, then the lost songs' runs.
#include "maintenance/value_areas.h"

#include <algorithm>

#include "core/record.h"
#include "core/record_io.h"
#include "core/server_state.h"
#include "maintenance/lost_songs.h"
#include "song/block_runs.h"
#include "song/current_song.h"
#include "volume/project_record.h"

namespace vxfserver {

namespace {

// An area cut to the drive; nothing when it lies wholly past it.
void addArea(std::vector<VxfxArea>& areas, uint32_t kind, uint32_t owner, uint64_t first, uint64_t count) {
    const uint64_t sectors = state().sectorCount;
    if (first >= sectors || count == 0) return;
    count = std::min(count, sectors - first);
    areas.push_back(VxfxArea{kind, owner, uint32_t(first), uint32_t(count)});
}

void addRecords(std::vector<VxfxArea>& areas, uint32_t records, uint32_t lba, uint64_t sectors) {
    addArea(areas, VXFX_AREA_SYSTEM, records, lba, sectors);
    const int64_t mirror = mirrorLba(state().sectorCount, lba, uint32_t(std::min<uint64_t>(sectors, UINT32_MAX)));
    if (mirror >= 0) addArea(areas, VXFX_AREA_MIRROR, records, uint64_t(mirror), sectors);
}

void addRuns(std::vector<VxfxArea>& areas, uint32_t kind, uint32_t owner, const Song& song) {
    const uint64_t sectorsPerBlock = state().superBlock.sectorsPerAudioBlock;
    const size_t runs = runsInUse(song.runs);
    for (size_t i = 0; i < runs; ++i) {
        addArea(areas, kind, owner, song.runs[i].lba, uint64_t(song.runs[i].length) * sectorsPerBlock);
    }
}

void addSystemRecords(std::vector<VxfxArea>& areas) {
    const SuperBlock& sb = state().superBlock;
    addRecords(areas, VXFX_RECORDS_SUPER_BLOCK, 0, 1);
    addRecords(areas, VXFX_RECORDS_PROJECT_LIST, sb.projectListLba, sb.projectListLength);
    addRecords(areas, VXFX_RECORDS_SONG_BITMAP, sb.songBitmapLba, sb.songBitmapLength);
    addRecords(areas, VXFX_RECORDS_AUDIO_BITMAP, sb.audioBitmapLba, sb.audioBitmapLength);
    addRecords(areas, VXFX_RECORDS_PROJECTS, sb.projectLba, uint64_t(sb.projectLength) * sb.maxProjects);
    addRecords(areas, VXFX_RECORDS_SONGS, sb.songLba, uint64_t(sb.songLength) * sb.maxSongs);
}

// A project or song whose record is unreadable or damaged is passed over; the rest still count.
bool addListedSongs(std::vector<VxfxArea>& areas) {
    const ProjectList& list = state().projectList;
    const uint32_t projects = std::min<uint32_t>(list.count, kMaxProjectHandles);
    for (uint32_t p = 0; p < projects; ++p) {
        ProjectRecord project{};
        if (!projectHandleInRange(list.handles[p]) || !readProjectRecord(list.handles[p], project)) continue;
        const uint32_t songs = std::min<uint32_t>(project.songCount, kMaxSongHandles);
        for (uint32_t s = 0; s < songs; ++s) {
            Song song{};
            if (!readSongRecord(project.songs[s], song)) continue;
            addRuns(areas, VXFX_AREA_SONG, p * 65536u + s, song);
        }
    }
    return true;
}

void addLostSongs(std::vector<VxfxArea>& areas) {
    LostSongSurvey survey;
    if (!surveyLostSongs(survey)) return;
    for (const LostSong& lost : survey.songs) {
        if (lost.state != LostState::Damaged) addRuns(areas, VXFX_AREA_LOST_SONG, lost.slot, lost.song);
    }
}

}  // namespace

bool collectValueAreas(std::vector<VxfxArea>& areas) {
    RepairsHeld held;
    areas.clear();
    addSystemRecords(areas);
    addListedSongs(areas);
    addLostSongs(areas);
    return true;
}

}  // namespace vxfserver
