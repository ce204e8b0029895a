// drive_claim.cpp - one program's claim on a drive's backing store, against every other program: lock, change count, holder.
#include "core/drive_claim.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "disk_enumeration.h"

namespace vxfserver {

namespace {

// The shared record, little-endian as this machine writes it: it never
// leaves the machine and lives only until the next boot.
constexpr uint32_t kRecordMagic = 0x43465856;  // "VXFC"
constexpr uint32_t kRecordVersion = 1;
constexpr off_t kOffMagic = 0;
constexpr off_t kOffCount = 8;
constexpr off_t kOffHolder = 16;
constexpr size_t kProgramChars = 16;
// Release counts: one word per project slot, then one per song slot.
constexpr off_t kOffReleases = 64;
constexpr uint32_t kProjectSlots = 128;
constexpr uint32_t kSongSlots = 12288;

// Written whole by the holder after it took the lock; its pid is cleared before it lets go.
struct HolderRecord {
    int32_t pid;
    uint32_t purpose;
    char program[kProgramChars];
};
static_assert(sizeof(HolderRecord) == 24);

template <class Value>
bool readValue(int fd, off_t offset, Value& value) {
    return fd >= 0 && ::pread(fd, &value, sizeof value, offset) == ssize_t(sizeof value);
}

template <class Value>
void writeValue(int fd, off_t offset, const Value& value) {
    if (fd >= 0 && ::pwrite(fd, &value, sizeof value, offset) != ssize_t(sizeof value)) {
        // A record that cannot be written is a record nobody can trust: it reads as unknown from now on.
        const uint32_t spoiled = 0;
        (void)!::pwrite(fd, &spoiled, sizeof spoiled, kOffMagic);
    }
}

// One name per store, whatever path leads to it.
std::string recordName(const struct stat& info) {
    char name[96];
    if (S_ISBLK(info.st_mode)) {
        std::snprintf(name, sizeof name, "/vxf-drive-dev-%llx", static_cast<unsigned long long>(info.st_rdev));
    } else {
        std::snprintf(name, sizeof name, "/vxf-drive-%llx-%llx", static_cast<unsigned long long>(info.st_dev),
                      static_cast<unsigned long long>(info.st_ino));
    }
    return name;
}

// Every user who may write the drive must be able to count a change, or the
// others would go on from an old view: the record is open to all.
int openRecord(const struct stat& info) {
    const std::string name = recordName(info);
    int fd = ::shm_open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0) return -1;
    struct stat record {};
    if (::fstat(fd, &record) != 0 || !S_ISREG(record.st_mode)) {
        ::close(fd);
        return -1;
    }
    if (record.st_uid == ::geteuid()) (void)::fchmod(fd, 0666);
    uint32_t magic = 0;
    if (!readValue(fd, kOffMagic, magic)) {
        // New: the first program to see it marks it. A race of two writes the same bytes.
        const uint32_t header[2] = {kRecordMagic, kRecordVersion};
        if (::pwrite(fd, header, sizeof header, kOffMagic) != ssize_t(sizeof header)) {
            ::close(fd);
            return -1;
        }
    }
    return fd;
}

int openStore(const std::string& path, bool& writable) {
    // No O_EXCL on a block device: the drive layer holds it exclusively, and this is only for the lock.
    const int flags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    writable = true;
    int fd = ::open(path.c_str(), O_RDWR | flags);
    if (fd < 0 && (errno == EACCES || errno == EPERM || errno == EROFS)) {
        writable = false;
        fd = ::open(path.c_str(), O_RDONLY | flags);
    }
    return fd;
}

std::string printable(const char* text, size_t length) {
    std::string out;
    for (size_t i = 0; i < length && text[i] != '\0'; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        out += c >= 0x20 && c < 0x7F ? char(c) : '?';
    }
    return out;
}

}  // namespace

std::optional<std::string> backingPathOf(uint32_t driveId) {
    std::optional<vxf1394::diskenum::DriveEntry> entry = vxf1394::diskenum::recorderDriveAt(driveId & 0xFFu);
    // A drive the drive layer keeps in memory has no file another program could share.
    if (!entry || entry->path.empty()) return std::nullopt;
    return entry->path;
}

void DriveClaim::removeSharedRecord(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) ::shm_unlink(recordName(info).c_str());
}

std::unique_ptr<DriveClaim> DriveClaim::open(const std::string& path) {
    bool writable = false;
    const int fd = openStore(path, writable);
    if (fd < 0) return nullptr;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || (!S_ISREG(info.st_mode) && !S_ISBLK(info.st_mode))) {
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<DriveClaim>(new DriveClaim(path, fd, writable, info, openRecord(info)));
}

