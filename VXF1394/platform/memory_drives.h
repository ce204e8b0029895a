// memory_drives.h - the memory drives attached in this process: their stores, their faults and their place in the enumeration.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/faults.h"
#include "platform/memory_store.h"

namespace vxf1394::platform {

struct AttachedMemoryDrive {
    std::shared_ptr<MemoryStore> store;
    FaultSet faults;
};

// Puts the store at the device index, in place of any memory drive there,
// and enumerates it as a recorder drive (system_enum.h says what else the
// enumeration then holds).
void attachMemoryDrive(uint32_t deviceIndex, std::shared_ptr<MemoryStore> store);
void detachMemoryDrive(uint32_t deviceIndex);
void detachAllMemoryDrives();

// The drive at the index now; none when no memory drive is there. Shared, never changed: new
// faults attach a new one.
std::shared_ptr<const AttachedMemoryDrive> memoryDriveAt(uint32_t deviceIndex);

// Faults of the drive that serves from this store, wherever it is attached;
// nothing when it is attached nowhere.
void setMemoryDriveFaults(const MemoryStore& store, const FaultSet& faults);

}  // namespace vxf1394::platform
