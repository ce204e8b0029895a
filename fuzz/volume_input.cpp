// volume_input.cpp - untrusted bytes laid over the system records of a small formatted volume, then every operation run on it.
#include "volume_input.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "lifecycle.h"
#include "platform/test_api.h"
#include "platform/whole_io.h"
#include "core/record.h"
#include "api/server_lifecycle.h"
#include "volume/super_block.h"
#include "tavovxf.h"

namespace vxf::fuzz {

namespace {

using vxfserver::layout::kLayoutOverhead;
using vxfserver::layout::kSectorsPerAudioBlock;

constexpr uint32_t kClusters = 48;
constexpr uint32_t kProjectSlots = 3;
constexpr uint32_t kSongSlots = 6;
// Enough to touch every song and track of the template, few enough to keep each input quick.
constexpr uint16_t kMaxProjectsVisited = 3;
constexpr uint16_t kMaxSongsVisited = 4;
// A read of this many samples at each end of a track touches the code a longer one does, and
// unpacking samples is most of what an input costs when it reads many.
constexpr uint32_t kMaxSamplesRead = 256;
constexpr uint32_t kSamplesWritten = 300;

std::vector<VolumeRegion> makeRegions() {
    using namespace vxfserver::layout;
    std::vector<VolumeRegion> regions = {
        {kSuperBlockLba, 1, 512},
        {kProjectListLba, kProjectListLength, 512},
        {kSongBitmapLba, kSongBitmapLength, kSongBitmapLength * 512u},
        {kAudioBitmapLba, kAudioBitmapLength, kAudioBitmapLength * 512u},
    };
    for (uint32_t p = 0; p < kProjectSlots; ++p) regions.push_back({kProjectLba + p * kProjectLength, 1, 512});
    // The information and block-run blocks of a song slot each have their own mirror copy.
    for (uint32_t s = 0; s < kSongSlots; ++s) {
        const uint32_t lba = kSongLba + s * kSongLength;
        regions.push_back({lba, kSongInfoLength, kSongInfoLength * 512u});
        regions.push_back({lba + kSongInfoLength, kSongBrLength, kSongBrLength * 512u});
    }
    return regions;
}

uint64_t mirrorOf(const VolumeRegion& region) { return volumeDriveSectors() - region.lba - region.sectors; }

// A recognisable ramp, different per call, so that audio is never all zeros.
std::vector<uint8_t> rampSamples(uint32_t count, uint8_t seed) {
    std::vector<uint8_t> samples(size_t(count) * 3);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = uint8_t(i * 7 + seed);
    return samples;
}

bool writeTrack(uint32_t handle, uint16_t track, uint32_t offset, uint32_t count, uint8_t seed) {
    const std::vector<uint8_t> samples = rampSamples(count, seed);
    return tavovxfTrackWrite(handle, track, offset, count, 3, 0, samples.data()) == VXF_OK;
}

uint32_t songLength(uint32_t handle) {
    uint32_t length = 0;
    tavovxfSongGetLength(handle, &length);
    return length;
}

// --- the operations run on every input; their results do not matter, only that they return ---

void queryDrive(uint32_t handle) {
    uint32_t value = 0;
    char text[VXF_EXT_NAME_SIZE + VXF_DESCRIPTION_SIZE];
    // First the one that leaves the drive unmounted, so that the volume is mounted once.
    tavovxfDriveNumLBAs(handle, &value);
    tavovxfDriveIsFormatted(handle, &value);
    tavovxfDriveGetSize(handle, &value);
    tavovxfDriveGetInfo(handle, text, &value);
    tavovxfDriveGetFSVersion(handle, text);
    tavovxfDriveGetFreeSpace(handle, &value);
    tavovxfDriveGetName(handle, text);
    tavovxfDriveGetExtName(handle, text);
}

// Where a read of `count` samples near the end of a song starts: across the last block boundary
// (the server's optimal transfer is one block) when the song has more than one block, so that the
// read goes from one block into the next; otherwise at the end.
uint32_t tailOffset(uint32_t length, uint32_t count, uint32_t blockSamples) {
    if (blockSamples == 0 || length <= blockSamples) return length - count;
    const uint32_t boundary = (length - 1) / blockSamples * blockSamples;
    return std::min(boundary - std::min(boundary, count / 2), length - count);
}

void readTracks(uint32_t handle) {
    uint16_t tracks = 0;
    uint32_t optimal = 0;
    tavovxfTrackGetNum(handle, &tracks);
    tavovxfTrackOptimalTransferSize(handle, &optimal);
    const uint32_t length = songLength(handle);
    const uint32_t count = std::min(length, kMaxSamplesRead);
    const uint32_t tail = tailOffset(length, count, optimal);
    // One buffer for all tracks at the widest caller format, kept for every input.
    static std::vector<uint8_t> buffer(size_t(kMaxSamplesRead) * 4 * VXF_MAX_TRACKS);
    uint32_t read = 0;
    // Every track, in every caller width and both byte orders; even tracks from the start, odd
    // ones across the last block boundary or up to the end.
    for (uint16_t track = 0; track < std::min<uint16_t>(tracks, VXF_MAX_TRACKS); ++track) {
        const uint16_t bytes = uint16_t(1 + track % 4);
        const uint16_t order = uint16_t(track / 4 % 2);
        const uint32_t offset = track % 2 == 0 ? 0 : track % 4 == 1 ? tail : length - count;
        tavovxfTrackRead(handle, track, offset, count, &read, bytes, order, buffer.data());
    }
    std::array<void*, VXF_MAX_TRACKS> buffers{};
    for (size_t t = 0; t < buffers.size(); ++t) buffers[t] = buffer.data() + t * kMaxSamplesRead * 4;
    tavovxfTrackReadAll(handle, 0, count, &read, 3, 1, buffers.data());
    tavovxfTrackReadAll(handle, tail, count, &read, 4, 0, buffers.data());
}

void querySongs(uint32_t handle) {
    uint16_t songs = 0;
    uint16_t index = 0;
    tavovxfSongGetNum(handle, &songs);
    tavovxfSongGetLastPrimary(handle, &index);
    for (uint16_t s = 0; s < std::min(songs, kMaxSongsVisited); ++s) {
        if (tavovxfSongSetPrimary(handle, s) != VXF_OK) continue;
        char text[VXF_EXT_NAME_SIZE];
        uint32_t value = 0;
        uint16_t half = 0;
        tavovxfSongGetName(handle, text);
        tavovxfSongGetExtName(handle, text);
        tavovxfSongGetSampleRate(handle, &value);
        tavovxfSongGetWordLength(handle, &half);
        tavovxfSongIsWriteProtect(handle, &value);
        tavovxfSongGetAllocatedSize(handle, &value);
        readTracks(handle);
    }
}

void queryProjects(uint32_t handle) {
    uint16_t projects = 0;
    uint16_t index = 0;
    tavovxfProjectGetNum(handle, &projects);
    tavovxfProjectGetLastPrimary(handle, &index);
    for (uint16_t p = 0; p < std::min(projects, kMaxProjectsVisited); ++p) {
        if (tavovxfProjectSetPrimary(handle, p) != VXF_OK) continue;
        char text[VXF_EXT_NAME_SIZE];
        tavovxfProjectGetName(handle, text);
        tavovxfProjectGetExtName(handle, text);
        querySongs(handle);
    }
}

// On the song made current last: a short write past its end and at its start, then the song's changes.
void changeSong(uint32_t handle) {
    const uint32_t length = songLength(handle);
    writeTrack(handle, 0, length, kSamplesWritten, 1);
    const std::vector<uint8_t> samples = rampSamples(kSamplesWritten, 2);
    std::array<const void*, VXF_MAX_TRACKS> sources{};
    sources[1] = samples.data();
    sources[3] = samples.data();
    tavovxfTrackWriteAll(handle, 0, kSamplesWritten, 3, 0, sources.data());
    tavovxfSongSetName(handle, "Fuzzed");
    tavovxfSongSetExtName(handle, "Fuzzed song");
    tavovxfSongSetWriteProtect(handle, 1);
    tavovxfSongSetWriteProtect(handle, 0);
    tavovxfSongMoveWithin(handle, 0);
    tavovxfSongMoveOut(handle, 1, 0);
}

void changeProjects(uint32_t handle) {
    tavovxfProjectSetPrimary(handle, 0);
    if (tavovxfSongCreate(handle, 2, 48000, 24) == VXF_OK) {
        writeTrack(handle, 1, 0, kSamplesWritten, 3);
        tavovxfSongDelete(handle);
    }
    tavovxfProjectSetName(handle, "Fuzzed");
    tavovxfProjectSetExtName(handle, "Fuzzed project");
    tavovxfProjectMove(handle, 0);
    if (tavovxfProjectCreate(handle) == VXF_OK) tavovxfProjectDelete(handle);
}

void renameDrive(uint32_t handle) {
    tavovxfDriveSetName(handle, "Fuzzed");
    tavovxfDriveSetExtName(handle, "Fuzzed drive");
}

void remapDrive(uint32_t handle) {
    uint16_t failed = 0;
    uint16_t rewritten = 0;
    tavovxfDriveRemap(handle, 0, 8, 0, &failed, &rewritten);
}

void extractDrive(uint32_t handle) { tavovxfExtractFileSystem(handle); }
void upgradeDrive(uint32_t handle) { tavovxfDriveUpgrade(handle); }
void scanDrive(uint32_t handle) { tavovxfDriveScan(handle); }
void formatDrive(uint32_t handle) { tavovxfDriveFormat(handle); }

// The changes, in the order an input without a choice runs them all.
using Change = void (*)(uint32_t handle);
constexpr std::array<Change, kVolumeChanges> kChanges = {changeSong,  changeProjects, renameDrive, remapDrive,
                                            extractDrive, upgradeDrive,  scanDrive,   formatDrive};

void readErrorAway() {
    char message[VXF_ERROR_STRING_SIZE];
    tavovxfGetErrorString(message);
}

// The template volume, kept in memory: every input runs on a memory drive that starts as the
// template, with no file, folder or enumeration file of its own. Only the diagnostic dumps of
// the extraction go to a folder, made once.
class Harness {
public:
    Harness() {
        char pattern[] = "/dev/shm/vxf-fuzz-XXXXXX";
        char fallback[] = "/tmp/vxf-fuzz-XXXXXX";
        const char* made = ::mkdtemp(pattern);
        if (made == nullptr) made = ::mkdtemp(fallback);
        if (made == nullptr) std::abort();
        folder_ = made;
        attach();
        start();
        uint32_t handle = openDrive();
        if (!buildTemplateVolume(handle)) std::abort();
        tavovxfDriveClose(handle);
        contents_ = drive_.contents();
        template_ = regionsOf(drive_);
        vxf1394::testing::detachMemoryDrive(kDriveIndex);
    }

