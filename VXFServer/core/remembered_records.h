// remembered_records.h - the project and song each open drive remembers, and forgetting a record slot given up since.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vxfserver {

// Stores into the slot most recently selected, with how often the record's
// slot had been given up by then (see forgetReusedRecords).
void rememberProject(uint32_t lba);
void rememberSong(uint32_t lba);

// The project or song slot `slotIndex` remembers was deleted since (by this
// program or another) and its record slot may hold a new one: the handle
// forgets it, so that it never takes the new one for its own.
void forgetReusedRecords(size_t slotIndex);

}  // namespace vxfserver
