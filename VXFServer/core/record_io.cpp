// record_io.cpp - both copies of a system record: loading with repair and writing.
#include "core/record_io.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <vector>

#include "core/drive_io.h"
#include "core/errors.h"
#include "core/read_only.h"
#include "core/record.h"
#include "core/server_state.h"

namespace vxfserver {

namespace {

// One sector of a record as it stands for the volume mounted now: set for
// that drive, its sector count and its mount, and for nothing after them.
struct RecordSector {
    bool set = false;
    uint32_t driveId = 0;
    uint32_t sectorCount = 0;
    uint64_t mountGeneration = 0;
    uint32_t lba = 0;
    uint8_t bytes[kSectorSize] = {};
};

bool describesCurrentVolume(const RecordSector& r) {
    const ServerState& st = state();
    return r.set && r.driveId == st.currentDriveId && r.sectorCount == st.sectorCount &&
           r.mountGeneration == st.mountGeneration;
}

void stamp(RecordSector& r, uint32_t lba, const uint8_t* bytes) {
    const ServerState& st = state();
    r.set = true;
    r.driveId = st.currentDriveId;
    r.sectorCount = st.sectorCount;
    r.mountGeneration = st.mountGeneration;
    r.lba = lba;
    std::memcpy(r.bytes, bytes, kSectorSize);
}

template <size_t N>
RecordSector* sectorOf(std::array<RecordSector, N>& table, uint32_t lba) {
    for (RecordSector& r : table) {
        if (describesCurrentVolume(r) && r.lba == lba) return &r;
    }
    return nullptr;
}

// Clears what a write of `count` sectors from `lba` lands on, either copy.
template <size_t N>
void clearWrittenOver(std::array<RecordSector, N>& table, uint32_t lba, uint32_t count) {
    const uint64_t end = uint64_t(lba) + count;
    for (RecordSector& r : table) {
        if (!r.set) continue;
        const int64_t mirror = mirrorLba(r.sectorCount, r.lba, 1);
        const bool overFirst = r.lba >= lba && r.lba < end;
        const bool overMirror = mirror >= int64_t(lba) && uint64_t(mirror) < end;
        if (overFirst || overMirror) r.set = false;
    }
}

// The bytes both copies of a one-sector record were last seen to hold, read
// alike from both or written to both. A write of the same bytes again is
// skipped: selections rewrite the project list and the open project's record
// with what they hold already. Any other write over either copy, a write that
// fails and a drive forgotten clear an entry, so that the next write of such
// a record reaches the drive.
std::array<RecordSector, 4> g_known;
size_t g_nextKnown = 0;

void forgetRecord(uint32_t lba) {
    if (RecordSector* k = sectorOf(g_known, lba)) k->set = false;
}

void noteRecord(bool remember, uint32_t lba, uint32_t sectors, const uint8_t* bytes) {
    if (!remember || sectors != 1) return;
    // The record's own entry, else one free, else the oldest.
    RecordSector* k = nullptr;
    for (RecordSector& entry : g_known) {
        if (entry.lba == lba || !describesCurrentVolume(entry)) {
            k = &entry;
            if (entry.lba == lba) break;
        }
    }
    if (k == nullptr) {
        k = &g_known[g_nextKnown];
        g_nextKnown = (g_nextKnown + 1) % g_known.size();
    }
    stamp(*k, lba, bytes);
}

// Bookkeeping writes (the last project and last song opened) kept back while
// this program holds the drive: a listing that selects every song in turn
// would otherwise write the project record once a song. Only whole-record
// bytes of the volume mounted now wait; a write of the record itself, any
// other write over either copy and a forgotten mount (another program's
// change among them) end the wait, the last without writing.
// The project list and the records of the projects a hold selected songs in.
std::array<RecordSector, 3> g_deferred;
size_t g_nextDeferred = 0;

void dropDeferredRecord(uint32_t lba) {
    if (RecordSector* d = sectorOf(g_deferred, lba)) d->set = false;
}

// Set while a RepairsHeld lives; counts the repairs passed over.
bool g_repairsHeld = false;
uint32_t g_repairsPassed = 0;

struct CopyResult {
    bool readRefused;
    int32_t error;  // 0 when sound
};

// One copy of a record as read. The records of a volume (the audio bitmap is the largest)
// fit in place; only a larger count goes to the heap. Every record load reads two copies,
// and a mount, a scan or a listing loads dozens.
class CopyBytes {
public:
    // Zeros, as many as the record has: a one-sector record clears one sector, not the room.
    explicit CopyBytes(uint32_t sectors) : size_(size_t(sectors) * kSectorSize) {
        if (size_ > sizeof inPlace_) {
            onHeap_.resize(size_);
        } else {
            std::memset(inPlace_, 0, size_);
        }
    }
    uint8_t* data() { return onHeap_.empty() ? inPlace_ : onHeap_.data(); }
    const uint8_t* data() const { return onHeap_.empty() ? inPlace_ : onHeap_.data(); }
    bool sameAs(const CopyBytes& other) const { return std::memcmp(data(), other.data(), size_) == 0; }

private:
    size_t size_;
    uint8_t inPlace_[size_t(layout::kAudioBitmapLength) * kSectorSize];
    std::vector<uint8_t> onHeap_;
};

CopyResult readAndCheck(int64_t lba, uint32_t sectors, CopyBytes& bytes, const RecordCheck& check) {
    if (!readSectorsAt(lba, sectors, bytes.data())) return {true, VXF_ERR_DISK_READ};
    return {false, check(bytes.data())};
}

bool loadCopies(uint32_t lba, uint32_t sectors, const RecordCheck& check, bool remember) {
    const int64_t mirror = mirrorLba(state().sectorCount, lba, sectors);
    CopyBytes first(sectors);
    CopyBytes copy(sectors);

    CopyResult firstResult = readAndCheck(lba, sectors, first, check);
    ReadRange firstRange = failedReadRange();
    CopyResult copyResult = readAndCheck(mirror, sectors, copy, check);

    forgetRecord(lba);
    if (firstResult.error == 0 && copyResult.error == 0) {
        // Two sound copies may still differ (a write cut off between them): only alike are they known.
        if (first.sameAs(copy)) noteRecord(remember, lba, sectors, copy.data());
        return true;
    }
    if (g_repairsHeld && (firstResult.error == 0 || copyResult.error == 0)) {
        ++g_repairsPassed;
        // Memory holds the copy decoded last: the first copy is decoded again when it is the sound one.
        if (firstResult.error == 0) check(first.data());
        return true;
    }
    // A read-only drive keeps its damaged copy: memory holds the sound one, and nothing is known of both alike.
    const bool repairs = !currentDriveIsReadOnly();
    if (firstResult.error == 0) {
        // Memory holds the failed copy's remains: read and decode the first copy again.
        if (!readSectors(lba, sectors, first.data())) return false;
        int32_t error = check(first.data());
        if (error != 0) return fail(error);
        if (!repairs) return true;
        if (!writeSectorsAt(mirror, sectors, first.data())) return false;
        noteRecord(remember, lba, sectors, first.data());
        return true;
    }
    if (copyResult.error == 0) {
        if (!repairs) return true;
        if (!writeSectors(lba, sectors, copy.data())) return false;
        noteRecord(remember, lba, sectors, copy.data());
        return true;
    }
    if (copyResult.readRefused) return false;  // its range and error are the latest
    if (firstResult.readRefused) return failRead(firstRange.first, firstRange.last - firstRange.first + 1);
    return fail(copyResult.error);
}

}  // namespace

bool loadRecordWithRepair(uint32_t lba, uint32_t sectors, const RecordCheck& check, bool remember) {
    // A repair writes a copy, which ends any wait: what waited is kept through it.
    const RecordSector* found = sectorOf(g_deferred, lba);
    const std::optional<RecordSector> waited = found != nullptr ? std::optional(*found) : std::nullopt;
    if (!loadCopies(lba, sectors, check, remember)) return false;
    if (!waited) return true;
    // The drive's copies differ from what waits only by the bookkeeping kept
    // back: memory takes what waits, so that a later write of the record keeps it.
    if (!recordBookkeeping(lba, waited->bytes)) return false;
    std::vector<uint8_t> waiting(size_t(sectors) * kSectorSize);
    std::memcpy(waiting.data(), waited->bytes, kSectorSize);
    const int32_t error = check(waiting.data());
    return error == 0 || fail(error);
}

RepairsHeld::RepairsHeld() : before_(g_repairsPassed) { g_repairsHeld = true; }
RepairsHeld::~RepairsHeld() { g_repairsHeld = false; }
uint32_t RepairsHeld::repairsPassed() const { return g_repairsPassed - before_; }

bool writeRecordCopies(uint32_t lba, uint32_t sectors, const uint8_t* bytes, bool remember) {
    // Written from memory, which holds what waited: the wait is over.
    dropDeferredRecord(lba);
    if (sectors == 1) {
        const RecordSector* known = sectorOf(g_known, lba);
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
    clearWrittenOver(g_known, lba, count);
    clearWrittenOver(g_deferred, lba, count);
}

void forgetKnownRecords() {
    for (RecordSector& k : g_known) k.set = false;
    // What the mount forgot may since have changed under another program: what waited is dropped, not written.
    for (RecordSector& d : g_deferred) d.set = false;
}

bool recordBookkeeping(uint32_t lba, const uint8_t* bytes) {
    RecordSector* d = sectorOf(g_deferred, lba);
    for (RecordSector& entry : g_deferred) {
        if (d == nullptr && !describesCurrentVolume(entry)) d = &entry;
    }
    if (d == nullptr) {
        // Every entry waits already (the list and two projects' records): one of them goes to the drive now.
        // A read-only drive's oldest choice is simply forgotten.
        d = &g_deferred[g_nextDeferred];
        g_nextDeferred = (g_nextDeferred + 1) % g_deferred.size();
        uint8_t older[kSectorSize];
        std::memcpy(older, d->bytes, kSectorSize);
        if (!currentDriveIsReadOnly() && !writeRecordCopies(d->lba, 1, older, /*remember=*/true)) return false;
    }
    stamp(*d, lba, bytes);
    return true;
}

bool commitDeferredRecords() {
    // A read-only drive's bookkeeping lives in memory for as long as its mount does.
    if (currentDriveIsReadOnly()) return true;
    bool written = true;
    for (RecordSector& d : g_deferred) {
        if (!d.set) continue;
        if (!describesCurrentVolume(d)) {
            // Its volume is no longer the one mounted (never so: every change of drive commits first).
            d.set = false;
            continue;
        }
        uint8_t bytes[kSectorSize];
        std::memcpy(bytes, d.bytes, kSectorSize);
        // Bytes equal to both copies' are skipped here: a listing that ends where it began writes nothing.
        written = writeRecordCopies(d.lba, 1, bytes, /*remember=*/true) && written;
    }
    return written;
}

}  // namespace vxfserver