    ~Harness() {
        vxfserver::processDetach();
        vxf1394::processDetach();
        // Only ever the folder made above.
        if (folder_.rfind("/dev/shm/vxf-fuzz-", 0) == 0 || folder_.rfind("/tmp/vxf-fuzz-", 0) == 0) {
            std::error_code ignored;
            std::filesystem::remove_all(folder_, ignored);
        }
    }

    void run(const uint8_t* data, size_t size) {
        // Attached for this input only: other work of the same process sees its own drives.
        attach();
        if (!drive_.restore(contents_)) std::abort();
        start();
        layOver(data, size);
        const uint32_t handle = openDrive();
        armFaults(data, size);
        queryDrive(handle);
        queryProjects(handle);
        runChanges(handle, data, size);
        tavovxfDriveClose(handle);
        readErrorAway();
        vxf1394::testing::clearWriteFailures();
        vxf1394::testing::detachMemoryDrive(kDriveIndex);
        // What the input made is freed before it returns, so that no input looks like a leak
        // (libFuzzer runs such an input again, and checks for leaks, each time).
        drive_ = {};
    }

    const std::vector<uint8_t>& templateInput() const { return template_; }

private:
    static constexpr uint32_t kDriveIndex = 0;

    void attach() {
        drive_ = vxf1394::testing::attachMemoryDrive(kDriveIndex, volumeDriveSectors());
        if (!drive_.valid()) std::abort();
    }

