// cmd_scan.cpp - vxf scan: the drive's songs and audio bitmap checked and repaired, with what changed.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli.h"
#include "server_session.h"

namespace {

using namespace vxf::cli;

// The songs of each project by list index; nothing for a project that does
// not open (its record is damaged). The primary project is chosen again
// afterwards, so that counting leaves it as it was.
std::vector<std::optional<uint16_t>> songsPerProject(const vxf::server::Drive& drive) {
    std::vector<std::optional<uint16_t>> songs;
    uint16_t projects = 0;
    uint16_t primary = 0;
    if (tavovxfProjectGetNum(drive.handle(), &projects) != VXF_OK ||
        tavovxfProjectGetLastPrimary(drive.handle(), &primary) != VXF_OK) {
        vxf::server::errorMessage();
        return songs;
    }
    for (uint16_t p = 0; p < projects; ++p) {
        uint16_t count = 0;
        if (tavovxfProjectSetPrimary(drive.handle(), p) == VXF_OK && tavovxfSongGetNum(drive.handle(), &count) == VXF_OK) {
            songs.emplace_back(count);
        } else {
            vxf::server::errorMessage();
            songs.emplace_back();
        }
    }
    if (projects > 0 && tavovxfProjectSetPrimary(drive.handle(), primary) != VXF_OK) vxf::server::errorMessage();
    return songs;
}

// Songs gone from the projects that opened before the scan; a project that
// was rebuilt, or made for songs no project named, only gained songs.
unsigned removedSongs(const std::vector<std::optional<uint16_t>>& before,
                      const std::vector<std::optional<uint16_t>>& after) {
    unsigned removed = 0;
    for (size_t p = 0; p < before.size() && p < after.size(); ++p) {
        if (before[p] && after[p] && *before[p] > *after[p]) removed += *before[p] - *after[p];
    }
    return removed;
}

int runScan(const Args& args) {
    if (!args.positional().empty()) throw UsageError{"takes no arguments"};
    const int64_t number = args.number("drive", 1, 65535);
    vxf::server::Drive drive;
    if (!drive.open(number, vxf::server::Purpose::Change)) return kExitFailure;
    uint32_t freeBefore = 0;
    if (tavovxfDriveGetFreeSpace(drive.handle(), &freeBefore) != VXF_OK) return vxf::server::failWith(drive.label());
    const auto before = songsPerProject(drive);

    if (tavovxfDriveScan(drive.handle()) != VXF_OK) return vxf::server::failWith("scan of " + drive.label());

    uint32_t freeAfter = 0;
    if (tavovxfDriveGetFreeSpace(drive.handle(), &freeAfter) != VXF_OK) return vxf::server::failWith(drive.label());
    const auto after = songsPerProject(drive);
    // The space figure is how far the free space moved, either way.
    const uint32_t space = freeAfter > freeBefore ? freeAfter - freeBefore : freeBefore - freeAfter;
    const unsigned removed = removedSongs(before, after);
    if (args.has("json")) {
        std::printf("{\"drive\": %lld, \"removedSongs\": %u, \"spaceKiB\": %u, \"freeKiB\": %u}\n", (long long)number,
                    removed, space, freeAfter);
    } else {
        std::printf("scanned %s: %u song%s removed, %u KiB of space corrected, %u KiB free\n", drive.label().c_str(),
                    removed, removed == 1 ? "" : "s", space, freeAfter);
    }
    return kExitOk;
}

const Registrar scan{Command{
    "scan",
    "--drive N [--json]",
    "check every project and song of drive N: remove songs that no longer load, give unreferenced songs a project, "
    "rebuild the audio bitmap from the songs",
    {"drive"},
    {"json"},
    runScan,
}};

}  // namespace
