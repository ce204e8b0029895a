// track_write.cpp - writing audio of one track or of all tracks into the current song, growing it as needed.
#include "song/track_write.h"

#include <algorithm>

#include "song/block_runs.h"
#include "song/current_song.h"
#include "core/errors.h"
#include "core/loaded_state.h"
#include "song/song_audio.h"
#include "song/track_layout.h"
#include "song/track_transfer.h"

namespace vxfserver {

namespace {

// One write in caller units: the caller tracks taking part and their sources.
struct CallerWrite {
    TrackSpan span;    // stored tracks
    bool wholeBlocks;  // one request per audio block (all tracks) instead of per track block
    uint64_t begin;    // first caller sample
    uint64_t end;      // one past the last
    SampleFormat format;
    const uint8_t* sources[kMaxStoredTracks];  // per caller track of the span
};

uint32_t callerTracksOf(const CallerWrite& write) { return write.span.count / storedPerCallerTrack(state().song); }

bool everyTrackHasASource(const CallerWrite& write) {
    for (uint32_t c = 0; c < callerTracksOf(write); ++c) {
        if (write.sources[c] == nullptr) return false;
    }
    return true;
}

bool writeSpan(const CallerWrite& write, uint32_t lba) {
    return write.wholeBlocks ? writeAudioBlock(lba) : writeTrackBlocks(lba, write.span);
}

// Brings the block as the drive has it into the track buffer, unless the
// cache holds it already or it is new to an all-tracks write (silence then),
// so that packing the caller's part over it leaves the rest bit for bit.
bool loadBlock(const CallerWrite& write, uint32_t block, uint32_t lba, bool fresh) {
    if (fresh && write.wholeBlocks) {
        clearTrackBuffer();
        return true;
    }
    if (cacheHolds(block, write.span)) return true;
    return write.wholeBlocks ? readAudioBlock(lba) : readTrackBlocks(lba, write.span);
}

// A track without a source keeps a null area, so that the buffer's samples
// of it go back to the drive untouched.
bool packAndWrite(const CallerWrite& write, uint32_t lba, uint64_t blockStart, uint64_t from, uint64_t to) {
    const uint8_t* areas[kMaxStoredTracks];
    for (uint32_t c = 0; c < callerTracksOf(write); ++c) {
        const uint8_t* source = write.sources[c];
        areas[c] = source == nullptr ? nullptr : source + (from - write.begin) * write.format.bytes;
    }
    return packTrackBlocks(write.span, uint32_t(from - blockStart), uint32_t(to - blockStart), areas,
                           write.format) &&
           writeSpan(write, lba);
}

// A block a single-track write reaches first is cleared on every track.
bool clearNewBlock(uint32_t block, uint32_t lba) {
    clearTrackBuffer();
    if (!writeAudioBlock(lba)) return false;
    noteCacheHolds(block, allStoredTracks(state().song));
    return true;
}

bool writeBlocks(const CallerWrite& write) {
    ServerState& st = state();
    const Song& song = st.song;
    const uint64_t blockSamples = uint64_t(song.samplesPerTrackBlock) * storedPerCallerTrack(song);
    const bool allSources = everyTrackHasASource(write);
    uint32_t block = uint32_t(write.begin / blockSamples);
    if (!seekPosition(song.runs, song.audioBlocks, block, st.position)) return false;

    uint32_t fresh = 0;
    for (uint64_t from = write.begin; from < write.end;) {
        uint32_t lba = 0;
        uint32_t granted = 0;
        if (!audioBlockForWrite(lba, granted)) return false;
        fresh = granted != 0 ? granted : (fresh != 0 ? fresh - 1 : 0);
        if (fresh != 0) {
            setFlag(kFlagBlocksAdded);
            if (!write.wholeBlocks && !clearNewBlock(block, lba)) return false;
        }
        const uint64_t blockStart = uint64_t(block) * blockSamples;
        const uint64_t to = std::min(write.end, blockStart + blockSamples);
        // Only a block the write covers on every track needs nothing from the drive.
        const bool whole = from == blockStart && to == blockStart + blockSamples && allSources;
        if (!(whole || loadBlock(write, block, lba, fresh != 0))) return false;
        if (!packAndWrite(write, lba, blockStart, from, to)) return false;
        noteCacheHolds(block, write.span);
        from = to;
        if (from < write.end) {
            if (!stepForwardToWrite(song.runs, song.audioBlocks, st.position)) return false;
            ++block;
        }
    }
    return true;
}

bool checkWriteArguments(const Song& song, uint32_t bytesPerSample, uint32_t byteOrder, uint32_t offset,
                         uint32_t count) {
    if (bytesPerSample < 1 || bytesPerSample > 4) return fail(VXF_ERR_INVALID_PARAMETER);
    // Number of Samples is 32 bits: a write must end where it can count.
    const uint32_t r = storedPerCallerTrack(song);
    if ((uint64_t(offset) + count + r - 1) / r > 0xFFFFFFFFull) return fail(VXF_ERR_INVALID_PARAMETER);
    if (count != 0 && byteOrder > 1) return fail(VXF_ERR_INVALID_PARAMETER);
    return true;
}

bool runWrite(CallerWrite& write) {
    const Song& song = state().song;
    if (!requireTrackBuffer()) return false;
    // Growth needs runs that agree with the block count: they decide where
    // new blocks go and which clusters a trim gives back.
    if (!runsAgreeWithCount(song)) return fail(VXF_ERR_SONG_CORRUPT);
    if (write.begin == write.end) {
        const uint64_t blockSamples = uint64_t(song.samplesPerTrackBlock) * storedPerCallerTrack(song);
        return seekPosition(song.runs, song.audioBlocks, uint32_t(write.begin / blockSamples), state().position);
    }

    SongAudioSnapshot before;
    takeSnapshot(before);
    const uint32_t r = storedPerCallerTrack(song);
    if (!writeBlocks(write)) {
        const int32_t error = lastError();
        restoreSnapshot(before);
        invalidateTransferCache();
        return fail(error);
    }
    const uint64_t audioBytes = (write.end - write.begin) * callerTracksOf(write) * 3;
    if (!finishSongWrite(uint32_t((write.end + r - 1) / r), audioBytes, before)) {
        invalidateTransferCache();
        return false;
    }
    return true;
}

// Write protection is refused before anything else; then the song context.
bool checkWritable() {
    if (isWriteProtected(state().song)) return fail(VXF_ERR_SONG_WRITE_PROTECTED);
    return requireSongContext();
}

}  // namespace

bool writeTrack(uint32_t track, uint32_t offset, uint32_t count, uint32_t bytesPerSample, uint32_t byteOrder,
                const void* source) {
    if (!checkWritable()) return false;
    const Song& song = state().song;
    if (uint64_t(track) * storedPerCallerTrack(song) >= song.tracks) return fail(VXF_ERR_INVALID_PARAMETER);
    const uint64_t end = uint64_t(offset) + count;
    if (!checkWriteArguments(song, bytesPerSample, byteOrder, offset, count)) return false;
    if (source == nullptr) return fail(VXF_ERR_INVALID_PARAMETER);
    CallerWrite write{storedTracksOfCallerTrack(song, track), false, offset, end,
                      SampleFormat{bytesPerSample, byteOrder}, {}};
    write.sources[0] = static_cast<const uint8_t*>(source);
    return runWrite(write);
}

bool writeAllTracks(uint32_t offset, uint32_t count, uint32_t bytesPerSample, uint32_t byteOrder,
                    const void* const* sources) {
    if (!checkWritable()) return false;
    const Song& song = state().song;
    const uint64_t end = uint64_t(offset) + count;
    if (!checkWriteArguments(song, bytesPerSample, byteOrder, offset, count)) return false;
    if (sources == nullptr) return fail(VXF_ERR_INVALID_PARAMETER);
    CallerWrite write{allStoredTracks(song), true, offset, end, SampleFormat{bytesPerSample, byteOrder}, {}};
    for (uint32_t c = 0; c < song.tracks / storedPerCallerTrack(song); ++c) {
        write.sources[c] = static_cast<const uint8_t*>(sources[c]);
    }
    return runWrite(write);
}

}  // namespace vxfserver
