// track_transfer.cpp - track blocks between the drive and the one track buffer, their conversion, and the transfer cache.
#include "song/track_transfer.h"

#include <algorithm>
#include <cstring>

#include "song/current_song.h"
#include "core/drive_io.h"
#include "core/errors.h"
#include "core/record.h"
#include "i1394.h"
#include "volume/super_block.h"
#include "song/track_layout.h"

namespace vxfserver {

namespace {

uint32_t trackBlockBytes(const Song& song) { return song.sectorsPerTrackBlock * kSectorSize; }

uint8_t* trackBlockInBuffer(const Song& song, uint32_t track) {
    return state().trackBuffer + size_t(track) * trackBlockBytes(song);
}

bool blockLiesInAudioSpace(uint32_t blockLba) {
    const SuperBlock& sb = state().superBlock;
    const uint64_t end = uint64_t(sb.audioSpaceLba) +
                         uint64_t(totalClusters(sb)) * sb.audioBlocksPerCluster * kSectorsPerAudioBlock;
    return blockLba >= sb.audioSpaceLba && uint64_t(blockLba) + kSectorsPerAudioBlock <= end;
}

bool checkBlock(uint32_t blockLba) {
    if (!blockLiesInAudioSpace(blockLba)) return fail(VXF_ERR_SONG_CORRUPT);
    return true;
}

bool checkSpan(const Song& song, TrackSpan span) {
    if (span.count == 0 || span.first >= song.tracks || span.count > song.tracks - span.first) {
        return fail(VXF_ERR_INVALID_PARAMETER);
    }
    return true;
}

// One request per track block of the span, between the drive and the buffer.
bool transferTrackBlocks(uint32_t blockLba, TrackSpan span, bool write) {
    const Song& song = state().song;
    if (!checkBlock(blockLba)) return false;
    for (uint32_t t = span.first; t < span.first + span.count; ++t) {
        const uint32_t lba = blockLba + t * song.sectorsPerTrackBlock;
        uint8_t* bytes = trackBlockInBuffer(song, t);
        if (!(write ? writeSectors(lba, song.sectorsPerTrackBlock, bytes)
                    : readSectors(lba, song.sectorsPerTrackBlock, bytes))) {
            return false;
        }
    }
    return true;
}

}  // namespace

TrackSpan allStoredTracks(const Song& song) { return TrackSpan{0, song.tracks}; }

TrackSpan storedTracksOfCallerTrack(const Song& song, uint32_t callerTrack) {
    const uint32_t r = storedPerCallerTrack(song);
    return TrackSpan{callerTrack * r, r};
}

bool requireTrackBuffer() {
    if (state().trackBuffer == nullptr) return fail(VXF_ERR_OUT_OF_MEMORY);
    return true;
}

bool readTrackBlocks(uint32_t blockLba, TrackSpan span) { return transferTrackBlocks(blockLba, span, false); }

bool salvageTrackBlocks(uint32_t blockLba, TrackSpan span, std::vector<UnreadSector>& unread) {
    const Song& song = state().song;
    if (!checkBlock(blockLba)) return false;
    const size_t before = unread.size();
    for (uint32_t t = span.first; t < span.first + span.count; ++t) {
        const uint32_t lba = blockLba + t * song.sectorsPerTrackBlock;
        uint8_t* bytes = trackBlockInBuffer(song, t);
        for (uint32_t s = 0; s < song.sectorsPerTrackBlock; ++s) {
            if (readSectors(lba + s, 1, bytes + size_t(s) * kSectorSize)) continue;
            unread.push_back(UnreadSector{t, s});
        }
    }
    // Silence whole samples: one whose bytes reach into a lost sector is lost, not half kept.
    const size_t blockBytes = trackBlockBytes(song);
    for (size_t i = before; i < unread.size(); ++i) {
        const size_t first = size_t(unread[i].sector) * kSectorSize / kDriveSampleBytes * kDriveSampleBytes;
        const size_t end = std::min(blockBytes, ((size_t(unread[i].sector) + 1) * kSectorSize + kDriveSampleBytes - 1) /
                                                    kDriveSampleBytes * kDriveSampleBytes);
        std::memset(trackBlockInBuffer(song, unread[i].track) + first, 0, end - first);
    }
    const size_t sectors = size_t(span.count) * song.sectorsPerTrackBlock;
    if (unread.size() - before < sectors) return true;
    DriveInfo info{};
    if (i1394GetDriveInfo(state().currentDriveId, &info) != I1394_OK || info.capacity == 0) {
        return fail(VXF_ERR_NO_COMMUNICATION);
    }
    return true;
}

bool writeTrackBlocks(uint32_t blockLba, TrackSpan span) { return transferTrackBlocks(blockLba, span, true); }

bool readAudioBlock(uint32_t blockLba) {
    return checkBlock(blockLba) && readSectors(blockLba, kSectorsPerAudioBlock, state().trackBuffer);
}

bool writeAudioBlock(uint32_t blockLba) {
    return checkBlock(blockLba) && writeSectors(blockLba, kSectorsPerAudioBlock, state().trackBuffer);
}

bool unpackTrackBlocks(TrackSpan span, uint32_t start, uint32_t count, uint8_t* const* areas, SampleFormat format) {
    const Song& song = state().song;
    if (!checkSpan(song, span) || start > song.samplesPerTrackBlock || format.order > 1) {
        return fail(VXF_ERR_INVALID_PARAMETER);
    }
    const uint32_t r = storedPerCallerTrack(song);
    if (count > song.samplesPerTrackBlock - start) count = song.samplesPerTrackBlock - start;
    for (uint32_t t = span.first; t < span.first + span.count; ++t) {
        uint8_t* area = areas[(t - span.first) / r];
        if (area == nullptr) continue;
        const uint8_t* drive = trackBlockInBuffer(song, t) + size_t(start) * kDriveSampleBytes;
        unpackSamples(drive, count, area + (t % r) * format.bytes, r, format);
    }
    return true;
}

bool packTrackBlocks(TrackSpan span, uint32_t from, uint32_t to, const uint8_t* const* areas, SampleFormat format) {
    const Song& song = state().song;
    const uint32_t r = storedPerCallerTrack(song);
    if (!checkSpan(song, span) || format.order > 1 || from > to || to > song.samplesPerTrackBlock * r) {
        return fail(VXF_ERR_INVALID_PARAMETER);
    }
    for (uint32_t t = span.first; t < span.first + span.count; ++t) {
        const uint8_t* area = areas[(t - span.first) / r];
        if (area == nullptr) continue;
        // At 88.2 and 96 kHz caller samples alternate between the r stored
        // tracks, so an odd end of the range belongs to one of them only.
        const uint32_t q = t % r;
        const uint32_t first = (from + r - 1 - q) / r;
        const uint32_t last = (to + r - 1 - q) / r;
        packSamples(area + (size_t(first) * r + q - from) * format.bytes, last - first, r, format,
                    trackBlockInBuffer(song, t) + size_t(first) * kDriveSampleBytes);
    }
    return true;
}

void clearTrackBuffer() { std::memset(state().trackBuffer, 0, kTrackBufferBytes); }

bool cacheHolds(uint32_t block, TrackSpan span) {
    const ServerState& st = state();
    const TransferCache& cache = st.cache;
    return cache.valid && cache.driveId == st.currentDriveId && cache.projectLba == st.openProject &&
           cache.songLba == st.song.lba && cache.blockIndex == block && span.first >= cache.firstTrack &&
           span.first + span.count <= cache.firstTrack + cache.trackCount;
}

void noteCacheHolds(uint32_t block, TrackSpan span) {
    ServerState& st = state();
    if (cacheHolds(block, span)) return;
    st.cache = TransferCache{true, st.currentDriveId, st.openProject, st.song.lba, block, span.first, span.count};
}

}  // namespace vxfserver
