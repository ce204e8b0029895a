// sha256_tap.h - SHA-256 of a file taken as it is written, and of files and texts already there.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <optional>
#include <string>
#include <vector>

#include "write_tap.h"

namespace vxf::transfer {

// Hashes the bytes in the order they reach the file. A file's header is finished last, in
// place; the early bytes are kept, as hashed and as rewritten since, so that the digest is
// given only when the finished header is what was hashed. A hole, a rewrite past the early
// bytes, or a header that ended otherwise leaves the digest unknown: the file has to be read.
// The hashing itself runs on a thread of the tap's own, beside the drive's reads and the file's
// writes: a copy of each write waits for it (a few blocks at the most), in memory used again.
class Sha256Tap : public WriteTap {
public:
    Sha256Tap();
    ~Sha256Tap() override;
    Sha256Tap(const Sha256Tap&) = delete;
    Sha256Tap& operator=(const Sha256Tap&) = delete;

    void wrote(uint64_t offset, const void* data, size_t count) override;
    // The hex digest of everything written, or none when the writes did not make one stream.
    std::optional<std::string> hexDigest();
    uint64_t bytes() const { return next_; }

private:
    struct Context;
    void hashInOrder();
    // Waits until the thread has hashed everything given to it.
    void drain();

    std::unique_ptr<Context> context_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::vector<uint8_t>> waiting_;
    std::vector<std::vector<uint8_t>> spare_;  // copies already hashed, kept to take the next writes
    size_t waitingBytes_ = 0;
    bool busy_ = false;
    bool ending_ = false;
    bool updateFailed_ = false;
    std::thread worker_;
    std::vector<uint8_t> head_;     // the first bytes, as hashed
    std::vector<uint8_t> current_;  // the same bytes as rewritten since
    uint64_t next_ = 0;
    bool broken_ = false;
};

// The hex SHA-256 of a file's contents; none when it cannot be read.
std::optional<std::string> sha256OfFile(const std::string& path);
std::string sha256OfText(const std::string& text);

}  // namespace vxf::transfer
