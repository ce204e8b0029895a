// exports_song.cpp - the song family of exports: counting, creating, choosing, naming, protecting, moving, deleting songs.
#include "song/current_song.h"
#include "api/export_frame.h"
#include "api/handles.h"
#include "core/server_state.h"
#include "song/song_ops.h"
#include "song/song_record.h"
#include "tavovxf.h"
#include "song/project_songs.h"

#include <cstring>

using namespace vxfserver;

namespace {

bool getSongName(char* out) {
    if (!requireCurrentSong()) return false;
    std::memcpy(out, state().song.name, VXF_SHORT_NAME_SIZE);
    return true;
}

bool getSongExtName(char* out) {
    if (!requireCurrentSong()) return false;
    std::memcpy(out, state().song.extName, VXF_EXT_NAME_SIZE);
    return true;
}

// A getter of one number of the current song, set to 0 on any failure.
template <class Number, class Value>
int32_t runSongNumber(uint32_t handle, Number* out, Value value) {
    return runNumberGetter(handle, out, [&](Number& number) {
        if (!requireCurrentSong()) return false;
        number = Number(value(state().song));
        return true;
    });
}

bool refuseWriteProtected() {
    return !isWriteProtected(state().song) || fail(VXF_ERR_SONG_WRITE_PROTECTED);
}

}  // namespace

extern "C" {

int32_t tavovxfSongGetNum(uint32_t handle, uint16_t* count) {
    if (!requirePointer(count)) return finishExport(false);
    // A failed selection reports no songs; a missing project leaves the count alone.
    if (!enterExport(handle, kReadFrame)) {
        clearNumber(count);
        return finishExport(false);
    }
    return finishExport(songCountOfProject(*count));
}

int32_t tavovxfSongCreate(uint32_t handle, uint16_t tracks, uint32_t sampleRate, uint8_t wordLength) {
    return runExport(handle, kChangeFrame, [&] { return createSong(tracks, sampleRate, wordLength); });
}

int32_t tavovxfSongGetLastPrimary(uint32_t handle, uint16_t* index) {
    if (!requirePointer(index)) return finishExport(false);
    return runExport(handle, kReadFrame, [&] { return lastPrimarySongIndex(*index); });
}

int32_t tavovxfSongSetPrimary(uint32_t handle, uint16_t index) {
    return runExport(handle, kReadFrame, [&] { return makeSongCurrent(index); });
}

int32_t tavovxfSongDelete(uint32_t handle) {
    return runExport(handle, kChangeFrame, [] { return refuseWriteProtected() && deleteCurrentSong(); });
}

int32_t tavovxfSongGetName(uint32_t handle, char* name) { return runTextGetter(handle, name, &getSongName); }

int32_t tavovxfSongSetName(uint32_t handle, const char* name) { return runTextSetter(handle, name, &setSongName); }

int32_t tavovxfSongGetExtName(uint32_t handle, char* name) { return runTextGetter(handle, name, &getSongExtName); }

int32_t tavovxfSongSetExtName(uint32_t handle, const char* name) {
    return runTextSetter(handle, name, &setSongExtName);
}

int32_t tavovxfSongGetSampleRate(uint32_t handle, uint32_t* sampleRate) {
    return runSongNumber(handle, sampleRate, [](const Song& song) { return song.sampleRate; });
}

int32_t tavovxfSongGetWordLength(uint32_t handle, uint16_t* bits) {
    return runSongNumber(handle, bits, [](const Song& song) { return song.wordLength; });
}

int32_t tavovxfSongIsWriteProtect(uint32_t handle, uint32_t* flag) {
    return runSongNumber(handle, flag, [](const Song& song) { return isWriteProtected(song) ? 1 : 0; });
}

int32_t tavovxfSongSetWriteProtect(uint32_t handle, uint32_t flag) {
    return runExport(handle, kChangeFrame, [&] { return setSongWriteProtect(flag != 0); });
}

int32_t tavovxfSongGetLength(uint32_t handle, uint32_t* samples) {
    return runSongNumber(handle, samples, [](const Song& song) { return callerLength(song); });
}

int32_t tavovxfSongGetAllocatedSize(uint32_t handle, uint32_t* size) {
    return runSongNumber(handle, size, [](const Song& song) { return allocatedKiB(song); });
}

int32_t tavovxfSongMoveWithin(uint32_t handle, uint16_t index) {
    return runExport(handle, kChangeFrame, [&] { return moveSongWithinProject(index); });
}

int32_t tavovxfSongMoveOut(uint32_t handle, uint16_t projectIndex, uint16_t position) {
    return runExport(handle, kChangeFrame, [&] { return moveSongToProject(projectIndex, position); });
}

}  // extern "C"
