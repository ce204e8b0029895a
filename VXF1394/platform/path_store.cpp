// path_store.cpp - the image file or block device a drive's enumeration entry names, as a store for one request.
#include "platform/path_store.h"

#include <sys/sysmacros.h>

#include "platform/host_disks.h"
#include "platform/last_error.h"
#include "platform/open_stores.h"
#include "platform/test_hooks.h"

namespace vxf1394::platform {

namespace {

// A block device named without vendor or product answers with what sysfs knows of it.
diskenum::DriveEntry withIdentity(diskenum::DriveEntry entry, const BackingStore& store) {
    if (!store.isBlockDevice() || (!entry.vendor.empty() && !entry.product.empty())) return entry;
    diskenum::DiskIdentity identity = diskenum::identityOfBlockDevice(
        diskenum::hostPaths(), major(store.deviceNumber()), minor(store.deviceNumber()));
    if (entry.vendor.empty()) entry.vendor = identity.vendor;
    if (entry.product.empty()) entry.product = identity.model;
    return entry;
}

}  // namespace

uint32_t PathStore::reach() {
    if (!reached_) {
        StoreAccess access = storeAt(entry_.path);
        store_ = std::move(access.store);
        error_ = access.error;
        reached_ = true;
    }
    return store_ ? kErrorSuccess : error_;
}

uint32_t PathStore::capacity(uint64_t& bytes) {
    if (uint32_t error = reach(); error != kErrorSuccess) return error;
    bytes = store_->sizeBytes();
    return kErrorSuccess;
}

uint32_t PathStore::identify(DriveIdentity& identity) {
    if (uint32_t error = reach(); error != kErrorSuccess) return error;
    diskenum::DriveEntry named = withIdentity(entry_, *store_);
    identity = DriveIdentity{diskenum::vendorOf(named), diskenum::productOf(named)};
    return kErrorSuccess;
}

uint32_t PathStore::read(void* data, size_t length, uint64_t offset) {
    if (uint32_t error = reach(); error != kErrorSuccess) return error;
    if (!store_->covers(offset, length)) return kErrorSectorNotFound;
    return store_->readAt(data, length, offset) ? kErrorSuccess : kErrorReadFault;
}

uint32_t PathStore::write(const void* data, size_t length, uint64_t offset) {
    if (uint32_t error = reach(); error != kErrorSuccess) return error;
    if (!store_->covers(offset, length)) return kErrorSectorNotFound;
    // Attached read-only, the image stays as it was even where the process could write it.
    if (entry_.readOnly || !store_->writable()) return kErrorWriteProtect;
    return store_->writeAt(data, length, offset) ? kErrorSuccess : kErrorWriteFault;
}

// An image opened for reading only has nothing of ours to bring to the medium.
uint32_t PathStore::flush(bool& flushed) {
    flushed = false;
    if (uint32_t error = reach(); error != kErrorSuccess) return error;
    if (entry_.readOnly || !store_->writable()) return kErrorSuccess;
    if (!hooks::flushesIgnored() && !store_->flush()) return kErrorWriteFault;
    flushed = true;
    return kErrorSuccess;
}

// Unmounted, the drive may be taken away: nothing keeps it open.
uint32_t PathStore::release() {
    if (uint32_t error = reach(); error != kErrorSuccess) return error;
    store_.reset();
    closeStore(entry_.path);
    return kErrorSuccess;
}

}  // namespace vxf1394::platform
