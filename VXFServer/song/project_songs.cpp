// project_songs.cpp - songs leaving their project: a song deleted, a project deleted with its songs, a song moved to another project.
#include "song/project_songs.h"

#include "song/current_song.h"
#include "core/drive_sharing.h"
#include "core/errors.h"
#include "core/loaded_state.h"
#include "core/remembered_records.h"
#include "volume/named_list_sector.h"
#include "core/names.h"
#include "volume/project_list.h"
#include "volume/project_record.h"
#include "core/record.h"
#include "core/record_io.h"
#include "core/server_state.h"
#include "song/song_audio.h"
#include "volume/song_listings.h"
#include "song/song_selection.h"
#include "song/song_slots.h"
#include "volume/super_block.h"

namespace vxfserver {

namespace {

// Removes a song from the record of a project that is not the open one.
bool removeSongFromProject(uint32_t project, uint32_t song) {
    ProjectRecord other{};
    if (!readProjectRecord(project, other)) return false;
    const uint32_t position = namedlist::positionOf(other.songs, other.songCount, song);
    if (position >= other.songCount) return true;
    namedlist::removeAt(other.songs, other.songCount, position);
    other.songCount -= 1;
    uint8_t sector[kSectorSize];
    encodeProjectRecord(other, sector);
    return writeRecordCopies(project, 1, sector);
}

// After a failed move out: takes the song out of the open target again when
// it went in, reopens the source and writes it as it stands; the result is
// the failure that ended the move.
bool putSongBack(uint32_t sourceProject, uint32_t song, bool inTarget) {
    const int32_t error = lastError();
    if (inTarget) removeSong(song);
    if (openProject(sourceProject)) writeProjectRecord();
    return fail(error);
}

}  // namespace

bool listingsOfCurrentSong(uint32_t& count) {
    if (!requireSongContext()) return false;
    const ServerState& st = state();
    const uint32_t lba = st.song.lba;
    SongListings listings;
    if (!collectListings(listings)) return false;
    count = 0;
    for (const Listing& listing : listings[lba]) count += listing.project == st.openProject ? 0 : 1;
    // The open project as it stands in memory, listed or not.
    for (uint32_t i = 0; i < st.project.songCount && i < kMaxSongHandles; ++i) count += st.project.songs[i] == lba;
    return true;
}

bool deleteCurrentSong() {
    if (!requireSongChange()) return false;
    ServerState& st = state();
    const uint32_t lba = st.song.lba;
    uint32_t listings = 0;
    if (!listingsOfCurrentSong(listings)) return false;
    // Listed elsewhere too (a move cut short, a damaged list): this list lets
    // go of it, and the other listing keeps the song with its slot and audio.
    if (listings > 1) {
        if (!removeSong(lba)) return false;
        closeSong();
        rememberSong(0);
        return true;
    }
    if (!freeSongAudio() || !removeSong(lba) || !releaseSongSlot(lba)) return false;
    if (st.superBlock.currentSongs > 0) st.superBlock.currentSongs -= 1;
    if (!writeSuperBlock()) return false;
    closeSong();
    rememberSong(0);
    return true;
}

bool deleteAllSongs() {
    if (!requireOpenProject()) return false;
    const uint32_t count = state().project.songCount;
    for (uint32_t i = 0; i < count; ++i) {
        if (!loadSong(state().project.songs[0]) || !deleteCurrentSong()) return false;
    }
    return writeProjectRecord();
}

bool deleteProject(uint32_t handle) {
    if (!requireMounted()) return false;
    if (state().projectList.count <= 1) return fail(VXF_ERR_PLIST_LAST_PROJECT);
    // Checked before any song goes, so an unlisted project loses nothing.
    if (!projectListed(handle)) return fail(VXF_ERR_INVALID_PARAMETER);
    if (!openProject(handle) || !deleteAllSongs() || !removeProject(handle)) return false;
    const SuperBlock& sb = state().superBlock;
    if (sb.projectLength != 0) noteRecordReleased(DriveClaim::Slot::Project, (handle - sb.projectLba) / sb.projectLength);
    forgetOpenProject();
    rememberProject(0);
    rememberSong(0);
    closeSong();
    return true;
}

bool moveSongOut(uint32_t index, uint32_t targetProject, uint32_t position) {
    if (!requireOpenProject()) return false;
    if (index >= state().project.songCount) return fail(VXF_ERR_INVALID_PARAMETER);
    const uint32_t song = state().project.songs[index];
    const uint32_t sourceProject = state().openProject;
    if (targetProject == sourceProject) {
        // One list: moved in memory and written once, then opened afresh as after any move out.
        return moveSongWithin(index, position) && openProject(targetProject);
    }
    // The song enters the target's list before it leaves the source's, so
    // that a failure between the two writes never leaves it in no list.
    if (!openProject(targetProject) || !insertSong(song, position)) {
        return putSongBack(sourceProject, song, hasFlag(kFlagProjectOpen) && openProjectListsSong(song));
    }
    if (!removeSongFromProject(sourceProject, song)) return putSongBack(sourceProject, song, true);
    return true;
}

}  // namespace vxfserver
