// track_read.cpp - reading audio of one track or of all tracks of the current song in the caller's format.
#include "song/track_read.h"

#include <algorithm>

#include "song/block_runs.h"
#include "song/current_song.h"
#include "core/errors.h"
#include "core/record.h"
#include "core/loaded_state.h"
#include "song/track_layout.h"
#include "song/track_transfer.h"

namespace vxfserver {

namespace {

// One read in stored units: the span of stored tracks, the first position,
// the count, and one destination area per caller track of the span.
struct StoredRead {
    TrackSpan span;
    bool wholeBlocks;  // one request per audio block instead of per track block
    uint32_t offset;
    uint32_t count;
    SampleFormat format;
    uint8_t* areas[kMaxStoredTracks];
    std::vector<SilentRange>* silent = nullptr;  // set: salvage what the drive refuses
};

bool checkOffsetAndFormat(const Song& song, uint32_t offset, uint32_t bytesPerSample) {
    if (offset > song.samples) return fail(VXF_ERR_INVALID_SAMPLE_OFFSET);
    if (bytesPerSample < 1 || bytesPerSample > 4) return fail(VXF_ERR_INVALID_PARAMETER);
    return requireTrackBuffer();
}

// The samples of the read that unreadable sectors of the block at `done` (from `start`) left silent.
void noteSilence(const StoredRead& read, const std::vector<UnreadSector>& unread, uint32_t start, uint64_t done) {
    const Song& song = state().song;
    const uint32_t r = storedPerCallerTrack(song);
    const uint64_t available = std::min<uint64_t>(read.count, song.samples - read.offset);
    for (const UnreadSector& u : unread) {
        // A sample whose bytes reach into the sector is lost with it.
        const uint64_t firstByte = uint64_t(u.sector) * kSectorSize;
        const uint64_t first = std::max<uint64_t>(firstByte / kDriveSampleBytes, start);
        const uint64_t last = std::min<uint64_t>((firstByte + kSectorSize - 1) / kDriveSampleBytes,
                                                 song.samplesPerTrackBlock - 1);
        if (first > last || done + (first - start) >= available) continue;
        const uint64_t from = read.offset + done + (first - start);
        const uint64_t to = read.offset + std::min<uint64_t>(done + (last - start), available - 1);
        const uint32_t q = u.track % r;
        read.silent->push_back(SilentRange{uint32_t(from * r + q), uint32_t(to * r + q)});
    }
}

// The block from the drive; a salvaging read that the drive refused whole goes sector by sector.
bool fetchBlock(const StoredRead& read, uint32_t lba, uint32_t start, uint64_t done) {
    if (read.wholeBlocks) return readAudioBlock(lba);
    if (readTrackBlocks(lba, read.span)) return true;
    if (read.silent == nullptr || lastError() != VXF_ERR_DISK_READ) return false;
    std::vector<UnreadSector> unread;
    if (!salvageTrackBlocks(lba, read.span, unread)) return false;
    noteSilence(read, unread, start, done);
    return true;
}

void sortAndMerge(std::vector<SilentRange>& ranges) {
    std::sort(ranges.begin(), ranges.end(), [](const SilentRange& a, const SilentRange& b) { return a.first < b.first; });
    std::vector<SilentRange> merged;
    for (const SilentRange& range : ranges) {
        if (!merged.empty() && uint64_t(range.first) <= uint64_t(merged.back().last) + 1) {
            merged.back().last = std::max(merged.back().last, range.last);
        } else {
            merged.push_back(range);
        }
    }
    ranges = std::move(merged);
}

// Converts block after block into the areas; `done` counts stored samples
// from the offset, including those of a first block skipped before it.
bool readBlocks(StoredRead& read, uint64_t& done) {
    ServerState& st = state();
    const Song& song = st.song;
    const uint32_t spt = song.samplesPerTrackBlock;
    const uint32_t r = storedPerCallerTrack(song);
    uint32_t start = read.offset % spt;
    const uint32_t first = read.offset / spt;
    // A read from a block boundary always goes to the drive; one that goes on
    // inside the block the buffer holds does not.
    bool skipRead = start != 0 && cacheHolds(first, read.span);
    if (!seekPosition(song.runs, song.audioBlocks, first, st.position)) return false;

    done = 0;
    uint8_t* areas[kMaxStoredTracks];
    while (done < read.count) {
        if (st.position.blockIndex >= song.audioBlocks || uint64_t(read.offset) + done >= song.samples) break;
        uint32_t lba = 0;
        if (!audioBlockLba(song.runs, song.audioBlocks, st.position, lba)) return false;
        if (!skipRead && !fetchBlock(read, lba, start, done)) return false;
        skipRead = false;
        for (uint32_t c = 0; c < read.span.count / r; ++c) {
            areas[c] = read.areas[c] == nullptr ? nullptr : read.areas[c] + size_t(r) * done * read.format.bytes;
        }
        if (!unpackTrackBlocks(read.span, start, uint32_t(read.count - done), areas, read.format)) return false;
        noteCacheHolds(st.position.blockIndex, read.span);
        done += spt - start;
        start = 0;
        // A damaged record may count samples past its last block: the read ends with the
        // audio there is, never repeating a block.
        if (st.position.blockIndex + 1 >= song.audioBlocks) break;
        if (done < read.count && !stepForwardToRead(song.runs, song.audioBlocks, st.position)) return false;
    }
    return true;
}

bool runRead(StoredRead& read, uint32_t& samplesRead) {
    const Song& song = state().song;
    uint64_t done = 0;
    if (!readBlocks(read, done)) {
        invalidateTransferCache();
        return false;
    }
    const uint64_t delivered = std::min<uint64_t>({done, song.samples - read.offset, read.count});
    samplesRead = uint32_t(delivered * storedPerCallerTrack(song));
    return true;
}

}  // namespace

bool readTrack(uint32_t track, uint32_t offset, uint32_t count, uint32_t& samplesRead, uint32_t bytesPerSample,
               uint32_t byteOrder, void* buffer) {
    return requireSongContext() && readTrackOfSong(track, offset, count, samplesRead, bytesPerSample, byteOrder, buffer);
}

bool readAllTracks(uint32_t offset, uint32_t count, uint32_t& samplesRead, uint32_t bytesPerSample,
                   uint32_t byteOrder, void* const* buffers) {
    return requireSongContext() && readAllTracksOfSong(offset, count, samplesRead, bytesPerSample, byteOrder, buffers);
}

bool readTrackOfSong(uint32_t track, uint32_t offset, uint32_t count, uint32_t& samplesRead,
                     uint32_t bytesPerSample, uint32_t byteOrder, void* buffer) {
    if (!requireCurrentSong()) return false;
    const Song& song = state().song;
    const uint32_t r = storedPerCallerTrack(song);
    if (uint64_t(track) * r >= song.tracks) return fail(VXF_ERR_INVALID_PARAMETER);
    if (!checkOffsetAndFormat(song, offset / r, bytesPerSample)) return false;
    if (buffer == nullptr) return fail(VXF_ERR_INVALID_PARAMETER);
    StoredRead read{storedTracksOfCallerTrack(song, track), false, offset / r, count / r,
                    SampleFormat{bytesPerSample, byteOrder}, {}};
    read.areas[0] = static_cast<uint8_t*>(buffer);
    return runRead(read, samplesRead);
}

bool readTrackSalvaging(uint32_t track, uint32_t offset, uint32_t count, uint32_t& samplesRead,
                        uint32_t bytesPerSample, uint32_t byteOrder, void* buffer, std::vector<SilentRange>& silent) {
    if (!requireSongContext()) return false;
    const Song& song = state().song;
    const uint32_t r = storedPerCallerTrack(song);
    if (uint64_t(track) * r >= song.tracks) return fail(VXF_ERR_INVALID_PARAMETER);
    if (!checkOffsetAndFormat(song, offset / r, bytesPerSample)) return false;
    if (buffer == nullptr) return fail(VXF_ERR_INVALID_PARAMETER);
    StoredRead read{storedTracksOfCallerTrack(song, track), false, offset / r, count / r,
                    SampleFormat{bytesPerSample, byteOrder}, {}, &silent};
    read.areas[0] = static_cast<uint8_t*>(buffer);
    silent.clear();
    const bool done = runRead(read, samplesRead);
    // The buffer's silence is no copy of the drive: a later read must not take it from there.
    if (!silent.empty()) invalidateTransferCache();
    sortAndMerge(silent);
    return done;
}

bool readAllTracksOfSong(uint32_t offset, uint32_t count, uint32_t& samplesRead, uint32_t bytesPerSample,
                         uint32_t byteOrder, void* const* buffers) {
    if (!requireCurrentSong()) return false;
    const Song& song = state().song;
    const uint32_t r = storedPerCallerTrack(song);
    if (!checkOffsetAndFormat(song, offset / r, bytesPerSample)) return false;
    if (buffers == nullptr) return fail(VXF_ERR_INVALID_PARAMETER);
    StoredRead read{allStoredTracks(song), true, offset / r, count / r, SampleFormat{bytesPerSample, byteOrder}, {}};
    for (uint32_t c = 0; c < song.tracks / r; ++c) read.areas[c] = static_cast<uint8_t*>(buffers[c]);
    return runRead(read, samplesRead);
}

bool optimalTransferSize(uint32_t& size) {
    if (!requireCurrentSong()) return false;
    const Song& song = state().song;
    size = song.samplesPerTrackBlock * storedPerCallerTrack(song);
    return true;
}

}  // namespace vxfserver
