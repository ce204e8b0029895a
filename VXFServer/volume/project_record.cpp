// project_record.cpp - project records: a project's names and its ordered list of song handles.
#include "volume/project_record.h"

#include <cstring>

#include "core/drive_sharing.h"
#include "core/errors.h"
#include "core/loaded_state.h"
#include "core/remembered_records.h"
#include "volume/named_list_sector.h"
#include "core/names.h"
#include "core/record.h"
#include "core/read_only.h"
#include "core/record_io.h"
#include "core/server_state.h"

namespace vxfserver {

namespace {

static_assert(kMaxSongHandles == namedlist::kHandles);

ProjectRecord& record() { return state().project; }

uint32_t positionOfSong(uint32_t handle) {
    return namedlist::positionOf(record().songs, record().songCount, handle);
}

void insertSongAt(ProjectRecord& r, uint32_t handle, uint32_t position) {
    namedlist::insertAt(r.songs, r.songCount, handle, position);
    r.songCount += 1;
}

void removeSongAt(ProjectRecord& r, uint32_t position) {
    namedlist::removeAt(r.songs, r.songCount, position);
    r.songCount -= 1;
}



bool getName(char* out, const char* field, size_t size) {
    if (!requireOpenProject()) return false;
    std::memcpy(out, field, size);
    return true;
}

bool setName(const char* text, char* field, size_t width) {
    if (!requireOpenProject()) return false;
    normalizeName(field, text, width);
    return writeProjectRecord();
}

}  // namespace

void encodeProjectRecord(ProjectRecord& r, uint8_t* sector) {
    std::memset(sector, 0, kSectorSize);
    namedlist::encodeNames(sector, r.shortName, r.extName);
    putWord(sector + namedlist::kOffCount, r.songCount);
    namedlist::encodeHandles(sector, r.lastSongHandle, r.songs);
    r.checksum = namedlist::seal(sector, r.magic);
}

int32_t decodeProjectRecord(const uint8_t* sector, uint32_t handle, ProjectRecord& r) {
    namedlist::decodeNames(sector, r.shortName, r.extName);
    r.songCount = getWord(sector + namedlist::kOffCount);
    namedlist::decodeHandles(sector, r.lastSongHandle, r.songs);
    r.magic = getWord(sector + namedlist::kOffMagic);
    r.checksum = getWord(sector + kSectorSize - 4);
    return namedlist::check(sector, handle, r.songCount, VXF_ERR_PROJECT_CORRUPT, VXF_ERR_PROJECT_CORRUPT2);
}

bool requireOpenProject() {
    if (!requireMounted()) return false;
    return hasFlag(kFlagProjectOpen) || fail(VXF_ERR_NO_PROJECT_OPEN);
}

void initProjectRecord(uint32_t handle) {
    ProjectRecord& r = record();
    r = ProjectRecord{};
    r.magic = magicOf(handle);
    normalizeName(r.shortName, "Proj Name ", 10);
    normalizeName(r.extName, "Proj Name", 64);
    state().openProject = handle;
}

bool isCorruptProjectError(int32_t code) { return code == VXF_ERR_PROJECT_CORRUPT || code == VXF_ERR_PROJECT_CORRUPT2; }

bool readProjectRecord(uint32_t handle, ProjectRecord& out) {
    const uint32_t sectors = state().superBlock.projectLength;
    return loadRecordWithRepair(handle, sectors,
                                [handle, &out](const uint8_t* sector) { return decodeProjectRecord(sector, handle, out); },
                                /*remember=*/true);
}

bool loadProjectRecord(uint32_t handle) { return readProjectRecord(handle, record()); }

bool projectHandleInRange(uint32_t handle) {
    const SuperBlock& sb = state().superBlock;
    return handle >= sb.projectLba && uint64_t(handle) < uint64_t(sb.projectLba) + uint64_t(sb.projectLength) * sb.maxProjects;
}

bool writeProjectRecord() {
    const uint32_t handle = state().openProject;
    if (!projectHandleInRange(handle)) return fail(VXF_ERR_INVALID_PARAMETER);
    uint8_t sector[kSectorSize];
    encodeProjectRecord(record(), sector);
    if (!writeRecordCopies(handle, 1, sector, /*remember=*/true)) return false;
    clearFlag(kFlagProjectWritten);
    return true;
}

bool visitProject(uint32_t handle) {
    if (!requireMounted()) return false;
    if (!projectHandleInRange(handle)) return fail(VXF_ERR_INVALID_PARAMETER);
    forgetOpenProject();
    closeSong();
    if (!loadProjectRecord(handle)) return false;
    setFlag(kFlagProjectOpen);
    state().openProject = handle;
    return true;
}

bool getProjectName(char* out) { return getName(out, record().shortName, sizeof(record().shortName)); }

bool getProjectExtName(char* out) { return getName(out, record().extName, sizeof(record().extName)); }

bool setProjectName(const char* text) { return setName(text, record().shortName, 10); }

bool setProjectExtName(const char* text) { return setName(text, record().extName, 64); }

bool songCount(uint32_t& count) {
    if (!requireOpenProject()) return false;
    count = record().songCount;
    return true;
}

uint32_t songHandleAt(uint32_t index) { return index < record().songCount ? record().songs[index] : 0; }

uint32_t indexOfSong(uint32_t handle) {
    const uint32_t position = positionOfSong(handle);
    return position < record().songCount ? position : 0;
}

bool indexOfCurrentSong(uint32_t& index) {
    if (!requireOpenProject()) return false;
    const uint32_t current = state().song.lba;
    const uint32_t position = positionOfSong(current);
    if (current == 0 || position >= record().songCount) return fail(VXF_ERR_INVALID_PARAMETER);
    index = position;
    return true;
}

bool primarySongIndex(uint32_t& index) {
    if (!requireOpenProject()) return false;
    index = indexOfSong(record().lastSongHandle);
    return true;
}

bool setLastSongHandle(uint32_t handle) {
    if (!requireOpenProject()) return false;
    record().lastSongHandle = handle;
    // Held, the choice waits for the hold to end: a listing that makes every
    // song current in turn and ends on the song it began with writes nothing.
    if (!exportDriveIsHeld() && !currentDriveIsReadOnly()) return writeProjectRecord();
    const uint32_t project = state().openProject;
    if (!projectHandleInRange(project)) return fail(VXF_ERR_INVALID_PARAMETER);
    uint8_t sector[kSectorSize];
    encodeProjectRecord(record(), sector);
    return recordBookkeeping(project, sector);
}

bool insertSong(uint32_t handle, uint32_t position) {
    if (!requireOpenProject()) return false;
    ProjectRecord& r = record();
    if (r.songCount >= state().superBlock.songsPerProject || r.songCount >= kMaxSongHandles) {
        return fail(VXF_ERR_PROJECT_FULL);
    }
    if (position > r.songCount) return fail(VXF_ERR_INVALID_PARAMETER);
    insertSongAt(r, handle, position);
    return writeProjectRecord();
}

bool removeSong(uint32_t handle) {
    if (!requireOpenProject()) return false;
    ProjectRecord& r = record();
    if (r.songCount == 0) return fail(VXF_ERR_PROJECT_EMPTY);
    const uint32_t position = positionOfSong(handle);
    if (position >= r.songCount) return fail(VXF_ERR_INVALID_PARAMETER);
    removeSongAt(r, position);
    return writeProjectRecord();
}

bool moveSongWithin(uint32_t from, uint32_t to) {
    if (!requireOpenProject()) return false;
    ProjectRecord& r = record();
    if (from >= r.songCount || to >= r.songCount) return fail(VXF_ERR_INVALID_PARAMETER);
    // One write: a failure between two writes would leave the song in no list.
    const uint32_t handle = r.songs[from];
    removeSongAt(r, from);
    insertSongAt(r, handle, to);
    return writeProjectRecord();
}



}  // namespace vxfserver
