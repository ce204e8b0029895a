// memory_store.cpp - a drive whose sectors live in this process: sparse pages of a given size, zeros elsewhere.
#include "platform/memory_store.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/last_error.h"

namespace vxf1394::platform {

namespace {

bool allZero(const uint8_t* data, size_t length) {
    return length == 0 || (data[0] == 0 && std::memcmp(data, data + 1, length - 1) == 0);
}

// The part of a transfer that falls into one page.
struct Piece {
    uint64_t page;
    size_t within;
    size_t length;
};

Piece pieceAt(uint64_t offset, size_t remaining) {
    size_t within = static_cast<size_t>(offset % MemoryStore::kPageBytes);
    return Piece{offset / MemoryStore::kPageBytes, within, std::min(remaining, MemoryStore::kPageBytes - within)};
}

}  // namespace

uint32_t MemoryStore::capacity(uint64_t& bytes) {
    bytes = size_;
    return kErrorSuccess;
}

uint32_t MemoryStore::identify(DriveIdentity& identity) {
    identity = identity_;
    return kErrorSuccess;
}

uint32_t MemoryStore::read(void* data, size_t length, uint64_t offset) {
    if (!rangeWithin(size_, offset, length)) return kErrorSectorNotFound;
    std::lock_guard<std::mutex> guard(mutex_);
    copyOutLocked(static_cast<uint8_t*>(data), length, offset);
    return kErrorSuccess;
}

uint32_t MemoryStore::write(const void* data, size_t length, uint64_t offset) {
    if (!rangeWithin(size_, offset, length)) return kErrorSectorNotFound;
    std::lock_guard<std::mutex> guard(mutex_);
    copyInLocked(static_cast<const uint8_t*>(data), length, offset);
    return kErrorSuccess;
}

uint32_t MemoryStore::flush(bool& flushed) {
    flushed = true;
    return kErrorSuccess;
}

MemoryStore::Snapshot MemoryStore::contents() const {
    std::lock_guard<std::mutex> guard(mutex_);
    auto pages = std::make_shared<Pages>(base_ ? *base_ : Pages{});
    for (const auto& [number, page] : written_) (*pages)[number] = page;
    return pages;
}

void MemoryStore::replaceContents(Snapshot pages) {
    std::lock_guard<std::mutex> guard(mutex_);
    base_ = std::move(pages);
    written_.clear();
}

size_t MemoryStore::pageCount() const {
    std::lock_guard<std::mutex> guard(mutex_);
    size_t count = base_ ? base_->size() : 0;
    for (const auto& entry : written_) count += base_ && base_->count(entry.first) > 0 ? 0 : 1;
    return count;
}

const MemoryStore::Page* MemoryStore::basePageLocked(uint64_t number) const {
    if (!base_) return nullptr;
    auto found = base_->find(number);
    return found == base_->end() ? nullptr : found->second.get();
}

const MemoryStore::Page* MemoryStore::pageLocked(uint64_t number) const {
    if (auto found = written_.find(number); found != written_.end()) return found->second.get();
    return basePageLocked(number);
}

void MemoryStore::copyOutLocked(uint8_t* data, size_t length, uint64_t offset) const {
    while (length > 0) {
        Piece piece = pieceAt(offset, length);
        if (const Page* page = pageLocked(piece.page); page == nullptr) {
            std::memset(data, 0, piece.length);
        } else {
            std::memcpy(data, page->data() + piece.within, piece.length);
        }
        data += piece.length;
        offset += piece.length;
        length -= piece.length;
    }
}

// A write that changes nothing takes no page: zeros where nothing was (formatting a large drive
// keeps it small), or the bytes a page of the base already holds (it stays shared).
void MemoryStore::copyInLocked(const uint8_t* data, size_t length, uint64_t offset) {
    while (length > 0) {
        Piece piece = pieceAt(offset, length);
        const Page* page = pageLocked(piece.page);
        const bool same = page == nullptr ? allZero(data, piece.length)
                                          : std::memcmp(page->data() + piece.within, data, piece.length) == 0;
        if (!same) std::memcpy(writablePageLocked(piece.page)->data() + piece.within, data, piece.length);
        data += piece.length;
        offset += piece.length;
        length -= piece.length;
    }
}

// A page of the base, or one shared with contents taken earlier, is copied first, so those keep what they hold.
MemoryStore::Page* MemoryStore::writablePageLocked(uint64_t number) {
    std::shared_ptr<Page>& page = written_[number];
    if (!page) {
        const Page* kept = basePageLocked(number);
        page = kept != nullptr ? std::make_shared<Page>(*kept) : std::make_shared<Page>();
    } else if (page.use_count() > 1) {
        page = std::make_shared<Page>(*page);
    }
    return page.get();
}

}  // namespace vxf1394::platform
