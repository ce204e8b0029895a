// scan.cpp - the drive scan: songs that no longer load removed, every other song checked, the audio bitmap rebuilt.
#include "maintenance/scan.h"

#include <algorithm>
#include <vector>

#include "song/audio_census.h"
#include "volume/bitmaps.h"
#include "song/cluster_claims.h"
#include "song/current_song.h"
#include "core/errors.h"
#include "core/loaded_state.h"
#include "core/remembered_records.h"
#include "volume/mount.h"
#include "volume/project_list.h"
#include "volume/project_record.h"
#include "maintenance/project_recovery.h"
#include "core/server_state.h"
#include "maintenance/shared_clusters.h"
#include "song/song_check.h"
#include "volume/song_listings.h"
#include "song/song_slots.h"
#include "volume/super_block.h"

namespace vxfserver {

namespace {

// A broken song's slot is given back, and the song counted out of the
// volume, only when its handle is a real song slot in use: a stray handle in
// a project's list owns nothing.
bool releaseBrokenSlot(uint32_t lba) {
    uint32_t slot = 0;
    if (!songSlotOf(lba, slot) || !songSlotInUse(slot)) return true;
    if (!releaseSongSlot(lba)) return false;
    SuperBlock& sb = state().superBlock;
    if (sb.currentSongs > 0) sb.currentSongs -= 1;
    return writeSuperBlock();
}

// Every song of the open project by index: one that loads is checked (runs
// reaching outside the audio space are damage to mend, not a song to lose),
// a corrupt one leaves the list (its clusters come back with the rebuild)
// and the same index is tried again. Songs are read without becoming the
// primary or remembered song.
bool checkSongsOfOpenProject(ScanResult& result) {
    const ProjectRecord& project = state().project;
    for (uint32_t i = 0; i < project.songCount;) {
        const uint32_t lba = project.songs[i];
        closeSong();
        uint32_t dropped = 0;
        if (readSongRecordDroppingStrayRuns(lba, state().song, dropped)) {
            if (!checkCurrentSong() || (dropped > 0 && !saveSong())) return false;
            result.repairedSongs += dropped > 0 ? 1 : 0;
            ++i;
            continue;
        }
        if (!isCorruptSongError(lastError())) return false;
        closeSong();
        if (!removeSong(lba) || !releaseBrokenSlot(lba)) return false;
        ++result.removedSongs;
    }
    closeSong();
    return true;
}

// A list entry that names no project slot, or a project named before,
// holds nothing of its own: it goes, so that every project is visited once
// and the scan does not stop at an entry it cannot open.
bool dropStrayProjectEntries(uint32_t& dropped) {
    ProjectList& list = state().projectList;
    const SuperBlock& sb = state().superBlock;
    std::vector<uint32_t> kept;
    dropped = 0;
    const uint32_t count = std::min<uint32_t>(list.count, kMaxProjectHandles);
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t handle = list.handles[i];
        // The project area itself, not the super block's project limit, which damage may have cut.
        const bool slot = sb.projectLength != 0 && handle >= sb.projectLba && handle < sb.songLba &&
                          (handle - sb.projectLba) % sb.projectLength == 0;
        if (slot && std::find(kept.begin(), kept.end(), handle) == kept.end()) {
            kept.push_back(handle);
        } else {
            ++dropped;
        }
    }
    if (dropped == 0) return true;
    std::fill(list.handles, list.handles + kMaxProjectHandles, 0u);
    std::copy(kept.begin(), kept.end(), list.handles);
    list.count = uint32_t(kept.size());
    return writeProjectList();
}

// The projects the list names, in list order; slots it does not name are
// not projects, whatever old records they hold.
bool checkListedProjects(ScanResult& result) {
    const ProjectList& list = state().projectList;
    // A copy: a recovery may rewrite the list.
    std::vector<uint32_t> handles;
    for (uint32_t i = 0; i < std::min<uint32_t>(list.count, kMaxProjectHandles); ++i) handles.push_back(list.handles[i]);
    for (uint32_t handle : handles) {
        if (!visitProject(handle)) {
            if (!isCorruptProjectError(lastError()) || !recoverProject(handle)) return false;
        }
        if (!checkSongsOfOpenProject(result)) return false;
    }
    return true;
}

// Songs in the song bitmap that no project names would be out of reach for
// good: while the list has room they go into new projects and are checked
// there. With a full list they stay as they are, their clusters in use.
// Each new project takes as many of them as a project holds, from the front; the rest are
// still unreferenced, so the projects are read once, not once for every new project.
bool adoptUnreferencedSongs(ScanResult& result) {
    std::vector<uint32_t> songs;
    if (!unreferencedSongs(0, songs)) return false;
    while (!songs.empty() && state().projectList.count < state().superBlock.maxProjects) {
        if (!adoptIntoNewProject(songs)) return lastError() == VXF_ERR_PLIST_FULL;
        // Counted before the check: a song it removes is adopted and gone all the same.
        const size_t adopted = std::min<size_t>(state().project.songCount, songs.size());
        if (!checkSongsOfOpenProject(result)) return false;
        songs.erase(songs.begin(), songs.begin() + std::ptrdiff_t(adopted));
    }
    return true;
}

// A song a list names is the volume's, whatever its slot's bit says: the bit
// is set again, so that the census counts its clusters and no new song takes
// its slot.
bool markListedSongSlots(uint32_t& marked) {
    SongListings listings;
    if (!collectListings(listings)) return false;
    marked = 0;
    for (const auto& [lba, places] : listings) {
        uint32_t slot = 0;
        if (!songSlotOf(lba, slot) || songSlotInUse(slot)) continue;
        state().songBitmap.words[slot / 32] |= 1u << (slot % 32);
        ++marked;
    }
    return marked == 0 || writeSongBitmap();
}

// The audio bitmap becomes exactly the clusters of the songs in the song
// bitmap, orphans included: a cluster marked but unused is freed, and one in
// use but marked free is marked, so that no later write is granted it.
// `correction` is how far Available Clusters moved, either way.
bool rebuildAudioBitmap(uint32_t& correction, ScanResult& result) {
    closeSong();
    ClusterCensus census;
    startCensus(census);
    // Only a song that no list names can fail here; with no room to adopt it
    // its broken record is given up like a listed one.
    auto giveUpOrphan = [&result](uint32_t lba) {
        if (!releaseBrokenSlot(lba)) return false;
        ++result.removedSongs;
        return true;
    };
    if (!censusOfSongSlots(census, giveUpOrphan)) return false;
    SuperBlock& sb = state().superBlock;
    const uint32_t before = sb.availableClusters;
    installCensus(census);
    const uint32_t after = sb.availableClusters;
    correction = after > before ? after - before : before - after;
    // After an interrupted create or delete the song count may disagree with the bitmap, which
    // is what a new song is taken from: the count becomes the bitmap's.
    sb.currentSongs = songSlotsSet(state().songBitmap.words);
    return writeAudioBitmap() && writeSuperBlock();
}

bool untangle(ScanResult& result) {
    SharingReport sharing;
    if (!untangleSharedClusters(sharing)) return false;
    result.sharedClusters = sharing.shared;
    result.copiedClusters = sharing.copied;
    result.unresolved = sharing.unresolved;
    return true;
}

}  // namespace

