// handles.cpp - drive handles: the open-drive slots, selection of a handle's drive, project and song.
#include "api/handles.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/drive_sharing.h"
#include "core/errors.h"
#include "core/loaded_state.h"
#include "core/remembered_records.h"
#include "i1394.h"
#include "volume/mount.h"
#include "volume/project_list.h"
#include "volume/project_record.h"
#include "core/record.h"
#include "core/server_state.h"
#include "song/song_selection.h"
#include "song/song_slots.h"
#include "volume/super_block.h"

namespace vxfserver {

namespace {

// The in-use slot carrying the handle, or -1 with VXF_ERR_BAD_DRIVE_HANDLE.
int findSlot(uint32_t handle) {
    ServerState& st = state();
    for (size_t i = 0; i < kDriveSlots; ++i) {
        if (st.slots[i].inUse != 0 && st.slots[i].handle == handle) return int(i);
    }
    fail(VXF_ERR_BAD_DRIVE_HANDLE);
    return -1;
}

bool handleInUse(uint32_t handle) {
    for (const DriveSlot& slot : state().slots) {
        if (slot.inUse != 0 && slot.handle == handle) return true;
    }
    return false;
}

// A handle no open slot carries; 0 stays free for callers' "no handle".
uint32_t drawHandle() {
    for (;;) {
        uint32_t candidate = uint32_t(std::rand()) & 0x7FFFu;
        if (candidate != 0 && !handleInUse(candidate)) return candidate;
    }
}

void forgetProjectAndSong() {
    forgetOpenProject();
    closeSong();
}

// A project another program deleted is no longer the handle's.
bool reviewRememberedProject(uint32_t lba) {
    if (!projectListed(lba)) {
        rememberProject(0);
        rememberSong(0);
        return true;
    }
    return visitProject(lba);
}

}  // namespace

uint16_t countDrives() {
    DriveList list{};
    const uint16_t count = i1394GetDriveList(&list) == I1394_OK ? list.count : 0;
    state().recordedDriveCount = count;
    return count;
}

bool openDrive(uint16_t index, uint32_t& handle) {
    ServerState& st = state();
    DriveList list{};
    if (i1394GetDriveList(&list) != I1394_OK || index >= st.recordedDriveCount || index >= list.count ||
        index >= I1394_MAX_DRIVES || list.ids[index] == 0) {
        return fail(VXF_ERR_INVALID_PARAMETER);
    }
    DriveSlot* slot = nullptr;
    for (DriveSlot& candidate : st.slots) {
        if (candidate.inUse == 0) {
            slot = &candidate;
            break;
        }
    }
    if (slot == nullptr) return fail(VXF_ERR_INVALID_PARAMETER);
    slot->inUse = 1;
    slot->driveIndex = index;
    slot->driveId = list.ids[index];
    slot->handle = drawHandle();
    slot->locked = 0;
    slot->project = 0;
    slot->song = 0;
    slot->keptReadOnly = 0;
    st.cache.valid = false;
    handle = slot->handle;
    return true;
}

bool closeDrive(uint32_t handle) {
    const int index = findSlot(handle);
    if (index < 0) return false;
    forgetSlotClaims(size_t(index));
    state().slots[index] = DriveSlot{};
    forgetCurrentDrive();
    return true;
}

bool unmountDrive(uint32_t handle) {
    const int index = findSlot(handle);
    if (index < 0) return false;
    if (i1394Unmount(state().slots[index].driveId) != I1394_OK) return fail(VXF_ERR_CANNOT_UNMOUNT);
    return closeDrive(handle);
}

bool readDriveInformation(uint32_t driveId) {
    ServerState& st = state();
    DriveList list{};
    if (i1394GetDriveList(&list) != I1394_OK) return fail(VXF_ERR_NO_COMMUNICATION);
    bool listed = false;
    for (uint32_t id : list.ids) listed = listed || (id == driveId && id != 0);
    if (!listed) return fail(VXF_ERR_INVALID_PARAMETER);
    DriveInfo info{};
    if (i1394GetDriveInfo(driveId, &info) != I1394_OK) {
        st.description[0] = '\0';
        return fail(VXF_ERR_NO_COMMUNICATION);
    }
    if (info.capacity == 0) return fail(VXF_ERR_NO_COMMUNICATION);
    info.vendor[sizeof(info.vendor) - 1] = '\0';
    info.product[sizeof(info.product) - 1] = '\0';
    std::snprintf(st.description, sizeof(st.description), "%s%s", info.vendor, info.product);
    const SectorCounts counts = sectorCountsFromLastLba(info.capacity);
    st.currentDriveId = driveId;
    st.fullSectorCount = counts.full;
    st.cappedSectorCount = counts.capped;
    st.sectorCount = counts.full;
    return true;
}

bool selectDrive(uint32_t handle) {
    ServerState& st = state();
    const int index = findSlot(handle);
    if (index < 0) return false;
    st.currentSlot = uint16_t(index);
    DriveSlot slot = st.slots[index];

    // Read again because another program changed the drive: this program's
    // own view is restored as it was, without writing its bookkeeping.
    const bool refreshing = takeRefreshAfterForeignChange();
    bool reloaded = false;
    if (slot.driveId != st.currentDriveId) {
        st.currentDriveId = 0;
        const bool mounted = readDriveInformation(slot.driveId) && mountVolume();
        forgetProjectAndSong();
        if (!mounted) return false;
        reloaded = true;
    }
    forgetReusedRecords(index);
    const DriveSlot& now = st.slots[index];
    if (now.project == 0 && slot.project != 0 && st.openProject == slot.project) forgetProjectAndSong();
    slot.project = now.project;
    if (now.song == 0) slot.song = 0;
    if (slot.project != 0 && (reloaded || slot.project != st.openProject)) {
        forgetProjectAndSong();
        if (!(refreshing ? reviewRememberedProject(slot.project) : openProject(slot.project))) return false;
        reloaded = true;
    }
    // Opening a project forgets the remembered song (the copy still has it); a review keeps it, unless its project went.
    const uint32_t song = refreshing ? st.slots[index].song : slot.song;
    if (song != 0 && (reloaded || song != st.song.lba)) {
        closeSong();
        if (!(refreshing ? reviewRememberedSong(song) : reloadRememberedSong(song))) return false;
    }
    return true;
}

bool selectDriveWithoutMount(uint32_t handle, uint32_t* formerSectorCount) {
    ServerState& st = state();
    const int index = findSlot(handle);
    if (index < 0) return fail(VXF_ERR_INVALID_PARAMETER);
    const uint32_t driveId = st.slots[index].driveId;
    const bool sameDrive = driveId == st.currentDriveId;
    const uint32_t former = st.sectorCount;
    forgetCurrentDrive();
    if (!readDriveInformation(driveId)) return fail(VXF_ERR_INVALID_PARAMETER);
    st.currentSlot = uint16_t(index);
    if (formerSectorCount != nullptr) {
        *formerSectorCount = sameDrive && former != 0 && former <= st.fullSectorCount ? former : st.fullSectorCount;
    }
    return true;
}

bool handleIsLocked(uint32_t handle) {
    const int index = findSlot(handle);
    return index >= 0 && state().slots[index].locked != 0;
}

bool setHandleLock(uint32_t handle, uint32_t locked) {
    const int index = findSlot(handle);
    if (index < 0) return false;
    state().slots[index].locked = locked;
    return true;
}

}  // namespace vxfserver
