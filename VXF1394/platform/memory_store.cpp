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

MemoryStore::Pages MemoryStore::contents() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return pages_;
}

void MemoryStore::replaceContents(Pages pages) {
    std::lock_guard<std::mutex> guard(mutex_);
    pages_ = std::move(pages);
}

size_t MemoryStore::pageCount() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return pages_.size();
}

void MemoryStore::copyOutLocked(uint8_t* data, size_t length, uint64_t offset) const {
    while (length > 0) {
        Piece piece = pieceAt(offset, length);
        auto found = pages_.find(piece.page);
        if (found == pages_.end()) {
            std::memset(data, 0, piece.length);
        } else {
            std::memcpy(data, found->second->data() + piece.within, piece.length);
        }
        data += piece.length;
        offset += piece.length;
        length -= piece.length;
    }
}

// Zeros written where nothing was are left unwritten, so formatting a large drive keeps it small.
void MemoryStore::copyInLocked(const uint8_t* data, size_t length, uint64_t offset) {
    while (length > 0) {
        Piece piece = pieceAt(offset, length);
        if (pages_.count(piece.page) > 0 || !allZero(data, piece.length)) {
            std::memcpy(writablePageLocked(piece.page)->data() + piece.within, data, piece.length);
        }
        data += piece.length;
        offset += piece.length;
        length -= piece.length;
    }
}

// A page shared with contents taken earlier is copied first, so those keep what they took.
MemoryStore::Page* MemoryStore::writablePageLocked(uint64_t number) {
    std::shared_ptr<Page>& page = pages_[number];
    if (!page) {
        page = std::make_shared<Page>();
    } else if (page.use_count() > 1) {
        page = std::make_shared<Page>(*page);
    }
    return page.get();
}

}  // namespace vxf1394::platform
