// open_stores.cpp - backing stores kept open between requests, each checked against its path before use.
#include "platform/open_stores.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <mutex>
#include <vector>

#include "platform/last_error.h"
#include "platform/path_watch.h"

namespace vxf1394::platform {

namespace {

// A drive list holds four drives; a few more cover drives that come and go.
constexpr size_t kKeptStores = 6;

struct KeptStore {
    std::string path;
    std::shared_ptr<BackingStore> store;
};

// Most recently used first. Never destroyed: requests may still arrive while the process exits.
struct Kept {
    std::mutex mutex;
    std::vector<KeptStore> stores;
};

Kept& kept() {
    static Kept* k = new Kept;
    return *k;
}

uint32_t errorOfFailedOpen(int error) {
    if (error == EACCES || error == EPERM) return kErrorAccessDenied;
    if (error == EBUSY) return kErrorBusy;
    return kErrorDevNotExist;
}

void forgetLocked(Kept& k, const std::string& path) {
    std::erase_if(k.stores, [&](const KeptStore& s) { return s.path == path; });
}

}  // namespace

StoreAccess storeAt(const std::string& path) {
    Kept& k = kept();
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        std::lock_guard<std::mutex> guard(k.mutex);
        forgetLocked(k, path);
        return StoreAccess{nullptr, kErrorDevNotExist};
    }
    std::lock_guard<std::mutex> guard(k.mutex);
    auto found = std::find_if(k.stores.begin(), k.stores.end(), [&](const KeptStore& s) { return s.path == path; });
    if (found != k.stores.end() && found->store->isAt(info) && found->store->refreshSize(info)) {
        std::rotate(k.stores.begin(), found, found + 1);
        return StoreAccess{k.stores.front().store, kErrorSuccess};
    }
    // Let go of what the path named before, so a device is not held twice.
    forgetLocked(k, path);
    std::shared_ptr<BackingStore> store = BackingStore::open(path, info);
    if (!store) return StoreAccess{nullptr, errorOfFailedOpen(errno)};
    k.stores.insert(k.stores.begin(), KeptStore{path, store});
    if (k.stores.size() > kKeptStores) k.stores.pop_back();
    return StoreAccess{store, kErrorSuccess};
}

void closeStore(const std::string& path) {
    noteLocalChange();
    Kept& k = kept();
    std::lock_guard<std::mutex> guard(k.mutex);
    forgetLocked(k, path);
}

void closeAllStores() {
    noteLocalChange();
    Kept& k = kept();
    std::lock_guard<std::mutex> guard(k.mutex);
    k.stores.clear();
}

size_t openStoreCount() {
    Kept& k = kept();
    std::lock_guard<std::mutex> guard(k.mutex);
    return k.stores.size();
}

}  // namespace vxf1394::platform
