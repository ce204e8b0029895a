// lost_songs.cpp - the song records and project records a volume no longer reaches, and what of their audio is left.
#include "maintenance/lost_songs.h"

#include <algorithm>
#include <map>
#include <tuple>
#include <utility>

#include "core/drive_io.h"
#include "core/errors.h"
#include "core/loaded_state.h"
#include "core/record.h"
#include "core/record_io.h"
#include "core/server_state.h"
#include "song/audio_census.h"
#include "song/block_runs.h"
#include "song/current_song.h"
#include "song/song_record.h"
#include "song/song_slots.h"
#include "song/track_layout.h"
#include "volume/bitmaps.h"
#include "volume/project_list.h"
#include "volume/project_record.h"
#include "volume/super_block.h"

namespace vxfserver {

namespace {

// Slots read in one request per copy: about 1.8 MB, well under a request's 65535 sectors.
constexpr uint32_t kSlotsPerChunk = 512;

bool bitSet(const uint32_t* words, uint32_t bit) { return (words[bit / 32] >> (bit % 32) & 1u) != 0; }

// The song area in the shape the survey reads it: each slot's two blocks and their mirror copies.
struct SlotShape {
    uint32_t songLba;
    uint32_t slotSectors;
    uint32_t infoSectors;
    uint32_t runSectors;
};

bool slotShape(SlotShape& shape) {
    const SuperBlock& sb = state().superBlock;
    shape = SlotShape{sb.songLba, sb.songLength, sb.songInfoLength, sb.songBrLength};
    // Records of any other shape would be read past their buffers.
    const bool usable = shape.infoSectors * kSectorSize == kSongInfoBytes &&
                        shape.runSectors * kSectorSize == kSongRunBlockBytes &&
                        shape.slotSectors >= shape.infoSectors + shape.runSectors;
    return usable || fail(VXF_ERR_FS_INVALID);
}

// Reads `count` sectors; a refused chunk is read again slot by slot, and a
// slot the drive refuses reads as zeros (no magic: passed over).
void readSlots(int64_t lba, uint32_t count, uint32_t slotSectors, std::vector<uint8_t>& out) {
    out.assign(size_t(count) * kSectorSize, 0);
    if (readSectorsAt(lba, count, out.data())) return;
    for (uint32_t at = 0; at + slotSectors <= count; at += slotSectors) {
        uint8_t* slot = out.data() + size_t(at) * kSectorSize;
        if (!readSectorsAt(lba + at, slotSectors, slot)) std::fill(slot, slot + size_t(slotSectors) * kSectorSize, 0);
    }
    setLastError(VXF_OK);
}

// Free slots whose record (either copy of either block) carries the slot's magic.
bool screenSlots(std::vector<uint32_t>& candidates) {
    SlotShape shape{};
    if (!slotShape(shape)) return false;
    const ServerState& st = state();
    const uint32_t slots = std::min<uint32_t>(st.superBlock.maxSongs, layout::kSongBitmapBits);
    std::vector<uint8_t> first;
    std::vector<uint8_t> mirror;
    for (uint32_t a = 0; a < slots; a += kSlotsPerChunk) {
        const uint32_t b = std::min(slots, a + kSlotsPerChunk);
        const uint32_t sectors = (b - a) * shape.slotSectors;
        const int64_t firstLba = int64_t(shape.songLba) + int64_t(a) * shape.slotSectors;
        readSlots(firstLba, sectors, shape.slotSectors, first);
        readSlots(mirrorLba(st.sectorCount, uint32_t(firstLba), sectors), sectors, shape.slotSectors, mirror);
        for (uint32_t k = a; k < b; ++k) {
            if (bitSet(st.songBitmap.words, k)) continue;
            const uint32_t lba = shape.songLba + k * shape.slotSectors;
            const uint8_t* f = first.data() + size_t(k - a) * shape.slotSectors * kSectorSize;
            // In the mirror area the slots lie in reverse order, each block's copy ending where the slot's does.
            const uint8_t* m = mirror.data() + size_t(b - 1 - k) * shape.slotSectors * kSectorSize;
            const uint8_t* mInfo = m + size_t(shape.slotSectors - shape.infoSectors) * kSectorSize;
            const uint8_t* mRuns = mInfo - size_t(shape.runSectors) * kSectorSize;
            if (songBlocksBearMagic(f, f + size_t(shape.infoSectors) * kSectorSize, lba, shape.infoSectors) ||
                songBlocksBearMagic(mInfo, mRuns, lba, shape.infoSectors)) {
                candidates.push_back(k);
            }
        }
    }
    return true;
}

// Why a record whose blocks loaded cannot be used, or empty.
std::string unusableFields(const Song& song) {
    if (!songLayoutIsSound(song)) return "track count, sample rate and track-block size do not agree";
    if (song.wordLength != 16 && song.wordLength != 24) return "word length is neither 16 nor 24";
    if (!runsLieInAudioSpace(song)) return "block runs reach outside the audio space";
    if (!runsAgreeWithCount(song)) return "block runs do not add up to its audio block count";
    if (uint64_t(song.audioBlocks) * song.samplesPerTrackBlock < song.samples) return "length exceeds its audio blocks";
    const SuperBlock& sb = state().superBlock;
    if (uint64_t(song.audioBlocks) > uint64_t(totalClusters(sb)) * sb.audioBlocksPerCluster) {
        return "claims more audio blocks than the volume holds";
    }
    std::vector<std::pair<uint64_t, uint64_t>> spans;
    for (size_t r = 0, n = runsInUse(song.runs); r < n; ++r) {
        spans.emplace_back(song.runs[r].lba, uint64_t(song.runs[r].lba) + uint64_t(song.runs[r].length) * kSectorsPerAudioBlock);
    }
    std::sort(spans.begin(), spans.end());
    for (size_t i = 1; i < spans.size(); ++i) {
        if (spans[i].first < spans[i - 1].second) return "claims an audio block twice";
    }
    return {};
}

std::string loadFailure(int32_t code) {
    if (code == VXF_ERR_DISK_READ) return "neither copy can be read";
    if (code == VXF_ERR_SONG_CORRUPT2) return "block runs carry a wrong magic in both copies";
    return "checksum fails in both copies";
}

void readLostSong(uint32_t slot, LostSong& lost) {
    const SuperBlock& sb = state().superBlock;
    lost.slot = slot;
    RepairsHeld held;
    if (!readSongRecordAsStored(sb.songLba + slot * sb.songLength, lost.song)) {
        lost.state = LostState::Damaged;
        lost.reason = loadFailure(lastError());
        setLastError(VXF_OK);
        return;
    }
    lost.repairedCopies = held.repairsPassed();
    lost.reason = unusableFields(lost.song);
    if (!lost.reason.empty()) lost.state = LostState::Damaged;
}

std::vector<uint32_t> clustersOfRuns(const Song& song) {
    std::set<uint32_t> clusters;
    const uint32_t perCluster = state().superBlock.audioBlocksPerCluster * kSectorsPerAudioBlock;
    for (size_t r = 0, n = runsInUse(song.runs); r < n; ++r) {
        const BlockRun& run = song.runs[r];
        uint32_t firstCluster = 0;
        uint32_t lastCluster = 0;
        if (run.length == 0 || !clusterOfLba(run.lba, firstCluster)) continue;
        // Runs lie inside the clusters (checked): the last block's cluster exists.
        if (!clusterOfLba(run.lba + (run.length - 1) * kSectorsPerAudioBlock, lastCluster)) continue;
        for (uint32_t k = firstCluster; k <= lastCluster && perCluster != 0; ++k) clusters.insert(k);
    }
    return {clusters.begin(), clusters.end()};
}

}  // namespace

bool surveyOldProjects(LostSongSurvey& survey, std::map<uint32_t, std::pair<uint32_t, uint32_t>>& named) {
    if (!requireMounted()) return false;
    const SuperBlock& sb = state().superBlock;
    RepairsHeld held;
    for (uint32_t k = 0; k < std::min<uint32_t>(sb.maxProjects, kMaxProjectHandles); ++k) {
        const uint32_t handle = sb.projectLba + k * sb.projectLength;
        if (projectListed(handle)) continue;
        OldProject old;
        old.slot = k;
        if (!readProjectRecord(handle, old.record)) {
            if (isCorruptProjectError(lastError()) || lastError() == VXF_ERR_DISK_READ) continue;
            return false;
        }
        const uint32_t songs = std::min<uint32_t>(old.record.songCount, kMaxSongHandles);
        if (songs == 0) continue;
        for (uint32_t i = 0; i < songs; ++i) {
            named.emplace(old.record.songs[i], std::make_pair(k, i));
            uint32_t slot = 0;
            if (songSlotOf(old.record.songs[i], slot) && !bitSet(state().songBitmap.words, slot)) ++old.lostSongs;
        }
        survey.projects.push_back(old);
    }
    setLastError(VXF_OK);
    return true;
}

namespace {

// Per cluster, whether the live songs or the audio bitmap hold it, and how many lost songs claim it.
struct Claims {
    ClusterCensus live;
    std::vector<uint8_t> lost;
};

bool countLiveClaims(Claims& claims) {
    startCensus(claims.live);
    RepairsHeld held;
    // A live record that is corrupt claims nothing; one that cannot be read ends the survey.
    return censusOfSongSlots(claims.live, [](uint32_t) { return true; });
}

bool heldElsewhere(const Claims& claims, uint32_t k) {
    return bitSet(state().audioBitmap.words, k) || !bitSet(claims.live.unclaimed, k) || claims.lost[k] > 1;
}

void settleState(LostSong& lost, const Claims& claims) {
    for (uint32_t k : lost.clusters) {
        if (heldElsewhere(claims, k)) lost.overwritten.insert(k);
    }
    if (lost.overwritten.empty()) return;
    lost.state = LostState::PartlyOverwritten;
    const Song& song = lost.song;
    const uint32_t r = storedPerCallerTrack(song);
    for (uint32_t q : overwrittenBlocks(lost)) {
        const uint64_t start = uint64_t(q) * song.samplesPerTrackBlock;
        if (start >= song.samples) break;
        lost.overwrittenSamples += std::min<uint64_t>(song.samplesPerTrackBlock, song.samples - start) * r;
    }
}

void sortSurvey(LostSongSurvey& survey) {
    std::sort(survey.songs.begin(), survey.songs.end(), [](const LostSong& a, const LostSong& b) {
        return std::tie(a.oldProjectSlot, a.oldPosition, a.slot) < std::tie(b.oldProjectSlot, b.oldPosition, b.slot);
    });
}

}  // namespace

bool surveyLostSongs(LostSongSurvey& survey) {
    survey = LostSongSurvey{};
    if (!requireMounted()) return false;
    std::vector<uint32_t> candidates;
    std::map<uint32_t, std::pair<uint32_t, uint32_t>> named;
    if (!screenSlots(candidates) || !surveyOldProjects(survey, named)) return false;

    const SuperBlock& sb = state().superBlock;
    Claims claims;
    if (!countLiveClaims(claims)) return false;
    claims.lost.assign(totalClusters(sb), 0);
    for (uint32_t slot : candidates) {
        LostSong lost;
        readLostSong(slot, lost);
        const auto place = named.find(sb.songLba + slot * sb.songLength);
        if (place != named.end()) {
            lost.oldProjectSlot = place->second.first;
            lost.oldPosition = place->second.second;
        }
        if (lost.state != LostState::Damaged) {
            lost.clusters = clustersOfRuns(lost.song);
            for (uint32_t k : lost.clusters) {
                if (k < claims.lost.size() && claims.lost[k] < 2) ++claims.lost[k];
            }
        }
        survey.songs.push_back(std::move(lost));
    }
    for (LostSong& lost : survey.songs) {
        if (lost.state != LostState::Damaged) settleState(lost, claims);
    }
    sortSurvey(survey);
    return true;
}

const LostSong* findLostSong(const LostSongSurvey& survey, uint32_t slot) {
    for (const LostSong& lost : survey.songs) {
        if (lost.slot == slot) return &lost;
    }
    return nullptr;
}

const OldProject* findOldProject(const LostSongSurvey& survey, uint32_t slot) {
    for (const OldProject& old : survey.projects) {
        if (old.slot == slot) return &old;
    }
    return nullptr;
}

std::vector<uint32_t> overwrittenBlocks(const LostSong& lost) {
    std::vector<uint32_t> blocks;
    if (lost.overwritten.empty()) return blocks;
    const Song& song = lost.song;
    uint32_t index = 0;
    for (size_t r = 0, n = runsInUse(song.runs); r < n; ++r) {
        for (uint32_t b = 0; b < song.runs[r].length; ++b, ++index) {
            uint32_t k = 0;
            if (clusterOfLba(song.runs[r].lba + b * kSectorsPerAudioBlock, k) && lost.overwritten.count(k) != 0) {
                blocks.push_back(index);
            }
        }
    }
    return blocks;
}

std::string clusterRanges(const std::set<uint32_t>& clusters) {
    std::string text;
    for (auto it = clusters.begin(); it != clusters.end();) {
        const uint32_t first = *it;
        uint32_t last = first;
        while (++it != clusters.end() && *it == last + 1) ++last;
        if (!text.empty()) text += ", ";
        text += std::to_string(first);
        if (last != first) text += "-" + std::to_string(last);
    }
    return text;
}

}  // namespace vxfserver
