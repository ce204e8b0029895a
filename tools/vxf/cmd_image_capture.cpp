// cmd_image_capture.cpp - vxf image capture: a drive rescued into a sparse image in passes, its map kept beside it, resumable.
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
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "bag_files.h"
#include "capture_map.h"
#include "capture_passes.h"
#include "capture_report.h"
#include "cli.h"
#include "drive_access_hint.h"
#include "i1394.h"
#include "progress_line.h"
#include "server_session.h"
#include "tavovxf.h"
#include "transfer_buffers.h"
#include "transfer_session.h"
#include "vxf_layout.h"

namespace {

using namespace vxf::cli;
using namespace vxf::capture;

// Large requests, as the surface scan reads.
constexpr uint32_t kChunkSectors = 4096;
// What an interruption may cost: the copy and its map are made safe on disk this often.
constexpr auto kSaveInterval = std::chrono::seconds(5);
constexpr int64_t kMostRetries = 1000;
// Sectors numbered in 32 bits: the most a drive can show.
constexpr uint64_t kMaxSectors = uint64_t{1} << 32;
constexpr const char* kMapSuffix = ".map";
constexpr const char* kEarlierStateSuffix = ".capture";  // what vxf kept before the map
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

// The server's view of the drive: held against other programs while the capture runs, and never written.
class VolumeView {
public:
    VolumeView() = default;
    VolumeView(const VolumeView&) = delete;
    VolumeView& operator=(const VolumeView&) = delete;
    ~VolumeView() {
        if (handle_ != 0) tavovxfDriveClose(handle_);
    }

    // The volume's areas by worth; empty, with `why`, when the drive holds no volume that can be read.
    std::vector<SectorRange> valuableAreas(int64_t number, std::string& why) {
        uint16_t drives = 0;  // the server opens only what its latest count of drives holds
        if (tavovxfDriveGetNum(&drives) != VXF_OK || tavovxfDriveOpen(uint16_t(number - 1), &handle_) != VXF_OK) {
            handle_ = 0;
            why = vxf::server::errorMessage();
            return {};
        }
        uint32_t count = 0;
        if (vxfxDriveHold(handle_, VXFX_PURPOSE_READ, vxf::server::kDriveWaitMilliseconds) != VXF_OK ||
            vxfxDriveKeepReadOnly(handle_, 1) != VXF_OK || vxfxDriveGetAreas(handle_, nullptr, 0, &count) != VXF_OK) {
            const std::string inUse = vxf::server::inUseText();
            why = inUse.empty() ? vxf::server::errorMessage() : inUse;
            return {};
        }
        std::vector<VxfxArea> areas(count);
        if (count > 0 && vxfxDriveGetAreas(handle_, areas.data(), count, &count) != VXF_OK) {
            why = vxf::server::errorMessage();
            return {};
        }
        areas.resize(std::min<size_t>(areas.size(), count));
        std::vector<SectorRange> ranges;
        for (const VxfxArea& area : areas) {
            ranges.push_back(SectorRange{area.first, area.count});
            if (area.kind == VXFX_AREA_SONG || area.kind == VXFX_AREA_LOST_SONG) songs_.insert({area.kind, area.owner});
        }
        readable_ = true;
        return ranges;
    }

    size_t songs() const { return songs_.size(); }

