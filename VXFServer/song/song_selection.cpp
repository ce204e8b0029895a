// song_selection.cpp - a song of the open project made current: loaded, reloaded for a handle, reviewed after another program's change.
#include "song/song_selection.h"

#include "song/current_song.h"
#include "core/errors.h"
#include "core/loaded_state.h"
#include "core/remembered_records.h"
#include "volume/project_record.h"
#include "core/server_state.h"

namespace vxfserver {

namespace {

bool readAndMakeCurrent(uint32_t lba) {
    closeSong();
    if (!requireMounted() || !requireOpenProject()) return false;
    Song song;
    if (!readSongRecord(lba, song)) return false;
    state().song = song;
    rememberSong(lba);
    return true;
}

// A handle may remember a song that has since left its project (moved or
// deleted through another handle or by another program); such a song is not
// made current.
bool stillListed(uint32_t lba) {
    if (hasFlag(kFlagProjectOpen) && openProjectListsSong(lba)) return true;
    rememberSong(0);
    return false;
}

}  // namespace

bool loadSong(uint32_t lba) {
    if (!readAndMakeCurrent(lba)) return false;
    if (!setLastSongHandle(lba)) {
        closeSong();
        return false;
    }
    return true;
}

bool reloadRememberedSong(uint32_t lba) { return !stillListed(lba) || loadSong(lba); }

bool reviewRememberedSong(uint32_t lba) { return !stillListed(lba) || readAndMakeCurrent(lba); }

}  // namespace vxfserver
