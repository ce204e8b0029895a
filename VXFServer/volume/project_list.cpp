// project_list.cpp - the project list sector: drive names, the ordered project handles, the primary project.
#include "volume/project_list.h"

#include <cstring>

#include "core/drive_sharing.h"
#include "core/errors.h"
#include "core/loaded_state.h"
#include "core/remembered_records.h"
#include "volume/named_list_sector.h"
#include "core/names.h"
#include "volume/project_record.h"
#include "core/record.h"
#include "core/read_only.h"
#include "core/record_io.h"
#include "core/server_state.h"

namespace vxfserver {

namespace {

static_assert(kMaxProjectHandles == namedlist::kHandles);

ProjectList& list() { return state().projectList; }

uint32_t listLba() { return state().superBlock.projectListLba; }

void insertAt(ProjectList& l, uint32_t handle, uint32_t position) {
    namedlist::insertAt(l.handles, l.count, handle, position);
    l.count = uint16_t(l.count + 1);
}

void removeAt(ProjectList& l, uint32_t position) {
    namedlist::removeAt(l.handles, l.count, position);
    l.count = uint16_t(l.count - 1);
}

// Position of a listed handle, or the count when it is not listed.
uint32_t positionOf(uint32_t handle) { return namedlist::positionOf(list().handles, list().count, handle); }

// The first project slot that the list does not name; 0 when there is none.
uint32_t freeProjectSlot() {
    const SuperBlock& sb = state().superBlock;
    for (uint32_t k = 0; k < sb.maxProjects; ++k) {
        const uint32_t handle = sb.projectLba + k * sb.projectLength;
        if (!projectListed(handle)) return handle;
    }
    return 0;
}

bool setName(const char* text, char* field, size_t width) {
    if (!requireMounted()) return false;
    normalizeName(field, text, width);
    return writeProjectList();
}

}  // namespace

void encodeProjectList(ProjectList& l, uint8_t* sector) {
    std::memset(sector, 0, kSectorSize);
    namedlist::encodeNames(sector, l.shortName, l.extName);
    putHalf(sector + namedlist::kOffCount, l.count);
    namedlist::encodeHandles(sector, l.lastProjectHandle, l.handles);
    l.checksum = namedlist::seal(sector, l.magic);
}

int32_t decodeProjectList(const uint8_t* sector, uint32_t lba, ProjectList& l) {
    namedlist::decodeNames(sector, l.shortName, l.extName);
    l.count = getHalf(sector + namedlist::kOffCount);
    namedlist::decodeHandles(sector, l.lastProjectHandle, l.handles);
    l.magic = getWord(sector + namedlist::kOffMagic);
    l.checksum = getWord(sector + kSectorSize - 4);
    return namedlist::check(sector, lba, l.count, VXF_ERR_PLIST_CORRUPT, VXF_ERR_PLIST_CORRUPT2);
}

void initProjectList(uint32_t lba) {
    ProjectList& l = list();
    l = ProjectList{};
    l.magic = magicOf(lba);
    normalizeName(l.shortName, "Drive Name", 10);
    normalizeName(l.extName, "Drive Name", 64);
}

bool loadProjectList() {
    const uint32_t lba = listLba();
    return loadRecordWithRepair(lba, 1, [lba](const uint8_t* sector) { return decodeProjectList(sector, lba, list()); },
                                /*remember=*/true);
}

bool writeProjectList() {
    uint8_t sector[kSectorSize];
    encodeProjectList(list(), sector);
    return writeRecordCopies(listLba(), 1, sector, /*remember=*/true);
}

bool getDriveName(char* out) {
    if (!requireMounted()) return false;
    std::memcpy(out, list().shortName, sizeof(list().shortName));
    return true;
}

bool getDriveExtName(char* out) {
    if (!requireMounted()) return false;
    std::memcpy(out, list().extName, sizeof(list().extName));
    return true;
}

bool setDriveName(const char* text) { return setName(text, list().shortName, 10); }

bool setDriveExtName(const char* text) { return setName(text, list().extName, 64); }

bool projectCount(uint16_t& count) {
    if (!requireMounted()) return false;
    count = list().count;
    return true;
}

uint32_t projectHandleAt(uint32_t index) { return index < list().count ? list().handles[index] : 0; }

uint16_t indexOfProject(uint32_t handle) {
    const uint32_t position = positionOf(handle);
    return position < list().count ? uint16_t(position) : 0;
}

bool indexOfOpenProject(uint16_t& index) {
    if (!requireMounted()) return false;
    const uint32_t position = positionOf(state().openProject);
    if (state().openProject == 0 || position >= list().count) return fail(VXF_ERR_INVALID_PARAMETER);
    index = uint16_t(position);
    return true;
}

bool projectListed(uint32_t handle) { return positionOf(handle) < list().count; }

bool insertProject(uint32_t handle, uint32_t position) {
    if (!requireMounted()) return false;
    ProjectList& l = list();
    if (l.count >= state().superBlock.maxProjects) return fail(VXF_ERR_PLIST_FULL);
    if (position > l.count) return fail(VXF_ERR_INVALID_PARAMETER);
    insertAt(l, handle, position);
    return writeProjectList();
}

bool removeProject(uint32_t handle) {
    if (!requireMounted()) return false;
    ProjectList& l = list();
    if (l.count == 0) return fail(VXF_ERR_PLIST_EMPTY);
    const uint32_t position = positionOf(handle);
    if (position >= l.count) return fail(VXF_ERR_INVALID_PARAMETER);
    removeAt(l, position);
    return writeProjectList();
}

bool moveProject(uint32_t from, uint32_t to) {
    if (!requireMounted()) return false;
    ProjectList& l = list();
    if (from >= l.count || to >= l.count) return fail(VXF_ERR_INVALID_PARAMETER);
    // One write: a failure between two writes would leave the project in no list.
    const uint32_t handle = l.handles[from];
    removeAt(l, from);
    insertAt(l, handle, to);
    return writeProjectList();
}

bool createProject() {
    if (!requireMounted()) return false;
    ProjectList& l = list();
    if (l.count >= state().superBlock.maxProjects || l.count >= kMaxProjectHandles) return fail(VXF_ERR_PLIST_FULL);
    const uint32_t handle = freeProjectSlot();
    if (handle == 0) return fail(VXF_ERR_PLIST_FULL);

    // The record reaches the drive before the list names its slot, so a
    // failed write never lists a slot that holds an old record.
    forgetOpenProject();
    closeSong();
    initProjectRecord(handle);
    if (!writeProjectRecord() || !loadProjectRecord(handle)) {
        forgetOpenProject();
        return false;
    }
    insertAt(l, handle, l.count);
    setFlag(kFlagProjectOpen);
    state().openProject = handle;
    rememberProject(handle);
    rememberSong(0);
    l.lastProjectHandle = handle;
    return writeProjectList();
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
    // Held, the choice waits for the hold to end (see setLastSongHandle).
    if (!exportDriveIsHeld() && !currentDriveIsReadOnly()) return writeProjectList();
    uint8_t sector[kSectorSize];
    encodeProjectList(list(), sector);
    return recordBookkeeping(listLba(), sector);
}

bool lastPrimaryProjectIndex(uint16_t& index) {
    if (!requireMounted()) return false;
    index = indexOfProject(list().lastProjectHandle);
    return true;
}

}  // namespace vxfserver
