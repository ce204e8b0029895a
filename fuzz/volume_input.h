// volume_input.h - untrusted bytes laid over the system records of a small formatted volume, then every operation run on it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vxf::fuzz {

// A drive of 48 clusters of one audio block: it formats in a moment and its
// songs fill it quickly.
uint64_t volumeDriveSectors();

// The system records an input covers, in input order: super block, project
// list, song bitmap, audio bitmap, the first three project slots and the
// first six song slots. Each region holds records of `recordBytes` whose last
// word is a checksum.
struct VolumeRegion {
    uint32_t lba;
    uint32_t sectors;
    uint32_t recordBytes;
};
const std::vector<VolumeRegion>& volumeRegions();
// Bytes of all regions; an input may carry up to four option bytes after them:
//   1. bits: kKeepChecksums, kPrimaryOnly;
//   2. k > 0: the k-th write request of the operations fails;
//   3. r > 0: reads of region (r without bit 7) modulo the region count fail, of its
//      mirror copy when bit 7 is set, of its first copy otherwise;
//   4. c: after the queries every input runs, only change c modulo their number (song,
//      projects, drive names, remap, extract, upgrade, scan, format): inputs that do less run
//      many more times a second. An input that covers the regions but not this byte runs all
//      of them one after another; a shorter one is given its change by its length.
size_t volumeInputSize();
// How many changes the fourth option byte chooses from.
constexpr uint8_t kVolumeChanges = 8;

// Bits of the first option byte.
constexpr uint8_t kKeepChecksums = 0x01;  // checksums stay as the input has them
constexpr uint8_t kPrimaryOnly = 0x02;    // the mirror copies keep the template's records
constexpr uint8_t kMirrorReadFails = 0x80;  // in the third option byte

// The regions of an image of volumeDriveSectors() sectors: a seed.
std::vector<uint8_t> volumeInputFromImage(const std::string& imagePath);

// Builds the template volume on the drive behind `handle` (formatted here):
// two projects and four songs, one of them write protected, one in two runs,
// at every sample rate. Answers whether every step succeeded.
bool buildTemplateVolume(uint32_t handle);

// Restores the template (made on first use, on a memory drive of this process)
// on the input's memory drive, lays the input over its records (both copies unless the
// option says otherwise; checksums fixed unless the option says otherwise),
// arms the drive faults the options ask for and runs the exports of the
// drive, project, song and track families on it (all, or the change the
// fourth option byte chooses).
void runVolumeInput(const uint8_t* data, size_t size);

// The template's own regions: the input that changes nothing.
const std::vector<uint8_t>& templateVolumeInput();

}  // namespace vxf::fuzz
