// song_hooks.cpp - the song layer's answers to the volume core: loading, closing, reloading and deleting the current song.
#include "song_hooks.h"

#include "current_song.h"
#include "errors.h"
#include "handles.h"
#include "mount.h"
#include "project_record.h"
#include "server_state.h"
#include "song_audio.h"
#include "song_listings.h"
#include "song_slots.h"
#include "super_block.h"

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

void closeSong() {
    state().song = Song{};
    state().position = SongPosition{};
    invalidateTransferCache();
}

bool reloadRememberedSong(uint32_t lba) { return !stillListed(lba) || loadSong(lba); }

bool reviewRememberedSong(uint32_t lba) { return !stillListed(lba) || readAndMakeCurrent(lba); }

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

}  // namespace vxfserver
