// song_restore.cpp - lost songs made reachable again: slot, clusters and a project that lists them.
#include "maintenance/song_restore.h"

#include <algorithm>
#include <cstring>
#include <set>

#include "core/errors.h"
#include "core/loaded_state.h"
#include "core/names.h"
#include "core/server_state.h"
#include "maintenance/lost_songs.h"
#include "song/block_runs.h"
#include "song/cluster_claims.h"
#include "song/current_song.h"
#include "song/track_layout.h"
#include "volume/bitmaps.h"
#include "volume/project_list.h"
#include "volume/project_record.h"
#include "volume/super_block.h"

namespace vxfserver {

namespace {

constexpr const char* kRecoveredShortName = "Recovered ";
constexpr const char* kRecoveredExtName = "Recovered";

// The project a restored song goes to: one listed already, or a record made for a free slot.
struct Home {
    uint32_t handle = 0;
    bool create = false;
    bool recreated = false;
    char shortName[kShortNameWidth + 1] = {};
    char extName[kExtNameWidth + 1] = {};
    uint32_t position = 0;
};

uint32_t projectHandleOfSlot(uint32_t slot) {
    const SuperBlock& sb = state().superBlock;
    return sb.projectLba + slot * sb.projectLength;
}

bool hasRoom(const ProjectRecord& record) {
    return record.songCount < std::min<uint32_t>(state().superBlock.songsPerProject, kMaxSongHandles);
}

bool listHasRoom() {
    const uint32_t count = state().projectList.count;
    return (count < state().superBlock.maxProjects && count < kMaxProjectHandles) || fail(VXF_ERR_PLIST_FULL);
}

// Where the song stood among the songs of its old project that are listed in `now` already.
uint32_t positionAmong(const ProjectRecord& old, const ProjectRecord& now, uint32_t oldPosition) {
    uint32_t position = 0;
    for (uint32_t i = 0; i < now.songCount && i < kMaxSongHandles; ++i) {
        for (uint32_t j = 0; j < oldPosition && j < kMaxSongHandles; ++j) {
            if (old.songs[j] == now.songs[i]) position = i + 1;
        }
    }
    return position;
}

// Its old project: recreated in its slot when the list does not name that
// slot; the project there when it carries the old names (recreated for an
// earlier song of the same restore). Answers false when neither.
bool oldProjectHome(const LostSong& lost, const LostSongSurvey& survey, Home& home) {
    const OldProject* old = lost.oldProjectSlot == kNoOldProject ? nullptr : findOldProject(survey, lost.oldProjectSlot);
    if (old == nullptr) return false;
    home.handle = projectHandleOfSlot(old->slot);
    std::memcpy(home.shortName, old->record.shortName, sizeof home.shortName);
    std::memcpy(home.extName, old->record.extName, sizeof home.extName);
    if (!projectListed(home.handle)) {
        home.create = home.recreated = true;
        return true;
    }
    ProjectRecord now{};
    if (!readProjectRecord(home.handle, now)) return false;
    if (std::strcmp(now.shortName, old->record.shortName) != 0 || std::strcmp(now.extName, old->record.extName) != 0 ||
        !hasRoom(now)) {
        return false;
    }
    home.position = positionAmong(old->record, now, lost.oldPosition);
    return true;
}

// A listed project "Recovered" with room, else a free slot for a new one:
// one that holds no old project record the survey found, so that no old
// project's names are written over while they still have songs to name.
bool recoveredHome(const LostSongSurvey& survey, Home& home) {
    const ProjectList& list = state().projectList;
    for (uint32_t i = 0; i < list.count && i < kMaxProjectHandles; ++i) {
        ProjectRecord record{};
        if (!readProjectRecord(list.handles[i], record)) {
            if (isCorruptProjectError(lastError())) continue;
            return false;
        }
        if (std::strcmp(record.extName, kRecoveredExtName) == 0 && hasRoom(record)) {
            home.handle = list.handles[i];
            home.position = record.songCount;
            return true;
        }
    }
    if (!listHasRoom()) return false;
    const SuperBlock& sb = state().superBlock;
    uint32_t fallback = 0;
    for (uint32_t k = 0; k < std::min<uint32_t>(sb.maxProjects, kMaxProjectHandles); ++k) {
        const uint32_t handle = projectHandleOfSlot(k);
        if (projectListed(handle)) continue;
        if (fallback == 0) fallback = handle;
        if (findOldProject(survey, k) == nullptr) {
            fallback = handle;
            break;
        }
    }
    if (fallback == 0) return fail(VXF_ERR_PLIST_FULL);
    home.handle = fallback;
    home.create = true;
    normalizeName(home.shortName, kRecoveredShortName, kShortNameWidth);
    normalizeName(home.extName, kRecoveredExtName, kExtNameWidth);
    return true;
}

bool chooseHome(const LostSong& lost, const LostSongSurvey& survey, uint16_t projectIndex, Home& home) {
    home = Home{};
    if (oldProjectHome(lost, survey, home)) return !home.create || listHasRoom();
    if (lastError() == VXF_ERR_DISK_READ) return false;
    setLastError(VXF_OK);
    home = Home{};
    if (projectIndex != kNoProjectIndex) {
        if (projectIndex >= state().projectList.count) return fail(VXF_ERR_INVALID_PARAMETER);
        home.handle = projectHandleAt(projectIndex);
        ProjectRecord record{};
        if (!readProjectRecord(home.handle, record)) return false;
        if (!hasRoom(record)) return fail(VXF_ERR_PROJECT_FULL);
        home.position = record.songCount;
        return true;
    }
    return recoveredHome(survey, home);
}

// The runs without the blocks of the overwritten clusters, closed up.
bool dropOverwritten(Song& song, const std::set<uint32_t>& overwritten) {
    BlockRun kept[kSongRunsInMemory] = {};
    size_t count = 0;
    for (size_t r = 0, n = runsInUse(song.runs); r < n; ++r) {
        for (uint32_t b = 0; b < song.runs[r].length; ++b) {
            const uint32_t lba = song.runs[r].lba + b * kSectorsPerAudioBlock;
            uint32_t k = 0;
            if (!clusterOfLba(lba, k) || overwritten.count(k) != 0) continue;
            if (count > 0 && kept[count - 1].lba + kept[count - 1].length * kSectorsPerAudioBlock == lba) {
                ++kept[count - 1].length;
                continue;
            }
            // The record stores only so many runs; a further one would be lost at the next load.
            if (count == kSongRunsStored) return fail(VXF_ERR_SONG_FRAGMENTED2);
            kept[count++] = BlockRun{lba, 1};
        }
    }
    std::copy(kept, kept + kSongRunsInMemory, song.runs);
    song.audioBlocks = uint32_t(blocksInRuns(song.runs));
    song.samples = uint32_t(std::min<uint64_t>(song.samples, uint64_t(song.audioBlocks) * song.samplesPerTrackBlock));
    return true;
}

// The clusters become the song's in the audio bitmap, the song one more on the volume.
bool claimClusters(const LostSong& lost) {
    ServerState& st = state();
    for (uint32_t k : lost.clusters) {
        if (lost.overwritten.count(k) != 0) continue;
        uint32_t& word = st.audioBitmap.words[k / 32];
        const uint32_t bit = 1u << (k % 32);
        if ((word & bit) != 0) continue;
        word |= bit;
        if (st.superBlock.availableClusters > 0) st.superBlock.availableClusters -= 1;
        setFlag(kFlagAudioBitmapChanged | kFlagSuperBlockChanged);
    }
    st.superBlock.currentSongs += 1;
    return writeAudioBitmap() && writeSuperBlock();
}

bool claimSlot(uint32_t slot) {
    state().songBitmap.words[slot / 32] |= 1u << (slot % 32);
    return writeSongBitmap();
}

// The record reaches the drive before the list names its slot, as a project create does.
bool listInHome(const Home& home, uint32_t songLba) {
    if (!home.create) return visitProject(home.handle) && insertSong(songLba, home.position);
    forgetOpenProject();
    closeSong();
    initProjectRecord(home.handle);
    ProjectRecord& record = state().project;
    std::memcpy(record.shortName, home.shortName, sizeof record.shortName);
    std::memcpy(record.extName, home.extName, sizeof record.extName);
    record.songs[0] = songLba;
    record.songCount = 1;
    if (!writeProjectRecord() || !loadProjectRecord(home.handle)) {
        forgetOpenProject();
        return false;
    }
    setFlag(kFlagProjectOpen);
    return insertProject(home.handle, state().projectList.count);
}

bool restoreOne(const LostSong& lost, const LostSongSurvey& survey, uint16_t projectIndex, bool partial,
                RestoreOutcome& outcome) {
    if (lost.state == LostState::Damaged) return outcome.result = RestoreResult::RefusedDamaged, true;
    if (lost.state == LostState::PartlyOverwritten && !partial) {
        return outcome.result = RestoreResult::RefusedOverwritten, true;
    }
    Home home;
    if (!chooseHome(lost, survey, projectIndex, home)) return false;
    const SuperBlock& sb = state().superBlock;
    const uint32_t lba = sb.songLba + lost.slot * sb.songLength;
    // Loading rewrites a copy that fails its check from the sound one.
    Song song;
    if (!readSongRecord(lba, song)) return false;
    if (!lost.overwritten.empty() && (!dropOverwritten(song, lost.overwritten) || !saveSongRecord(song))) return false;
    // Clusters before the slot, the slot before a list: a restore cut short
    // leaves clusters the scan gives back, or a song the scan adopts.
    if (!claimClusters(lost) || !claimSlot(lost.slot) || !listInHome(home, lba)) return false;
    outcome.result = RestoreResult::Restored;
    outcome.projectSlot = (home.handle - sb.projectLba) / std::max<uint32_t>(sb.projectLength, 1);
    outcome.recreatedProject = home.recreated;
    outcome.droppedClusters = uint32_t(lost.overwritten.size());
    outcome.length = callerLength(song);
    return true;
}

}  // namespace

bool restoreLostSongs(const std::vector<uint32_t>& slots, uint16_t projectIndex, bool partial,
                      std::vector<RestoreOutcome>& outcomes) {
    outcomes.clear();
    LostSongSurvey survey;
    if (!surveyLostSongs(survey)) return false;
    bool restored = true;
    for (uint32_t slot : slots) {
        RestoreOutcome outcome;
        outcome.slot = slot;
        const LostSong* lost = findLostSong(survey, slot);
        // A slot named twice: the second finds its song restored already.
        const bool again = lost != nullptr && (state().songBitmap.words[slot / 32] >> (slot % 32) & 1u) != 0;
        if (lost == nullptr || again) {
            outcome.result = RestoreResult::NotLost;
        } else if (!restoreOne(*lost, survey, projectIndex, partial, outcome)) {
            outcome.result = RestoreResult::Failed;
            outcome.error = lastError();
            restored = false;
        }
        outcomes.push_back(outcome);
        if (!restored) break;
    }
    // New songs claim clusters: the count of claims is taken again before the next write.
    forgetClusterClaims();
    closeSong();
    return restored || fail(outcomes.back().error);
}

}  // namespace vxfserver