    // Starts the server afresh (the drive layer's watcher keeps running), whatever ran in this process before.
    void start() const {
        ::setenv("VXF_EXTRACT_DIR", (folder_ + "/extract").c_str(), 1);
        vxf1394::processAttach();
        vxfserver::processAttach();
    }

    // The change the fourth option byte names. An input that covers every region but stops
    // short of that byte runs all the changes one after another; a shorter one is given its
    // change by its length.
    void runChanges(uint32_t handle, const uint8_t* data, size_t size) const {
        const size_t choice = template_.size() + 3;
        size_t pick = kChanges.size();
        if (size > choice) pick = data[choice] % kChanges.size();
        if (size < template_.size()) pick = size % kChanges.size();
        if (pick < kChanges.size()) {
            kChanges[pick](handle);
            return;
        }
        for (Change change : kChanges) change(handle);
    }

    static uint32_t openDrive() {
        readErrorAway();
        uint16_t count = 0;
        uint32_t handle = 0;
        if (tavovxfDriveGetNum(&count) != VXF_OK || tavovxfDriveOpen(0, &handle) != VXF_OK) std::abort();
        return handle;
    }

    // The second and third option bytes: a failing write request, a region that cannot be read.
    void armFaults(const uint8_t* data, size_t size) {
        const size_t options = template_.size();
        if (size > options + 1 && data[options + 1] != 0) vxf1394::testing::failNthWrite(data[options + 1]);
        if (size > options + 2 && data[options + 2] != 0) {
            const uint8_t choice = data[options + 2];
            const VolumeRegion& r = volumeRegions()[size_t(choice & ~kMirrorReadFails) % volumeRegions().size()];
            const uint64_t first = (choice & kMirrorReadFails) != 0 ? mirrorOf(r) : r.lba;
            vxf1394::testing::Faults faults;
            faults.readErrors.push_back({first, first + r.sectors - 1});
            drive_.setFaults(faults);
        }
    }

