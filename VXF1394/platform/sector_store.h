// sector_store.h - what an emulated drive serves its requests from: an image or block device, memory, or either with
// faults injected. The driver's requests are decided once (drive_emulation.cpp); where sectors live is a store.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vxf1394::platform {

// What a drive answers to identify, before it is padded to the fields.
struct DriveIdentity {
    std::string vendor;
    std::string product;
};

// Every call returns 0 or the system error number (last_error.h) the request
// fails with. Offsets and lengths are in bytes, whole sectors as the driver
// asks for them. Requests come from any thread: a store that outlives one
// request guards its own state.
class SectorStore {
public:
    SectorStore() = default;
    SectorStore(const SectorStore&) = delete;
    SectorStore& operator=(const SectorStore&) = delete;
    virtual ~SectorStore() = default;

    // Whether the store can serve at all now: an image that went away fails
    // here with the reason, before anything else is asked of it.
    virtual uint32_t reach() = 0;
    virtual uint32_t capacity(uint64_t& bytes) = 0;
    virtual uint32_t identify(DriveIdentity& identity) = 0;
    // A range that does not lie wholly within the store moves nothing.
    virtual uint32_t read(void* data, size_t length, uint64_t offset) = 0;
    virtual uint32_t write(const void* data, size_t length, uint64_t offset) = 0;
    // Brings every write to the medium. `flushed` is false when the store
    // held nothing of the caller's to bring there (it serves reads only).
    virtual uint32_t flush(bool& flushed) = 0;
    // The drive was unmounted: nothing need keep the store open.
    virtual uint32_t release() = 0;
};

// Whether `length` bytes at `offset` lie within a store of `size` bytes.
inline bool rangeWithin(uint64_t size, uint64_t offset, uint64_t length) {
    return offset <= size && length <= size - offset;
}

}  // namespace vxf1394::platform
