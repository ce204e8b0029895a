// faulty_store.h - faults injected into any store: the sidecar's and a test's, as a drive with those faults answers.
#pragma once

#include <utility>

#include "platform/faults.h"
#include "platform/sector_store.h"

namespace vxf1394::platform {

// A faulted request fails before the store is asked, as the medium would
// fail it, so a faulted write changes nothing. Lives for one request, within the life of the faults it is given.
class FaultyStore final : public SectorStore {
public:
    FaultyStore(SectorStore& inner, const FaultSet& faults) : inner_(inner), faults_(faults) {}

    uint32_t reach() override { return inner_.reach(); }
    uint32_t capacity(uint64_t& bytes) override;
    uint32_t identify(DriveIdentity& identity) override;
    uint32_t read(void* data, size_t length, uint64_t offset) override;
    uint32_t write(const void* data, size_t length, uint64_t offset) override;
    uint32_t flush(bool& flushed) override;
    uint32_t release() override;

private:
    SectorStore& inner_;
    const FaultSet& faults_;
};

}  // namespace vxf1394::platform
