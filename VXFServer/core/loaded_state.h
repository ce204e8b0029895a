// loaded_state.h - what is loaded of the current drive, and what the current handle remembers of it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vxfserver {

// Forgets the current drive, its volume, the open project and the current
// song, so that the next selection reads everything afresh.
void forgetCurrentDrive();
// The volume is no longer mounted (the drive stays current).
void forgetMount();
// No project open: clears the flag and the open project's handle.
void forgetOpenProject();
// No song current any more (no drive access).
void closeSong();
// The transfer cache no longer describes the track buffer.
void invalidateTransferCache();

// Stores into the slot most recently selected, with how often the record's
// slot had been given up by then (see forgetReusedRecords).
void rememberProject(uint32_t lba);
void rememberSong(uint32_t lba);

// The project or song slot `slotIndex` remembers was deleted since (by this
// program or another) and its record slot may hold a new one: the handle
// forgets it, so that it never takes the new one for its own.
void forgetReusedRecords(size_t slotIndex);

}  // namespace vxfserver
