// project_record.cpp - project records: a project's names and its ordered list of song handles.
#include "project_record.h"

#include <cstring>

#include "errors.h"
#include "handles.h"
#include "mount.h"
#include "names.h"
#include "project_list.h"
#include "record.h"
#include "record_io.h"
#include "server_state.h"
#include "song_hooks.h"

namespace vxfserver {

namespace {

constexpr size_t kOffName = 0x00;
constexpr size_t kOffSongCount = 0x0C;
constexpr size_t kOffLastSong = 0x10;
constexpr size_t kOffSongs = 0x20;
constexpr size_t kOffExtName = 0x1B8;
constexpr size_t kOffMagic = 0x1F8;
static_assert(kOffSongs + 4 * kMaxSongHandles == 0x1AC, "twelve zero bytes follow the handles");
static_assert(kOffExtName + 64 == kOffMagic);

ProjectRecord& record() { return state().project; }

uint32_t positionOfSong(uint32_t handle) {
    const ProjectRecord& r = record();
    uint32_t i = 0;
    while (i < r.songCount && r.songs[i] != handle) ++i;
    return i;
}

void insertSongAt(ProjectRecord& r, uint32_t handle, uint32_t position) {
    for (uint32_t i = r.songCount; i > position; --i) r.songs[i] = r.songs[i - 1];
    r.songs[position] = handle;
    r.songCount += 1;
}

void removeSongAt(ProjectRecord& r, uint32_t position) {
    for (uint32_t i = position; i + 1 < r.songCount; ++i) r.songs[i] = r.songs[i + 1];
    r.songs[r.songCount - 1] = 0;
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
    packText(sector + kOffName, r.shortName, 10);
    putWord(sector + kOffSongCount, r.songCount);
    putWord(sector + kOffLastSong, r.lastSongHandle);
    for (uint32_t i = 0; i < kMaxSongHandles; ++i) putWord(sector + kOffSongs + 4 * i, r.songs[i]);
    packText(sector + kOffExtName, r.extName, 64);
    putWord(sector + kOffMagic, r.magic);
    storeChecksum(sector, kSectorSize);
    r.checksum = getWord(sector + kSectorSize - 4);
}

int32_t decodeProjectRecord(const uint8_t* sector, uint32_t handle, ProjectRecord& r) {
    unpackText(r.shortName, sector + kOffName, 10);
    normalizeName(r.shortName, r.shortName, 10);
    unpackText(r.extName, sector + kOffExtName, 64);
    normalizeName(r.extName, r.extName, 64);
    r.songCount = getWord(sector + kOffSongCount);
    r.lastSongHandle = getWord(sector + kOffLastSong);
    for (uint32_t i = 0; i < kMaxSongHandles; ++i) r.songs[i] = getWord(sector + kOffSongs + 4 * i);
    r.magic = getWord(sector + kOffMagic);
    r.checksum = getWord(sector + kSectorSize - 4);
    if (!checksumMatches(sector, kSectorSize)) return VXF_ERR_PROJECT_CORRUPT;
    if (r.magic != magicOf(handle)) return VXF_ERR_PROJECT_CORRUPT2;
    // A count beyond the handles the sector holds is damage, however well sealed.
    if (r.songCount > kMaxSongHandles) return VXF_ERR_PROJECT_CORRUPT;
    return 0;
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

bool loadProjectRecord(uint32_t handle) {
    const uint32_t sectors = state().superBlock.projectLength;
    return loadRecordWithRepair(handle, sectors,
                                [handle](const uint8_t* sector) { return decodeProjectRecord(sector, handle, record()); });
}

bool projectHandleInRange(uint32_t handle) {
    const SuperBlock& sb = state().superBlock;
    return handle >= sb.projectLba && uint64_t(handle) < uint64_t(sb.projectLba) + uint64_t(sb.projectLength) * sb.maxProjects;
}

bool writeProjectRecord() {
    const uint32_t handle = state().openProject;
    if (!projectHandleInRange(handle)) return fail(VXF_ERR_INVALID_PARAMETER);
    uint8_t sector[kSectorSize];
    encodeProjectRecord(record(), sector);
    if (!writeRecordCopies(handle, 1, sector)) return false;
    clearFlag(kFlagProjectWritten);
    return true;
}

void forgetOpenProject() {
    clearFlag(kFlagProjectOpen);
    state().openProject = 0;
}

bool openProject(uint32_t handle) {
    if (!requireMounted()) return false;
    if (!projectHandleInRange(handle)) return fail(VXF_ERR_INVALID_PARAMETER);
    forgetOpenProject();
    if (!loadProjectRecord(handle)) return false;
    setFlag(kFlagProjectOpen);
    state().openProject = handle;
    rememberProject(handle);
    rememberSong(0);
    closeSong();
    state().projectList.lastProjectHandle = handle;
    return writeProjectList();
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
    return writeProjectRecord();
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

bool moveSongOut(uint32_t index, uint32_t targetProject, uint32_t position) {
    if (!requireOpenProject()) return false;
    if (index >= record().songCount) return fail(VXF_ERR_INVALID_PARAMETER);
    const uint32_t song = record().songs[index];
    const uint32_t sourceProject = state().openProject;
    if (!removeSong(song)) return false;
    if (openProject(targetProject) && insertSong(song, position)) return true;
    // Put the song back where it was; the result stays the failure above.
    const int32_t error = lastError();
    if (openProject(sourceProject)) insertSong(song, index);
    return fail(error);
}

bool deleteAllSongs() {
    if (!requireOpenProject()) return false;
    const uint32_t count = record().songCount;
    for (uint32_t i = 0; i < count; ++i) {
        if (!loadSong(record().songs[0]) || !deleteCurrentSong()) return false;
    }
    return writeProjectRecord();
}

}  // namespace vxfserver
