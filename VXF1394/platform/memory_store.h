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
    // shared page is copied before either side changes it.
    using Pages = std::map<uint64_t, std::shared_ptr<Page>>;
    // What a store held at one moment: it never changes. A store given one
    // keeps it as its base and holds only the pages written since, so keeping
    // a formatted volume and putting it back costs neither a copy of the volume
    // nor one of its map.
    using Snapshot = std::shared_ptr<const Pages>;

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
    Snapshot contents() const;
    void replaceContents(Snapshot pages);
    void clear() { replaceContents(nullptr); }
    size_t pageCount() const;

private:
    void copyOutLocked(uint8_t* data, size_t length, uint64_t offset) const;
    void copyInLocked(const uint8_t* data, size_t length, uint64_t offset);
    const Page* basePageLocked(uint64_t number) const;
    const Page* pageLocked(uint64_t number) const;
    Page* writablePageLocked(uint64_t number);

    const uint64_t size_;
    const DriveIdentity identity_;
    mutable std::mutex mutex_;
    Snapshot base_;
    Pages written_;  // pages written since the base was given: they stand in for the base's
};

}  // namespace vxf1394::platform
