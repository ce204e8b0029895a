// record_io.cpp - both copies of a system record: loading with repair and writing.
#include "core/record_io.h"

#include <vector>

#include "core/drive_io.h"
#include "core/errors.h"
#include "core/record.h"
#include "core/server_state.h"

namespace vxfserver {

namespace {

struct CopyResult {
    bool readRefused;
    int32_t error;  // 0 when sound
};

CopyResult readAndCheck(int64_t lba, uint32_t sectors, std::vector<uint8_t>& bytes, const RecordCheck& check) {
    if (!readSectorsAt(lba, sectors, bytes.data())) return {true, VXF_ERR_DISK_READ};
    return {false, check(bytes.data())};
}

}  // namespace

bool loadRecordWithRepair(uint32_t lba, uint32_t sectors, const RecordCheck& check) {
    const int64_t mirror = mirrorLba(state().sectorCount, lba, sectors);
    std::vector<uint8_t> first(size_t(sectors) * kSectorSize);
    std::vector<uint8_t> copy(first.size());

    CopyResult firstResult = readAndCheck(lba, sectors, first, check);
    ReadRange firstRange = failedReadRange();
    CopyResult copyResult = readAndCheck(mirror, sectors, copy, check);

    if (firstResult.error == 0 && copyResult.error == 0) return true;
    if (firstResult.error == 0) {
        // Memory holds the failed copy's remains: read and decode the first copy again.
        if (!readSectors(lba, sectors, first.data())) return false;
        int32_t error = check(first.data());
        if (error != 0) return fail(error);
        return writeSectorsAt(mirror, sectors, first.data());
    }
    if (copyResult.error == 0) return writeSectors(lba, sectors, copy.data());
    if (copyResult.readRefused) return false;  // its range and error are the latest
    if (firstResult.readRefused) return failRead(firstRange.first, firstRange.last - firstRange.first + 1);
    return fail(copyResult.error);
}

bool writeRecordCopies(uint32_t lba, uint32_t sectors, const uint8_t* bytes) {
    if (!writeSectors(lba, sectors, bytes, WriteOrder::FirstCopy)) return false;
    return writeSectorsAt(mirrorLba(state().sectorCount, lba, sectors), sectors, bytes, WriteOrder::MirrorCopy);
}

}  // namespace vxfserver
