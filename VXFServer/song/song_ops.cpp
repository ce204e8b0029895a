// song_ops.cpp - operations on whole songs of the open project: create, make current, rename, protect, move, delete.
#include "song/song_ops.h"

#include "song/current_song.h"
#include "core/errors.h"
#include "core/loaded_state.h"
#include "core/remembered_records.h"
#include "core/names.h"
#include "volume/project_list.h"
#include "volume/project_record.h"
#include "song/song_audio.h"
#include "song/song_record.h"
#include "song/song_slots.h"
#include "volume/super_block.h"
#include "song/track_layout.h"
#include "song/project_songs.h"
#include "song/song_selection.h"

namespace vxfserver {

namespace {

constexpr uint32_t kCreatedWordLength = 24;

bool checkRoomForASong() {
    const ServerState& st = state();
    if (st.project.songCount >= st.superBlock.songsPerProject || st.superBlock.currentSongs >= st.superBlock.maxSongs) {
        return fail(VXF_ERR_PROJECT_FULL);
    }
    return true;
}

// Makes the new record at `lba` the current song with the given layout.
void fillNewSong(uint32_t lba, uint32_t callerTracks, uint32_t sampleRate) {
    ServerState& st = state();
    Song& song = st.song;
    initSongRecord(song, lba, st.superBlock.songInfoLength);
    song.tracks = uint16_t(callerTracks * storedTracksPerCallerTrack(sampleRate));
    song.wordLength = uint8_t(kCreatedWordLength);
    song.sampleRate = sampleRate;
    const TrackBlockSize size = *trackBlockSizeFor(song.tracks);
    song.framesPerTrackBlock = size.frames;
    song.sectorsPerTrackBlock = size.sectors;
    song.samplesPerTrackBlock = size.samples;
    st.position = SongPosition{};
    invalidateTransferCache();
}

// Gives back what a create that failed part way took: its slot and its count.
void undoCreate(uint32_t lba) {
    const int32_t error = lastError();
    closeSong();
    rememberSong(0);
    if (lba != 0) releaseSongSlot(lba);
    state().superBlock.currentSongs -= 1;
    writeSuperBlock();
    setLastError(error);
}

}  // namespace

bool songCountOfProject(uint16_t& count) {
    uint32_t n = 0;
    if (!songCount(n)) return false;
    count = uint16_t(n);
    return true;
}

bool createSong(uint32_t callerTracks, uint32_t sampleRate, uint32_t wordLength) {
    if (!requireMounted() || !requireOpenProject() || !checkRoomForASong()) return false;
    if (wordLength != kCreatedWordLength || !isCreatableLayout(callerTracks, sampleRate)) {
        return fail(VXF_ERR_INVALID_PARAMETER);
    }
    ServerState& st = state();
    st.superBlock.currentSongs += 1;
    if (!writeSuperBlock()) {
        st.superBlock.currentSongs -= 1;
        return false;
    }
    uint32_t lba = 0;
    if (!takeSongSlot(lba)) {
        undoCreate(0);
        return false;
    }
    // The record is written before the project lists it, so that a failed
    // write never lists a slot holding some older record.
    fillNewSong(lba, callerTracks, sampleRate);
    rememberSong(lba);
    if (!saveSong() || !insertSong(lba, st.project.songCount)) {
        undoCreate(lba);
        return false;
    }
    return true;
}

bool makeSongCurrent(uint32_t index) {
    uint32_t count = 0;
    if (!songCount(count)) return false;
    if (index >= count) return fail(VXF_ERR_INVALID_PARAMETER);
    return loadSong(songHandleAt(index));
}

bool lastPrimarySongIndex(uint16_t& index) {
    uint32_t i = 0;
    if (!primarySongIndex(i)) return false;
    index = uint16_t(i);
    return true;
}

bool setSongName(const char* text) {
    if (!requireSongChange()) return false;
    normalizeName(state().song.name, text, kShortNameWidth);
    return saveSong();
}

bool setSongExtName(const char* text) {
    if (!requireSongChange()) return false;
    normalizeName(state().song.extName, text, kExtNameWidth);
    return saveSong();
}

bool setSongWriteProtect(bool protect) {
    if (!requireSongChange()) return false;
    uint32_t& attributes = state().song.attributes;
    attributes = protect ? (attributes | kWriteProtectBit) : (attributes & ~kWriteProtectBit);
    return saveSong();
}

bool moveSongWithinProject(uint32_t index) {
    uint32_t from = 0;
    if (!requireCurrentSong() || !indexOfCurrentSong(from)) return false;
    return moveSongWithin(from, index);
}

bool moveSongToProject(uint32_t projectIndex, uint32_t position) {
    uint32_t from = 0;
    if (!requireCurrentSong() || !indexOfCurrentSong(from)) return false;
    const uint32_t target = projectHandleAt(projectIndex);
    if (target == 0) return fail(VXF_ERR_FS_NOT_STARTED);
    return moveSongOut(from, target, position);
}

}  // namespace vxfserver
