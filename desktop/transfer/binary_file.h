// binary_file.h - a seekable file with 64-bit positions and buffered reads and writes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace vxf::transfer {

class BinaryFile {
public:
    BinaryFile() = default;
    ~BinaryFile();
    BinaryFile(const BinaryFile&) = delete;
    BinaryFile& operator=(const BinaryFile&) = delete;

    bool openForReading(const std::string& path);
    // Creates the file or empties an existing one; it can be read back as well as written.
    bool createForWriting(const std::string& path);
    // Gives false when buffered data could not be written out.
    bool close();
    bool isOpen() const { return file_ != nullptr; }

    bool seek(uint64_t offset);
    uint64_t position() const;
    // Current length, including data still waiting in the buffer.
    uint64_t length();

    // Reads up to `count` bytes; fewer at the end of the file. `ok` turns false on an I/O error.
    size_t read(void* buffer, size_t count, bool& ok);
    // True only when all `count` bytes were there.
    bool readExact(void* buffer, size_t count);
    bool write(const void* buffer, size_t count);

private:
    std::FILE* file_ = nullptr;
};

}  // namespace vxf::transfer
