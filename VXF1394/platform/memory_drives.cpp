// memory_drives.cpp - the memory drives attached in this process: their stores, their faults and their place in the enumeration.
#include "platform/memory_drives.h"

#include <map>
#include <mutex>
#include <utility>

#include "platform/system_enum.h"

namespace vxf1394::platform {

namespace {

// Never destroyed: requests may still arrive while the process exits.
struct Attached {
    std::mutex mutex;
    std::map<uint32_t, std::shared_ptr<const AttachedMemoryDrive>> drives;
};

Attached& attached() {
    static Attached* a = new Attached;
    return *a;
}

}  // namespace

// The store is in place before the enumeration names it, and the name gone
// before the store: a request never finds a drive listed without its store.
void attachMemoryDrive(uint32_t deviceIndex, std::shared_ptr<MemoryStore> store) {
    DriveIdentity identity;
    store->identify(identity);
    {
        Attached& a = attached();
        std::lock_guard<std::mutex> guard(a.mutex);
        a.drives[deviceIndex] = std::make_shared<const AttachedMemoryDrive>(AttachedMemoryDrive{std::move(store), FaultSet{}});
    }
    diskenum::attachInProcessDrive(deviceIndex, diskenum::DriveEntry{std::string(), identity.vendor, identity.product});
}

void detachMemoryDrive(uint32_t deviceIndex) {
    diskenum::detachInProcessDrive(deviceIndex);
    Attached& a = attached();
    std::lock_guard<std::mutex> guard(a.mutex);
    a.drives.erase(deviceIndex);
}

void detachAllMemoryDrives() {
    diskenum::detachAllInProcessDrives();
    Attached& a = attached();
    std::lock_guard<std::mutex> guard(a.mutex);
    a.drives.clear();
}

std::shared_ptr<const AttachedMemoryDrive> memoryDriveAt(uint32_t deviceIndex) {
    Attached& a = attached();
    std::lock_guard<std::mutex> guard(a.mutex);
    auto found = a.drives.find(deviceIndex);
    if (found == a.drives.end()) return nullptr;
    return found->second;
}

void setMemoryDriveFaults(const MemoryStore& store, const FaultSet& faults) {
    Attached& a = attached();
    std::lock_guard<std::mutex> guard(a.mutex);
    for (auto& [index, drive] : a.drives) {
        if (drive->store.get() == &store) {
            drive = std::make_shared<const AttachedMemoryDrive>(AttachedMemoryDrive{drive->store, faults});
        }
    }
}

}  // namespace vxf1394::platform
