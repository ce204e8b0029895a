// record_io.h - both copies of a system record: loading with repair and writing.
#pragma once

#include <cstdint>
#include <functional>

namespace vxfserver {

// Decodes a copy into memory and answers its check error (0 when sound).
using RecordCheck = std::function<int32_t(const uint8_t* bytes)>;

// Loads the record of `sectors` sectors at `lba` and its mirror copy. Memory
// ends up holding the mirror copy when it is sound, else the first copy. A
// copy that cannot be read or fails its check is rewritten from the other;
// only when both fail does the load fail: with the read error when a read was
// refused, else with the mirror copy's check error.
// `remember` keeps the bytes of a one-sector record whose copies end up alike
// (see writeRecordCopies).
bool loadRecordWithRepair(uint32_t lba, uint32_t sectors, const RecordCheck& check, bool remember = false);

// While one lives, a load answers the sound copy of a record whose other copy
// is bad without rewriting that copy, and counts it: looking for what a
// volume no longer reaches must not write to it (a read-only drive included).
class RepairsHeld {
public:
    RepairsHeld();
    ~RepairsHeld();
    RepairsHeld(const RepairsHeld&) = delete;
    RepairsHeld& operator=(const RepairsHeld&) = delete;
    // Loads since this hold began that found one copy bad.
    uint32_t repairsPassed() const;

private:
    uint32_t before_;
};

// Writes the first copy, then the mirror copy; stops at the first refusal
// with VXF_ERR_DISK_WRITE. A one-sector record whose copies are known to hold
// these very bytes already (remembered when read alike or written since the
// mount) is not written again; `remember` keeps the bytes written.
bool writeRecordCopies(uint32_t lba, uint32_t sectors, const uint8_t* bytes, bool remember = false);

// Sectors of the current drive are about to be written: what was known of
// records there is no longer.
void forgetRecordsWritten(uint32_t lba, uint32_t count);
// Nothing is known of any drive's records any more (the drive is forgotten);
// bookkeeping that waited is dropped unwritten.
void forgetKnownRecords();

// Bookkeeping of a one-sector record (the last project or last song opened)
// waits in memory instead of reaching the drive, while this program holds it
// or for good when the drive is read-only.
// A load of the record answers what waits; a write of it, or any write over
// either copy, ends the wait. Fails only when a third record must wait and
// the oldest one is written to make room.
bool recordBookkeeping(uint32_t lba, const uint8_t* bytes);
// Writes what waits to the current drive; bytes both copies hold already are
// not written again. Every wait ends, also when a write fails.
bool commitDeferredRecords();

}  // namespace vxfserver