    void layOver(const uint8_t* data, size_t size) {
        std::vector<uint8_t> bytes = template_;
        std::memcpy(bytes.data(), data, std::min(size, bytes.size()));
        const uint8_t options = size > bytes.size() ? data[bytes.size()] : 0;
        uint8_t* region = bytes.data();
        for (const VolumeRegion& r : volumeRegions()) {
            const size_t regionBytes = size_t(r.sectors) * 512;
            if (r.lba == vxfserver::layout::kSongBitmapLba) keepSongBitsOfSlotsWithRecords(region);
            if ((options & kKeepChecksums) == 0) {
                for (size_t at = 0; at < regionBytes; at += r.recordBytes) {
                    vxfserver::storeChecksum(region + at, r.recordBytes);
                }
            }
            bool ok = drive_.write(uint64_t(r.lba) * 512, region, regionBytes);
            if ((options & kPrimaryOnly) == 0) ok = ok && drive_.write(mirrorOf(r) * 512, region, regionBytes);
            if (!ok) std::abort();
            region += regionBytes;
        }
    }

    // Only the first slots hold records the input reaches; every slot past them is the same blank
    // record, so a bit set for any of them finds nothing a bit for the first two of them would not
    // (thousands of such bits made each input read thousands of blank records). Their bits stay
    // clear; the bitmap's magic and checksum words are left as the input has them.
    static void keepSongBitsOfSlotsWithRecords(uint8_t* bitmap) {
        constexpr uint32_t kSlotsKept = kSongSlots + 2;
        static_assert(kSlotsKept <= 32, "the kept slots lie in the first word");
        vxfserver::putWord(bitmap, vxfserver::getWord(bitmap) & ((1u << kSlotsKept) - 1));
        std::memset(bitmap + 4, 0, (vxfserver::kSongBitmapBitWords - 1) * 4);
    }