bool scanVolume(ScanResult& result) {
    result = ScanResult{};
    if (!mountVolume()) return false;
    const SuperBlock& sb = state().superBlock;
    const uint32_t freeAtStart = sb.availableClusters;
    uint32_t correction = 0;
    const bool songsChecked = dropStrayProjectEntries(result.droppedProjectEntries) &&
                              keepOneListingPerSong(result.extraListings) && checkListedProjects(result) &&
                              adoptUnreferencedSongs(result);
    const int64_t changeDuringChecks = int64_t(sb.availableClusters) - int64_t(freeAtStart);
    const bool scanned = songsChecked && markListedSongSlots(result.relistedSongs) && untangle(result) &&
                         rebuildAudioBitmap(correction, result);
    closeSong();
    rememberSong(0);
    forgetClusterClaims();
    if (!scanned) return false;
    const int64_t clusters = std::max<int64_t>(0, changeDuringChecks + int64_t(correction));
    const uint64_t kib = uint64_t(clusters) * sb.audioBlocksPerCluster * sb.sectorsPerAudioBlock / 2;
    result.spaceKiB = uint32_t(std::min<uint64_t>(kib, 0xFFFFFFFFu));
    // Songs still sharing clusters stay as they were: the drive has no room for their copies.
    return result.unresolved.empty() || fail(VXF_ERR_DISK_FULL);
}

}  // namespace vxfserver
