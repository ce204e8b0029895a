// remembered_records.cpp - the project and song each open drive remembers, and forgetting a record slot given up since.
#include "core/remembered_records.h"

#include "core/drive_sharing.h"
#include "core/loaded_state.h"
#include "core/server_state.h"

namespace vxfserver {

namespace {

// How often each slot's remembered project and song record had been given up
// when the handle remembered them.
struct Remembered {
    uint32_t projectReleases = 0;
    uint32_t songReleases = 0;
};
Remembered g_remembered[kDriveSlots];

// The record slot an LBA of the project or song area is, or none.
uint32_t slotIndex(uint32_t lba, uint32_t first, uint32_t length, uint32_t count) {
    if (length == 0 || lba < first || (lba - first) % length != 0 || (lba - first) / length >= count) return UINT32_MAX;
    return (lba - first) / length;
}

uint32_t releasesOfProject(uint32_t lba) {
    const SuperBlock& sb = state().superBlock;
    return recordReleases(DriveClaim::Slot::Project, slotIndex(lba, sb.projectLba, sb.projectLength, sb.maxProjects));
}

uint32_t releasesOfSong(uint32_t lba) {
    const SuperBlock& sb = state().superBlock;
    return recordReleases(DriveClaim::Slot::Song, slotIndex(lba, sb.songLba, sb.songLength, sb.maxSongs));
}

}  // namespace

void rememberProject(uint32_t lba) {
    state().slots[state().currentSlot].project = lba;
    g_remembered[state().currentSlot].projectReleases = lba != 0 ? releasesOfProject(lba) : 0;
}

void rememberSong(uint32_t lba) {
    state().slots[state().currentSlot].song = lba;
    g_remembered[state().currentSlot].songReleases = lba != 0 ? releasesOfSong(lba) : 0;
}

void forgetReusedRecords(size_t index) {
    ServerState& st = state();
    DriveSlot& slot = st.slots[index];
    if (slot.project != 0 && releasesOfProject(slot.project) != g_remembered[index].projectReleases) {
        slot.project = 0;
        slot.song = 0;
    }
    if (slot.song != 0 && releasesOfSong(slot.song) != g_remembered[index].songReleases) {
        if (st.song.lba == slot.song) closeSong();
        slot.song = 0;
    }
}

}  // namespace vxfserver