DriveClaim::DriveClaim(std::string path, int storeFd, bool writable, const struct stat& info, int recordFd)
    : path_(std::move(path)), storeFd_(storeFd), writable_(writable), device_(info.st_dev), inode_(info.st_ino),
      rdev_(S_ISBLK(info.st_mode) ? info.st_rdev : 0), recordFd_(recordFd) {}

DriveClaim::~DriveClaim() {
    if (recordFd_ >= 0) ::close(recordFd_);
    // Closing the store's descriptor releases its lock.
    ::close(storeFd_);
}

bool DriveClaim::isStore(const struct stat& info) const {
    if (S_ISBLK(info.st_mode)) return rdev_ != 0 && info.st_rdev == rdev_;
    return rdev_ == 0 && info.st_dev == device_ && info.st_ino == inode_;
}

bool DriveClaim::tryLock() {
    struct flock lock {};
    lock.l_type = writable_ ? F_WRLCK : F_RDLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 0;
    for (;;) {
        if (::fcntl(storeFd_, F_OFD_SETLK, &lock) == 0) return true;
        if (errno != EINTR) return false;
    }
}

void DriveClaim::unlock() {
    writeValue(recordFd_, kOffHolder, int32_t(0));
    struct flock lock {};
    lock.l_type = F_UNLCK;
    lock.l_whence = SEEK_SET;
    (void)::fcntl(storeFd_, F_OFD_SETLK, &lock);
}

bool DriveClaim::lockedElsewhere() const {
    struct flock lock {};
    lock.l_type = writable_ ? F_WRLCK : F_RDLCK;
    lock.l_whence = SEEK_SET;
    return ::fcntl(storeFd_, F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
}

std::optional<uint64_t> DriveClaim::changeCount() const {
    struct {
        uint32_t magic;
        uint32_t version;
        uint64_t count;
    } head{};
    if (recordFd_ < 0) return std::nullopt;
    // A record not counted into yet ends after its magic and version: no change so far.
    const ssize_t got = ::pread(recordFd_, &head, sizeof head, kOffMagic);
    if (got < 8 || head.magic != kRecordMagic || head.version != kRecordVersion) return std::nullopt;
    return got == ssize_t(sizeof head) ? head.count : 0;
}

void DriveClaim::countChange() {
    std::optional<uint64_t> count = changeCount();
    if (count) writeValue(recordFd_, kOffCount, *count + 1);
}

namespace {

// Where a slot's release count lies; -1 for an index past the table.
off_t releaseOffset(DriveClaim::Slot kind, uint32_t index) {
    if (kind == DriveClaim::Slot::Project) return index < kProjectSlots ? kOffReleases + off_t(index) * 4 : -1;
    return index < kSongSlots ? kOffReleases + off_t(kProjectSlots + index) * 4 : -1;
}

}  // namespace

uint32_t DriveClaim::releases(Slot kind, uint32_t index) const {
    const off_t at = releaseOffset(kind, index);
    uint32_t count = 0;
    // Only compared with an earlier reading: a record that holds garbage forgets, never keeps.
    if (at < 0 || !readValue(recordFd_, at, count)) return 0;
    return count;
}

void DriveClaim::countRelease(Slot kind, uint32_t index) {
    const off_t at = releaseOffset(kind, index);
    if (at >= 0 && changeCount()) writeValue(recordFd_, at, releases(kind, index) + 1);
}

void DriveClaim::noteHolder(ClaimPurpose purpose) {
    HolderRecord record{int32_t(::getpid()), uint32_t(purpose), {}};
    std::strncpy(record.program, program_invocation_short_name, sizeof record.program - 1);
    writeValue(recordFd_, kOffHolder, record);
}

ClaimHolder DriveClaim::holder() const {
    ClaimHolder holder;
    HolderRecord record{};
    if (!readValue(recordFd_, kOffHolder, record)) return holder;
    // The record may be older than the lock (a program that could not write it): name only a living one.
    if (record.pid <= 0 || (::kill(record.pid, 0) != 0 && errno != EPERM)) return holder;
    holder.pid = record.pid;
    holder.purpose = record.purpose == uint32_t(ClaimPurpose::Read) ? ClaimPurpose::Read : ClaimPurpose::Change;
    holder.program = printable(record.program, sizeof record.program);
    return holder;
}

}  // namespace vxfserver
