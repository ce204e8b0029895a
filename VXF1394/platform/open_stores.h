// open_stores.h - backing stores kept open between requests, each checked against its path before use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/backing_store.h"

namespace vxf1394::platform {

struct StoreAccess {
    std::shared_ptr<BackingStore> store;  // null on failure
    uint32_t error = 0;                   // a system error number on failure
};

// The store the path names now: the one kept from an earlier request when
// the path still leads to it, else freshly opened. Failures:
// kErrorDevNotExist (gone, or not a file or block device),
// kErrorAccessDenied (the user may not open it), kErrorBusy (in use).
StoreAccess storeAt(const std::string& path);

// Lets go of the store (an unmounted drive may be taken away), or of all
// (the driver's device closed).
void closeStore(const std::string& path);
void closeAllStores();

// Stores kept open now.
size_t openStoreCount();

}  // namespace vxf1394::platform
