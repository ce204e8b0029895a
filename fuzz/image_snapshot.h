// image_snapshot.h - the bytes of a sparse drive image kept in memory, to put the image back as it was.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vxf::fuzz {

// Only the pages that hold something other than zeros are kept, so a
// formatted drive of hundreds of megabytes costs a few hundred kilobytes.
class ImageSnapshot {
public:
    // Reads the image; false when it cannot be read.
    bool capture(const std::string& path);
    // Empties the image to its former length and writes the kept pages back:
    // everything written since the capture is gone. False on an I/O error.
    bool restore(const std::string& path) const;

    uint64_t length() const { return length_; }
    // The kept bytes at `offset` (zeros where nothing was kept).
    void read(uint64_t offset, uint8_t* out, size_t size) const;

private:
    struct Extent {
        uint64_t offset;
        std::vector<uint8_t> bytes;
    };
    uint64_t length_ = 0;
    std::vector<Extent> extents_;
};

}  // namespace vxf::fuzz
