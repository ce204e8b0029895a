// path_store.h - the image file or block device a drive's enumeration entry names, as a store for one request.
#pragma once

#include <memory>
#include <utility>

#include "disk_enumeration.h"
#include "platform/backing_store.h"
#include "platform/sector_store.h"

namespace vxf1394::platform {

// Made afresh for every request, so each request reaches whatever the path
// names at that moment; the open file itself is kept between requests
// (open_stores.h) and opened only when the request first needs it.
class PathStore final : public SectorStore {
public:
    // The entry outlives the store; `reached` is the open file when the caller has it already.
    explicit PathStore(const diskenum::DriveEntry& entry, std::shared_ptr<BackingStore> reached = nullptr)
        : entry_(entry), reached_(reached != nullptr), store_(std::move(reached)) {}

    uint32_t reach() override;
    uint32_t capacity(uint64_t& bytes) override;
    uint32_t identify(DriveIdentity& identity) override;
    uint32_t read(void* data, size_t length, uint64_t offset) override;
    uint32_t write(const void* data, size_t length, uint64_t offset) override;
    uint32_t flush(bool& flushed) override;
    uint32_t release() override;

    // The open file reach() found; null before it, or when it failed.
    const std::shared_ptr<BackingStore>& reached() const { return store_; }

private:
    const diskenum::DriveEntry& entry_;
    bool reached_ = false;
    uint32_t error_ = 0;
    std::shared_ptr<BackingStore> store_;
};

}  // namespace vxf1394::platform
