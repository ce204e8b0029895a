// volume_checks.cpp - what a test reads back from a mounted volume: every song's audio, and every way the volume disagrees with itself.
#include "volume_checks.h"

#include <map>
#include <set>

#include "volume/bitmaps.h"
#include "song/block_runs.h"
#include "core/server_state.h"
#include "volume/super_block.h"
#include "tavovxf.h"

namespace vxf::reliability {

namespace {

using vxfserver::state;

std::string at(uint16_t project, uint16_t song) {
    return "project " + std::to_string(project) + " song " + std::to_string(song);
}

// Visits every listed project and each of its songs, made current in turn.
template <typename ProjectVisit, typename SongVisit>
void forEachSong(uint32_t handle, std::vector<std::string>& problems, ProjectVisit onProject, SongVisit onSong) {
    uint16_t projects = 0;
    if (int32_t code = tavovxfProjectGetNum(handle, &projects); code != VXF_OK) {
        problems.push_back("projects cannot be counted: error " + std::to_string(code));
        return;
    }
    for (uint16_t p = 0; p < projects; ++p) {
        if (int32_t code = tavovxfProjectSetPrimary(handle, p); code != VXF_OK) {
            problems.push_back("project " + std::to_string(p) + " does not load: error " + std::to_string(code));
            continue;
        }
        onProject(p);
        uint16_t songs = 0;
        tavovxfSongGetNum(handle, &songs);
        for (uint16_t s = 0; s < songs; ++s) {
            if (int32_t code = tavovxfSongSetPrimary(handle, s); code != VXF_OK) {
                problems.push_back(at(p, s) + " does not load: error " + std::to_string(code));
                continue;
            }
            onSong(p, s);
        }
    }
}

// Which song (by record LBA) uses each cluster; clusters of two songs and blocks
// outside the audio space are problems.
class ClusterOwners {
public:
    explicit ClusterOwners(uint32_t clusters) : owner_(clusters, 0) {}

    void add(const vxfserver::Song& song, const std::string& where, std::vector<std::string>& problems) {
        const uint32_t blockSectors = state().superBlock.sectorsPerAudioBlock;
        for (size_t r = 0; r < vxfserver::runsInUse(song.runs); ++r) {
            for (uint32_t b = 0; b < song.runs[r].length; ++b) {
                uint32_t cluster = 0;
                const uint64_t lba = uint64_t(song.runs[r].lba) + uint64_t(b) * blockSectors;
                if (lba > UINT32_MAX || !vxfserver::clusterOfLba(uint32_t(lba), cluster) || cluster >= owner_.size()) {
                    problems.push_back(where + ": block at " + std::to_string(lba) + " lies outside the audio space");
                    continue;
                }
                if (owner_[cluster] != 0 && owner_[cluster] != song.lba) {
                    problems.push_back(where + ": cluster " + std::to_string(cluster) +
                                       " is also used by the song at " + std::to_string(owner_[cluster]));
                }
                owner_[cluster] = song.lba;
            }
        }
    }

