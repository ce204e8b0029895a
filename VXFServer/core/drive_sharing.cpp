// drive_sharing.cpp - the drives this program claims, for one export or held across many; other programs' changes noticed.
#include "core/drive_sharing.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "core/errors.h"
#include "core/loaded_state.h"
#include "core/server_state.h"

namespace vxfserver {

namespace {

struct ClaimEntry {
    uint64_t id = 0;
    std::unique_ptr<DriveClaim> claim;
    uint32_t holdingSlots = 0;  // one bit per slot that holds the drive
    bool locked = false;
    bool changeCounted = false;  // in this period of the lock
    // When the latest wait ended in a refusal: the calls of one command that follow
    // it are refused at once instead of each waiting in turn.
    std::chrono::steady_clock::time_point refusedAt{};
};

constexpr auto kRefusalRemembered = std::chrono::seconds(1);

struct Sharing {
    std::vector<std::unique_ptr<ClaimEntry>> entries;
    uint64_t nextId = 1;
    ClaimEntry* exportEntry = nullptr;  // the running export's drive
    bool exportTookLock = false;
    // The store and change count that the loaded volume state was read at.
    uint64_t loadedEntry = 0;
    std::optional<uint64_t> loadedCount;
    bool refreshPending = false;
    std::string refusal;
};

Sharing& sharing() {
    static Sharing s;
    return s;
}

std::string fileName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

ClaimEntry* entryOfSlot(size_t slotIndex) {
    const std::optional<std::string> path = backingPathOf(state().slots[slotIndex].driveId);
    struct stat info {};
    if (!path || ::stat(path->c_str(), &info) != 0) return nullptr;
    Sharing& s = sharing();
    for (const std::unique_ptr<ClaimEntry>& entry : s.entries) {
        if (entry->claim->isStore(info)) return entry.get();
    }
    std::unique_ptr<DriveClaim> claim = DriveClaim::open(*path);
    if (!claim) return nullptr;
    s.entries.push_back(std::make_unique<ClaimEntry>());
    ClaimEntry* entry = s.entries.back().get();
    entry->id = s.nextId++;
    entry->claim = std::move(claim);
    return entry;
}

bool lockWithin(ClaimEntry& entry, ClaimPurpose purpose, uint32_t waitMilliseconds) {
    using Clock = std::chrono::steady_clock;
    const bool refusedLately = Clock::now() - entry.refusedAt < kRefusalRemembered;
    const Clock::time_point deadline =
        Clock::now() + std::chrono::milliseconds(refusedLately ? 0 : waitMilliseconds);
    auto pause = std::chrono::milliseconds(1);
    while (!entry.claim->tryLock()) {
        if (Clock::now() >= deadline) {
            entry.refusedAt = Clock::now();
            return false;
        }
        std::this_thread::sleep_for(std::min<Clock::duration>(pause, deadline - Clock::now()));
        pause = std::min(pause * 2, std::chrono::milliseconds(25));
    }
    entry.locked = true;
    entry.changeCounted = false;
    entry.claim->noteHolder(purpose);
    return true;
}

void unlock(ClaimEntry& entry) {
    entry.claim->unlock();
    entry.locked = false;
}

bool refuse(const ClaimEntry& entry, size_t slotIndex) {
    const ClaimHolder holder = entry.claim->holder();
    std::string text = "drive " + std::to_string(state().slots[slotIndex].driveIndex + 1) + " (" +
                       fileName(entry.claim->path()) + ") ";
    if (holder.pid == 0) {
        text += "is in use by another program";
    } else {
        text += holder.purpose == ClaimPurpose::Read ? "is being read by " : "is being changed by ";
        text += (holder.program.empty() ? "another program" : holder.program) + " (pid " +
                std::to_string(holder.pid) + ")";
    }
    sharing().refusal = text + "; try again when it has finished";
    return fail(VXF_ERR_DRIVE_LOCKED);
}

// Under the lock: what is loaded of the drive was read at the count now
// recorded, or it is forgotten. An unknown count always forgets.
void noticeForeignChange(const ClaimEntry& entry, uint32_t driveId) {
    Sharing& s = sharing();
    const std::optional<uint64_t> count = entry.claim->changeCount();
    const bool sameView = s.loadedEntry == entry.id && count && s.loadedCount == count;
    if (!sameView && state().currentDriveId == driveId) {
        forgetCurrentDrive();
        s.refreshPending = true;
    }
    s.loadedEntry = entry.id;
    s.loadedCount = count;
}

}  // namespace

bool claimForExport(size_t slotIndex, ClaimPurpose purpose) {
    Sharing& s = sharing();
    s.refusal.clear();
    s.exportEntry = entryOfSlot(slotIndex);
    s.exportTookLock = false;
    if (s.exportEntry == nullptr || s.exportEntry->locked) return true;
    if (!lockWithin(*s.exportEntry, purpose, kExportWaitMilliseconds)) {
        const ClaimEntry& refusedBy = *s.exportEntry;
        s.exportEntry = nullptr;
        return refuse(refusedBy, slotIndex);
    }
    s.exportTookLock = true;
    noticeForeignChange(*s.exportEntry, state().slots[slotIndex].driveId);
    return true;
}

void endExportClaim() {
    Sharing& s = sharing();
    if (s.exportEntry != nullptr && s.exportTookLock && s.exportEntry->holdingSlots == 0) unlock(*s.exportEntry);
    s.exportEntry = nullptr;
    s.exportTookLock = false;
    s.refreshPending = false;
}

bool holdDrive(size_t slotIndex, ClaimPurpose purpose, uint32_t waitMilliseconds) {
    sharing().refusal.clear();
    ClaimEntry* entry = entryOfSlot(slotIndex);
    if (entry == nullptr) return true;
    if (!entry->locked) {
        if (!lockWithin(*entry, purpose, waitMilliseconds)) return refuse(*entry, slotIndex);
        noticeForeignChange(*entry, state().slots[slotIndex].driveId);
    } else {
        entry->claim->noteHolder(purpose);
    }
    entry->holdingSlots |= 1u << slotIndex;
    return true;
}

bool releaseHeldDrive(size_t slotIndex) {
    for (const std::unique_ptr<ClaimEntry>& entry : sharing().entries) {
        if ((entry->holdingSlots & (1u << slotIndex)) == 0) continue;
        entry->holdingSlots &= ~(1u << slotIndex);
        if (entry->holdingSlots == 0 && entry.get() != sharing().exportEntry) unlock(*entry);
    }
    return true;
}

void forgetSlotClaims(size_t slotIndex) {
    releaseHeldDrive(slotIndex);
    Sharing& s = sharing();
    std::erase_if(s.entries, [&](const std::unique_ptr<ClaimEntry>& entry) {
        return !entry->locked && entry.get() != s.exportEntry;
    });
}

bool exportDriveIsHeld() {
    const ClaimEntry* entry = sharing().exportEntry;
    return entry != nullptr && entry->locked && entry->holdingSlots != 0;
}

// Between exports (a release writing what its hold left waiting) the
// current drive's entry is the one a slot of that drive holds.
ClaimEntry* heldEntryOfCurrentDrive() {
    for (const std::unique_ptr<ClaimEntry>& entry : sharing().entries) {
        for (size_t i = 0; i < kDriveSlots; ++i) {
            const DriveSlot& slot = state().slots[i];
            if ((entry->holdingSlots & (1u << i)) != 0 && slot.inUse != 0 && slot.driveId == state().currentDriveId) {
                return entry.get();
            }
        }
    }
    return nullptr;
}

void noteDriveWrite() {
    Sharing& s = sharing();
    ClaimEntry* entry = s.exportEntry != nullptr ? s.exportEntry : heldEntryOfCurrentDrive();
    if (entry == nullptr || !entry->locked || entry->changeCounted) return;
    entry->claim->countChange();
    entry->changeCounted = true;
    if (s.loadedEntry == entry->id) s.loadedCount = entry->claim->changeCount();
}

uint32_t recordReleases(DriveClaim::Slot kind, uint32_t index) {
    const ClaimEntry* entry = sharing().exportEntry;
    return entry != nullptr && entry->locked ? entry->claim->releases(kind, index) : 0;
}

void noteRecordReleased(DriveClaim::Slot kind, uint32_t index) {
    ClaimEntry* entry = sharing().exportEntry;
    if (entry != nullptr && entry->locked) entry->claim->countRelease(kind, index);
}

bool takeRefreshAfterForeignChange() { return std::exchange(sharing().refreshPending, false); }

bool driveChangeState(size_t slotIndex, uint64_t& count, bool& busy) {
    count = 0;
    busy = false;
    ClaimEntry* entry = entryOfSlot(slotIndex);
    if (entry == nullptr) return fail(VXF_ERR_NO_COMMUNICATION);
    count = entry->claim->changeCount().value_or(0);
    busy = !entry->locked && entry->claim->lockedElsewhere();
    return true;
}

const std::string& lastRefusalText() { return sharing().refusal; }

void forgetAllClaims() {
    Sharing& s = sharing();
    s.entries.clear();
    s.exportEntry = nullptr;
    s.exportTookLock = false;
    s.loadedEntry = 0;
    s.loadedCount.reset();
    s.refreshPending = false;
    s.refusal.clear();
}

}  // namespace vxfserver
