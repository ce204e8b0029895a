// project_recovery.cpp - homes for songs that no listed project names: a damaged project rebuilt around them, or a new one.
#include "maintenance/project_recovery.h"

#include <algorithm>

#include "volume/bitmaps.h"
#include "core/errors.h"
#include "core/loaded_state.h"
#include "core/names.h"
#include "volume/project_list.h"
#include "volume/project_record.h"
#include "core/server_state.h"
#include "song/song_slots.h"

namespace vxfserver {

namespace {

void clearSlotsOf(const ProjectRecord& project, uint32_t* slots) {
    for (uint32_t i = 0; i < project.songCount && i < kMaxSongHandles; ++i) {
        uint32_t slot = 0;
        if (songSlotOf(project.songs[i], slot)) slots[slot / 32] &= ~(1u << (slot % 32));
    }
}

// Appends the songs to the open project's list in memory, as many as it holds.
void adoptSongs(const std::vector<uint32_t>& songs) {
    ProjectRecord& project = state().project;
    const uint32_t room = std::min<uint32_t>(state().superBlock.songsPerProject, kMaxSongHandles);
    for (size_t i = 0; i < songs.size() && project.songCount < room; ++i) project.songs[project.songCount++] = songs[i];
}

}  // namespace

bool unreferencedSongs(uint32_t except, std::vector<uint32_t>& songs) {
    const ServerState& st = state();
    const SuperBlock& sb = st.superBlock;
    uint32_t slots[kSongBitmapWords];
    copySongBitmap(slots);
    for (uint32_t i = 0; i < st.projectList.count && i < kMaxProjectHandles; ++i) {
        const uint32_t handle = st.projectList.handles[i];
        if (handle == except) continue;
        ProjectRecord other{};
        if (readProjectRecord(handle, other)) {
            clearSlotsOf(other, slots);
        } else if (!isCorruptProjectError(lastError())) {
            return false;
        }
    }
    songs.clear();
    for (uint32_t b = nextSongSlotSet(slots, 0); b != kNoSongSlot; b = nextSongSlotSet(slots, b + 1)) {
        songs.push_back(sb.songLba + b * sb.songLength);
    }
    return true;
}

bool recoverProject(uint32_t handle) {
    if (!projectHandleInRange(handle)) return fail(VXF_ERR_INVALID_PARAMETER);
    forgetOpenProject();
    closeSong();
    // The songs to adopt are known before the fresh record replaces the old one.
    std::vector<uint32_t> songs;
    if (!unreferencedSongs(handle, songs)) return false;
    initProjectRecord(handle);
    adoptSongs(songs);
    if (!writeProjectRecord() || !loadProjectRecord(handle)) {
        forgetOpenProject();
        return false;
    }
    setFlag(kFlagProjectOpen);
    return true;
}

bool adoptIntoNewProject(const std::vector<uint32_t>& songs) {
    if (!createProject()) return false;
    ProjectRecord& project = state().project;
    normalizeName(project.shortName, "Recovered ", kShortNameWidth);
    normalizeName(project.extName, "Recovered", kExtNameWidth);
    adoptSongs(songs);
    return writeProjectRecord();
}

}  // namespace vxfserver