    bool used(uint32_t cluster) const { return owner_[cluster] != 0; }
    uint32_t size() const { return uint32_t(owner_.size()); }

private:
    std::vector<uint32_t> owner_;
};

bool bitSet(const uint32_t* words, uint32_t bit) { return (words[bit / 32] >> (bit % 32) & 1u) != 0; }

}  // namespace

std::vector<StoredSong> readAllSongs(uint32_t handle, std::vector<std::string>& problems) {
    std::vector<StoredSong> songs;
    forEachSong(handle, problems, [](uint16_t) {}, [&](uint16_t p, uint16_t s) {
        StoredSong song;
        song.lba = state().song.lba;
        song.project = p;
        song.index = s;
        uint16_t tracks = 0;
        tavovxfTrackGetNum(handle, &tracks);
        tavovxfSongGetLength(handle, &song.length);
        for (uint16_t t = 0; t < tracks; ++t) {
            Bytes samples(size_t(song.length) * 3);
            uint32_t read = 0;
            const int32_t code = tavovxfTrackRead(handle, t, 0, song.length, &read, 3, 0, samples.data());
            if (code != VXF_OK || read != song.length) {
                problems.push_back(at(p, s) + " track " + std::to_string(t) + " does not read: error " +
                                   std::to_string(code));
            }
            song.tracks.push_back(std::move(samples));
        }
        songs.push_back(std::move(song));
    });
    return songs;
}

bool sameAudio(const StoredSong& before, const StoredSong& after, bool prefixOnly) {
    if (before.tracks.size() != after.tracks.size()) return false;
    if (!prefixOnly && before.length != after.length) return false;
    if (after.length < before.length) return false;
    for (size_t t = 0; t < before.tracks.size(); ++t) {
        if (!std::equal(before.tracks[t].begin(), before.tracks[t].end(), after.tracks[t].begin())) return false;
    }
    return true;
}

std::vector<std::string> consistencyProblems(uint32_t handle) {
    std::vector<std::string> problems;
    std::set<uint32_t> projectsSeen;
    std::map<uint32_t, std::string> songsListed;
    ClusterOwners owners(vxfserver::totalClusters(state().superBlock));
    forEachSong(
        handle, problems,
        [&](uint16_t p) {
            if (!projectsSeen.insert(state().openProject).second) {
                problems.push_back("project " + std::to_string(p) + " is listed twice");
            }
        },
        [&](uint16_t p, uint16_t s) {
            const vxfserver::Song& song = state().song;
            if (!songsListed.emplace(song.lba, at(p, s)).second) {
                problems.push_back(at(p, s) + " is also listed as " + songsListed[song.lba]);
            }
            if (vxfserver::blocksInRuns(song.runs) != song.audioBlocks) {
                problems.push_back(at(p, s) + ": its runs hold " + std::to_string(vxfserver::blocksInRuns(song.runs)) +
                                   " blocks, its count says " + std::to_string(song.audioBlocks));
            }
            if (uint64_t(song.audioBlocks) * song.samplesPerTrackBlock < song.samples) {
                problems.push_back(at(p, s) + ": longer than its blocks");
            }
            owners.add(song, at(p, s), problems);
        });
    const vxfserver::SuperBlock& sb = state().superBlock;
    for (uint32_t slot = 0; slot < sb.maxSongs && slot < vxfserver::layout::kSongBitmapBits; ++slot) {
        const uint32_t lba = sb.songLba + slot * sb.songLength;
        const bool inUse = bitSet(state().songBitmap.words, slot);
        const bool listed = songsListed.count(lba) != 0;
        if (inUse && !listed) {
            problems.push_back("song slot " + std::to_string(slot) + " is in use but no project lists it");
        }
        if (!inUse && listed) problems.push_back(songsListed[lba] + " has a free song slot");
    }
    if (sb.currentSongs != songsListed.size()) {
        problems.push_back("the volume counts " + std::to_string(sb.currentSongs) + " songs, the projects list " +
                           std::to_string(songsListed.size()));
    }
    uint32_t free = 0;
    for (uint32_t k = 0; k < owners.size(); ++k) {
        const bool marked = bitSet(state().audioBitmap.words, k);
        free += marked ? 0 : 1;
        if (marked && !owners.used(k)) {
            problems.push_back("cluster " + std::to_string(k) + " is marked but no song uses it");
        }
        if (!marked && owners.used(k)) problems.push_back("cluster " + std::to_string(k) + " of a song is marked free");
    }
    if (sb.availableClusters != free) {
        problems.push_back("the volume counts " + std::to_string(sb.availableClusters) + " free clusters, the bitmap " +
                           std::to_string(free));
    }
    return problems;
}

std::vector<std::string> safetyProblems(uint32_t handle) {
    std::vector<std::string> problems;
    ClusterOwners owners(vxfserver::totalClusters(state().superBlock));
    std::vector<std::string> ignored;
    forEachSong(handle, ignored, [](uint16_t) {},
                [&](uint16_t p, uint16_t s) { owners.add(state().song, at(p, s), problems); });
    for (uint32_t k = 0; k < owners.size(); ++k) {
        if (owners.used(k) && !bitSet(state().audioBitmap.words, k)) {
            problems.push_back("cluster " + std::to_string(k) + " of a song is marked free");
        }
    }
    return problems;
}

}  // namespace vxf::reliability
