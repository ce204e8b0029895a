// binary_file.cpp - a seekable file with 64-bit positions and buffered reads and writes.
#include "binary_file.h"

#include <sys/stat.h>

namespace vxf::transfer {

namespace {
// Large transfers bypass this buffer; it only gathers the small header reads and writes.
constexpr size_t kBufferSize = 64 * 1024;
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
    file_ = std::fopen(path.c_str(), "w+b");
    if (file_) std::setvbuf(file_, nullptr, _IOFBF, kBufferSize);
    return file_ != nullptr;
}

bool BinaryFile::close() {
    if (!file_) return true;
    bool ok = std::fclose(file_) == 0;
    file_ = nullptr;
    return ok;
}

bool BinaryFile::seek(uint64_t offset) {
    if (!file_ || offset > static_cast<uint64_t>(INT64_MAX)) return false;
    return fseeko(file_, static_cast<off_t>(offset), SEEK_SET) == 0;
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
    return count == 0 || std::fwrite(buffer, 1, count, file_) == count;
}

}  // namespace vxf::transfer