    // What each of `sectors` holds; empty when the volume could not be read (valuableAreas said why).
    std::vector<VxfxSectorUse> uses(const std::vector<uint32_t>& sectors) const {
        std::vector<VxfxSectorUse> found(sectors.size());
        if (!readable_ || sectors.empty()) return {};
        if (vxfxDriveGetSectorUses(handle_, sectors.data(), uint32_t(sectors.size()), found.data()) != VXF_OK) {
            vxf::server::errorMessage();
            return {};
        }
        return found;
    }

private:
    uint32_t handle_ = 0;
    bool readable_ = false;
    std::set<std::pair<uint32_t, uint32_t>> songs_;  // kind and owner of each song's runs
};

uint64_t sectorsIn(const std::vector<SectorRange>& ranges) {
    uint64_t total = 0;
    for (const SectorRange& range : ranges) total += range.count;
    return total;
}

bool readSectors(uint32_t id, uint64_t first, uint32_t count, uint8_t* out) {
    return i1394ReadSector(id, static_cast<uint32_t>(first), static_cast<uint32_t>(first >> 32),
                           static_cast<uint16_t>(count), out) == I1394_OK;
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

// Zeros over what an earlier run may have left there: a hole where the file system makes one.
bool zeroRun(int fd, uint64_t offset, size_t bytes) {
    if (::fallocate(fd, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, static_cast<off_t>(offset),
                    static_cast<off_t>(bytes)) == 0) {
        return true;
    }
    static const std::vector<uint8_t> zeros(size_t{kChunkSectors} * I1394_SECTOR_SIZE, 0);
    return writeAllAt(fd, zeros.data(), bytes, offset);
}

// Writes the runs of sectors that hold something; runs of zeros stay holes of the sparse image. Into an image
// a capture wrote before (`overwrite`), the runs of zeros are zeroed too.
bool writeNonZeroRuns(int fd, const uint8_t* data, uint32_t sectors, uint64_t firstLba, bool overwrite) {
    uint32_t at = 0;
    while (at < sectors) {
        uint32_t zerosStart = at;
        while (at < sectors && isZeroSector(data + size_t{at} * I1394_SECTOR_SIZE)) at++;
        if (overwrite && at > zerosStart &&
            !zeroRun(fd, (firstLba + zerosStart) * I1394_SECTOR_SIZE, size_t{at - zerosStart} * I1394_SECTOR_SIZE)) {
            return false;
        }
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

bool syncAndClose(int fd) {
    bool ok = ::fsync(fd) == 0;
    return (::close(fd) == 0) && ok;
}

// The unreadable sectors, one number a line, replaced whole as the map is.
bool saveBadSectors(const std::string& path, const CaptureMap& map) {
    std::string text;
    for (const SectorRange& range : map.blocks(Status::Bad)) {
        for (uint64_t lba = range.first; lba < range.end(); ++lba) text += std::to_string(lba) + "\n";
    }
    return vxf::transfer::replaceFileContents(path, text);
}

struct Output {
    std::string image;
    std::string map;
    std::string badSectors;
};

std::string fileFailure(const std::string& path) { return path + ": " + std::strerror(errno); }

// The image and its map: a new pair, or the pair an interrupted capture (or another rescue tool) left.
struct Capture {
    int fd = -1;
    bool resumed = false;
    std::optional<CaptureMap> map;
};

Capture startCapture(const Output& out, const CaptureDrive& drive, std::string& failure) {
    Capture capture;
    capture.fd = ::open(out.image.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (capture.fd < 0) {
        failure = errno == EEXIST ? out.image + ": already exists; an image is never overwritten "
                                                "(--resume goes on with an interrupted capture)"
                                  : fileFailure(out.image);
        return capture;
    }
    capture.map.emplace(drive.sectors);
    capture.map->drive = drive.name;
    return capture;
}

// An interruption by an earlier vxf left OUT.img.capture instead of a map: the drive, its size and the first
// sector not yet safe; the bad sectors before it are in the list. It goes on as a map would.
std::optional<CaptureMap> mapOfEarlierCapture(const Output& out, const CaptureDrive& drive) {
    std::ifstream in(out.image + kEarlierStateSuffix);
    if (!in) return std::nullopt;
    std::string name;
    std::optional<int64_t> sectors, next;
    for (std::string line; std::getline(in, line);) {
        const size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        if (key == "drive") name = value;
        if (key == "sectors") sectors = parseNumber(value);
        if (key == "next") next = parseNumber(value);
    }
    if (!sectors || !next || *sectors != static_cast<int64_t>(drive.sectors) || *next < 0 || *next > *sectors) {
        return std::nullopt;
    }
    CaptureMap map(drive.sectors);
    map.drive = name;
    map.set({0, static_cast<uint64_t>(*next)}, Status::Finished);
    std::ifstream list(out.badSectors);
    for (std::string line; std::getline(list, line);) {
        std::optional<int64_t> lba = parseNumber(line);
        if (lba && *lba >= 0 && *lba < *next) map.set({static_cast<uint64_t>(*lba), 1}, Status::Bad);
    }
    return map;
}

Capture resumeCapture(const Output& out, const CaptureDrive& drive, std::string& failure) {
    Capture capture;
    std::string why;
    capture.map = loadMap(out.map, drive.sectors, why);
    if (!capture.map && !std::ifstream(out.map)) capture.map = mapOfEarlierCapture(out, drive);
    if (!capture.map) {
        failure = "no interrupted capture of " + out.image + " to go on with (" + why + ")";
        return capture;
    }
    // Another tool's map names no drive: its size is all there is to go by, and it fitted.
    if (!capture.map->drive.empty() && capture.map->drive != drive.name) {
        failure = out.image + " is a capture of another drive (" + capture.map->drive + ")";
        capture.map.reset();
        return capture;
    }
    capture.map->drive = drive.name;
    capture.fd = ::open(out.image.c_str(), O_RDWR | O_CLOEXEC);
    if (capture.fd < 0) failure = fileFailure(out.image);
    capture.resumed = true;
    return capture;
}

// The image first, then the lists that say what it holds.
bool save(int fd, const Output& out, const CaptureMap& map, uint64_t& badSaved) {
    if (::fdatasync(fd) != 0) return false;
    if (map.sectorsWith(Status::Bad) != badSaved || badSaved == UINT64_MAX) {
        if (!saveBadSectors(out.badSectors, map)) return false;
        badSaved = map.sectorsWith(Status::Bad);
    }
    return saveMap(out.map, map);
}

std::string phaseName(const CaptureMap& map) {
    switch (map.phase) {
        case Phase::Copying: return "copying " + std::to_string(map.pass);
        case Phase::Trimming: return "trimming";
        case Phase::Scraping: return "scraping";
        case Phase::Retrying: return "retry " + std::to_string(map.pass);
        case Phase::Finished: return "finished";
    }
    return "";
}

// "scraping, 3 bad areas": short, as the line leaves little room after bar, bytes, rate and time.
std::string progressLabel(const CaptureMap& map) {
    const size_t failedAreas =
        map.blocksWith(Status::NonTrimmed) + map.blocksWith(Status::NonScraped) + map.blocksWith(Status::Bad);
    return phaseName(map) + ", " + std::to_string(failedAreas) + " bad areas";
}

// Telling a million losses one by one helps nobody: past this many, the rest are counted.
constexpr size_t kMostSectorsReported = 100000;

// What the unreadable sectors take out, one loss a line, on stdout.
void printLosses(const CaptureMap& map, const VolumeView& volume) {
    std::vector<uint32_t> bad;
    for (const SectorRange& range : map.blocks(Status::Bad)) {
        for (uint64_t lba = range.first; lba < range.end() && bad.size() < kMostSectorsReported; ++lba) {
            bad.push_back(static_cast<uint32_t>(lba));
        }
    }
    if (bad.empty()) return;
    const std::vector<VxfxSectorUse> uses = volume.uses(bad);
    if (uses.empty()) {
        std::printf("what the %llu unreadable sectors held is not known: the drive holds no volume that can be read\n",
                    (unsigned long long)map.sectorsWith(Status::Bad));
        return;
    }
    std::printf("what the unreadable sectors take out:\n");
    for (const std::string& line : lossReport(uses, map)) std::printf("  %s\n", line.c_str());
    if (map.sectorsWith(Status::Bad) > bad.size()) {
        std::printf("  and %llu further unreadable sectors, not told one by one\n",
                    (unsigned long long)(map.sectorsWith(Status::Bad) - bad.size()));
    }
}

int writeFailed(const Output& out, const std::string& what) {
    return fail(what + "; after freeing the cause, the same command with --resume goes on (" + out.image + ")");
}

int finishImage(const Output& out, const CaptureDrive& drive, const CaptureMap& map) {
    std::printf("captured drive %lld (%s): %llu sectors into %s, %llu of them read; %llu unreadable sectors listed in "
                "%s; map in %s\n",
                static_cast<long long>(drive.number), drive.name.c_str(), (unsigned long long)drive.sectors,
                out.image.c_str(), (unsigned long long)map.sectorsWith(Status::Finished),
                (unsigned long long)map.sectorsWith(Status::Bad), out.badSectors.c_str(), out.map.c_str());
    // A script must not take a copy with holes for a whole one.
    return map.sectorsWith(Status::Bad) > 0 ? kExitUnreadable : kExitOk;
}

struct CaptureOptions {
    bool resume = false;
    bool usedOnly = false;
    int retries = 0;
};

// The system records and the songs' clusters, read first; the plain order where the drive holds no volume.
PassOptions planPasses(const CaptureDrive& drive, const CaptureOptions& options, VolumeView& volume) {
    PassOptions passes{kChunkSectors, options.retries, {}, false};
    std::string why;
    passes.valuable = volume.valuableAreas(drive.number, why);
    if (passes.valuable.empty()) {
        std::fprintf(stderr, "vxf: drive %lld holds no volume that can be read (%s): it is captured in sector order%s\n",
                     static_cast<long long>(drive.number), why.c_str(),
                     options.usedOnly ? ", all of it" : "");
        return passes;
    }
    passes.valuableOnly = options.usedOnly;
    std::printf("reading first: the system records and the clusters of %zu songs (%llu sectors)%s\n", volume.songs(),
                (unsigned long long)sectorsIn(passes.valuable), options.usedOnly ? ", and nothing else" : "");
    std::fflush(stdout);
    return passes;
}

int capture(const CaptureDrive& drive, const Output& out, const CaptureOptions& options) {
    const bool resume = options.resume;
    std::string failure;
    Capture capture = resume ? resumeCapture(out, drive, failure) : startCapture(out, drive, failure);
    if (capture.fd < 0) return fail(failure);
    CaptureMap& map = *capture.map;
    const int fd = capture.fd;
    uint64_t badSaved = UINT64_MAX;
    // The image takes the drive's full size from the start: the sectors not yet read are holes, zeros.
    if (::ftruncate(fd, static_cast<off_t>(drive.sectors * I1394_SECTOR_SIZE)) != 0 ||
        !save(fd, out, map, badSaved)) {
        ::close(fd);
        return writeFailed(out, fileFailure(out.image));
    }
    std::remove((out.image + kEarlierStateSuffix).c_str());  // the map says all it said, and more
    // Page-aligned, as the transfers' buffers: the kernel copies into it about twice as fast.
    const vxf::transfer::SampleBuffer buffer = vxf::transfer::allocateBuffer(size_t{kChunkSectors} * I1394_SECTOR_SIZE);
    if (!buffer) {
        ::close(fd);
        return writeFailed(out, "out of memory");
    }
    InterruptGuard guard;
    VolumeView volume;
    const PassOptions passes = planPasses(drive, options, volume);
    const uint64_t toRead = passes.valuableOnly ? sectorsIn(passes.valuable) : drive.sectors;
    // The rescued bytes of what is to be read.
    vxf::transfer::ProgressLine progress(toRead * I1394_SECTOR_SIZE, vxf::transfer::ProgressUnit::Bytes,
                                         std::min(toRead, map.sectorsWith(Status::Finished)) * I1394_SECTOR_SIZE);
    auto lastSave = std::chrono::steady_clock::now();
    CaptureIo io;
    io.read = [&](uint64_t first, uint32_t count, uint8_t* into) { return readSectors(drive.id, first, count, into); };
    io.store = [&](uint64_t first, uint32_t count, const uint8_t* data) {
        return writeNonZeroRuns(fd, data, count, first, capture.resumed);
    };
    io.stepped = [&](const CaptureMap& now) {
        progress.show(now.sectorsWith(Status::Finished) * I1394_SECTOR_SIZE, progressLabel(now));
        if (std::chrono::steady_clock::now() - lastSave < kSaveInterval) return true;
        lastSave = std::chrono::steady_clock::now();
        return save(fd, out, now, badSaved);
    };
    io.stopRequested = [] { return interruptRequested != 0; };
    const CaptureEnd end = runPasses(map, io, passes, buffer.get());
    progress.finish(map.sectorsWith(Status::Finished) * I1394_SECTOR_SIZE, progressLabel(map));
    const bool saved = end != CaptureEnd::StoreFailed && save(fd, out, map, badSaved);
    const bool closed = syncAndClose(fd);
    if (!saved || !closed) return writeFailed(out, fileFailure(out.image));
    if (end == CaptureEnd::Stopped) {
        fail("interrupted (" + phaseName(map) + ", " + std::to_string(map.sectorsWith(Status::Finished)) + " of " +
             std::to_string(drive.sectors) + " sectors read); the same command with --resume goes on from there (" +
             out.image + ", map in " + out.map + ")");
        return kExitInterrupted;
    }
    const int status = finishImage(out, drive, map);
    printLosses(map, volume);
    return status;
}

// vxf image capture --report: the losses of a capture, told again from its map and the drive's volume.
int reportCapture(const CaptureDrive& drive, const Output& out) {
    std::string why;
    std::optional<CaptureMap> map = loadMap(out.map, drive.sectors, why);
    if (!map) return fail("no capture of " + out.image + " to report on (" + why + ")");
    VolumeView volume;
    if (volume.valuableAreas(drive.number, why).empty()) {
        std::fprintf(stderr, "vxf: drive %lld holds no volume that can be read (%s)\n",
                     static_cast<long long>(drive.number), why.c_str());
    }
    std::printf("%s: %llu of %llu sectors read, %llu unreadable, %llu not read yet\n", out.image.c_str(),
                (unsigned long long)map->sectorsWith(Status::Finished), (unsigned long long)map->sectors(),
                (unsigned long long)map->sectorsWith(Status::Bad),
                (unsigned long long)(map->sectors() - map->sectorsWith(Status::Finished) - map->sectorsWith(Status::Bad)));
    printLosses(*map, volume);
    return kExitOk;
}

int runImageCapture(const Args& args) {
    if (args.positional().size() != 1) throw UsageError{"give exactly one OUT.img"};
    int64_t number = args.number("drive", 1, I1394_MAX_DRIVES);
    std::string image = args.positional()[0];
    std::optional<CaptureDrive> drive = findDrive(number);
    if (!drive) return kExitFailure;
    const Output out{image, image + kMapSuffix, image + kBadSectorsSuffix};
    if (args.has("report")) return reportCapture(*drive, out);
    CaptureOptions options;
    options.resume = args.has("resume");
    options.usedOnly = args.has("used-only");
    options.retries = static_cast<int>(args.optionalNumber("retries", 0, kMostRetries).value_or(0));
    return capture(*drive, out, options);
}

const Registrar imageCapture{Command{
    "image capture",
    "--drive N [--used-only] [--resume] [--retries N] [--report] OUT.img",
    "rescue drive N into a sparse image: the system records and the songs' clusters first, then the rest; in each, "
    "the readable part first, then the failed areas sector by sector; --used-only reads only the first part; "
    "unreadable sectors stay zero and are listed in OUT.img.badsectors; OUT.img.map is the rescue map; "
    "--resume goes on after an interruption or from another rescue tool's map; --retries N reads the bad "
    "sectors N more times; at the end, and with --report from the map, the songs, tracks and times or the "
    "records the unreadable sectors take out. Exit status: 0 every sector read, 3 unreadable sectors left, 1 failed, "
    "130 interrupted",
    {"drive", "retries"},
    {"resume", "used-only", "report"},
    runImageCapture,
}};

}  // namespace
