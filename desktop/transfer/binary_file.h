// binary_file.h - a seekable file with 64-bit positions and buffered reads and writes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "write_tap.h"

namespace vxf::transfer {

class BinaryFile {
public:
    BinaryFile() = default;
    ~BinaryFile();
    BinaryFile(const BinaryFile&) = delete;
    BinaryFile& operator=(const BinaryFile&) = delete;

    bool openForReading(const std::string& path);
    // Creates the file; it can be read back as well as written. A symbolic link there is never
    // followed: the creation fails. An existing regular file stays untouched until commit(): the
    // data goes to a hidden file beside it, which then takes its place.
    bool createForWriting(const std::string& path);
    // Gives false when buffered data could not be written out. A replacement not committed is
    // removed, and the file it was meant to replace stays as it was.
    bool close();
    // Closes a created file; a replacement, once on disk, takes the old file's place. Gives false
    // on any failure, and a replacement is then removed.
    bool commit();
    bool isOpen() const { return file_ != nullptr; }
    // The created file replaces an existing one (until close or commit).
    bool isReplacement() const { return !replacement_.empty(); }

    bool seek(uint64_t offset);
    // Cuts the file (or lengthens it with zeros) to `length` bytes; the position stays.
    bool truncate(uint64_t length);
    uint64_t position() const;
    // Current length, including data still waiting in the buffer.
    uint64_t length();

    // Reads up to `count` bytes; fewer at the end of the file. `ok` turns false on an I/O error.
    size_t read(void* buffer, size_t count, bool& ok);
    // True only when all `count` bytes were there.
    bool readExact(void* buffer, size_t count);
    bool write(const void* buffer, size_t count);
    // Every later write is told to `tap` (none: nobody) until another is set.
    void setTap(WriteTap* tap) { tap_ = tap; }
    // Each `bytes` written (0: never), the data is started on its way to the disk without waiting
    // for it: a caller that syncs the file in the end then waits for little.
    void startWritebackEvery(uint64_t bytes) {
        writebackEvery_ = bytes;
        notStarted_ = 0;
    }

private:
    bool adopt(int descriptor);
    void removeReplacement();
    void startWriteback();

    std::FILE* file_ = nullptr;
    WriteTap* tap_ = nullptr;
    uint64_t writebackEvery_ = 0;
    uint64_t notStarted_ = 0;  // bytes written since the writeback was last started
    std::string target_;       // the path a replacement is renamed to
    std::string replacement_;  // the hidden file while it is written
};

}  // namespace vxf::transfer
