// cmd_demo.cpp - vxf demo: a demo drive image with a project of two songs of synthetic tones.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "cli.h"
#include "disk_enumeration.h"
#include "drive_image.h"
#include "optimal_chunk.h"
#include "server_session.h"

namespace {

using namespace vxf::cli;
namespace diskenum = vxf1394::diskenum;

constexpr const char* kDriveName = "Studio A";
constexpr const char* kProjectName = "Demo Session";
constexpr const char* kVendor = "DEMO";
constexpr uint16_t kBytesPerSample = 3;
constexpr uint16_t kLeastSignificantFirst = 0;
constexpr double kPeak = 0.4 * 8388607;  // about -8 dB of full scale
constexpr double kFadeSeconds = 0.05;
constexpr double kLowestPitch = 220.0;
constexpr double kPitchStepsPerOctave = 8.0;  // neighbouring tracks lie a ninth of an octave apart

struct DemoSong {
    const char* name;
    uint16_t tracks;
    uint32_t rate;
    uint32_t seconds;
};
constexpr DemoSong kSongs[] = {
    {"Tones 48k", 24, 48000, 20},
    {"Tones 96k", 8, 96000, 10},
};

std::optional<std::string> defaultImagePath() {
    const char* data = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    std::string base;
    if (data && *data) {
        base = data;
    } else if (home && *home) {
        base = std::string(home) + "/.local/share";
    } else {
        return std::nullopt;
    }
    return base + "/vxfdeck/demo/studio-a.img";
}

// The image's number among the recorder drives of the enumeration, as the drive listing counts them (from 1).
std::optional<int64_t> driveNumberOf(const std::string& enumPath, const std::string& image) {
    const diskenum::Enumeration enumeration = diskenum::readEnumeration(enumPath);
    const diskenum::Value* countValue = diskenum::findValue(enumeration.values, "Count");
    const std::optional<uint32_t> count = countValue ? diskenum::parseCount(countValue->data) : std::nullopt;
    const std::string wanted = diskenum::storedDrivePath(image);
    int64_t number = 0;
    for (uint32_t i = 0; count && i < *count; ++i) {
        const diskenum::Value* value = diskenum::findValue(enumeration.values, std::to_string(i));
        if (!value || value->data.rfind(diskenum::kRecorderPrefix, 0) != 0) continue;
        ++number;
        const std::optional<diskenum::DriveEntry> entry = diskenum::parseDriveEntry(value->data);
        if (entry && diskenum::storedDrivePath(entry->path) == wanted) return number;
    }
    return std::nullopt;
}

bool registerImage(const std::string& image, int64_t& number) {
    const std::string enumPath = diskenum::enumerationFilePath();
    if (enumPath.empty()) return fail("no disk enumeration file: set VXF_DISK_ENUM or HOME") == kExitOk;
    const diskenum::EditOutcome outcome = diskenum::addDrive(enumPath, {image, kVendor, kDriveName});
    if (outcome.result != diskenum::EditResult::done && outcome.result != diskenum::EditResult::alreadyListed) {
        fail("the disk enumeration file " + enumPath + " cannot be updated: " + outcome.detail);
        return false;
    }
    const std::optional<int64_t> found = driveNumberOf(enumPath, image);
    if (!found) {
        fail(image + " is listed in " + enumPath + " but cannot be reached as a drive");
        return false;
    }
    number = *found;
    return true;
}

// A volume as format leaves it: one project and no song. Anything else is someone's work.
bool isEmptyVolume(vxf::server::Drive& drive, bool& empty) {
    uint16_t projects = 0;
    uint16_t songs = 0;
    if (tavovxfProjectGetNum(drive.handle(), &projects) != VXF_OK) return drive.failed(drive.label());
    empty = projects == 1;
    if (!empty) return true;
    if (!drive.openProject(1)) return false;
    if (tavovxfSongGetNum(drive.handle(), &songs) != VXF_OK) return drive.failed(drive.label());
    empty = songs == 0;
    return true;
}

// Track k's tone, with a short fade at both ends, as 24-bit little-endian samples.
void fillTone(uint8_t* out, uint16_t track, const DemoSong& song, uint32_t first, uint32_t count) {
    const double pitch = kLowestPitch * std::pow(2.0, track / kPitchStepsPerOctave);
    const double length = song.seconds;
    for (uint32_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(first + i) / song.rate;
        const double envelope = std::min({1.0, t / kFadeSeconds, (length - t) / kFadeSeconds});
        const auto value = static_cast<int32_t>(std::lround(kPeak * envelope * std::sin(2 * std::numbers::pi * pitch * t)));
        out[3 * i] = static_cast<uint8_t>(value);
        out[3 * i + 1] = static_cast<uint8_t>(value >> 8);
        out[3 * i + 2] = static_cast<uint8_t>(value >> 16);
    }
}

bool writeTones(const vxf::server::Drive& drive, const DemoSong& song, const std::string& label) {
    uint32_t optimal = 0;
    if (tavovxfTrackOptimalTransferSize(drive.handle(), &optimal) != VXF_OK) return drive.failed(label);
    const uint32_t block = vxf::transfer::OptimalChunk(song.tracks, optimal);
    if (block == 0) return drive.failed(label);
    std::vector<std::vector<uint8_t>> buffers(song.tracks, std::vector<uint8_t>(size_t{block} * kBytesPerSample));
    const void* sources[VXF_MAX_TRACKS] = {};
    for (uint16_t track = 0; track < song.tracks; ++track) sources[track] = buffers[track].data();
    const uint32_t total = song.rate * song.seconds;
    for (uint32_t position = 0; position < total; position += block) {
        const uint32_t count = std::min(block, total - position);
        for (uint16_t track = 0; track < song.tracks; ++track) {
            fillTone(buffers[track].data(), track, song, position, count);
        }
        if (tavovxfTrackWriteAll(drive.handle(), position, count, kBytesPerSample, kLeastSignificantFirst, sources) !=
            VXF_OK) {
            return drive.failed(label);
        }
    }
    return true;
}

bool fillDemo(vxf::server::Drive& drive) {
    const std::string project = drive.label() + ", project 1";
    if (!vxf::server::setBothNames(drive, kDriveName, drive.label(), tavovxfDriveSetExtName, tavovxfDriveSetName) ||
        !drive.openProject(1) ||
        !vxf::server::setBothNames(drive, kProjectName, project, tavovxfProjectSetExtName, tavovxfProjectSetName)) {
        return false;
    }
    for (size_t i = 0; i < std::size(kSongs); ++i) {
        const DemoSong& song = kSongs[i];
        const std::string label = project + ", song " + std::to_string(i + 1);
        if (tavovxfSongCreate(drive.handle(), song.tracks, song.rate, 24) != VXF_OK) return drive.failed(label);
        if (!vxf::server::setBothNames(drive, song.name, label, tavovxfSongSetExtName, tavovxfSongSetName) ||
            !writeTones(drive, song, label)) {
            return false;
        }
    }
    return true;
}

int runDemo(const Args& args) {
    if (!args.positional().empty()) throw UsageError{"takes no arguments"};
    std::string image;
    if (auto given = args.value("image")) {
        image = *given;
    } else if (auto standard = defaultImagePath()) {
        image = *standard;
    } else {
        return fail("no home folder to keep the demo image in: give --image PATH");
    }
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::path(image).parent_path();
    if (!folder.empty()) std::filesystem::create_directories(folder, error);
    std::string why;
    if (createSparseImage(image, kDefaultImageSectors, why) == ImageResult::failed) return fail(image + ": " + why);

    int64_t number = 0;
    if (!registerImage(image, number)) return kExitFailure;
    vxf::server::Drive drive;
    if (!drive.open(number, vxf::server::Purpose::Change)) return kExitFailure;
    uint32_t formatted = 0;
    if (tavovxfDriveIsFormatted(drive.handle(), &formatted) != VXF_OK) return vxf::server::failWith(drive.label());
    bool empty = true;
    if (formatted && !isEmptyVolume(drive, empty)) return kExitFailure;
    if (formatted && !empty) {
        std::printf("demo drive %s is drive %lld; its volume is in use already and is left as it is\n", image.c_str(),
                    static_cast<long long>(number));
        return kExitOk;
    }
    if (!formatted && tavovxfDriveFormat(drive.handle()) != VXF_OK) {
        return vxf::server::failWith("format of " + drive.label());
    }
    if (!fillDemo(drive)) return kExitFailure;
    std::printf("demo drive %s is drive %lld, \"%s\": project \"%s\" with songs", image.c_str(),
                static_cast<long long>(number), kDriveName, kProjectName);
    for (size_t i = 0; i < std::size(kSongs); ++i) {
        std::printf("%s \"%s\" (%u tracks, %u Hz, %u s)", i ? " and" : "", kSongs[i].name, kSongs[i].tracks,
                    kSongs[i].rate, kSongs[i].seconds);
    }
    std::printf("\n");
    return kExitOk;
}

const Registrar demo{Command{
    "demo",
    "[--image PATH]",
    "create the demo drive if it is not there: a sparse image (default ~/.local/share/vxfdeck/demo/studio-a.img) "
    "listed as a drive, formatted, named \"Studio A\", with project \"Demo Session\" holding a 24-track 48 kHz "
    "song of 20 s and an 8-track 96 kHz song of 10 s, one tone per track; an existing demo is left alone",
    {"image"},
    {},
    runDemo,
}};

}  // namespace
