// faults.cpp - injected drive faults: the "<backing path>.faults" sidecar and faults set by tests.
#include "platform/faults.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <sstream>

#include "platform/file_signature.h"
#include "platform/path_watch.h"

namespace vxf1394::platform {

namespace {

bool touches(const std::vector<LbaRange>& ranges, uint64_t lba, uint64_t count) {
    if (count == 0) return false;
    uint64_t end = lba + (count - 1);
    if (end < lba) end = UINT64_MAX;
    for (const LbaRange& r : ranges) {
        if (lba <= r.last && r.first <= end) return true;
    }
    return false;
}

// A whole number in C notation (decimal, 0x hex), no sign: an LBA or a rate.
std::optional<uint64_t> parseNumber(const std::string& word) {
    if (word.empty() || word.front() == '-' || word.front() == '+') return std::nullopt;
    try {
        size_t used = 0;
        unsigned long long v = std::stoull(word, &used, 0);
        if (used != word.size()) return std::nullopt;
        return static_cast<uint64_t>(v);
    } catch (...) {
        return std::nullopt;
    }
}

std::optional<LbaRange> parseRange(std::istringstream& words) {
    std::string first, last, extra;
    words >> first >> last >> extra;
    if (!extra.empty()) return std::nullopt;
    auto a = parseNumber(first);
    auto b = last.empty() ? a : parseNumber(last);
    if (!a || !b || *a > *b) return std::nullopt;
    return LbaRange{*a, *b};
}

// Whole megabytes a second, from 1 to a million; anything else is no line at all.
void applyReadRate(FaultSet& faults, std::istringstream& words) {
    constexpr uint64_t kFastestRate = 1000000;
    std::string rate, extra;
    words >> rate >> extra;
    if (!extra.empty()) return;
    const std::optional<uint64_t> value = parseNumber(rate);
    if (value && *value >= 1 && *value <= kFastestRate) faults.readMegabytesPerSecond = uint32_t(*value);
}

void applyLine(FaultSet& faults, const std::string& line) {
    std::istringstream words(line);
    std::string kind;
    words >> kind;
    std::vector<LbaRange>* ranges = kind == "read-error"    ? &faults.readErrors
                                    : kind == "write-error" ? &faults.writeErrors
                                    : kind == "slow-read"   ? &faults.slowReads
                                                            : nullptr;
    if (ranges) {
        if (auto range = parseRange(words)) ranges->push_back(*range);
        return;
    }
    if (kind == "read-rate") {
        applyReadRate(faults, words);
        return;
    }
    std::string extra;
    words >> extra;
    if (!extra.empty()) return;
    if (kind == "no-capacity") faults.noCapacity = true;
    if (kind == "no-identify") faults.noIdentify = true;
    if (kind == "unmount-error") faults.unmountError = true;
    if (kind == "flush-error") faults.flushError = true;
}

struct CachedSidecar {
    FileSnapshot snapshot;
    FaultSet faults;
};

// Never destroyed: requests may still arrive while the process exits.
struct FaultState {
    std::mutex mutex;
    std::map<std::string, CachedSidecar> sidecars;
    std::map<std::string, FaultSet> testFaults;
};

FaultState& faultState() {
    static FaultState* state = new FaultState;
    return *state;
}

std::string canonical(const std::string& path) {
    std::error_code ec;
    std::filesystem::path p = std::filesystem::weakly_canonical(path, ec);
    return ec ? path : p.string();
}

FaultSet readSidecar(const std::string& sidecarPath) {
    int fd = ::open(sidecarPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return {};
    std::string text(kMaxFaultFileBytes, '\0');
    size_t used = 0;
    while (used < text.size()) {
        ssize_t n = ::read(fd, text.data() + used, text.size() - used);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        used += static_cast<size_t>(n);
    }
    ::close(fd);
    text.resize(used);
    return parseFaultFile(text);
}

FaultSet sidecarFaults(const std::string& backingPath) {
    std::string sidecarPath = backingPath + std::string(kFaultFileSuffix);
    FaultState& state = faultState();
    struct stat info {};
    if (::stat(sidecarPath.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        std::lock_guard<std::mutex> guard(state.mutex);
        state.sidecars.erase(sidecarPath);
        return {};
    }
    {
        std::lock_guard<std::mutex> guard(state.mutex);
        auto it = state.sidecars.find(sidecarPath);
        if (it != state.sidecars.end() && stillCurrent(it->second.snapshot, info)) return it->second.faults;
    }
    FileSnapshot snapshot{signatureOf(info), wallClockNs()};
    FaultSet faults = readSidecar(sidecarPath);
    struct stat after {};
    bool unchangedMeanwhile = ::stat(sidecarPath.c_str(), &after) == 0 && signatureOf(after) == snapshot.signature;
    std::lock_guard<std::mutex> guard(state.mutex);
    if (unchangedMeanwhile) {
        state.sidecars[sidecarPath] = CachedSidecar{snapshot, faults};
    } else {
        state.sidecars.erase(sidecarPath);
    }
    return faults;
}

}  // namespace

bool FaultSet::readFails(uint64_t lba, uint64_t count) const { return touches(readErrors, lba, count); }

bool FaultSet::writeFails(uint64_t lba, uint64_t count) const { return touches(writeErrors, lba, count); }

bool FaultSet::readIsSlow(uint64_t lba, uint64_t count) const { return touches(slowReads, lba, count); }

void FaultSet::add(const FaultSet& other) {
    readErrors.insert(readErrors.end(), other.readErrors.begin(), other.readErrors.end());
    writeErrors.insert(writeErrors.end(), other.writeErrors.begin(), other.writeErrors.end());
    slowReads.insert(slowReads.end(), other.slowReads.begin(), other.slowReads.end());
    noCapacity = noCapacity || other.noCapacity;
    noIdentify = noIdentify || other.noIdentify;
    unmountError = unmountError || other.unmountError;
    flushError = flushError || other.flushError;
    // Two speeds: the slower holds.
    if (other.readMegabytesPerSecond != 0 &&
        (readMegabytesPerSecond == 0 || other.readMegabytesPerSecond < readMegabytesPerSecond)) {
        readMegabytesPerSecond = other.readMegabytesPerSecond;
    }
}

bool FaultSet::empty() const {
    return readErrors.empty() && writeErrors.empty() && slowReads.empty() && !noCapacity && !noIdentify &&
           !unmountError && !flushError && readMegabytesPerSecond == 0;
}

FaultSet parseFaultFile(std::string_view text) {
    FaultSet faults;
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string line(text.substr(0, end));
        text = (end == std::string_view::npos) ? std::string_view() : text.substr(end + 1);
        if (size_t hash = line.find('#'); hash != std::string::npos) line.resize(hash);
        applyLine(faults, line);
    }
    return faults;
}

FaultSet faultsFor(const std::string& backingPath) {
    FaultSet faults = sidecarFaults(backingPath);
    FaultState& state = faultState();
    std::unique_lock<std::mutex> guard(state.mutex);
    if (state.testFaults.empty()) return faults;
    guard.unlock();
    std::string key = canonical(backingPath);
    guard.lock();
    if (auto it = state.testFaults.find(key); it != state.testFaults.end()) faults.add(it->second);
    return faults;
}

void setTestFaults(const std::string& backingPath, const FaultSet& faults) {
    // No file event tells of these: what requests kept is looked at again.
    noteLocalChange();
    std::string key = canonical(backingPath);
    FaultState& state = faultState();
    std::lock_guard<std::mutex> guard(state.mutex);
    state.testFaults[key] = faults;
}

void clearTestFaults(const std::string& backingPath) {
    // No file event tells of these: what requests kept is looked at again.
    noteLocalChange();
    std::string key = canonical(backingPath);
    FaultState& state = faultState();
    std::lock_guard<std::mutex> guard(state.mutex);
    state.testFaults.erase(key);
}

void clearAllTestFaults() {
    // No file event tells of these: what requests kept is looked at again.
    noteLocalChange();
    FaultState& state = faultState();
    std::lock_guard<std::mutex> guard(state.mutex);
    state.testFaults.clear();
    state.sidecars.clear();
}

}  // namespace vxf1394::platform
