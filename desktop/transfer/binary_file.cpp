// binary_file.cpp - a seekable file with 64-bit positions and buffered reads and writes.
#include "binary_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <random>

namespace vxf::transfer {

namespace {
// Large transfers bypass this buffer; it only gathers the small header reads and writes.
constexpr size_t kBufferSize = 64 * 1024;
// Narrowed by the umask, as for any file a program creates.
constexpr mode_t kNewFileMode = 0666;

// A hidden file of a unique name in the folder of `path` (".NAME.XXXXXX"): the rename that
// puts it in place never crosses file systems. Made with open rather than mkostemp, so that
// it gets the mode a new file would (the umask applied by the system, never read here).
int createBeside(const std::string& path, std::string& created) {
    const size_t nameStart = path.rfind('/') + 1;  // 0 without a folder
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device seed;
    std::mt19937 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string suffix(6, 'x');
        for (char& c : suffix) c = kLetters[random() % (sizeof kLetters - 1)];
        created = path.substr(0, nameStart) + "." + path.substr(nameStart) + "." + suffix;
        const int descriptor =
            ::open(created.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kNewFileMode);
        if (descriptor >= 0 || errno != EEXIST) {
            if (descriptor < 0) created.clear();
            return descriptor;
        }
    }
    created.clear();
    return -1;
}
}  // namespace

BinaryFile::~BinaryFile() { close(); }

bool BinaryFile::openForReading(const std::string& path) {
    close();
    file_ = std::fopen(path.c_str(), "rb");
    if (file_) std::setvbuf(file_, nullptr, _IOFBF, kBufferSize);
    return file_ != nullptr;
}

bool BinaryFile::createForWriting(const std::string& path) {
    close();
    struct stat there {};
    const bool exists = ::lstat(path.c_str(), &there) == 0;
    if (exists && S_ISREG(there.st_mode)) {
        target_ = path;
        return adopt(createBeside(path, replacement_));
    }
    // Nothing there: O_EXCL keeps a file or link made meanwhile from being written through. A
    // device is written in place; a link or folder fails the open.
    const int flags = O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | (exists ? O_TRUNC : O_EXCL);
    return adopt(::open(path.c_str(), flags, kNewFileMode));
}

bool BinaryFile::adopt(int descriptor) {
    if (descriptor >= 0) file_ = ::fdopen(descriptor, "w+b");
    if (!file_) {
        if (descriptor >= 0) ::close(descriptor);
        removeReplacement();
        return false;
    }
    std::setvbuf(file_, nullptr, _IOFBF, kBufferSize);
    return true;
}

void BinaryFile::removeReplacement() {
    if (!replacement_.empty()) ::unlink(replacement_.c_str());
    replacement_.clear();
}

bool BinaryFile::close() {
    if (!file_) return true;
    bool ok = std::fclose(file_) == 0;
    file_ = nullptr;
    removeReplacement();
    return ok;
}

bool BinaryFile::commit() {
    if (!file_) return false;
    // A replacement is on disk before its name is: a crash then leaves the old file or the new
    // one, never a short one.
    bool ok = std::fflush(file_) == 0 && (!isReplacement() || ::fsync(fileno(file_)) == 0);
    ok = std::fclose(file_) == 0 && ok;
    file_ = nullptr;
    if (ok && isReplacement()) ok = ::rename(replacement_.c_str(), target_.c_str()) == 0;
    if (ok) replacement_.clear();  // renamed, it is the file itself now
    removeReplacement();
    return ok;
}

bool BinaryFile::seek(uint64_t offset) {
    if (!file_ || offset > static_cast<uint64_t>(INT64_MAX)) return false;
    return fseeko(file_, static_cast<off_t>(offset), SEEK_SET) == 0;
}

bool BinaryFile::truncate(uint64_t length) {
    if (!file_ || length > static_cast<uint64_t>(INT64_MAX) || std::fflush(file_) != 0) return false;
    return ::ftruncate(fileno(file_), static_cast<off_t>(length)) == 0;
}

uint64_t BinaryFile::position() const {
    if (!file_) return 0;
    off_t at = ftello(file_);
    return at < 0 ? 0 : static_cast<uint64_t>(at);
}

uint64_t BinaryFile::length() {
    if (!file_ || std::fflush(file_) != 0) return 0;
    struct stat info {};
    if (fstat(fileno(file_), &info) != 0 || info.st_size < 0) return 0;
    return static_cast<uint64_t>(info.st_size);
}

size_t BinaryFile::read(void* buffer, size_t count, bool& ok) {
    ok = file_ != nullptr;
    if (!ok || count == 0) return 0;
    size_t got = std::fread(buffer, 1, count, file_);
    if (got < count && std::ferror(file_)) {
        std::clearerr(file_);
        ok = false;
    }
    return got;
}

bool BinaryFile::readExact(void* buffer, size_t count) {
    bool ok = false;
    return read(buffer, count, ok) == count && ok;
}

bool BinaryFile::write(const void* buffer, size_t count) {
    if (!file_) return false;
    if (count == 0) return true;
    const uint64_t offset = tap_ ? position() : 0;
    if (std::fwrite(buffer, 1, count, file_) != count) return false;
    if (tap_) tap_->wrote(offset, buffer, count);
    if (writebackEvery_ != 0 && (notStarted_ += count) >= writebackEvery_) startWriteback();
    return true;
}

// Only a start: a failure here is met again, and reported, by the sync that follows.
void BinaryFile::startWriteback() {
    notStarted_ = 0;
    if (std::fflush(file_) == 0) (void)::sync_file_range(fileno(file_), 0, 0, SYNC_FILE_RANGE_WRITE);
}

}  // namespace vxf::transfer
