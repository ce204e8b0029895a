// exports_song_metadata.cpp - the read-only extension exports of a song's locate points, loop, tempo map, pitch
// and slip values.
#include <cstring>

#include "api/export_frame.h"
#include "core/server_state.h"
#include "song/current_song.h"
#include "vxf_song_metadata.h"

using namespace vxfserver;

static_assert(VXFX_LOCATE_COUNT == kLocateEntries && VXFX_TEMPO_COUNT == kTempoEntries &&
              VXFX_SLIP_COUNT == kSongTracks);
static_assert(VXFX_LOCATE_NAME_SIZE == sizeof(LocateEntry::name));

namespace {

// Reads the current song of the handle into `read`; the caller's outputs are cleared by `clear` on failure.
template <class Read, class Clear>
int32_t runSongRead(uint32_t handle, Read&& read, Clear&& clear) {
    const int32_t result = runExport(handle, kReadFrame, [&] { return requireCurrentSong() && read(state().song); });
    if (result != VXF_OK) clear();
    return result;
}

bool requireIndex(uint32_t index, size_t count) { return index < count || fail(VXF_ERR_INVALID_PARAMETER); }

VxfxTempoEntry tempoEntryOf(const TempoEntry& entry) {
    return VxfxTempoEntry{entry.measure, entry.beatNumerator, entry.beatDenominator, entry.bpm};
}

void copyLocateName(char* out, const LocateEntry& entry) {
    std::memcpy(out, entry.name, VXFX_LOCATE_NAME_SIZE);
    out[VXFX_LOCATE_NAME_SIZE - 1] = '\0';
}

void fillMetadata(const Song& song, VxfxSongMetadata& out) {
    for (size_t i = 0; i < kLocateEntries; ++i) {
        out.locateSample[i] = song.locates[i].sample;
        copyLocateName(out.locateName[i], song.locates[i]);
    }
    out.loopStart = song.loopStart;
    out.loopEnd = song.loopEnd;
    out.tempoMapLocate = song.tempoMapLocate;
    out.storedTracksPerTrack = uint8_t(storedPerCallerTrack(song));
    for (size_t i = 0; i < kTempoEntries; ++i) out.tempo[i] = tempoEntryOf(song.tempo[i]);
    out.pitch = song.pitch;
    for (size_t i = 0; i < kSongTracks; ++i) out.slip[i] = song.slip[i];
    out.songHandle = song.lba;
}

}  // namespace

extern "C" {

int32_t vxfxSongGetLocate(uint32_t handle, uint16_t index, uint32_t* sample, char* name) {
    if (!requirePointer(sample) || !requirePointer(name)) return finishExport(false);
    return runSongRead(
        handle,
        [&](const Song& song) {
            if (!requireIndex(index, kLocateEntries)) return false;
            *sample = song.locates[index].sample;
            copyLocateName(name, song.locates[index]);
            return true;
        },
        [&] {
            *sample = 0;
            name[0] = '\0';
        });
}

int32_t vxfxSongGetLoop(uint32_t handle, uint8_t* start, uint8_t* end) {
    if (!requirePointer(start) || !requirePointer(end)) return finishExport(false);
    return runSongRead(
        handle,
        [&](const Song& song) {
            *start = song.loopStart;
            *end = song.loopEnd;
            return true;
        },
        [&] { *start = *end = 0; });
}

int32_t vxfxSongGetTempoMapLocate(uint32_t handle, uint8_t* locate) {
    if (!requirePointer(locate)) return finishExport(false);
    return runSongRead(
        handle, [&](const Song& song) { return *locate = song.tempoMapLocate, true; }, [&] { *locate = 0; });
}

int32_t vxfxSongGetTempoEntry(uint32_t handle, uint16_t index, VxfxTempoEntry* entry) {
    if (!requirePointer(entry)) return finishExport(false);
    return runSongRead(
        handle,
        [&](const Song& song) {
            if (!requireIndex(index, kTempoEntries)) return false;
            *entry = tempoEntryOf(song.tempo[index]);
            return true;
        },
        [&] { *entry = VxfxTempoEntry{}; });
}

int32_t vxfxSongGetPitch(uint32_t handle, uint32_t* pitch) {
    if (!requirePointer(pitch)) return finishExport(false);
    return runSongRead(handle, [&](const Song& song) { return *pitch = song.pitch, true; }, [&] { *pitch = 0; });
}

int32_t vxfxSongGetSlip(uint32_t handle, uint16_t storedTrack, int32_t* slip) {
    if (!requirePointer(slip)) return finishExport(false);
    return runSongRead(
        handle,
        [&](const Song& song) {
            if (!requireIndex(storedTrack, kSongTracks)) return false;
            *slip = song.slip[storedTrack];
            return true;
        },
        [&] { *slip = 0; });
}

int32_t vxfxSongGetMetadata(uint32_t handle, VxfxSongMetadata* metadata) {
    if (!requirePointer(metadata)) return finishExport(false);
    return runSongRead(
        handle, [&](const Song& song) { return fillMetadata(song, *metadata), true; },
        [&] { *metadata = VxfxSongMetadata{}; });
}

}  // extern "C"
