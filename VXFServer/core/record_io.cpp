// record_io.cpp - both copies of a system record: loading with repair and writing.
#include "core/record_io.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "core/drive_io.h"
#include "core/errors.h"
#include "core/record.h"
#include "core/server_state.h"

namespace vxfserver {

namespace {

// The bytes both copies of a one-sector record were last seen to hold, read
// alike from both or written to both, on the volume mounted now. A write of
// the same bytes again is skipped: selections rewrite the project list and
// the open project's record with what they hold already. Any other write
// over either copy, a write that fails and a drive forgotten clear an entry,
// so that the next write of such a record reaches the drive.
struct KnownRecord {
    bool valid = false;
    uint32_t driveId = 0;
    uint32_t sectorCount = 0;
    uint64_t mountGeneration = 0;
    uint32_t lba = 0;
    uint8_t bytes[kSectorSize] = {};
};
std::array<KnownRecord, 4> g_known;
size_t g_nextKnown = 0;

bool describesCurrentVolume(const KnownRecord& k) {
    const ServerState& st = state();
    return k.valid && k.driveId == st.currentDriveId && k.sectorCount == st.sectorCount &&
           k.mountGeneration == st.mountGeneration;
}

KnownRecord* knownRecord(uint32_t lba) {
    for (KnownRecord& k : g_known) {
        if (describesCurrentVolume(k) && k.lba == lba) return &k;
    }
    return nullptr;
}

void forgetRecord(uint32_t lba) {
    if (KnownRecord* k = knownRecord(lba)) k->valid = false;
}

void noteRecord(bool remember, uint32_t lba, uint32_t sectors, const uint8_t* bytes) {
    if (!remember || sectors != 1) return;
    // The record's own entry, else one free, else the oldest.
    KnownRecord* k = nullptr;
    for (KnownRecord& entry : g_known) {
        if (entry.lba == lba || !describesCurrentVolume(entry)) {
            k = &entry;
            if (entry.lba == lba) break;
        }
    }
    if (k == nullptr) {
        k = &g_known[g_nextKnown];
        g_nextKnown = (g_nextKnown + 1) % g_known.size();
    }
    const ServerState& st = state();
    k->valid = true;
    k->driveId = st.currentDriveId;
    k->sectorCount = st.sectorCount;
    k->mountGeneration = st.mountGeneration;
    k->lba = lba;
    std::memcpy(k->bytes, bytes, kSectorSize);
}

struct CopyResult {
    bool readRefused;
    int32_t error;  // 0 when sound
};

CopyResult readAndCheck(int64_t lba, uint32_t sectors, std::vector<uint8_t>& bytes, const RecordCheck& check) {
    if (!readSectorsAt(lba, sectors, bytes.data())) return {true, VXF_ERR_DISK_READ};
    return {false, check(bytes.data())};
}

}  // namespace

bool loadRecordWithRepair(uint32_t lba, uint32_t sectors, const RecordCheck& check, bool remember) {
    const int64_t mirror = mirrorLba(state().sectorCount, lba, sectors);
    std::vector<uint8_t> first(size_t(sectors) * kSectorSize);
    std::vector<uint8_t> copy(first.size());

    CopyResult firstResult = readAndCheck(lba, sectors, first, check);
    ReadRange firstRange = failedReadRange();
    CopyResult copyResult = readAndCheck(mirror, sectors, copy, check);

    forgetRecord(lba);
    if (firstResult.error == 0 && copyResult.error == 0) {
        // Two sound copies may still differ (a write cut off between them): only alike are they known.
        if (first == copy) noteRecord(remember, lba, sectors, copy.data());
        return true;
    }
    if (firstResult.error == 0) {
        // Memory holds the failed copy's remains: read and decode the first copy again.
        if (!readSectors(lba, sectors, first.data())) return false;
        int32_t error = check(first.data());
        if (error != 0) return fail(error);
        if (!writeSectorsAt(mirror, sectors, first.data())) return false;
        noteRecord(remember, lba, sectors, first.data());
        return true;
    }
    if (copyResult.error == 0) {
        if (!writeSectors(lba, sectors, copy.data())) return false;
        noteRecord(remember, lba, sectors, copy.data());
        return true;
    }
    if (copyResult.readRefused) return false;  // its range and error are the latest
    if (firstResult.readRefused) return failRead(firstRange.first, firstRange.last - firstRange.first + 1);
    return fail(copyResult.error);
}

bool writeRecordCopies(uint32_t lba, uint32_t sectors, const uint8_t* bytes, bool remember) {
    if (sectors == 1) {
        const KnownRecord* known = knownRecord(lba);
        if (known != nullptr && std::memcmp(known->bytes, bytes, kSectorSize) == 0) return true;
    }
    // The writes themselves forget what was known (forgetRecordsWritten).
    if (!writeSectors(lba, sectors, bytes, WriteOrder::FirstCopy)) return false;
    if (!writeSectorsAt(mirrorLba(state().sectorCount, lba, sectors), sectors, bytes, WriteOrder::MirrorCopy)) {
        return false;
    }
    noteRecord(remember, lba, sectors, bytes);
    return true;
}

void forgetRecordsWritten(uint32_t lba, uint32_t count) {
    const uint64_t end = uint64_t(lba) + count;
    for (KnownRecord& k : g_known) {
        if (!k.valid) continue;
        const int64_t mirror = mirrorLba(k.sectorCount, k.lba, 1);
        const bool overFirst = k.lba >= lba && k.lba < end;
        const bool overMirror = mirror >= int64_t(lba) && uint64_t(mirror) < end;
        if (overFirst || overMirror) k.valid = false;
    }
}

void forgetKnownRecords() {
    for (KnownRecord& k : g_known) k.valid = false;
}

}  // namespace vxfserver
