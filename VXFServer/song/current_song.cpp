// current_song.cpp - the current song: loading its record with repair, saving it, and what song operations check first.
#include "song/current_song.h"

#include <algorithm>
#include <vector>

#include "song/block_runs.h"
#include "core/errors.h"
#include "core/loaded_state.h"
#include "volume/project_record.h"
#include "core/record.h"
#include "core/record_io.h"
#include "song/song_record.h"
#include "song/song_slots.h"
#include "volume/super_block.h"
#include "song/track_layout.h"

namespace vxfserver {

namespace {

uint64_t audioClusterAreaEnd() {
    const SuperBlock& sb = state().superBlock;
    return uint64_t(sb.audioSpaceLba) +
           uint64_t(totalClusters(sb)) * sb.audioBlocksPerCluster * kSectorsPerAudioBlock;
}

// A run must start on an audio block of the audio space and end inside its
// clusters: freeing, counting and transferring all index by it.
bool runLiesInAudioSpace(const BlockRun& run) {
    const uint32_t start = state().superBlock.audioSpaceLba;
    if (run.lba < start || (run.lba - start) % kSectorsPerAudioBlock != 0) return false;
    return uint64_t(run.lba) + uint64_t(run.length) * kSectorsPerAudioBlock <= audioClusterAreaEnd() &&
           run.lba < audioClusterAreaEnd();
}

// The part of a run inside the audio clusters; a run that starts outside
// them, or between two audio blocks, has none.
BlockRun partInAudioSpace(const BlockRun& run) {
    const uint32_t start = state().superBlock.audioSpaceLba;
    const uint64_t end = audioClusterAreaEnd();
    if (run.lba < start || run.lba >= end || (run.lba - start) % kSectorsPerAudioBlock != 0) return BlockRun{};
    const uint64_t room = (end - run.lba) / kSectorsPerAudioBlock;
    return BlockRun{run.lba, uint32_t(std::min<uint64_t>(run.length, room))};
}

// Keeps of each run what lies in the audio space, closing up the table.
uint32_t dropStrayRuns(Song& song) {
    uint32_t dropped = 0;
    size_t kept = 0;
    const size_t n = runsInUse(song.runs);
    for (size_t i = 0; i < n; ++i) {
        const BlockRun part = partInAudioSpace(song.runs[i]);
        if (part.lba != song.runs[i].lba || part.length != song.runs[i].length) ++dropped;
        if (part.lba != 0) song.runs[kept++] = part;
    }
    std::fill(song.runs + kept, song.runs + n, BlockRun{});
    return dropped;
}

}  // namespace

bool runsLieInAudioSpace(const Song& song) {
    for (size_t i = 0, n = runsInUse(song.runs); i < n; ++i) {
        if (!runLiesInAudioSpace(song.runs[i])) return false;
    }
    return true;
}

bool readSongRecordDroppingStrayRuns(uint32_t lba, Song& song, uint32_t& dropped) {
    dropped = 0;
    if (!readSongRecordAsStored(lba, song)) return false;
    // Only a record that is whole but for its runs is mended; any other fault stands.
    if (!songLayoutIsSound(song)) return fail(VXF_ERR_SONG_CORRUPT);
    if (!runsLieInAudioSpace(song)) dropped = dropStrayRuns(song);
    return true;
}

bool readSongRecord(uint32_t lba, Song& song) {
    if (!readSongRecordAsStored(lba, song)) return false;
    if (!songLayoutIsSound(song) || !runsLieInAudioSpace(song)) return fail(VXF_ERR_SONG_CORRUPT);
    return true;
}

bool readSongRecordAsStored(uint32_t lba, Song& song) {
    const SuperBlock& sb = state().superBlock;
    // Loading repairs copies: only a real song slot may be written that way.
    uint32_t slot = 0;
    if (!songSlotOf(lba, slot)) return fail(VXF_ERR_SONG_CORRUPT);
    song = Song{};
    auto checkInfo = [&song](const uint8_t* bytes) -> int32_t {
        decodeSongInfo(bytes, song);
        return checksumMatches(bytes, kSongInfoBytes) ? VXF_OK : VXF_ERR_SONG_CORRUPT;
    };
    if (!loadRecordWithRepair(lba, sb.songInfoLength, checkInfo)) return false;

    const uint32_t runsLba = lba + sb.songInfoLength;
    auto checkRuns = [&song, runsLba](const uint8_t* bytes) -> int32_t {
        decodeSongRuns(bytes, song);
        if (!checksumMatches(bytes, kSongRunBlockBytes)) return VXF_ERR_SONG_CORRUPT;
        return song.brMagic == magicOf(runsLba) ? VXF_OK : VXF_ERR_SONG_CORRUPT2;
    };
    if (!loadRecordWithRepair(runsLba, sb.songBrLength, checkRuns)) return false;
    song.lba = lba;
    return true;
}

bool saveSong() {
    if (!saveSongRecord(state().song)) return false;
    clearFlag(kFlagBlocksAdded);
    return true;
}

bool saveSongRecord(Song& song) {
    const SuperBlock& sb = state().superBlock;
    const uint32_t lba = song.lba;
    if (lba < sb.songLba || uint64_t(lba) >= uint64_t(sb.songLba) + uint64_t(sb.songLength) * sb.maxSongs) {
        return fail(VXF_ERR_INVALID_PARAMETER);
    }
    std::vector<uint8_t> info(kSongInfoBytes);
    encodeSongInfo(song, info.data());
    if (!writeRecordCopies(lba, sb.songInfoLength, info.data())) return false;
    std::vector<uint8_t> runs(kSongRunBlockBytes);
    encodeSongRuns(song, runs.data());
    return writeRecordCopies(lba + sb.songInfoLength, sb.songBrLength, runs.data());
}

bool requireCurrentSong() {
    if (state().song.lba == 0) return fail(VXF_ERR_NO_PRIMARY_SONG);
    return true;
}

bool openProjectListsSong(uint32_t lba) {
    const ProjectRecord& project = state().project;
    for (uint32_t i = 0; i < project.songCount && i < kMaxSongHandles; ++i) {
        if (project.songs[i] == lba) return true;
    }
    return false;
}

bool requireSongContext() { return requireMounted() && requireOpenProject() && requireCurrentSong(); }

bool requireSongChange() { return requireCurrentSong() && requireMounted() && requireOpenProject(); }

uint32_t storedPerCallerTrack(const Song& song) { return storedTracksPerCallerTrack(song.sampleRate); }

uint16_t callerTrackCount(const Song& song) { return uint16_t(song.tracks / storedPerCallerTrack(song)); }

uint32_t callerLength(const Song& song) {
    // A damaged count must not wrap round to a short song.
    return uint32_t(std::min<uint64_t>(uint64_t(song.samples) * storedPerCallerTrack(song), 0xFFFFFFFFu));
}

uint32_t allocatedKiB(const Song& song) {
    return uint32_t(uint64_t(song.audioBlocks) * state().superBlock.sectorsPerAudioBlock / 2);
}

bool isWriteProtected(const Song& song) { return (song.attributes & kWriteProtectBit) != 0; }

bool runsAgreeWithCount(const Song& song) {
    const size_t n = runsInUse(song.runs);
    for (size_t i = 0; i < n; ++i) {
        if (song.runs[i].length == 0) return false;
    }
    return blocksInRuns(song.runs) == song.audioBlocks;
}

}  // namespace vxfserver