    static std::vector<uint8_t> regionsOf(const vxf1394::testing::MemoryDrive& drive) {
        std::vector<uint8_t> bytes(volumeInputSize());
        uint8_t* out = bytes.data();
        for (const VolumeRegion& r : volumeRegions()) {
            if (!drive.read(uint64_t(r.lba) * 512, out, size_t(r.sectors) * 512)) std::abort();
            out += size_t(r.sectors) * 512;
        }
        return bytes;
    }

    std::string folder_;
    vxf1394::testing::MemoryDrive drive_;
    vxf1394::testing::MemoryContents contents_;
    std::vector<uint8_t> template_;
};

}  // namespace

uint64_t volumeDriveSectors() { return kLayoutOverhead + uint64_t(kClusters) * kSectorsPerAudioBlock; }

const std::vector<VolumeRegion>& volumeRegions() {
    static const std::vector<VolumeRegion> regions = makeRegions();
    return regions;
}

size_t volumeInputSize() {
    size_t size = 0;
    for (const VolumeRegion& r : volumeRegions()) size += size_t(r.sectors) * 512;
    return size;
}

std::vector<uint8_t> volumeInputFromImage(const std::string& imagePath) {
    std::vector<uint8_t> bytes(volumeInputSize());
    const int fd = ::open(imagePath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return {};
    uint8_t* out = bytes.data();
    bool ok = true;
    for (const VolumeRegion& r : volumeRegions()) {
        ok = ok && vxf1394::platform::preadAll(fd, out, size_t(r.sectors) * 512, uint64_t(r.lba) * 512);
        out += size_t(r.sectors) * 512;
    }
    ::close(fd);
    return ok ? bytes : std::vector<uint8_t>{};
}

bool buildTemplateVolume(uint32_t handle) {
    bool ok = tavovxfDriveFormat(handle) == VXF_OK;
    ok = ok && tavovxfDriveSetName(handle, "Fuzz Drive") == VXF_OK;
    ok = ok && tavovxfDriveSetExtName(handle, "Fuzz drive: template") == VXF_OK;
    ok = ok && tavovxfProjectSetName(handle, "Takes") == VXF_OK;
    // A stereo song at 48 kHz whose second block lies in a run of its own.
    ok = ok && tavovxfSongCreate(handle, 2, 48000, 24) == VXF_OK;
    ok = ok && writeTrack(handle, 0, 0, 98304, 10);
    ok = ok && tavovxfSongCreate(handle, 12, 96000, 24) == VXF_OK;
    ok = ok && writeTrack(handle, 5, 1, 3001, 20);
    ok = ok && tavovxfSongSetPrimary(handle, 0) == VXF_OK;
    ok = ok && writeTrack(handle, 1, 98000, 5000, 30);
    // An empty protected song of 24 tracks at 44.1 kHz.
    ok = ok && tavovxfSongCreate(handle, 24, 44100, 24) == VXF_OK;
    ok = ok && tavovxfSongSetName(handle, "Protected") == VXF_OK;
    ok = ok && tavovxfSongSetWriteProtect(handle, 1) == VXF_OK;
    // A second project with a 6-track song at 88.2 kHz.
    ok = ok && tavovxfProjectCreate(handle) == VXF_OK;
    ok = ok && tavovxfProjectSetExtName(handle, "Mixes of the week") == VXF_OK;
    ok = ok && tavovxfSongCreate(handle, 6, 88200, 24) == VXF_OK;
    ok = ok && writeTrack(handle, 3, 0, 20000, 40);
    ok = ok && tavovxfProjectSetPrimary(handle, 0) == VXF_OK;
    return ok;
}

namespace {
Harness& harness() {
    static Harness instance;
    return instance;
}
}  // namespace

void runVolumeInput(const uint8_t* data, size_t size) { harness().run(data, size); }

const std::vector<uint8_t>& templateVolumeInput() { return harness().templateInput(); }

}  // namespace vxf::fuzz
