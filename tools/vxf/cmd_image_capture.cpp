// cmd_image_capture.cpp - vxf image capture: a drive copied sector for sector into a sparse image, bad sectors listed, resumable.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cli.h"
#include "drive_access_hint.h"
#include "i1394.h"
#include "progress_line.h"
#include "server_session.h"
#include "tavovxf.h"
#include "transfer_buffers.h"

namespace {

using namespace vxf::cli;


// Large requests, narrowed down where one fails, as the surface scan reads.
constexpr uint32_t kChunkSectors = 4096;
constexpr uint32_t kSubChunkSectors = 1024;
// What an interruption may cost: the copy is made safe on disk this often.
constexpr uint64_t kCheckpointSectors = 131072;
// Sectors numbered in 32 bits: the most a drive can show.
constexpr uint64_t kMaxSectors = uint64_t{1} << 32;
constexpr const char* kStateSuffix = ".capture";
constexpr const char* kBadSectorsSuffix = ".badsectors";

// The server's own sentence for a drive that does not answer.
#define VXF_CAPTURE_MESSAGE(name, code, text) \
    if ((code) == VXF_ERR_NO_COMMUNICATION) return text;
const char* noCommunicationMessage() {
    VXF_ERROR_TABLE(VXF_CAPTURE_MESSAGE)
    return "";
}
#undef VXF_CAPTURE_MESSAGE

volatile std::sig_atomic_t interruptRequested = 0;

void onInterrupt(int) { interruptRequested = 1; }

// Ctrl-C, a closed terminal or a polite kill end the copy at a safe point.
class InterruptGuard {
public:
    InterruptGuard() {
        interruptRequested = 0;
        struct sigaction action {};
        action.sa_handler = onInterrupt;
        sigemptyset(&action.sa_mask);
        for (size_t i = 0; i < kSignals.size(); ++i) ::sigaction(kSignals[i], &action, &saved_[i]);
    }
    ~InterruptGuard() {
        for (size_t i = 0; i < kSignals.size(); ++i) ::sigaction(kSignals[i], &saved_[i], nullptr);
    }
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

private:
    static constexpr std::array<int, 3> kSignals{SIGINT, SIGTERM, SIGHUP};
    std::array<struct sigaction, 3> saved_{};
};

void noDriveChanges() {}

struct CaptureDrive {
    int64_t number = 0;
    uint32_t id = 0;
    uint64_t sectors = 0;
    std::string name;  // vendor and product as the drive tells them
};

std::optional<CaptureDrive> findDrive(int64_t number) {
    i1394Init(noDriveChanges);  // the drive layer is normally running already; this makes sure
    DriveList list{};
    if (i1394GetDriveList(&list) != I1394_OK) {
        fail(std::string("the drives cannot be listed: ") + noCommunicationMessage());
        return std::nullopt;
    }
    if (number > list.count) {
        fail("there is no drive " + std::to_string(number) + " (" + std::to_string(list.count) + " attached)");
        return std::nullopt;
    }
    CaptureDrive drive{number, list.ids[number - 1], 0, ""};
    DriveInfo info{};
    if (i1394GetDriveInfo(drive.id, &info) != I1394_OK || info.capacity == 0) {
        fail("drive " + std::to_string(number) + ": " + noCommunicationMessage());
        vxf::drives::printAccessHint(number);
        return std::nullopt;
    }
    drive.sectors = std::min(info.capacity + 1, kMaxSectors);
    drive.name = vxf::server::trimmed(info.vendor) + " " + vxf::server::trimmed(info.product);
    return drive;
}

bool readSectors(uint32_t id, uint64_t first, uint32_t count, uint8_t* out) {
    return i1394ReadSector(id, static_cast<uint32_t>(first), static_cast<uint32_t>(first >> 32),
                           static_cast<uint16_t>(count), out) == I1394_OK;
}

// Reads `count` sectors from `first`. Where the request fails it is narrowed
// down: sub-chunks of 1024 sectors, and a failing sub-chunk sector by sector.
// Unreadable sectors are left zero and added to `bad`. False when an
// interruption came first; what was read then is not complete.
bool readNarrowingDown(uint32_t id, uint64_t first, uint32_t count, uint8_t* out, std::vector<uint64_t>& bad) {
    if (readSectors(id, first, count, out)) return true;
    for (uint32_t done = 0; done < count; done += kSubChunkSectors) {
        uint32_t part = std::min(kSubChunkSectors, count - done);
        uint8_t* partOut = out + size_t{done} * I1394_SECTOR_SIZE;
        if (readSectors(id, first + done, part, partOut)) continue;
        for (uint32_t k = 0; k < part; ++k) {
            // A failing drive may take seconds per sector: an interruption is heard between sectors.
            if (interruptRequested) return false;
            uint8_t* sectorOut = partOut + size_t{k} * I1394_SECTOR_SIZE;
            if (readSectors(id, first + done + k, 1, sectorOut)) continue;
            std::memset(sectorOut, 0, I1394_SECTOR_SIZE);
            bad.push_back(first + done + k);
        }
    }
    return true;
}

// The copy and its side files are written whole or the capture fails: a short write goes on, an interrupted one again.
bool writeAllAt(int fd, const void* data, size_t length, uint64_t offset) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    while (length > 0) {
        ssize_t n = ::pwrite(fd, bytes, length, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes += n;
        offset += static_cast<uint64_t>(n);
        length -= static_cast<size_t>(n);
    }
    return true;
}

bool isZeroSector(const uint8_t* sector) {
    return sector[0] == 0 && std::memcmp(sector, sector + 1, I1394_SECTOR_SIZE - 1) == 0;
}

// Writes the runs of sectors that hold something; runs of zeros stay holes of the sparse image.
bool writeNonZeroRuns(int fd, const uint8_t* data, uint32_t sectors, uint64_t firstLba) {
    uint32_t at = 0;
    while (at < sectors) {
        while (at < sectors && isZeroSector(data + size_t{at} * I1394_SECTOR_SIZE)) at++;
        uint32_t runStart = at;
        while (at < sectors && !isZeroSector(data + size_t{at} * I1394_SECTOR_SIZE)) at++;
        size_t bytes = size_t{at - runStart} * I1394_SECTOR_SIZE;
        if (bytes > 0 && !writeAllAt(fd, data + size_t{runStart} * I1394_SECTOR_SIZE, bytes,
                                     (firstLba + runStart) * I1394_SECTOR_SIZE)) {
            return false;
        }
    }
    return true;
}

// How far a capture got, kept beside the image: the drive, its size and the first sector not yet safe on disk.
struct CaptureState {
    std::string drive;
    uint64_t sectors = 0;
    uint64_t next = 0;
};

bool syncAndClose(int fd) {
    bool ok = ::fsync(fd) == 0;
    return (::close(fd) == 0) && ok;
}

bool saveState(const std::string& path, const CaptureState& state) {
    std::string text = "drive=" + state.drive + "\nsectors=" + std::to_string(state.sectors) +
                       "\nnext=" + std::to_string(state.next) + "\n";
    std::string temporary = path + ".new";
    int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool ok = writeAllAt(fd, text.data(), text.size(), 0);
    ok = syncAndClose(fd) && ok;
    return ok && std::rename(temporary.c_str(), path.c_str()) == 0;
}

std::optional<CaptureState> loadState(const std::string& path) {
    std::ifstream in(path);
    if (!in) return std::nullopt;
    CaptureState state;
    bool haveSectors = false, haveNext = false;
    for (std::string line; std::getline(in, line);) {
        size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        std::optional<int64_t> number = parseNumber(value);
        if (key == "drive") state.drive = value;
        if (key == "sectors" && number && *number > 0) {
            state.sectors = static_cast<uint64_t>(*number);
            haveSectors = true;
        }
        if (key == "next" && number && *number >= 0) {
            state.next = static_cast<uint64_t>(*number);
            haveNext = true;
        }
    }
    if (!haveSectors || !haveNext || state.next > state.sectors) return std::nullopt;
    return state;
}

// The unreadable sectors, one number a line; on a resume only those before the safe point stay.
class BadSectorList {
public:
    bool open(const std::string& path, std::optional<uint64_t> keepBelow) {
        std::string kept;
        if (keepBelow) {
            std::ifstream in(path);
            for (std::string line; std::getline(in, line);) {
                std::optional<int64_t> lba = parseNumber(line);
                if (lba && *lba >= 0 && static_cast<uint64_t>(*lba) < *keepBelow) kept += line + "\n";
            }
        }
        fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        return fd_ >= 0 && append(kept);
    }
    ~BadSectorList() {
        if (fd_ >= 0) ::close(fd_);
    }
    bool add(const std::vector<uint64_t>& lbas) {
        std::string text;
        for (uint64_t lba : lbas) text += std::to_string(lba) + "\n";
        count_ += lbas.size();
        return append(text);
    }
    bool sync() const { return ::fdatasync(fd_) == 0; }
    uint64_t added() const { return count_; }

private:
    bool append(const std::string& text) {
        if (!writeAllAt(fd_, text.data(), text.size(), end_)) return false;
        end_ += text.size();
        return true;
    }
    int fd_ = -1;
    uint64_t end_ = 0;
    uint64_t count_ = 0;
};

struct Output {
    std::string image;
    std::string state;
    std::string badSectors;
};

std::string fileFailure(const std::string& path) { return path + ": " + std::strerror(errno); }

// Opens the image to write from `next` on: a new file, or the interrupted one cut back to its safe point.
int openImage(const Output& out, const CaptureDrive& drive, bool resume, CaptureState& state, std::string& failure) {
    if (!resume) {
        int fd = ::open(out.image.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0) failure = errno == EEXIST ? out.image + ": already exists; an image is never overwritten "
                                                            "(--resume goes on with an interrupted capture)"
                                              : fileFailure(out.image);
        state = CaptureState{drive.name, drive.sectors, 0};
        return fd;
    }
    std::optional<CaptureState> saved = loadState(out.state);
    if (!saved) {
        failure = "no interrupted capture of " + out.image + " to go on with (" + out.state + " is missing or damaged)";
        return -1;
    }
    if (saved->drive != drive.name || saved->sectors != drive.sectors) {
        failure = out.image + " is a capture of another drive (" + saved->drive + ", " +
                  std::to_string(saved->sectors) + " sectors)";
        return -1;
    }
    int fd = ::open(out.image.c_str(), O_RDWR | O_CLOEXEC);
    // What was written after the safe point may be incomplete: it is read again.
    if (fd >= 0 && ::ftruncate(fd, static_cast<off_t>(saved->next * I1394_SECTOR_SIZE)) != 0) {
        ::close(fd);
        fd = -1;
    }
    if (fd < 0) failure = fileFailure(out.image);
    state = *saved;
    return fd;
}

// Everything before state.next is on disk, then the state says so.
bool checkpoint(int fd, const BadSectorList& bad, const Output& out, const CaptureState& state) {
    return ::fdatasync(fd) == 0 && bad.sync() && saveState(out.state, state);
}

int interrupted(const Output& out, const CaptureState& state) {
    return fail("interrupted at sector " + std::to_string(state.next) + " of " + std::to_string(state.sectors) +
                "; the same command with --resume goes on from there (" + out.image + ")");
}

int writeFailed(const Output& out, const std::string& what) {
    return fail(what + "; after freeing the cause, the same command with --resume goes on (" + out.image + ")");
}

int finishImage(int fd, const Output& out, const CaptureDrive& drive, const BadSectorList& bad) {
    // The tail of zeros is a hole too: the image takes the drive's full size.
    bool ok = ::ftruncate(fd, static_cast<off_t>(drive.sectors * I1394_SECTOR_SIZE)) == 0 && bad.sync();
    ok = syncAndClose(fd) && ok;
    if (!ok) return writeFailed(out, fileFailure(out.image));
    std::remove(out.state.c_str());
    std::printf("captured drive %lld (%s): %llu sectors into %s; %llu unreadable sectors listed in %s\n",
                static_cast<long long>(drive.number), drive.name.c_str(), (unsigned long long)drive.sectors,
                out.image.c_str(), (unsigned long long)bad.added(), out.badSectors.c_str());
    return kExitOk;
}

int capture(const CaptureDrive& drive, const Output& out, bool resume) {
    CaptureState state;
    std::string failure;
    int fd = openImage(out, drive, resume, state, failure);
    if (fd < 0) return fail(failure);
    BadSectorList bad;
    if (!bad.open(out.badSectors, resume ? std::optional<uint64_t>(state.next) : std::nullopt)) {
        ::close(fd);
        return writeFailed(out, fileFailure(out.badSectors));
    }
    if (!saveState(out.state, state)) {
        ::close(fd);
        return writeFailed(out, fileFailure(out.state));
    }
    InterruptGuard guard;
    vxf::transfer::ProgressLine progress(drive.sectors, vxf::transfer::ProgressUnit::Sectors, state.next);
    // Page-aligned, as the transfers' buffers: the kernel copies into it about twice as fast.
    const vxf::transfer::SampleBuffer buffer = vxf::transfer::allocateBuffer(size_t{kChunkSectors} * I1394_SECTOR_SIZE);
    if (!buffer) {
        ::close(fd);
        return writeFailed(out, "out of memory");
    }
    uint64_t lastCheckpoint = state.next;
    while (state.next < drive.sectors) {
        uint32_t count = static_cast<uint32_t>(std::min<uint64_t>(kChunkSectors, drive.sectors - state.next));
        std::vector<uint64_t> unreadable;
        bool complete = readNarrowingDown(drive.id, state.next, count, buffer.get(), unreadable);
        if (!complete || interruptRequested) break;
        if (!writeNonZeroRuns(fd, buffer.get(), count, state.next) || !bad.add(unreadable)) {
            ::close(fd);
            return writeFailed(out, fileFailure(out.image));
        }
        state.next += count;
        progress.show(state.next);
        if (state.next - lastCheckpoint >= kCheckpointSectors && state.next < drive.sectors) {
            if (!checkpoint(fd, bad, out, state)) {
                ::close(fd);
                return writeFailed(out, fileFailure(out.image));
            }
            lastCheckpoint = state.next;
        }
    }
    progress.finish(state.next);
    if (state.next < drive.sectors) {
        bool saved = checkpoint(fd, bad, out, state);
        ::close(fd);
        return saved ? interrupted(out, state) : writeFailed(out, fileFailure(out.image));
    }
    return finishImage(fd, out, drive, bad);
}

int runImageCapture(const Args& args) {
    if (args.positional().size() != 1) throw UsageError{"give exactly one OUT.img"};
    int64_t number = args.number("drive", 1, I1394_MAX_DRIVES);
    std::string image = args.positional()[0];
    std::optional<CaptureDrive> drive = findDrive(number);
    if (!drive) return kExitFailure;
    return capture(*drive, Output{image, image + kStateSuffix, image + kBadSectorsSuffix}, args.has("resume"));
}

const Registrar imageCapture{Command{
    "image capture",
    "--drive N [--resume] OUT.img",
    "copy drive N sector for sector into a sparse image; unreadable sectors stay zero and are listed in "
    "OUT.img.badsectors; --resume goes on after an interruption",
    {"drive"},
    {"resume"},
    runImageCapture,
}};

}  // namespace
