// sha256_tap.cpp - SHA-256 of a file taken as it is written, and of files and texts already there.
#include "sha256_tap.h"

#include <openssl/evp.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace vxf::transfer {

namespace {

// Every header of the four formats lies well within this; rewrites beyond it break the stream.
constexpr size_t kHeadBytes = 64 * 1024;
constexpr size_t kReadChunk = 1 << 20;
// What may wait for the hashing thread before a write waits for it in turn.
constexpr size_t kMaxWaitingBytes = 16 << 20;
constexpr size_t kMaxSpareCopies = 4;

std::string hexOf(const unsigned char* digest, unsigned length) {
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned i = 0; i < length; ++i) {
        hex += kDigits[digest[i] >> 4];
        hex += kDigits[digest[i] & 15];
    }
    return hex;
}

}  // namespace

struct Sha256Tap::Context {
    EVP_MD_CTX* md = EVP_MD_CTX_new();
    ~Context() { EVP_MD_CTX_free(md); }
};

Sha256Tap::Sha256Tap() : context_(std::make_unique<Context>()) {
    broken_ = context_->md == nullptr || EVP_DigestInit_ex(context_->md, EVP_sha256(), nullptr) != 1;
    worker_ = std::thread([this] { hashInOrder(); });
}

Sha256Tap::~Sha256Tap() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ending_ = true;
    }
    changed_.notify_all();
    worker_.join();
}

void Sha256Tap::hashInOrder() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (true) {
        changed_.wait(lock, [this] { return ending_ || !waiting_.empty(); });
        if (waiting_.empty()) return;
        std::vector<uint8_t> block = std::move(waiting_.front());
        waiting_.pop_front();
        busy_ = true;
        lock.unlock();
        const bool ok = EVP_DigestUpdate(context_->md, block.data(), block.size()) == 1;
        lock.lock();
        busy_ = false;
        waitingBytes_ -= block.size();
        if (spare_.size() < kMaxSpareCopies) spare_.push_back(std::move(block));
        updateFailed_ = updateFailed_ || !ok;
        changed_.notify_all();
    }
}

void Sha256Tap::drain() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return waiting_.empty() && !busy_; });
}

void Sha256Tap::wrote(uint64_t offset, const void* data, size_t count) {
    if (broken_ || count == 0) return;
    const auto* bytes = static_cast<const uint8_t*>(data);
    if (offset < next_) {
        // A header may pass through other bytes while it is finished; only where it ends counts.
        if (offset + count > next_ || offset + count > head_.size()) {
            broken_ = true;
        } else {
            std::memcpy(current_.data() + offset, bytes, count);
        }
        return;
    }
    if (offset > next_) {
        broken_ = true;
        return;
    }
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return waitingBytes_ < kMaxWaitingBytes; });
        // Memory the copies had before: new pages would cost a fault each.
        std::vector<uint8_t> copy;
        if (!spare_.empty()) {
            copy = std::move(spare_.back());
            spare_.pop_back();
        }
        copy.assign(bytes, bytes + count);
        waiting_.push_back(std::move(copy));
        waitingBytes_ += count;
    }
    changed_.notify_all();
    if (head_.size() < kHeadBytes) {
        head_.insert(head_.end(), bytes, bytes + std::min(count, kHeadBytes - head_.size()));
        current_.resize(head_.size());
        std::memcpy(current_.data() + next_, bytes, head_.size() - next_);
    }
    next_ += count;
}

std::optional<std::string> Sha256Tap::hexDigest() {
    drain();
    if (broken_ || updateFailed_ || current_ != head_) return std::nullopt;
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned length = 0;
    if (EVP_DigestFinal_ex(context_->md, digest, &length) != 1) return std::nullopt;
    broken_ = true;  // a context gives its digest once
    return hexOf(digest, length);
}

std::optional<std::string> sha256OfFile(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return std::nullopt;
    Sha256Tap tap;
    std::vector<uint8_t> chunk(kReadChunk);
    bool ok = true;
    while (true) {
        const size_t got = std::fread(chunk.data(), 1, chunk.size(), file);
        if (got > 0) tap.wrote(tap.bytes(), chunk.data(), got);
        if (got < chunk.size()) {
            ok = !std::ferror(file);
            break;
        }
    }
    std::fclose(file);
    if (!ok) return std::nullopt;
    return tap.hexDigest();
}

std::string sha256OfText(const std::string& text) {
    Sha256Tap tap;
    tap.wrote(0, text.data(), text.size());
    return tap.hexDigest().value_or("");
}

}  // namespace vxf::transfer
