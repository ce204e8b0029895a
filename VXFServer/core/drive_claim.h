// drive_claim.h - one program's claim on a drive's backing store, against every other program: lock, change count, holder.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace vxfserver {

// What a program does with a drive it holds, for the message another one gets.
enum class ClaimPurpose : uint32_t { Read = 0, Change = 1 };

struct ClaimHolder {
    int32_t pid = 0;  // 0: unknown
    ClaimPurpose purpose = ClaimPurpose::Change;
    std::string program;
};

// The image file or block device of the drive with this id, as the drive
// layer finds it in the enumeration now; none when the id names no drive.
std::optional<std::string> backingPathOf(uint32_t driveId);

// Programs of the toolkit take turns on a drive through the kernel's
// open-file-description lock on its backing store: a crashed program's lock
// goes with it, unlike a lock file. Beside the lock, a small shared record
// (in /dev/shm, named after the store) counts the changes made to the drive,
// so that a program holding an old view of it notices before it writes, and
// names the program that holds the lock now.
class DriveClaim {
public:
    // Removes the shared record of the store at `path`: for a store that goes
    // for good (a test's image). Programs that still have it open keep it.
    static void removeSharedRecord(const std::string& path);

    // Opens the store (read-write where allowed) and its shared record.
    // Null when the store cannot be opened.
    static std::unique_ptr<DriveClaim> open(const std::string& path);
    DriveClaim(const DriveClaim&) = delete;
    DriveClaim& operator=(const DriveClaim&) = delete;
    ~DriveClaim();

    // The store, by identity: two paths to one file are one drive.
    bool isStore(const struct stat& info) const;
    const std::string& path() const { return path_; }

    // Exclusive: even a listing writes the volume's bookkeeping. A store
    // opened for reading only takes a shared lock (it writes nothing).
    bool tryLock();
    void unlock();
    // Whether another program holds the lock now (this one not holding it).
    bool lockedElsewhere() const;

    // Changes counted so far by every program; none when the shared record
    // is out of reach (then every claim must assume a change).
    std::optional<uint64_t> changeCount() const;
    // Counts one change; only while locked.
    void countChange();

    // How often a project or song record slot was given up (a project or
    // song deleted) since the machine started: a handle that remembers a
    // record tells a new song in the old one's slot from the old one. 0 when
    // the shared record is out of reach.
    enum class Slot : uint32_t { Project = 0, Song = 1 };
    uint32_t releases(Slot kind, uint32_t index) const;
    // Counts one release; only while locked.
    void countRelease(Slot kind, uint32_t index);

    void noteHolder(ClaimPurpose purpose);
    ClaimHolder holder() const;

private:
    DriveClaim(std::string path, int storeFd, bool writable, const struct stat& info, int recordFd);
    std::string path_;
    int storeFd_ = -1;
    bool writable_ = false;
    dev_t device_ = 0;
    ino_t inode_ = 0;
    dev_t rdev_ = 0;
    int recordFd_ = -1;
};

}  // namespace vxfserver
