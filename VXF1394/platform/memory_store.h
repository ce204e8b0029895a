// memory_store.h - a drive whose sectors live in this process: sparse pages of a given size, zeros elsewhere.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

#include "platform/sector_store.h"

namespace vxf1394::platform {

class MemoryStore final : public SectorStore {
public:
    static constexpr size_t kPageBytes = 4096;
    using Page = std::array<uint8_t, kPageBytes>;
    // Pages by number. Contents taken from a store share its pages, and a
    // shared page is copied before either side changes it: keeping a formatted
    // volume and putting it back costs a copy of the map, not of the volume.
    using Pages = std::map<uint64_t, std::shared_ptr<Page>>;

    MemoryStore(uint64_t bytes, DriveIdentity identity) : size_(bytes), identity_(std::move(identity)) {}

    uint32_t reach() override { return 0; }
    uint32_t capacity(uint64_t& bytes) override;
    uint32_t identify(DriveIdentity& identity) override;
    uint32_t read(void* data, size_t length, uint64_t offset) override;
    uint32_t write(const void* data, size_t length, uint64_t offset) override;
    // Memory is the medium: every write is on it when it returns.
    uint32_t flush(bool& flushed) override;
    // An unmounted memory drive keeps its contents: nothing else holds them.
    uint32_t release() override { return 0; }

    uint64_t sizeBytes() const { return size_; }
    Pages contents() const;
    void replaceContents(Pages pages);
    void clear() { replaceContents({}); }
    size_t pageCount() const;

private:
    void copyOutLocked(uint8_t* data, size_t length, uint64_t offset) const;
    void copyInLocked(const uint8_t* data, size_t length, uint64_t offset);
    Page* writablePageLocked(uint64_t number);

    const uint64_t size_;
    const DriveIdentity identity_;
    mutable std::mutex mutex_;
    Pages pages_;
};

}  // namespace vxf1394::platform
