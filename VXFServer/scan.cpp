// scan.cpp - the drive scan: songs that no longer load removed, every other song checked, the audio bitmap rebuilt.
#include "scan.h"

#include <algorithm>
#include <vector>

#include "audio_census.h"
#include "current_song.h"
#include "errors.h"
#include "handles.h"
#include "mount.h"
#include "project_list.h"
#include "project_record.h"
#include "project_recovery.h"
#include "server_state.h"
#include "song_check.h"
#include "song_slots.h"
#include "super_block.h"

namespace vxfserver {

namespace {

bool slotInUse(uint32_t slot) { return (state().songBitmap.words[slot / 32] >> (slot % 32) & 1u) != 0; }

// A broken song's slot is given back, and the song counted out of the
// volume, only when its handle is a real song slot in use: a stray handle in
// a project's list owns nothing.
bool releaseBrokenSlot(uint32_t lba) {
    uint32_t slot = 0;
    if (!songSlotOf(lba, slot) || !slotInUse(slot)) return true;
    if (!releaseSongSlot(lba)) return false;
    SuperBlock& sb = state().superBlock;
    if (sb.currentSongs > 0) sb.currentSongs -= 1;
    return writeSuperBlock();
}

// Every song of the open project by index: one that loads is checked, a
// corrupt one leaves the list (its clusters come back with the rebuild) and
// the same index is tried again. Songs are read without becoming the
// primary or remembered song.
bool checkSongsOfOpenProject(uint32_t& removed) {
    const ProjectRecord& project = state().project;
    for (uint32_t i = 0; i < project.songCount;) {
        const uint32_t lba = project.songs[i];
        closeSong();
        if (readSongRecord(lba, state().song)) {
            if (!checkCurrentSong()) return false;
            ++i;
            continue;
        }
        if (!isCorruptSongError(lastError())) return false;
        closeSong();
        if (!removeSong(lba) || !releaseBrokenSlot(lba)) return false;
        ++removed;
    }
    closeSong();
    return true;
}

// The projects the list names, in list order; slots it does not name are
// not projects, whatever old records they hold.
bool checkListedProjects(uint32_t& removed) {
    const ProjectList& list = state().projectList;
    const std::vector<uint32_t> handles(list.handles, list.handles + std::min<uint32_t>(list.count, kMaxProjectHandles));
    for (uint32_t handle : handles) {
        if (!visitProject(handle)) {
            if (!isCorruptProjectError(lastError()) || !recoverProject(handle)) return false;
        }
        if (!checkSongsOfOpenProject(removed)) return false;
    }
    return true;
}

// Songs in the song bitmap that no project names would be out of reach for
// good: while the list has room they go into new projects and are checked
// there. With a full list they stay as they are, their clusters in use.
bool adoptUnreferencedSongs(uint32_t& removed) {
    for (;;) {
        std::vector<uint32_t> songs;
        if (!unreferencedSongs(0, songs)) return false;
        if (songs.empty() || state().projectList.count >= state().superBlock.maxProjects) return true;
        if (!adoptIntoNewProject(songs)) return lastError() == VXF_ERR_PLIST_FULL;
        if (!checkSongsOfOpenProject(removed)) return false;
    }
}

// Song slots in use: after an interrupted create or delete the super block's
// song count may disagree with the bitmap, which is what a new song is taken from.
uint32_t songSlotsInUse() {
    const SuperBlock& sb = state().superBlock;
    uint32_t inUse = 0;
    for (uint32_t slot = 0; slot < std::min<uint32_t>(sb.maxSongs, kSongBitmapBitWords * 32); ++slot) {
        inUse += slotInUse(slot) ? 1 : 0;
    }
    return inUse;
}

// The audio bitmap becomes exactly the clusters of the songs in the song
// bitmap, orphans included: a cluster marked but unused is freed, and one in
// use but marked free is marked, so that no later write is granted it.
// `correction` is how far Available Clusters moved, either way.
bool rebuildAudioBitmap(uint32_t& correction, uint32_t& removed) {
    closeSong();
    ClusterCensus census;
    startCensus(census);
    // Only a song that no list names can fail here; with no room to adopt it
    // its broken record is given up like a listed one.
    auto giveUpOrphan = [&removed](uint32_t lba) {
        if (!releaseBrokenSlot(lba)) return false;
        ++removed;
        return true;
    };
    if (!censusOfSongSlots(census, giveUpOrphan)) return false;
    SuperBlock& sb = state().superBlock;
    const uint32_t before = sb.availableClusters;
    installCensus(census);
    const uint32_t after = sb.availableClusters;
    correction = after > before ? after - before : before - after;
    sb.currentSongs = songSlotsInUse();
    return writeAudioBitmap() && writeSuperBlock();
}

}  // namespace

bool scanVolume(ScanResult& result) {
    result = ScanResult{};
    if (!mountVolume()) return false;
    const SuperBlock& sb = state().superBlock;
    const uint32_t freeAtStart = sb.availableClusters;
    uint32_t removed = 0;
    uint32_t correction = 0;
    const bool songsChecked = checkListedProjects(removed) && adoptUnreferencedSongs(removed);
    const int64_t changeDuringChecks = int64_t(sb.availableClusters) - int64_t(freeAtStart);
    const bool scanned = songsChecked && rebuildAudioBitmap(correction, removed);
    closeSong();
    rememberSong(0);
    if (!scanned) return false;
    const int64_t clusters = std::max<int64_t>(0, changeDuringChecks + int64_t(correction));
    const uint64_t kib = uint64_t(clusters) * sb.audioBlocksPerCluster * sb.sectorsPerAudioBlock / 2;
    result.removedSongs = uint16_t(std::min<uint32_t>(removed, 0xFFFF));
    result.spaceKiB = uint32_t(std::min<uint64_t>(kib, 0xFFFFFFFFu));
    return true;
}

}  // namespace vxfserver
