// cmd_scan.cpp - vxf scan: the drive's songs and audio bitmap checked and repaired, with what changed.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli.h"
#include "server_session.h"
#include "vxfx.h"

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

// What the scan mended beyond its removals and the space, in the message; nothing when it mended nothing else.
std::string repairs(const VxfxScanReport& report) {
    std::string text;
    auto add = [&text](uint32_t count, const char* one, const char* many) {
        if (count == 0) return;
        text += "; " + std::to_string(count) + " " + (count == 1 ? one : many);
    };
    add(report.droppedProjectEntries, "stray project list entry dropped", "stray project list entries dropped");
    add(report.extraListings, "second listing of a song removed", "second listings of songs removed");
    add(report.relistedSongs, "listed song's slot marked in use again", "listed songs' slots marked in use again");
    add(report.repairedSongs, "song's runs outside the audio space cut away", "songs' runs outside the audio space cut away");
    if (report.sharedClusters > 0) {
        text += "; " + std::to_string(report.sharedClusters) + " shared cluster" +
                (report.sharedClusters == 1 ? "" : "s") + ", " + std::to_string(report.copiedClusters) + " copied";
    }
    return text;
}

int runScan(const Args& args) {
    if (!args.positional().empty()) throw UsageError{"takes no arguments"};
    const int64_t number = args.number("drive", 1, 65535);
    vxf::server::Drive drive;
    if (!drive.open(number, vxf::server::Purpose::Change)) return kExitFailure;
    uint32_t freeBefore = 0;
    if (tavovxfDriveGetFreeSpace(drive.handle(), &freeBefore) != VXF_OK) return vxf::server::failWith(drive.label());
    const auto before = songsPerProject(drive);

    VxfxScanReport report{};
    if (vxfxDriveScan(drive.handle(), &report) != VXF_OK) {
        if (report.unresolved[0] != '\0') std::fputs(report.unresolved, stderr);
        return vxf::server::failWith("scan of " + drive.label());
    }

    uint32_t freeAfter = 0;
    if (tavovxfDriveGetFreeSpace(drive.handle(), &freeAfter) != VXF_OK) return vxf::server::failWith(drive.label());
    const auto after = songsPerProject(drive);
    // The space figure is how far the free space moved, either way.
    const uint32_t space = freeAfter > freeBefore ? freeAfter - freeBefore : freeBefore - freeAfter;
    const unsigned removed = removedSongs(before, after);
    if (args.has("json")) {
        std::printf("{\"drive\": %lld, \"removedSongs\": %u, \"spaceKiB\": %u, \"freeKiB\": %u, "
                    "\"projectEntriesDropped\": %u, \"extraListingsRemoved\": %u, \"songSlotsMarked\": %u, "
                    "\"songsWithRunsCut\": %u, \"sharedClusters\": %u, \"copiedClusters\": %u}\n",
                    (long long)number, removed, space, freeAfter, report.droppedProjectEntries, report.extraListings,
                    report.relistedSongs,
                    report.repairedSongs, report.sharedClusters, report.copiedClusters);
    } else {
        std::printf("scanned %s: %u song%s removed, %u KiB of space corrected, %u KiB free%s\n", drive.label().c_str(),
                    removed, removed == 1 ? "" : "s", space, freeAfter, repairs(report).c_str());
    }
    return kExitOk;
}

const Registrar scan{Command{
    "scan",
    "--drive N [--json]",
    "check every project and song of drive N: remove songs that no longer load, give unreferenced songs a project, "
    "keep a song listed twice in one list, cut runs that reach outside the audio space, give songs that share "
    "clusters copies of their own, rebuild the audio bitmap from the songs",
    {"drive"},
    {"json"},
    runScan,
}};

}  // namespace
