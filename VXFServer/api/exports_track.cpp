// exports_track.cpp - the track family of exports: track count, transfer size, reading and writing audio.
#include "song/cluster_claims.h"
#include "song/current_song.h"
#include "api/export_frame.h"
#include "core/server_state.h"
#include "tavovxf.h"
#include "song/track_read.h"
#include "song/track_write.h"

using namespace vxfserver;

namespace {

bool trackCount(uint16_t& count) {
    if (!requireCurrentSong()) return false;
    count = callerTrackCount(state().song);
    return true;
}

// Another song's audio is never written over: a write of a song that is
// neither protected nor missing (those are refused by the write itself)
// first makes sure its clusters are its own.
template <class Write>
bool guarded(Write&& write) {
    const Song& song = state().song;
    if (song.lba != 0 && !isWriteProtected(song) && !guardSongWrite()) return false;
    return write();
}

}  // namespace

extern "C" {

int32_t tavovxfTrackGetNum(uint32_t handle, uint16_t* count) { return runNumberGetter(handle, count, trackCount); }

int32_t tavovxfTrackOptimalTransferSize(uint32_t handle, uint32_t* size) {
    return runNumberGetter(handle, size, optimalTransferSize);
}

int32_t tavovxfTrackRead(uint32_t handle, uint16_t track, uint32_t offset, uint32_t count, uint32_t* samplesRead,
                         uint16_t bytesPerSample, uint16_t byteOrder, void* buffer) {
    if (!requirePointer(samplesRead)) return finishExport(false);
    return runExport(handle, kReadFrame, [&] {
        return readTrack(track, offset, count, *samplesRead, bytesPerSample, byteOrder, buffer);
    });
}

int32_t tavovxfTrackReadAll(uint32_t handle, uint32_t offset, uint32_t count, uint32_t* samplesRead,
                            uint16_t bytesPerSample, uint16_t byteOrder, void* const* buffers) {
    if (!requirePointer(samplesRead)) return finishExport(false);
    return runExport(handle, kReadFrame, [&] {
        return readAllTracks(offset, count, *samplesRead, bytesPerSample, byteOrder, buffers);
    });
}

int32_t tavovxfTrackWrite(uint32_t handle, uint16_t track, uint32_t offset, uint32_t count, uint16_t bytesPerSample,
                          uint16_t byteOrder, const void* source) {
    return runExport(handle, kTrackWriteFrame,
                     [&] { return guarded([&] { return writeTrack(track, offset, count, bytesPerSample, byteOrder, source); }); });
}

int32_t tavovxfTrackWriteAll(uint32_t handle, uint32_t offset, uint32_t count, uint16_t bytesPerSample,
                             uint16_t byteOrder, const void* const* sources) {
    return runExport(handle, kTrackWriteFrame,
                     [&] { return guarded([&] { return writeAllTracks(offset, count, bytesPerSample, byteOrder, sources); }); });
}

}  // extern "C"
